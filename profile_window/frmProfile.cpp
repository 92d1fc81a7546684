#include "profile_window/frmProfile.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>

#include "companion/Placement.h"
#include "companion/SectionText.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/reason_text.h"
#include "profile_window/ProfileDrawing.h"
#include "ui_frmProfile.h"

namespace exact = hydraulics::exact;

namespace {

// The window's definition beside the .ui form, in pixels. Wide, it fits
// beside a centred calculator on a 1920 x 1080 screen (744 free on either
// side); narrow, on 1280 x 1024 (424 free), on the side 断面详情 leaves. On a
// screen where nothing fits beside, the narrowest goes where it hides the
// least of the calculator.
constexpr QSize kWide{728, 780};
constexpr QSize kNarrow{416, 1000};
constexpr int kNarrowestWidth = 352;
constexpr int kBoxWidth = 64;
// Narrow, the columns keep a readable width and the table scrolls sideways.
constexpr int kNarrowColumn = 74;
// The table shows the default eleven stations whole where there is room,
// and never fewer than four; a narrow window's drawing wants this height.
constexpr int kWholeRows = 11;
constexpr int kFewestRows = 4;
constexpr int kWantedDrawingHeight = 320;

QString Explanation(const LastComputation& last) {
  switch (last.outcome) {
    case LastComputation::Outcome::None:
    case LastComputation::Outcome::Computed:
    case LastComputation::Outcome::CannotCompute:
      break;
    case LastComputation::Outcome::InputMessage:
      return RejectedInputText(last.message);
  }
  return QStringLiteral("尚无计算结果。\n在计算窗口中输入流量和断面尺寸并按“开始计算”，"
                        "这里就会按那个断面画出水面曲线。");
}

bool Described(const LastComputation& last) {
  return last.outcome == LastComputation::Outcome::Computed || last.outcome == LastComputation::Outcome::CannotCompute;
}

QString Summary(const exact::Profile& p) {
  QString text = ProfileName(p);
  // The other notation, once in the window.
  if (p.type) text += QStringLiteral("（即 %1 型）").arg(FromUtf8(exact::ProfileTypeEquivalent(*p.type)));
  if (p.slope_class) text += QStringLiteral("，%1").arg(FromUtf8(exact::SlopeClassName(*p.slope_class)));
  if (p.critical_depth) text += QStringLiteral("，临界水深 h_k = %1 米").arg(TableNumber(*p.critical_depth));
  if (p.normal_depth) text += QStringLiteral("，正常水深 h_0 = %1 米").arg(TableNumber(*p.normal_depth));
  return text;
}

}  // namespace

int frmProfile::TableHeight(int rows, int header) { return header + rows * kRowHeight + 2; }

frmProfile::frmProfile(QWidget* owner) : CompanionDialog(owner), ui(std::make_unique<Ui::frmProfile>()) {
  ui->setupUi(this);
  Dress(ui->lblTitle, {ui->lblB, ui->lblUnitB}, ui->lblMessage, ui->lblNote);
  connect(ui->cmdCopy, &QPushButton::clicked, this, &frmProfile::cmdCopy_Click);
  connect(ui->cmdClose, &QPushButton::clicked, this, &frmProfile::cmdClose_Click);
  for (QLineEdit* box : {ui->TextN, ui->TextI, ui->TextAlpha, ui->TextB, ui->TextH1, ui->TextEnd, ui->TextSteps})
    connect(box, &QLineEdit::textChanged, this, &frmProfile::Inputs_Change);
  connect(ui->cboEnd, &QComboBox::currentIndexChanged, this, &frmProfile::cboEnd_Change);
  connect(&runner_, &ProfileRunner::Done, this, &frmProfile::Profile_Done);

  ui->TextAlpha->setPlaceholderText(QStringLiteral("默认 1"));
  ui->TextSteps->setPlaceholderText(QString::number(exact::kDefaultProfileSteps));

  QTableView* table = ui->tblStations;
  table->setModel(&model_);
  // Rows of one fixed height: the view then never measures 10,000 of them.
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setMinimumSectionSize(kRowHeight);
  table->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  table->horizontalHeader()->setFixedHeight(2 * fontMetrics().lineSpacing() + 6);
  table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setWordWrap(false);
  // One stop for Tab: the arrow keys move between the cells.
  table->setTabKeyNavigation(false);

  for (QPushButton* button : {ui->cmdCopy, ui->cmdClose}) button->setFixedSize(kButtonWidth, kButtonHeight);
  for (QLineEdit* box : {ui->TextN, ui->TextI, ui->TextAlpha, ui->TextB, ui->TextH1, ui->TextEnd, ui->TextSteps})
    box->setMinimumWidth(kBoxWidth);
  // The inputs row by row, then the table, then 复制 and 关闭.
  const QList<QWidget*> order{ui->TextN,   ui->TextI,     ui->TextAlpha,   ui->TextB,  ui->TextH1, ui->cboEnd,
                              ui->TextEnd, ui->TextSteps, ui->tblStations, ui->cmdCopy, ui->cmdClose};
  for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

// The table lets go of the model before the model, a member, goes.
frmProfile::~frmProfile() { ui->tblStations->setModel(nullptr); }

void frmProfile::Form_Load() {
  LoadFrame();
  Arrange(Arrangement::Wide, kWide);
  Recompute();
}

QList<QSize> frmProfile::ArrangementSizes(const QRect& room) {
  const int high = std::min(kNarrow.height(), room.height());
  return {kWide, QSize(kNarrow.width(), high), QSize(kNarrowestWidth, high)};
}

void frmProfile::Arrange(Arrangement arrangement, QSize size) {
  delete layout();
  const bool wide = arrangement == Arrangement::Wide;
  const int line = fontMetrics().lineSpacing();
  const int message_height = 2 * line + 2;

  QGridLayout* inputs = InputGrid({{ui->lblN, ui->TextN, nullptr},
                                   {ui->lblI, ui->TextI, nullptr},
                                   {ui->lblAlpha, ui->TextAlpha, nullptr},
                                   {ui->lblB, ui->TextB, ui->lblUnitB},
                                   {ui->lblH1, ui->TextH1, ui->lblUnitH1},
                                   {ui->cboEnd, ui->TextEnd, ui->lblUnitEnd},
                                   {ui->lblSteps, ui->TextSteps, nullptr}},
                                  wide ? 4 : 2);
  ui->lblMessage->setFixedHeight(message_height);
  // Narrow, a note of a stop and an unreachable end wants three lines.
  ui->lblNote->setFixedHeight(wide ? message_height : 3 * line + 2);
  ui->lblSummary->setFixedHeight(wide ? line + 2 : message_height);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ui->cmdCopy);
  buttons->addWidget(ui->cmdClose);

  auto* column = new QVBoxLayout(this);
  column->setSpacing(kSpacing);
  column->addLayout(inputs);
  column->addWidget(ui->lblMessage);
  column->addWidget(ui->lblSummary);
  column->addWidget(ui->picDrawing, 1);
  column->addWidget(ui->tblStations);
  column->addWidget(ui->lblNote);
  column->addLayout(buttons);

  QTableView* table = ui->tblStations;
  const int header = table->horizontalHeader()->height();
  int table_height = TableHeight(kWholeRows, header);
  if (!wide) {
    const int fixed = kInner.top() + kInner.bottom() + inputs->sizeHint().height() + 3 * message_height + line +
                      kButtonHeight + 6 * kSpacing;
    table_height = std::clamp(size.height() - fixed - kWantedDrawingHeight, TableHeight(kFewestRows, header),
                              TableHeight(kWholeRows, header));
  }
  table->setFixedHeight(table_height);
  QHeaderView* columns = table->horizontalHeader();
  if (wide) {
    columns->setSectionResizeMode(QHeaderView::Stretch);
  } else {
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setDefaultSectionSize(kNarrowColumn);
  }
  ui->picDrawing->setMinimumSize(0, 120);

  arrangement_ = arrangement;
  // Wide, the message and note keep their places.
  FinishArrange(size, wide);
}

void frmProfile::TakeOver(const ProfileTakeOver& given) {
  if (given.n) ui->TextN->setText(InputNumber(*given.n));
  if (!given.i.isEmpty()) ui->TextI->setText(given.i);
  if (given.b) ui->TextB->setText(InputNumber(*given.b));
}

void frmProfile::Open() {
  OpenBesideOwner(this, &frmProfile::ArrangementSizes, [this](int chosen, QSize size) {
    Arrange(chosen == 0 ? Arrangement::Wide : Arrangement::Narrow, size);
  });
}

ProfileBoxes frmProfile::Boxes() const {
  ProfileBoxes boxes;
  boxes.n = ui->TextN->text();
  boxes.i = ui->TextI->text();
  boxes.alpha = ui->TextAlpha->text();
  boxes.b = ui->TextB->text();
  boxes.h1 = ui->TextH1->text();
  boxes.end = ui->TextEnd->text();
  boxes.steps = ui->TextSteps->text();
  boxes.end_kind = end_kind_;
  boxes.takes_b = Described(last_) && last_.section.shape == exact::Shape::AverageTrapezoid;
  return boxes;
}

void frmProfile::cboEnd_Change(int index) {
  const ProfileEnd chosen = index == 1 ? ProfileEnd::Length : ProfileEnd::Depth;
  if (chosen == end_kind_) return;
  end_kind_ = chosen;
  const QString shown = ui->TextEnd->text();
  ui->TextEnd->setAccessibleName(EndName(chosen));
  ui->TextEnd->setToolTip(chosen == ProfileEnd::Depth ? QStringLiteral("水面曲线终点的水深：从 h1 到 h2 按水深等分")
                                                      : QStringLiteral("从控制断面算起的渠段长度：按距离等分"));
  // Each choice keeps its own text; the swap recomputes.
  const QString restored = other_end_;
  other_end_ = shown;
  if (ui->TextEnd->text() == restored) Recompute();
  else ui->TextEnd->setText(restored);
}

void frmProfile::Recompute() {
  ++request_;
  const ProfileBoxes boxes = Boxes();
  for (QWidget* part : {static_cast<QWidget*>(ui->lblB), static_cast<QWidget*>(ui->TextB),
                        static_cast<QWidget*>(ui->lblUnitB)})
    part->setEnabled(boxes.takes_b);
  const ProfileReading reading = ReadProfileBoxes(boxes);
  ui->lblMessage->setText(reading.problems.join(QStringLiteral("；")));
  if (!Described(last_)) {
    ShowNoProfile(Explanation(last_));
    return;
  }
  if (!reading.Complete()) {
    QString explanation = reading.missing.isEmpty()
                              ? QStringLiteral("请改正上面提示的输入。")
                              : QStringLiteral("请输入%1，即画出水面曲线。").arg(reading.missing.join(QStringLiteral("、")));
    if (boxes.takes_b && !reading.b)
      explanation += QStringLiteral("\n只给了平均宽度 W 的梯形没有湿周，算不出水力坡度：须给出底宽 b。");
    ShowNoProfile(explanation);
    return;
  }
  exact::Section section = last_.section;
  if (reading.b) {
    section.shape = exact::Shape::Trapezoid;
    section.b = *reading.b;
  }
  i_typed_ = ui->TextI->text().trimmed();
  // The last profile stays on the screen until this one replaces it.
  runner_.Submit({request_, section, reading.inputs, hydraulics::kSI});
}

void frmProfile::Profile_Done(const ProfileResult& result) {
  if (result.request.id != request_) return;
  shown_request_ = request_;
  const std::shared_ptr<const exact::Profile>& profile = result.profile;
  shown_ = ProfileCopy{result.request.section, result.request.inputs, i_typed_, result.request.units, profile};
  ProfilePicture picture;
  picture.S0 = result.request.inputs.S0;
  picture.crown = exact::SectionHeight(result.request.section);
  const QString notes = ProfileNotes(*profile);
  if (profile->computed()) {
    picture.profile = profile;
    model_.SetProfile(profile);
    ui->lblSummary->setText(Summary(*profile));
  } else {
    picture.explanation = profile->type ? ProfileName(*profile) + QStringLiteral("：") + notes : notes;
    model_.SetProfile(nullptr);
    ui->lblSummary->setText(profile->type ? Summary(*profile) : QString());
  }
  ui->picDrawing->SetPicture(std::move(picture));
  ui->lblNote->setText(notes);
  ui->lblNote->setToolTip(notes);
  ShowTexts();
  emit ProfileShown();
}

void frmProfile::ShowNoProfile(const QString& explanation) {
  shown_request_ = request_;
  shown_.reset();
  model_.SetProfile(nullptr);
  ProfilePicture picture;
  picture.explanation = explanation;
  ui->picDrawing->SetPicture(std::move(picture));
  ui->lblSummary->clear();
  ui->lblNote->clear();
  ui->lblNote->setToolTip({});
  ShowTexts();
  emit ProfileShown();
}

void frmProfile::cmdCopy_Click() {
  // Without a profile the sentence that stands in for the drawing says why.
  Copy(shown_ ? ProfileTabSeparated(*shown_) : ui->picDrawing->Picture().explanation, ui->picDrawing->Image());
}
