#include "detail_window/frmDetail.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

#include "detail_window/DetailDrawing.h"
#include "hydraulics/exact/reason_text.h"
#include "hydraulics/number_text.h"
#include "skin/SkinModule.h"
#include "skin/TitleBar.h"
#include "ui_frmDetail.h"

namespace exact = hydraulics::exact;

namespace {

// Widths of the name, value and unit columns, in pixels; they fill the table.
constexpr int kColumnWidths[] = {150, 110, 52};
constexpr int kRowHeight = 18;
// Space left between the calculation window and this one when placed beside it.
constexpr int kBesideGap = 8;

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString NotesText(const exact::Analysis& analysis) {
  return QString::fromStdString(exact::NotesText(analysis.notes, hydraulics::LengthUnit::Metre));
}

QString Explanation(const LastComputation& last, const exact::Analysis& exactResult) {
  switch (last.outcome) {
    case LastComputation::Outcome::None:
      return QStringLiteral("尚无计算结果。\n在计算窗口中输入流量和断面尺寸并按“开始计算”，"
                            "这里就会画出断面和比能曲线。");
    case LastComputation::Outcome::InputMessage:
      return QStringLiteral("上次计算的输入有误：%1\n请在计算窗口中改正后重新计算。").arg(FromUtf8(last.message));
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

// A dialog in the toolkit's sense (not modal): only such windows tell the X11
// window manager their owner. The owner stays above ordinary windows, and a
// window manager keeps an owned window above its owner only within the same
// layer, so this one stays on top too.
frmDetail::frmDetail(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::frmDetail>()) {
  ui->setupUi(this);
  SkinModule::ApplyPieceProperties(this, SkinModule::TitleHints::Off);
  ui->lblTitle->adjustSize();

  auto* bar = new SkinModule::TitleBar(this);
  connect(bar, &SkinModule::TitleBar::imgTitleClose_Click, this, &frmDetail::cmdClose_Click);
  connect(bar, &SkinModule::TitleBar::TitleMouseDown, this,
          [this](const QMouseEvent& press) { SkinModule::DragForm(this, press); });
  connect(ui->cmdCopy, &QPushButton::clicked, this, &frmDetail::cmdCopy_Click);
  connect(ui->cmdClose, &QPushButton::clicked, this, &frmDetail::cmdClose_Click);
  for (QLineEdit* box : {ui->TextN, ui->TextI, ui->TextH})
    connect(box, &QLineEdit::textChanged, this, &frmDetail::Inputs_Change);

  QPalette warning = ui->lblMessage->palette();
  warning.setColor(QPalette::WindowText, QColor(170, 0, 0));
  ui->lblMessage->setPalette(warning);

  QTableWidget* table = ui->tblState;
  table->setColumnCount(3);
  table->setHorizontalHeaderLabels({QStringLiteral("项目"), QStringLiteral("数值"), QStringLiteral("单位")});
  table->verticalHeader()->hide();
  table->verticalHeader()->setMinimumSectionSize(kRowHeight);
  table->verticalHeader()->setDefaultSectionSize(kRowHeight);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->horizontalHeader()->setFixedHeight(kRowHeight + 2);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  for (int c = 0; c < 3; ++c) table->setColumnWidth(c, kColumnWidths[c]);
  table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setWordWrap(false);
}

frmDetail::~frmDetail() = default;

void frmDetail::Form_Load() {
  SkinModule::LayoutFrame(this);
  SkinModule::ShowMaximizePicture(this);
  SkinModule::LoadSkin(this);
  Recompute();
}

void frmDetail::ShowComputation(const LastComputation& last) {
  last_ = last;
  Recompute();
}

void frmDetail::Open() {
  if (!placed_) PlaceBesideOwner();
  placed_ = true;
  show();
  raise();
  activateWindow();
}

// To the right of the owner where the screen has room, else to its left,
// else on the side with more room, within the screen.
void frmDetail::PlaceBesideOwner() {
  const QWidget* owner = parentWidget();
  const QScreen* on = owner ? owner->screen() : screen();
  if (!owner || !on) return;
  const QRect room = on->availableGeometry();
  const QRect beside = owner->frameGeometry();
  const int right = beside.right() + 1 + kBesideGap;
  const int left = beside.left() - kBesideGap - width();
  int x = right;
  if (right + width() > room.right() + 1)
    x = left >= room.left() || room.right() - beside.right() < beside.left() - room.left() ? left : right;
  x = std::clamp(x, room.left(), std::max(room.left(), room.right() + 1 - width()));
  const int y = std::clamp(beside.top(), room.top(), std::max(room.top(), room.bottom() + 1 - height()));
  move(x, y);
}

frmDetail::Read frmDetail::ReadBox(const QLineEdit* box, const QString& name) const {
  const QString text = box->text().trimmed();
  if (text.isEmpty()) return {};
  const std::optional<double> value = hydraulics::LeadingNumber(text.toStdString());
  if (!value) return {std::nullopt, QStringLiteral("%1 超出数值范围").arg(name)};
  if (!(*value > 0)) return {std::nullopt, QStringLiteral("%1 必须是大于0的数").arg(name)};
  return {value, {}};
}

void frmDetail::Inputs_Change() { Recompute(); }

void frmDetail::Recompute() {
  QStringList problems;
  exact::FlowInputs inputs;
  const Read n = ReadBox(ui->TextN, QStringLiteral("糙率 n"));
  const Read i = ReadBox(ui->TextI, QStringLiteral("底坡 i"));
  const Read h = ReadBox(ui->TextH, QStringLiteral("水深 h"));
  for (const Read* r : {&n, &i, &h}) {
    if (!r->problem.isEmpty()) problems << r->problem;
  }
  inputs.n = n.value;
  inputs.S0 = i.value;
  inputs.h = h.value;

  DetailPicture picture;
  picture.units = hydraulics::kSI;
  exact::Analysis analysis;
  bool analysed = false;
  const exact::Section& section = last_.section;
  exact::Analysis critical;
  if (last_.outcome != LastComputation::Outcome::None && last_.outcome != LastComputation::Outcome::InputMessage)
    critical = exact::Analyse(section, {}, picture.units);
  if (last_.outcome == LastComputation::Outcome::Computed && critical.critical) {
    if (const std::optional<double> height = exact::SectionHeight(section); height && inputs.h && *inputs.h > *height) {
      problems << QStringLiteral("水深 h 超过断面高度 %1 米").arg(TableNumber(*height));
      inputs.h.reset();
    }
    analysis = exact::Analyse(section, inputs, picture.units);
    analysed = analysis.critical.has_value();
  }
  if (analysed) {
    picture.section = section;
    picture.analysis = analysis;
    picture.shown_depth = hydraulics::LeadingNumber(last_.shown_depth);
    ui->lblNote->setText(NotesText(analysis));
  } else {
    picture.explanation = Explanation(last_, critical);
    ui->lblNote->clear();
  }
  ui->lblMessage->setText(problems.join(QStringLiteral("；")));
  rows_ = DetailRows(analysed ? &analysis : nullptr);
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
  auto* data = new QMimeData;
  data->setText(TabSeparated(rows_));
  data->setImageData(ui->picDrawing->Image());
  QGuiApplication::clipboard()->setMimeData(data);
}

void frmDetail::cmdClose_Click() { close(); }

// Escape closes the window, as its close picture does.
void frmDetail::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}
