#pragma once
// What 断面详情 and 水面曲线 share as windows. Each is a dialog in the
// toolkit's sense, not modal: only such windows tell the X11 window manager
// their owner, and screen readers hear a dialog, not a pane. The owner stays
// above ordinary windows, and a window manager keeps an owned window above
// its owner only within the same layer, so these stay on top too. Escape
// closes a dialog; Enter presses the button that has the focus.

#include <initializer_list>

#include <QDialog>
#include <QMargins>

#include "companion/LastComputation.h"

class QGridLayout;
class QImage;
class QLabel;

class CompanionDialog : public QDialog {
  Q_OBJECT

public:
  // Describes the computation afresh; the window's own inputs stay.
  void ShowComputation(const LastComputation& last);
  void Inputs_Change() { Recompute(); }
  void cmdClose_Click() { close(); }

protected:
  // Pixels. Side edges 19 wide and the title bar and bottom edge 30 high, plus a gap.
  static constexpr QMargins kInner{27, 38, 27, 38};
  static constexpr int kSpacing = 6;
  static constexpr int kRowHeight = 17;
  static constexpr int kButtonWidth = 80;
  static constexpr int kButtonHeight = 24;
  static constexpr int kUnitWidth = 18;

  struct InputRow {
    QWidget* label;
    QWidget* box;
    QWidget* unit;  // none for a number without a unit
  };

  explicit CompanionDialog(QWidget* owner);

  // Once the form is set up: the frame's pieces and title bar, greyed
  // captions that stay legible on the grey ground, and the message in the
  // colour of a warning. `note` is the label of the notes.
  void Dress(QLabel* title, std::initializer_list<QWidget*> greyed_captions, QLabel* message, QLabel* note);
  // The skin's pictures round the frame.
  void LoadFrame();
  // The inputs `per_row` to a line, each with its caption and unit.
  static QGridLayout* InputGrid(std::initializer_list<InputRow> rows, int per_row);
  // The window takes `size`, whatever its parts would like. Unless the
  // arrangement keeps the message's and note's places, so that the table
  // does not move, an empty one gives its room to the drawing.
  void FinishArrange(QSize size, bool keep_text_places);
  void ShowTexts();
  // A copy as spreadsheets paste it, with the drawing as a picture.
  static void Copy(const QString& text, const QImage& picture);

  virtual void Recompute() = 0;
  void keyPressEvent(QKeyEvent* event) override;

  LastComputation last_;

private:
  QLabel* message_ = nullptr;
  QLabel* note_ = nullptr;
  bool keep_text_places_ = true;
};
