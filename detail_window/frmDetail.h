#pragma once
// 断面详情: the calculation window's last computation on the true section
// geometry, drawn to scale with its specific-energy curve, and its critical,
// normal and given-depth states in a table. Owned by the calculation window
// and kept above it; not modal, so that window goes on computing. Opens
// beside it, its parts side by side or stacked as the room there allows.

#include <memory>
#include <optional>
#include <vector>

#include <QDialog>
#include <QList>

#include "detail_window/DetailTable.h"
#include "companion/LastComputation.h"

class QLineEdit;
namespace Ui {
class frmDetail;
}

class frmDetail : public QDialog {
  Q_OBJECT

public:
  enum class Arrangement { SideBySide, Stacked };

  explicit frmDetail(QWidget* owner);
  ~frmDetail() override;

  void Form_Load();
  // Describes the computation afresh; the window's own inputs stay.
  void ShowComputation(const LastComputation& last);
  // Shows the window beside its owner when it opens, and brings it forward.
  void Open();

  void Inputs_Change();
  void cmdProfile_Click();
  void cmdCopy_Click();
  void cmdClose_Click();

  // What the window computes from: the section (the true trapezoid where a
  // bottom width is given), n, and i as typed. The profile window takes them over.
  const DetailInputs& Inputs() const { return inputs_; }

signals:
  // 水面曲线 asked for; the owner opens it.
  void OpenProfile();

public:

  const std::vector<DetailRow>& Rows() const { return rows_; }
  Arrangement CurrentArrangement() const { return arrangement_; }
  // The window's sizes, most wanted first as PlaceCompanion takes them, for a
  // screen whose available room is `room`: side by side, then two stacks.
  static QList<QSize> ArrangementSizes(const QRect& room);
  void Arrange(Arrangement arrangement, QSize size);

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  void Recompute();
  void FillTable();
  void ShowTexts();

  std::unique_ptr<Ui::frmDetail> ui;
  LastComputation last_;
  std::vector<DetailRow> rows_;
  DetailInputs inputs_;
  Arrangement arrangement_ = Arrangement::SideBySide;
};
