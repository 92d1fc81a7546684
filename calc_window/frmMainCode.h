#pragma once
// The calculation window: the discharge and section boxes, the five section
// shapes, the compute and clear commands, and the members through which the
// critical-depth routine hands back its results.

#include <array>
#include <cstdint>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "companion/LastComputation.h"
#include "hydraulics/window/crit_depth.h"

class QLineEdit;
class frmDetail;
class frmProfile;
namespace Ui {
class frmMainCode;
}

class frmMainCode : public QWidget {
  Q_OBJECT

public:
  explicit frmMainCode(QWidget* parent = nullptr);
  ~frmMainCode() override;

  void Form_Load();
  void Option1_Click(int Index);
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  // False when an input was rejected with a message.
  bool CritDepth(std::int16_t TypeJs);
  // The detail window, created when first opened, and the two result texts
  // with their captions and units on the clipboard.
  void ShowDetail();
  void CopyResults();
  frmDetail* Detail() const;
  // 水面曲线, created when first opened, with the last computation's section
  // and what 断面详情 holds of n, i and a trapezoid's bottom width.
  void ShowProfile();
  frmProfile* ProfileWindow() const;

  std::int16_t JType() const { return JType_; }
  const hydraulics::window::OutValue& OUT() const { return members_.OUT; }
  float Bk() const { return members_.Bk; }
  std::int16_t BeErr() const { return members_.BeErr; }

private:
  QLineEdit* Box(hydraulics::window::FocusBox box) const;
  hydraulics::window::BoxTexts BoxContents() const;
  void ShowExactComparison(bool succeeded, const hydraulics::window::ResultTexts& shown);
  void RecordComputation(bool accepted, const hydraulics::window::BoxTexts& read, const hydraulics::window::ResultTexts& shown);

  std::unique_ptr<Ui::frmMainCode> ui;
  // Indexed as the window's groups are: Text1[1] to Text1[8]; slot 0 unused.
  std::array<QLineEdit*, 9> Text1{};

  std::int16_t JType_ = 0;
  hydraulics::window::Members members_;
  std::string rejected_;  // the message of the last rejected input
  LastComputation last_;
  QPointer<frmDetail> detail_;
  QPointer<frmProfile> profile_;
};
