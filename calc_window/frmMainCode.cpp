#include "calc_window/frmMainCode.h"

#include <span>

#include <QButtonGroup>
#include <QClipboard>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "calc_window/GroupFrameStyle.h"
#include "detail_window/DetailMenu.h"
#include "detail_window/frmDetail.h"
#include "profile_window/frmProfile.h"
#include "calc_window/ExactComparison.h"
#include "companion/SectionText.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/number_text.h"
#include "msgbox/MessageBox.h"
#include "skin/SkinModule.h"
#include "skin/TitleBar.h"
#include "ui_frmMainCode.h"

namespace {

constexpr QRgb kAvailableBack = qRgb(255, 255, 255);
// The platform has no "active window border" system colour; this grey is
// what that colour looks like on the desktops the window was drawn for.
constexpr QRgb kUnavailableBack = qRgb(180, 180, 180);

constexpr int kCircularBoxes[] = {1};
constexpr int kRectangularBoxes[] = {2};
constexpr int kTrapezoidalBoxes[] = {3, 4, 5};
constexpr int kTriangularBoxes[] = {4, 5};
constexpr int kDoorwayBoxes[] = {2, 6, 7};
// Parameter boxes each section type reads, indexed by the type.
constexpr std::span<const int> kAvailableBoxes[] = {
    {}, kCircularBoxes, kRectangularBoxes, kTrapezoidalBoxes, kTriangularBoxes, kDoorwayBoxes};
constexpr int kSectionTypes = 5;

void SetBackColour(QLineEdit* box, QRgb colour) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, QColor(colour));
  box->setPalette(palette);
}

// setText leaves the cursor at the end, which scrolls a long depth so that
// only its last digits show; a result is read from its first digit.
void ShowResult(QLineEdit* box, const std::string& text) {
  box->setText(QString::fromStdString(text));
  box->setCursorPosition(0);
}

}  // namespace

frmMainCode::frmMainCode(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::frmMainCode>()) {
  ui->setupUi(this);
  setWindowFlag(Qt::FramelessWindowHint);

  Text1 = {nullptr,     ui->Text1_1, ui->Text1_2, ui->Text1_3, ui->Text1_4,
           ui->Text1_5, ui->Text1_6, ui->Text1_7, ui->Text1_8};
  QButtonGroup* Option1 = ui->Option1;
  const std::array<QAbstractButton*, kSectionTypes> shapes = {ui->Option1_1, ui->Option1_2, ui->Option1_3,
                                                              ui->Option1_4, ui->Option1_5};
  for (int i = 1; i <= kSectionTypes; ++i) Option1->setId(shapes[i - 1], i);

  // toggled(true) comes for a mouse click and for the arrow keys alike.
  connect(Option1, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) Option1_Click(id);
  });
  connect(ui->Command1, &QPushButton::clicked, this, &frmMainCode::Command1_Click);
  connect(ui->Command2, &QPushButton::clicked, this, &frmMainCode::Command2_Click);
  connect(ui->Command3, &QPushButton::clicked, this, &frmMainCode::Command3_Click);
  // Enter in any box computes, as in every calculator. A box passes Enter on
  // only to its own window, so Enter in an input message box closes just that box.
  for (QLineEdit* box : {ui->TextQ, Text1[1], Text1[2], Text1[3], Text1[4], Text1[5], Text1[6], Text1[7],
                         Text1[8], ui->TextBk})
    connect(box, &QLineEdit::returnPressed, this, &frmMainCode::Command1_Click);

  // The frames' captions sit in their top lines, clear of the first row of controls.
  auto* frames = new GroupFrameStyle;
  frames->setParent(this);
  for (QGroupBox* frame : {ui->Frame1, ui->Frame2, ui->Frame3}) frame->setStyle(frames);

  SkinModule::ApplyPieceProperties(this, SkinModule::TitleHints::On);
  // The title bar asks; the window decides. Closing the only window ends the program.
  auto* title_bar = new SkinModule::TitleBar(this);
  connect(title_bar, &SkinModule::TitleBar::imgTitleClose_Click, this, &QWidget::close);
  connect(title_bar, &SkinModule::TitleBar::imgTitleMinimize_Click, this, &QWidget::showMinimized);
  connect(title_bar, &SkinModule::TitleBar::TitleMouseDown, this,
          [this](const QMouseEvent& press) { SkinModule::DragForm(this, press); });
  // Side edges 19 pixels wide, title bar and bottom edge 30 high. Every box's
  // own menu offers the entries; the result boxes' tooltips tell of them.
  auto* menu = new DetailMenu(this, QMargins(19, 30, 19, 30),
                              {ui->TextQ, Text1[1], Text1[2], Text1[3], Text1[4], Text1[5], Text1[6], Text1[7],
                               Text1[8], ui->TextBk},
                              {Text1[8], ui->TextBk});
  connect(menu, &DetailMenu::OpenDetail, this, &frmMainCode::ShowDetail);
  connect(menu, &DetailMenu::OpenProfile, this, &frmMainCode::ShowProfile);
  connect(menu, &DetailMenu::CopyResults, this, &frmMainCode::CopyResults);

  if (const QScreen* shown_on = screen())
    move(shown_on->availableGeometry().center() - rect().center());
}

frmMainCode::~frmMainCode() = default;

void frmMainCode::Form_Load() {
  for (int i = 1; i <= 8; ++i) Text1[i]->clear();
  // Text1(1) stays as defined: the circular section is selected at start.
  for (int i = 2; i <= 7; ++i) {
    SetBackColour(Text1[i], kUnavailableBack);
    Text1[i]->setEnabled(false);
  }
  JType_ = 1;
  members_.BeErr = 0;
  // The window manager names the window by the title the frame shows.
  SkinModule::LayoutFrame(this);
  SkinModule::ShowMaximizePicture(this);
  SkinModule::LoadSkin(this);
  SkinModule::SetOnTop(this, true);
}

void frmMainCode::Option1_Click(int Index) {
  JType_ = static_cast<std::int16_t>(Index);
  if (Index < 1 || Index > kSectionTypes) return;
  for (int i = 1; i <= 8; ++i) Text1[i]->clear();
  for (int i = 1; i <= 7; ++i) {
    SetBackColour(Text1[i], kUnavailableBack);
    Text1[i]->setEnabled(false);
  }
  for (const int i : kAvailableBoxes[Index]) {
    SetBackColour(Text1[i], kAvailableBack);
    Text1[i]->setEnabled(true);
  }
}

void frmMainCode::Command1_Click() {
  members_.BeErr = 0;
  ui->TextBk->clear();
  Text1[8]->clear();
  const hydraulics::window::BoxTexts read = BoxContents();
  const bool accepted = CritDepth(JType_);
  const hydraulics::window::ResultTexts shown = hydraulics::window::ShownResults(members_);
  ShowResult(Text1[8], shown.depth);
  ShowResult(ui->TextBk, shown.width);
  ShowExactComparison(accepted && members_.BeErr == 0, shown);
  RecordComputation(accepted, read, shown);
}

void frmMainCode::RecordComputation(bool accepted, const hydraulics::window::BoxTexts& read,
                                    const hydraulics::window::ResultTexts& shown) {
  using Outcome = LastComputation::Outcome;
  last_ = {};
  last_.outcome = !accepted ? Outcome::InputMessage : members_.BeErr == -1 ? Outcome::CannotCompute : Outcome::Computed;
  last_.boxes = read;
  last_.section = FromBoxes(JType_, read);
  last_.shown_depth = shown.depth;
  if (!accepted) last_.message = rejected_;
  if (detail_) detail_->ShowComputation(last_);
  if (profile_) profile_->ShowComputation(last_);
}

void frmMainCode::ShowDetail() {
  if (!detail_) {
    detail_ = new frmDetail(this);
    detail_->Form_Load();
    connect(detail_, &frmDetail::OpenProfile, this, &frmMainCode::ShowProfile);
  }
  detail_->ShowComputation(last_);
  detail_->Open();
}

frmDetail* frmMainCode::Detail() const { return detail_; }

void frmMainCode::ShowProfile() {
  if (!profile_) {
    profile_ = new frmProfile(this);
    profile_->Form_Load();
  }
  profile_->ShowComputation(last_);
  if (detail_) {
    const DetailInputs& held = detail_->Inputs();
    ProfileTakeOver given;
    given.n = held.n;
    if (held.i) given.i = held.i_typed;
    // A bottom width turned the average-width trapezoid into the true one.
    if (last_.section.shape == hydraulics::exact::Shape::AverageTrapezoid &&
        held.section.shape == hydraulics::exact::Shape::Trapezoid)
      given.b = held.section.b;
    profile_->TakeOver(given);
  }
  profile_->Open();
}

frmProfile* frmMainCode::ProfileWindow() const { return profile_; }

void frmMainCode::CopyResults() {
  auto line = [](const QLabel* caption, const QLineEdit* box, const QLabel* unit) {
    // A unit belongs only to a number, not to "无法计算".
    const bool number = hydraulics::IsNumericText(box->text().toStdString());
    return caption->text() + QStringLiteral("：") + box->text() + (number ? u' ' + unit->text() : QString()) + u'\n';
  };
  QGuiApplication::clipboard()->setText(line(ui->Label13, Text1[8], ui->Label10_0) +
                                        line(ui->Label14, ui->TextBk, ui->Label10_1));
}

// The circular and doorway sections are approximations: their result boxes
// tell how far the shown values lie from the exact-geometry ones.
void frmMainCode::ShowExactComparison(bool succeeded, const hydraulics::window::ResultTexts& shown) {
  QString depth_tip;
  QString width_tip;
  if (succeeded && (JType_ == 1 || JType_ == 5)) {
    const hydraulics::exact::Analysis truth = hydraulics::exact::Analyse(FromBoxes(JType_, BoxContents()));
    const std::optional<double> depth = hydraulics::LeadingNumber(shown.depth);
    if (truth.critical && depth) {
      depth_tip = QString::fromStdString(ComparisonText(*depth, truth.critical->depth));
      width_tip = QString::fromStdString(ComparisonText(members_.Bk, truth.critical->top_width));
    }
  }
  Text1[8]->setToolTip(depth_tip);
  ui->TextBk->setToolTip(width_tip);
}

void frmMainCode::Command2_Click() {
  for (int i = 1; i <= 8; ++i) Text1[i]->clear();
  ui->TextQ->clear();
  ui->TextBk->clear();
  last_ = {};
  if (detail_) detail_->ShowComputation(last_);
  if (profile_) profile_->ShowComputation(last_);
}

// OK in the box ends the program inside this call; Cancel comes back here.
void frmMainCode::Command3_Click() {
  QString title = QStringLiteral("提示");
  MessageBox::ShowMsgBox(QStringLiteral("确实要退出吗？"), 64, title);
}

hydraulics::window::BoxTexts frmMainCode::BoxContents() const {
  hydraulics::window::BoxTexts boxes;
  boxes.TextQ = ui->TextQ->text().toStdString();
  for (int i = 1; i <= 7; ++i) boxes.Text1[i] = Text1[i]->text().toStdString();
  return boxes;
}

bool frmMainCode::CritDepth(std::int16_t TypeJs) {
  const std::optional<hydraulics::window::InputMessage> rejected = hydraulics::window::CritDepth(TypeJs, BoxContents(), members_);
  if (!rejected) return true;
  rejected_ = std::string(rejected->text);
  QMessageBox box(QMessageBox::Critical, QStringLiteral("提示"), FromUtf8(rejected->text), QMessageBox::Ok, this);
  // Qt's own button texts are English unless its translations are installed.
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
  Box(rejected->focus)->setFocus(Qt::OtherFocusReason);
  return false;
}

QLineEdit* frmMainCode::Box(hydraulics::window::FocusBox box) const {
  switch (box) {
    case hydraulics::window::FocusBox::TextQ:
      return ui->TextQ;
    case hydraulics::window::FocusBox::Text1_1:
      return Text1[1];
    case hydraulics::window::FocusBox::Text1_2:
      return Text1[2];
  }
  return ui->TextQ;
}
