#include "detail_window/frmDetail.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include "companion/BoxReading.h"
#include "companion/Placement.h"
#include "companion/SectionText.h"
#include "detail_window/DetailDrawing.h"
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"
#include "ui_frmDetail.h"

namespace exact = hydraulics::exact;

namespace {

// The window's definition beside the .ui form: its sizes, the frame's inner
// margins and the sizes of its parts, in pixels.
// Side by side it fits beside a centred calculator on a 1920 x 1080 screen
// (744 free on either side); stacked, on 1280 x 1024 (424 free). Where
// nothing fits beside it, as on 800 x 600, the narrow stack over the left
// of the calculator hides its shape buttons and results but not the
// discharge box or the compute button, which begin 352 pixels in.
constexpr QSize kSideBySide{728, 720};
constexpr QSize kStacked{416, 1000};
constexpr int kNarrowWidth = 352;
constexpr int kHeaderHeight = 18;
// The value and unit columns; the name column takes the rest.
constexpr int kValueColumn = 92;
constexpr int kUnitColumn = 44;
constexpr int kPanelWidth = 286;   // the inputs and the table, beside the drawing
constexpr int kWideButtonWidth = 96;
// Stacked, the drawing and the table share what the screen leaves them:
// the whole table beside a drawing this high, else at least this many rows.
constexpr int kFewestRows = 4;
constexpr int kWantedDrawingHeight = 350;
constexpr int kLeastDrawingHeight = 200;

QString NotesText(const exact::Analysis& analysis) {
  return QString::fromStdString(exact::NotesText(analysis.notes, hydraulics::LengthUnit::Metre));
}

QString Explanation(const LastComputation& last, const exact::Analysis& exactResult) {
  switch (last.outcome) {
    case LastComputation::Outcome::None:
      return QStringLiteral("尚无计算结果。\n在计算窗口中输入流量和断面尺寸并按“开始计算”，"
                            "这里就会画出断面和比能曲线。");
    case LastComputation::Outcome::InputMessage:
      return RejectedInputText(last.message);
    case LastComputation::Outcome::CannotCompute: {
      QString text = QStringLiteral("计算窗口无法计算这个断面（结果为“无法计算”）。");
      if (!exactResult.notes.empty())
        text += QStringLiteral("\n按精确断面几何：%1。").arg(NotesText(exactResult));
      return text + QStringLiteral("\n请检查流量和断面尺寸。");
    }
    case LastComputation::Outcome::Computed:
      break;
  }
  return QStringLiteral("计算窗口得到了结果，但按精确断面几何无法计算：%1。").arg(NotesText(exactResult));
}

QTableWidgetItem* Cell(const QString& text, const QString& accessible, Qt::Alignment align) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setData(Qt::AccessibleTextRole, accessible);
  item->setTextAlignment(align | Qt::AlignVCenter);
  return item;
}

}  // namespace

int frmDetail::TableHeight(int rows) { return kHeaderHeight + rows * kRowHeight + 2; }

frmDetail::frmDetail(QWidget* owner) : CompanionDialog(owner), ui(std::make_unique<Ui::frmDetail>()) {
  ui->setupUi(this);
  // The bottom width's box is greyed for every other section.
  Dress(ui->lblTitle, {ui->lblB, ui->lblUnitB}, ui->lblMessage, ui->lblNote);
  connect(ui->cmdProfile, &QPushButton::clicked, this, &frmDetail::cmdProfile_Click);
  connect(ui->cmdCopy, &QPushButton::clicked, this, &frmDetail::cmdCopy_Click);
  connect(ui->cmdClose, &QPushButton::clicked, this, &frmDetail::cmdClose_Click);
  for (QLineEdit* box : {ui->TextN, ui->TextI, ui->TextH, ui->TextB})
    connect(box, &QLineEdit::textChanged, this, &frmDetail::Inputs_Change);

  QTableWidget* table = ui->tblState;
  table->setColumnCount(3);
  table->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("数值"), QStringLiteral("单位")});
  table->verticalHeader()->hide();
  table->verticalHeader()->setMinimumSectionSize(kRowHeight);
  table->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->horizontalHeader()->setFixedHeight(kHeaderHeight);
  table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
  table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Fixed);
  table->setColumnWidth(1, kValueColumn);
  table->setColumnWidth(2, kUnitColumn);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setWordWrap(false);
  // One stop for Tab: the arrow keys move between the cells.
  table->setTabKeyNavigation(false);

  for (QPushButton* button : {ui->cmdCopy, ui->cmdClose}) button->setFixedSize(kButtonWidth, kButtonHeight);
  ui->cmdProfile->setFixedSize(kWideButtonWidth, kButtonHeight);
  // The inputs, then the table, then 水面曲线, 复制 and 关闭.
  QWidget::setTabOrder(ui->TextN, ui->TextI);
  QWidget::setTabOrder(ui->TextI, ui->TextH);
  QWidget::setTabOrder(ui->TextH, ui->TextB);
  QWidget::setTabOrder(ui->TextB, ui->tblState);
  QWidget::setTabOrder(ui->tblState, ui->cmdProfile);
  QWidget::setTabOrder(ui->cmdProfile, ui->cmdCopy);
  QWidget::setTabOrder(ui->cmdCopy, ui->cmdClose);
}

frmDetail::~frmDetail() = default;

void frmDetail::Form_Load() {
  LoadFrame();
  Arrange(Arrangement::SideBySide, kSideBySide);
  Recompute();
}

QList<QSize> frmDetail::ArrangementSizes(const QRect& room) {
  const int high = std::min(kStacked.height(), room.height());
  return {kSideBySide, QSize(kStacked.width(), high), QSize(kNarrowWidth, high)};
}

void frmDetail::Arrange(Arrangement arrangement, QSize size) {
  delete layout();
  const bool stacked = arrangement == Arrangement::Stacked;
  const int message_height = 2 * fontMetrics().lineSpacing() + 2;

  // Stacked: two inputs a line; beside the drawing: one.
  QGridLayout* inputs = InputGrid({{ui->lblN, ui->TextN, nullptr},
                                   {ui->lblI, ui->TextI, nullptr},
                                   {ui->lblH, ui->TextH, ui->lblUnitH},
                                   {ui->lblB, ui->TextB, ui->lblUnitB}},
                                  stacked ? 2 : 1);
  ui->lblMessage->setFixedHeight(message_height);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ui->cmdProfile);
  buttons->addWidget(ui->cmdCopy);
  buttons->addWidget(ui->cmdClose);

  QTableWidget* table = ui->tblState;
  const int all_rows = TableHeight(static_cast<int>(DetailRows(nullptr).size()));
  if (stacked) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(kSpacing);
    column->addLayout(inputs);
    column->addWidget(ui->lblMessage);
    column->addWidget(ui->picDrawing, 1);
    column->addWidget(table);
    column->addWidget(ui->lblNote);
    column->addLayout(buttons);
    // On a short screen the notes have two lines; all of them are in the label's tooltip.
    ui->lblNote->setFixedHeight((size.height() < kStacked.height() ? 2 : 3) * fontMetrics().lineSpacing() + 2);
    // The whole table where the screen has room for it beside a useful
    // drawing and a message or a note; else fewer rows, and it scrolls.
    const int fixed = kInner.top() + kInner.bottom() + inputs->sizeHint().height() + message_height +
                      kButtonHeight + 4 * kSpacing;
    const int table_height = std::clamp(size.height() - fixed - kWantedDrawingHeight, TableHeight(kFewestRows), all_rows);
    table->setMinimumSize(0, table_height);
    table->setMaximumSize(QWIDGETSIZE_MAX, table_height);
    ui->picDrawing->setMinimumSize(0, kLeastDrawingHeight);
    for (QWidget* text : {static_cast<QWidget*>(ui->lblMessage), static_cast<QWidget*>(ui->lblNote)}) {
      text->setMinimumWidth(0);
      text->setMaximumWidth(QWIDGETSIZE_MAX);
    }
  } else {
    auto* row = new QHBoxLayout(this);
    row->setSpacing(kSpacing + 2);
    auto* panel = new QVBoxLayout;
    panel->setSpacing(kSpacing);
    panel->addLayout(inputs);
    panel->addWidget(ui->lblMessage);
    panel->addWidget(table);
    panel->addWidget(ui->lblNote, 1);
    panel->addLayout(buttons);
    row->addWidget(ui->picDrawing, 1);
    row->addLayout(panel);
    table->setFixedSize(kPanelWidth, all_rows);
    // A wrapped label asks for the width of its longest line: held to the panel's.
    ui->lblMessage->setFixedWidth(kPanelWidth);
    ui->lblNote->setFixedWidth(kPanelWidth);
    ui->picDrawing->setMinimumSize(0, 0);
    ui->lblNote->setMinimumHeight(0);
    ui->lblNote->setMaximumHeight(QWIDGETSIZE_MAX);
  }
  arrangement_ = arrangement;
  // Beside the drawing the message and note keep their places.
  FinishArrange(size, !stacked);
}

void frmDetail::Open() {
  OpenBesideOwner(this, &frmDetail::ArrangementSizes, [this](int chosen, QSize size) {
    Arrange(chosen == 0 ? Arrangement::SideBySide : Arrangement::Stacked, size);
  });
}

void frmDetail::Recompute() {
  using Outcome = LastComputation::Outcome;
  const bool described = last_.outcome == Outcome::Computed || last_.outcome == Outcome::CannotCompute;
  // Only a trapezoid given by its average width lacks a bottom width.
  const bool takes_b = described && last_.section.shape == exact::Shape::AverageTrapezoid;
  for (QWidget* part : {static_cast<QWidget*>(ui->lblB), static_cast<QWidget*>(ui->TextB),
                        static_cast<QWidget*>(ui->lblUnitB)})
    part->setEnabled(takes_b);

  QStringList problems;
  const BoxValue n = ReadPositive(ui->TextN->text(), QStringLiteral("糙率 n"), QStringLiteral("0.014"));
  const BoxValue i = ReadBedSlope(ui->TextI->text());
  const BoxValue h = ReadPositive(ui->TextH->text(), QStringLiteral("水深 h"), QStringLiteral("0.5"));
  const BoxValue b = takes_b ? ReadPositive(ui->TextB->text(), QStringLiteral("底宽 b"), QStringLiteral("2")) : BoxValue{};
  for (const BoxValue* r : {&n, &i, &h, &b}) {
    if (!r->problem.isEmpty()) problems << r->problem;
  }
  exact::FlowInputs flow{n.value, i.value, h.value};

  // With b the trapezoid is the true one, for every number and curve;
  // without it, what the calculation window's method gives.
  exact::Section section = last_.section;
  if (b.value) {
    section.shape = exact::Shape::Trapezoid;
    section.b = *b.value;
  }
  DetailPicture picture;
  picture.units = hydraulics::kSI;
  exact::Analysis analysis;
  exact::Analysis critical;
  if (described) critical = exact::Analyse(section, {}, picture.units);
  const bool computable = last_.outcome == Outcome::Computed || (described && b.value);
  if (computable && critical.critical) {
    if (const std::optional<double> height = exact::SectionHeight(section); height && flow.h && *flow.h > *height) {
      problems << QStringLiteral("水深 h 超过断面高度 %1 米").arg(TableNumber(*height));
      flow.h.reset();
    }
    // The average width describes the section at h_k alone: n, i and h
    // would give numbers of a section nobody has.
    analysis = section.shape == exact::Shape::AverageTrapezoid ? critical : exact::Analyse(section, flow, picture.units);
  }
  const bool analysed = analysis.critical.has_value();
  QStringList notes;
  if (analysed && section.shape == exact::Shape::AverageTrapezoid) {
    notes << QStringLiteral("只给了平均宽度 W 的梯形：表中是计算窗口方法的临界状态。临界底坡、正常水深、"
                            "比能曲线和给定水深处的状态须在“底宽 b”中给出底宽");
    if (!analysis.notes.empty()) notes << NotesText(analysis);
  } else if (analysed) {
    if (b.value) notes << QStringLiteral("按底宽 b = %1 米的真实梯形计算，不用平均宽度 W").arg(TableNumber(*b.value));
    if (!analysis.notes.empty()) notes << NotesText(analysis);
  }
  if (analysed) {
    picture.section = section;
    picture.analysis = analysis;
    picture.shown_depth = hydraulics::LeadingNumber(last_.shown_depth);
  } else {
    picture.explanation = Explanation(last_, critical);
  }
  ui->lblNote->setText(notes.join(QStringLiteral("；")));
  ui->lblNote->setToolTip(ui->lblNote->text());
  ui->lblMessage->setText(problems.join(QStringLiteral("；")));
  ShowTexts();
  rows_ = DetailRows(analysed ? &analysis : nullptr);
  inputs_ = {section, flow.n, flow.S0, ui->TextI->text().trimmed(), flow.h, picture.units, ui->lblNote->text()};
  ui->picDrawing->SetPicture(std::move(picture));
  FillTable();
}

void frmDetail::FillTable() {
  QTableWidget* table = ui->tblState;
  table->clearSpans();
  table->setRowCount(static_cast<int>(rows_.size()));
  QFont bold = table->font();
  bold.setBold(true);
  for (int r = 0; r < table->rowCount(); ++r) {
    const DetailRow& row = rows_[static_cast<size_t>(r)];
    auto* name = Cell(row.name, row.name, Qt::AlignLeft);
    if (row.heading) {
      name->setFont(bold);
      table->setItem(r, 0, name);
      table->setItem(r, 1, Cell({}, row.name, Qt::AlignLeft));
      table->setItem(r, 2, Cell({}, row.name, Qt::AlignLeft));
      table->setSpan(r, 0, 1, 3);
      continue;
    }
    const QString value = row.ValueText();
    const QString spoken = value.isEmpty() ? QStringLiteral("%1：无").arg(row.name)
                                           : QStringLiteral("%1：%2 %3").arg(row.name, value, row.unit).trimmed();
    table->setItem(r, 0, name);
    table->setItem(r, 1, Cell(value, spoken, Qt::AlignRight));
    table->setItem(r, 2, Cell(row.unit,
                              row.unit.isEmpty() ? QStringLiteral("%1：无单位").arg(row.name)
                                                 : QStringLiteral("%1的单位：%2").arg(row.name, row.unit),
                              Qt::AlignLeft));
  }
}

void frmDetail::cmdCopy_Click() {
  // Without a section the sentence that stands in for the drawing says why.
  const DetailPicture& shown = ui->picDrawing->Picture();
  Copy(shown.section ? TabSeparated(inputs_, rows_) : shown.explanation, ui->picDrawing->Image());
}

void frmDetail::cmdProfile_Click() { emit OpenProfile(); }
