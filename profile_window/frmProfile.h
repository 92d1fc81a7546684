#pragma once
// 水面曲线: the gradually varied water-surface profile of the calculation
// window's section, from a control depth to an end depth or over a reach,
// drawn along the channel with its station table. Owned by the calculation
// window and kept above it; not modal. Opens beside it, clear of 断面详情
// where the screen leaves room. Profiles are computed off the user-interface
// thread; the newest inputs always win.

#include <memory>
#include <optional>

#include <QList>

#include "companion/CompanionDialog.h"
#include "profile_window/ProfileForm.h"
#include "profile_window/ProfileRunner.h"
#include "profile_window/ProfileTable.h"

namespace Ui {
class frmProfile;
}

// What the window takes over from 断面详情: its roughness, its slope as
// typed, and the bottom width of a trapezoid given by its average width.
struct ProfileTakeOver {
  std::optional<double> n;
  QString i;
  std::optional<double> b;
};

class frmProfile : public CompanionDialog {
  Q_OBJECT

public:
  enum class Arrangement { Wide, Narrow };

  explicit frmProfile(QWidget* owner);
  ~frmProfile() override;

  void Form_Load();
  void TakeOver(const ProfileTakeOver& given);
  // Shows the window beside its owner when it opens, and brings it forward.
  void Open();

  void cboEnd_Change(int index);
  void cmdCopy_Click();

  // The profile shown, with what it was computed from; none while inputs are wanting.
  const std::optional<ProfileCopy>& Shown() const { return shown_; }
  // What the screen shows answers the inputs as they are now.
  bool Settled() const { return shown_request_ == request_; }
  Arrangement CurrentArrangement() const { return arrangement_; }
  // The window's sizes, most wanted first as PlaceCompanion takes them.
  static QList<QSize> ArrangementSizes(const QRect& room);
  void Arrange(Arrangement arrangement, QSize size);

signals:
  // A profile, or the reason there is none, is on the screen.
  void ProfileShown();

private:
  ProfileBoxes Boxes() const;
  void Recompute() override;
  void Profile_Done(const ProfileResult& result);
  void ShowNoProfile(const QString& explanation);
  static int TableHeight(int rows, int header);

  std::unique_ptr<Ui::frmProfile> ui;
  ProfileRunner runner_;
  ProfileTableModel model_;
  quint64 request_ = 0;  // the newest state of the inputs
  quint64 shown_request_ = 0;  // the state the screen answers
  QString i_typed_;      // the slope as typed for that state
  std::optional<ProfileCopy> shown_;
  ProfileEnd end_kind_ = ProfileEnd::Depth;
  QString other_end_;    // the end box's text for the choice not shown, kept for when it comes back
  Arrangement arrangement_ = Arrangement::Wide;
};
