// The detail window on the offscreen platform (two screens side by side),
// driven through the calculation window as a user drives it: its table
// against the toolkit, the trapezoid with and without its bottom width,
// following the compute and clear commands and input messages, its own input
// messages and slope forms, the clipboard, the keyboard, accessibility, its
// place beside the calculator, and the menus and tooltips that lead to it.

#include <memory>

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QAccessible>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolTip>
#include <QtTest>

#include "../calc_window/case_entry.h"
#include "../calc_window/menu_choice.h"
#include "../calc_window/modal_box_closer.h"
#include "calc_window/frmMainCode.h"
#include "detail_window/DetailDrawing.h"
#include "detail_window/DetailMenu.h"
#include "detail_window/frmDetail.h"
#include "hydraulics/number_text.h"
#include "calc_window/ExactComparison.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/reason_text.h"
#include "skin/companion_placement.h"
#include "skin/font_substitutions.h"

Q_DECLARE_METATYPE(frmDetail::Arrangement)

using namespace Qt::StringLiterals;
namespace exact = hydraulics::exact;

namespace {

// Texts for Text1(1) to Text1(7), by the box's own index; slot 0 unused.
using Params = QMap<int, QString>;

std::optional<double> Optional(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return hydraulics::LeadingNumber(text.toStdString());
}

// The value cells the user reads, by the name in the row's first cell.
QMap<QString, QString> ValueCells(const QTableWidget* table) {
  QMap<QString, QString> cells;
  for (int r = 0; r < table->rowCount(); ++r)
    cells[table->item(r, 0)->text()] = table->item(r, 1) ? table->item(r, 1)->text() : QString();
  return cells;
}

QString Cell(std::optional<double> value) { return value ? TableNumber(*value) : QString(); }

}  // namespace

class FrmDetailTest : public QObject {
  Q_OBJECT

  std::unique_ptr<frmMainCode> w;

  template <class T = QWidget>
  static T* Child(const QWidget* in, const QString& name) {
    return NamedChild<T>(in, name);
  }
  QLineEdit* Box(const QString& name) const { return Child<QLineEdit>(w.get(), name); }

  // Selects the section, types Q and the boxes it reads, and computes,
  // closing any input message.
  int Compute(int section, const QString& Q, const Params& params) {
    EnterCase(w.get(), section, Q, [&params](int i) { return params.value(i); });
    ModalBoxCloser closer;
    QTest::mouseClick(Child(w.get(), u"Command1"_s), Qt::LeftButton);
    return closer.count();
  }
  frmDetail* Open() {
    w->ShowDetail();
    frmDetail* detail = w->Detail();
    if (detail) (void)QTest::qWaitForWindowExposed(detail);
    return detail;
  }
  static QString Explanation(const frmDetail* d) {
    return Child<DetailDrawing>(d, u"picDrawing"_s)->Picture().explanation;
  }
  static bool Drawn(const frmDetail* d) {
    return Child<DetailDrawing>(d, u"picDrawing"_s)->Picture().section.has_value();
  }

private slots:
  void initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    InstallFontSubstitutions();
  }
  void init() {
    w = std::make_unique<frmMainCode>();
    w->Form_Load();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
  }
  void cleanup() { w.reset(); }

  void tableEqualsTheToolkit_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<Params>("params");
    QTest::addColumn<QString>("n");
    QTest::addColumn<QString>("i");
    QTest::addColumn<QString>("h");
    QTest::addColumn<QString>("b");  // the window's own bottom width
    QTest::newRow("circular conduit on a mild slope") << 1 << u"1"_s << Params{{1, u"1"_s}} << u"0.014"_s
                                                      << u"0.001"_s << u"0.2"_s << QString();
    QTest::newRow("rectangle with a given depth above h_k")
        << 2 << u"10"_s << Params{{2, u"5"_s}} << u"0.014"_s << u"0.001"_s << u"1.2"_s << QString();
    QTest::newRow("trapezoid with its bottom width, the slope as a fraction")
        << 3 << u"10"_s << Params{{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}} << u"0.02"_s << u"1/2000"_s << u"0.5"_s
        << u"2.5"_s;
    QTest::newRow("triangle on a steep slope")
        << 4 << u"2"_s << Params{{4, u"1"_s}, {5, u"1"_s}} << u"0.013"_s << u"0.05"_s << u"0.6"_s << QString();
    QTest::newRow("doorway") << 5 << u"5"_s << Params{{2, u"3"_s}, {6, u"2"_s}, {7, u"120"_s}} << u"0.014"_s
                             << u"0.002"_s << u"0.4"_s << QString();
    QTest::newRow("pipe flowing nearly full")
        << 1 << u"3.3"_s << Params{{1, u"0.5"_s}} << u"0.013"_s << u"0.02"_s << u"0.3"_s << QString();
    QTest::newRow("critical state alone without n, i and h")
        << 2 << u"10"_s << Params{{2, u"5"_s}} << QString() << QString() << QString() << QString();
    QTest::newRow("flat bed") << 2 << u"10"_s << Params{{2, u"5"_s}} << u"0.014"_s << u"0"_s << QString() << QString();
    QTest::newRow("adverse bed as a percentage")
        << 2 << u"10"_s << Params{{2, u"5"_s}} << u"0.014"_s << u"-2%"_s << u"2"_s << QString();
  }
  void tableEqualsTheToolkit() {
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(Params, params);
    QFETCH(QString, n);
    QFETCH(QString, i);
    QFETCH(QString, h);
    QFETCH(QString, b);
    QCOMPARE(Compute(section, Q, params), 0);
    frmDetail* d = Open();
    QVERIFY(d);
    Retype(Child<QLineEdit>(d, u"TextN"_s), n);
    Retype(Child<QLineEdit>(d, u"TextI"_s), i);
    Retype(Child<QLineEdit>(d, u"TextH"_s), h);
    if (!b.isEmpty()) Retype(Child<QLineEdit>(d, u"TextB"_s), b);

    hydraulics::window::BoxTexts boxes;
    boxes.TextQ = Q.toStdString();
    for (int box = 1; box <= 7; ++box) boxes.Text1[box] = params.value(box).toStdString();
    exact::Section shown = FromBoxes(section, boxes);
    if (!b.isEmpty()) {
      shown.shape = exact::Shape::Trapezoid;
      shown.b = b.toDouble();
    }
    double slope = 0;
    if (!i.isEmpty()) QCOMPARE(hydraulics::ReadSlope(i.toStdString(), slope), hydraulics::SlopeFault::None);
    const exact::Analysis a = exact::Analyse(
        shown, {Optional(n), i.isEmpty() ? std::nullopt : std::optional(slope), Optional(h)}, hydraulics::kSI);
    QVERIFY(a.critical);
    const exact::CriticalState& k = *a.critical;
    const QMap<QString, QString> cells = ValueCells(Child<QTableWidget>(d, u"tblState"_s));
    QCOMPARE(cells[u"临界水深 h_k"_s], TableNumber(k.depth));
    QCOMPARE(cells[u"水面宽度 B_k"_s], TableNumber(k.top_width));
    QCOMPARE(cells[u"过水面积 A_k"_s], TableNumber(k.area));
    QCOMPARE(cells[u"临界流速 v_k"_s], TableNumber(k.velocity));
    QCOMPARE(cells[u"断面比能 E_k"_s], TableNumber(k.energy));
    QCOMPARE(cells[u"临界底坡 i_k"_s], Cell(a.critical_slope));
    QCOMPARE(cells[u"正常水深 h_0"_s], Cell(a.normal ? std::optional(a.normal->depth) : std::nullopt));
    QCOMPARE(cells[u"流速 v_0"_s], Cell(a.normal ? std::optional(a.normal->velocity) : std::nullopt));
    QCOMPARE(cells[u"h_0 处弗劳德数 Fr"_s], Cell(a.normal ? std::optional(a.normal->froude) : std::nullopt));
    QCOMPARE(cells[u"h_0 处流态"_s], a.normal ? QString::fromUtf8(exact::RegimeName(a.normal->regime)) : QString());
    QCOMPARE(cells[u"底坡类型"_s], a.slope_class ? QString::fromUtf8(exact::SlopeClassName(*a.slope_class)) : QString());
    QCOMPARE(cells[u"h 处断面比能 E"_s], Cell(a.at_depth ? std::optional(a.at_depth->energy) : std::nullopt));
    QCOMPARE(cells[u"h 处弗劳德数 Fr"_s], Cell(a.at_depth ? std::optional(a.at_depth->froude) : std::nullopt));
    QCOMPARE(cells[u"h 处流态"_s],
             a.at_depth ? QString::fromUtf8(exact::RegimeName(exact::RegimeOf(a.at_depth->froude))) : QString());
    QCOMPARE(cells[u"交替水深 h_a"_s], Cell(a.at_depth ? a.at_depth->alternate : std::nullopt));
    // The depth conjugate to a subcritical h is the one before a jump, h′.
    const bool before = a.at_depth && exact::RegimeOf(a.at_depth->froude) == exact::Regime::Subcritical;
    QCOMPARE(cells[before ? u"共轭水深 h′"_s : u"共轭水深 h″"_s], Cell(a.at_depth ? a.at_depth->sequent : std::nullopt));
    const QString notes = QString::fromStdString(exact::NotesText(a.notes, hydraulics::LengthUnit::Metre));
    const QString note = Child<QLabel>(d, u"lblNote"_s)->text();
    QVERIFY2(notes.isEmpty() ? note.isEmpty() || !b.isEmpty() : note.endsWith(notes), qPrintable(note));
    QVERIFY(Child<QLabel>(d, u"lblMessage"_s)->text().isEmpty());
    QVERIFY(Drawn(d));
    // The window's own depth, dashed in the drawing, is the one the box shows.
    QCOMPARE(Child<DetailDrawing>(d, u"picDrawing"_s)->Picture().shown_depth,
             hydraulics::LeadingNumber(Box(u"Text1_8"_s)->text().toStdString()));
  }

  // Sections at the ends of the double range are drawn, or said to be beyond
  // drawing, without hanging in a tick loop that never advances.
  void extremeSectionsAreDrawn_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<Params>("params");
    QTest::newRow("tiny discharge in a very wide rectangle") << 2 << u"1e-300"_s << Params{{2, u"1e300"_s}};
    QTest::newRow("huge discharge in a very narrow rectangle") << 2 << u"1e300"_s << Params{{2, u"1e-300"_s}};
    QTest::newRow("hair-thin pipe") << 1 << u"1e-200"_s << Params{{1, u"1e-150"_s}};
    QTest::newRow("nearly flat triangle") << 4 << u"1"_s << Params{{4, u"1"_s}, {5, u"1e300"_s}};
    QTest::newRow("arch of almost a full circle")
        << 5 << u"1"_s << Params{{2, u"1"_s}, {6, u"0"_s}, {7, u"359.999"_s}};
  }
  void extremeSectionsAreDrawn() {
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(Params, params);
    frmDetail d(nullptr);
    d.Form_Load();
    LastComputation last;
    last.outcome = LastComputation::Outcome::Computed;
    last.boxes.TextQ = Q.toStdString();
    for (int b = 1; b <= 7; ++b) last.boxes.Text1[b] = params.value(b).toStdString();
    last.section = FromBoxes(static_cast<std::int16_t>(section), last.boxes);
    last.shown_depth = std::string(1, '1');
    d.ShowComputation(last);
    Child<QLineEdit>(&d, u"TextH"_s)->setText(u"1e-5"_s);
    QVERIFY(!Child<DetailDrawing>(&d, u"picDrawing"_s)->Image().isNull());
  }

  void createdWhenFirstOpenedOwnedAndNotModal() {
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    QVERIFY(!w->Detail());
    QVERIFY(!w->findChild<frmDetail*>());
    frmDetail* d = Open();
    QVERIFY(d->isVisible());
    QCOMPARE(d->parentWidget(), w.get());
    QVERIFY(d->isWindow());
    QCOMPARE(d->windowModality(), Qt::NonModal);
    QCOMPARE(d->windowTitle(), u"断面详情"_s);
    QCOMPARE(Child<QLabel>(d, u"lblTitle"_s)->text(), u"断面详情"_s);
    QVERIFY(Child(d, u"imgTitleClose"_s)->isVisible());
    // The calculation window keeps computing while the detail window is open.
    QCOMPARE(Compute(2, u"10"_s, {{2, u"4"_s}}), 0);
    QCOMPARE(ValueCells(Child<QTableWidget>(d, u"tblState"_s))[u"水面宽度 B_k"_s], u"4"_s);
    QTest::mouseClick(Child(d, u"imgTitleClose"_s), Qt::LeftButton);
    QVERIFY(!d->isVisible());
    QVERIFY(w->isVisible());
    // Opening again shows the same window.
    QCOMPARE(Open(), d);
  }

  void followsComputeClearAndMessages_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<Params>("params");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<QString>("explained");
    QTest::newRow("rejected discharge") << 2 << u"abc"_s << Params{{2, u"5"_s}} << 1 << u"输入的流量有误！"_s;
    QTest::newRow("rejected radius") << 1 << u"1"_s << Params{{1, u"0"_s}} << 1 << u"输入的半径有误！"_s;
    QTest::newRow("trapezoid with zero average width cannot be computed")
        << 3 << u"10"_s << Params{{3, u"0"_s}, {4, u"1"_s}, {5, u"1.5"_s}} << 0 << u"无法计算"_s;
  }
  void followsComputeClearAndMessages() {
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(Params, params);
    QFETCH(int, boxes);
    QFETCH(QString, explained);
    frmDetail* d = Open();
    QVERIFY(Explanation(d).contains(u"尚无计算结果"_s));
    QCOMPARE(Compute(1, u"1"_s, {{1, u"1"_s}}), 0);
    QVERIFY(Drawn(d));
    QCOMPARE(Compute(section, Q, params), boxes);
    QVERIFY(!Drawn(d));
    QVERIFY2(Explanation(d).contains(explained), qPrintable(Explanation(d)));
    for (const DetailRow& row : d->Rows()) QVERIFY(row.ValueText().isEmpty());

    QCOMPARE(Compute(1, u"1"_s, {{1, u"1"_s}}), 0);
    QVERIFY(Drawn(d));
    QTest::mouseClick(Child(w.get(), u"Command2"_s), Qt::LeftButton);
    QVERIFY(!Drawn(d));
    QVERIFY(Explanation(d).contains(u"尚无计算结果"_s));
    for (const DetailRow& row : d->Rows()) QVERIFY(row.ValueText().isEmpty());
  }

  void ownInputMessages_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("zero roughness") << u"TextN"_s << u"0"_s << u"糙率 n 必须是大于0的数"_s;
    QTest::newRow("letters as roughness") << u"TextN"_s << u"abc"_s << u"糙率 n 应是一个数，如 0.014"_s;
    QTest::newRow("roughness with letters after it") << u"TextN"_s << u"0.014abc"_s << u"糙率 n 应是一个数，如 0.014"_s;
    QTest::newRow("slope as a ratio with a colon")
        << u"TextI"_s << u"1:1000"_s << u"底坡 i 应写作小数、分数、百分数或千分数，如 0.001、1/1000、0.1%、1‰"_s;
    QTest::newRow("slope over zero") << u"TextI"_s << u"1/0"_s << u"底坡 i 的分母不能为0"_s;
    QTest::newRow("depth with its unit") << u"TextH"_s << u"0.5m"_s << u"水深 h 应是一个数，如 0.5"_s;
    QTest::newRow("depth beyond the double range") << u"TextH"_s << u"1e999"_s << u"水深 h 超出数值范围"_s;
    QTest::newRow("depth above the crown") << u"TextH"_s << u"2.5"_s << u"水深 h 超过断面高度 2 米"_s;
  }
  void ownInputMessages() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QCOMPARE(Compute(1, u"1"_s, {{1, u"1"_s}}), 0);
    frmDetail* d = Open();
    ModalBoxCloser closer;
    Retype(Child<QLineEdit>(d, box), text);
    QCOMPARE(closer.count(), 0);
    QCOMPARE(Child<QLabel>(d, u"lblMessage"_s)->text(), message);
    // The value is left out; the rest still shows.
    QVERIFY(Drawn(d));
    Retype(Child<QLineEdit>(d, box), QString());
    QVERIFY(Child<QLabel>(d, u"lblMessage"_s)->text().isEmpty());
  }

  // Without a bottom width the trapezoid shows the calculation window's
  // method and says why the rest needs b; with it, the true trapezoid, whose
  // energy never falls below E_k (at h = 0.8608 the old window showed 1.29115).
  void trapezoidTakesItsBottomWidth() {
    QCOMPARE(Compute(3, u"10"_s, {{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}}), 0);
    frmDetail* d = Open();
    auto* b = Child<QLineEdit>(d, u"TextB"_s);
    QVERIFY(b->isEnabled());
    Retype(Child<QLineEdit>(d, u"TextN"_s), u"0.02"_s);
    Retype(Child<QLineEdit>(d, u"TextI"_s), u"0.0005"_s);
    Retype(Child<QLineEdit>(d, u"TextH"_s), u"0.8608"_s);
    auto* table = Child<QTableWidget>(d, u"tblState"_s);
    QMap<QString, QString> cells = ValueCells(table);
    QCOMPARE(cells[u"临界水深 h_k"_s], u"0.95306"_s);
    QCOMPARE(cells[u"h 处断面比能 E"_s], QString());
    QCOMPARE(cells[u"正常水深 h_0"_s], QString());
    QVERIFY(Child<QLabel>(d, u"lblNote"_s)->text().contains(u"须在“底宽 b”中给出底宽"_s));
    QVERIFY(Child<DetailDrawing>(d, u"picDrawing"_s)->Plot().energy.instead.contains(u"底宽 b"_s));

    Retype(b, u"2.5"_s);
    cells = ValueCells(table);
    QVERIFY(!cells[u"正常水深 h_0"_s].isEmpty());
    QVERIFY(cells[u"h 处断面比能 E"_s].toDouble() > cells[u"断面比能 E_k"_s].toDouble());
    QVERIFY(Child<DetailDrawing>(d, u"picDrawing"_s)->Plot().energy.instead.isEmpty());
    QCOMPARE(Child<DetailDrawing>(d, u"picDrawing"_s)->Picture().section->shape, exact::Shape::Trapezoid);

    // Another section takes no bottom width of the window's own.
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    QVERIFY(!b->isEnabled());
    QCOMPARE(Child<DetailDrawing>(d, u"picDrawing"_s)->Picture().section->shape, exact::Shape::Rectangle);
  }

  // Pasted a week later, the table says what it was computed from.
  void copyPutsTheTableAndThePicture() {
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    frmDetail* d = Open();
    Retype(Child<QLineEdit>(d, u"TextI"_s), u"1/1000"_s);
    QTest::mouseClick(Child(d, u"cmdCopy"_s), Qt::LeftButton);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied);
    const QStringList lines = copied->text().split(u'\n');
    for (const QString& line : {u"断面\t矩形断面"_s, u"底宽 b\t5\t米"_s, u"流量 Q\t10\t米³/秒"_s, u"糙率 n\t未给出"_s,
                                u"底坡 i\t0.001\t（输入为 1/1000）"_s, u"水深 h\t未给出"_s, u"长度单位\t米"_s,
                                u"重力加速度 g\t9.8\t米/秒²"_s, u"动能修正系数 α\t1"_s,
                                u"弗劳德数\tFr = v / √(g·A / (α·B))"_s, u"临界水深 h_k\t0.741785\t米"_s,
                                u"水面宽度 B_k\t5\t米"_s, u"正常水深 h_0\t\t米"_s})
      QVERIFY2(lines.contains(line), qPrintable(line));
    QVERIFY(copied->hasImage());
    const QImage picture = qvariant_cast<QImage>(copied->imageData());
    QCOMPARE(picture.size(), Child(d, u"picDrawing"_s)->size() * picture.devicePixelRatio());
    // The notes go with it.
    Retype(Child<QLineEdit>(d, u"TextN"_s), u"0.014"_s);
    Retype(Child<QLineEdit>(d, u"TextI"_s), u"0"_s);
    QTest::mouseClick(Child(d, u"cmdCopy"_s), Qt::LeftButton);
    QVERIFY(QGuiApplication::clipboard()->text().endsWith(u"\n说明\t平坡（i = 0）上不存在正常水深\n"_s));
  }

  void everyControlHasAnAccessibleName() {
    // A pipe beyond its capacity, for a note.
    QCOMPARE(Compute(1, u"5"_s, {{1, u"1"_s}}), 0);
    frmDetail* d = Open();
    for (const char* name : {"TextN", "TextI", "TextH", "TextB", "tblState", "picDrawing", "imgTitleClose"})
      QVERIFY2(!Child(d, QString::fromLatin1(name))->accessibleName().isEmpty(), name);
    for (auto* button : d->findChildren<QPushButton*>()) QVERIFY(!button->text().isEmpty());
    const auto* table = Child<QTableWidget>(d, u"tblState"_s);
    QStringList names;
    for (int r = 0; r < table->rowCount(); ++r) {
      names << table->item(r, 0)->text();
      for (int c = 0; c < 3; ++c)
        QVERIFY(!table->item(r, c)->data(Qt::AccessibleTextRole).toString().isEmpty());
    }
    // Every row is told apart by its name, the two Froude numbers by their depth.
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
    QCOMPARE(table->item(1, 1)->data(Qt::AccessibleTextRole).toString(),
             u"临界水深 h_k：%1 米"_s.arg(table->item(1, 1)->text()));
    // A screen reader hears a dialog, and the messages' and notes' own words.
    QCOMPARE(QAccessible::queryAccessibleInterface(d)->role(), QAccessible::Dialog);
    QAccessibleInterface* drawing = QAccessible::queryAccessibleInterface(Child(d, u"picDrawing"_s));
    QCOMPARE(drawing->role(), QAccessible::Graphic);
    QVERIFY2(drawing->text(QAccessible::Description).startsWith(u"圆形断面：临界水深 h_k = "_s),
             qPrintable(drawing->text(QAccessible::Description)));
    Retype(Child<QLineEdit>(d, u"TextN"_s), u"0.014"_s);
    Retype(Child<QLineEdit>(d, u"TextI"_s), u"0.001"_s);
    Retype(Child<QLineEdit>(d, u"TextH"_s), u"abc"_s);
    for (const char* name : {"lblMessage", "lblNote"}) {
      auto* label = Child<QLabel>(d, QString::fromLatin1(name));
      QVERIFY2(!label->text().isEmpty(), name);
      QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), label->text());
    }
  }

  // Tab runs through the inputs, the table as one stop, 复制 and 关闭;
  // Enter and Space press the button that has the focus; Escape closes.
  void keyboardWorksTheWindow() {
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    frmDetail* d = Open();
    QVERIFY(QTest::qWaitForWindowActive(d));
    Child(d, u"TextN"_s)->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 6; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      order << QApplication::focusWidget()->objectName();
    }
    // The bottom width is greyed for a rectangle and skipped.
    QCOMPARE(order, (QStringList{u"TextN"_s, u"TextI"_s, u"TextH"_s, u"tblState"_s, u"cmdProfile"_s, u"cmdCopy"_s,
                                 u"cmdClose"_s}));

    // Enter in a box presses nothing.
    QGuiApplication::clipboard()->clear();
    Child(d, u"TextN"_s)->setFocus();
    QTest::keyClick(Child(d, u"TextN"_s), Qt::Key_Return);
    QVERIFY(d->isVisible());
    QVERIFY(QGuiApplication::clipboard()->text().isEmpty());
    Child(d, u"cmdCopy"_s)->setFocus();
    QTest::keyClick(Child(d, u"cmdCopy"_s), Qt::Key_Space);
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(u"断面详情"_s));
    Child(d, u"cmdClose"_s)->setFocus();
    QTest::keyClick(Child(d, u"cmdClose"_s), Qt::Key_Return);
    QVERIFY(!d->isVisible());
    Open();
    QTest::keyClick(Child(d, u"tblState"_s), Qt::Key_Escape);
    QVERIFY(!d->isVisible());
  }

  // Beside the calculator and covering none of it, on the screen that holds
  // it: stacked on the 1280 x 1024 screen, side by side on the 1920 x 1080 one.
  void opensBesideTheCalculatorOnItsScreen_data() {
    QTest::addColumn<int>("screen");
    QTest::addColumn<frmDetail::Arrangement>("arrangement");
    QTest::newRow("1280 x 1024") << 0 << frmDetail::Arrangement::Stacked;
    QTest::newRow("1920 x 1080") << 1 << frmDetail::Arrangement::SideBySide;
  }
  void opensBesideTheCalculatorOnItsScreen() {
    QFETCH(int, screen);
    QFETCH(frmDetail::Arrangement, arrangement);
    const QList<QScreen*> screens = QGuiApplication::screens();
    QVERIFY2(screens.size() == 2, "run with the two screens of two_screens.json");
    const QRect room = screens[screen]->availableGeometry();
    w->move(room.center() - w->rect().center());
    QTRY_COMPARE(w->screen(), screens[screen]);
    frmDetail* d = Open();
    QCOMPARE(d->CurrentArrangement(), arrangement);
    QVERIFY(room.contains(d->frameGeometry()));
    QVERIFY(!d->frameGeometry().intersects(w->frameGeometry()));
    // The calculator still computes, and takes its clicks.
    QCOMPARE(Compute(2, u"10"_s, {{2, u"4"_s}}), 0);
    QCOMPARE(ValueCells(Child<QTableWidget>(d, u"tblState"_s))[u"水面宽度 B_k"_s], u"4"_s);
  }

  void innerAreaMenu_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QPoint>("at");  // in the window; null: the control's centre
    QTest::addColumn<bool>("menu");
    QTest::newRow("label") << u"Label11"_s << QPoint() << true;
    QTest::newRow("group frame") << u"Frame2"_s << QPoint() << true;
    QTest::newRow("option button") << u"Option1_3"_s << QPoint() << true;
    QTest::newRow("background") << u"frmMainCode"_s << QPoint(30, 250) << true;
    QTest::newRow("title bar drags instead") << u"lblTitle"_s << QPoint() << false;
    QTest::newRow("bottom edge") << u"imgWindowBottom"_s << QPoint() << false;
  }
  void innerAreaMenu() {
    QFETCH(QString, control);
    QFETCH(QPoint, at);
    QFETCH(bool, menu);
    QWidget* target = control == u"frmMainCode"_s ? w.get() : Child(w.get(), control);
    const QPoint local = at.isNull() ? target->rect().center() : at;
    const QStringList entries = MenuEntries([&] {
      QContextMenuEvent request(QContextMenuEvent::Mouse, local, target->mapToGlobal(local));
      QApplication::sendEvent(target, &request);
    });
    const QStringList expected =
        menu ? QStringList{u"断面详情(&D)…"_s, u"水面曲线(&P)…"_s, u"复制结果(&S)"_s} : QStringList();
    QCOMPARE(entries, expected);
  }

  void menuOpensTheDetailWindowAndCopiesResults() {
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    QWidget* label = Child(w.get(), u"Label12"_s);
    auto request = [&] {
      QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
      QApplication::sendEvent(label, &e);
    };
    MenuEntries(request, u"复制结果(&S)"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"临界水深：0.741784871693015 米\n水面宽度：5 米\n"_s);
    QVERIFY(!w->Detail());
    MenuEntries(request, u"断面详情(&D)…"_s);
    QVERIFY(w->Detail() && w->Detail()->isVisible());
  }

  void keyboardMenuWithShiftF10() {
    auto* option = Child(w.get(), u"Option1_2"_s);
    option->setFocus();
    const QStringList entries = MenuEntries([&] { QTest::keyClick(option, Qt::Key_F10, Qt::ShiftModifier); });
    QCOMPARE(entries, (QStringList{u"断面详情(&D)…"_s, u"水面曲线(&P)…"_s, u"复制结果(&S)"_s}));
  }

  void boxMenusEndWithTheEntries_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("discharge") << u"TextQ"_s;
    QTest::newRow("width") << u"TextBk"_s;
  }
  void boxMenusEndWithTheEntries() {
    QFETCH(QString, box);
    QLineEdit* edit = Box(box);
    const QStringList entries = MenuEntries([&] {
      QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 3), edit->mapToGlobal(QPoint(3, 3)));
      QApplication::sendEvent(edit, &e);
    });
    // Qt's own edit entries first, then the three, whose access keys are not
    // theirs: 粘贴 has P, so 水面曲线 takes W here.
    QVERIFY2(entries.size() > 3, qPrintable(entries.join(u'|')));
    QCOMPARE(entries.mid(entries.size() - 3), (QStringList{u"断面详情(&D)…"_s, u"水面曲线(&W)…"_s, u"复制结果(&S)"_s}));
    QSet<QChar> keys;
    for (const QString& entry : entries) {
      const qsizetype amp = entry.indexOf(u'&');
      if (amp < 0 || amp + 1 >= entry.size()) continue;
      QVERIFY2(!keys.contains(entry[amp + 1].toUpper()), qPrintable(entry));
      keys.insert(entry[amp + 1].toUpper());
    }
  }

  // After typing in a box, Shift+F10 opens its own menu, where 断面详情
  // opens the window. (The menu key's menu comes from the X11 platform: the
  // real-window test presses it.)
  void keyboardOpensTheWindowFromABox() {
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    QLineEdit* discharge = Box(u"TextQ"_s);
    Retype(discharge, u"12"_s);
    QVERIFY(discharge->hasFocus());
    const QStringList entries = MenuEntries(
        [&] { QTest::keyClick(discharge, Qt::Key_F10, Qt::ShiftModifier); }, u"断面详情(&D)…"_s);
    QVERIFY2(entries.contains(u"断面详情(&D)…"_s), qPrintable(entries.join(u'|')));
    QVERIFY(w->Detail() && w->Detail()->isVisible());
  }

  void resultTooltipsEndWithTheHint() {
    // The comparison text stays what it was; the hint follows it where shown.
    QCOMPARE(Compute(1, u"2"_s, {{1, u"1"_s}}), 0);
    QLineEdit* depth = Box(u"Text1_8"_s);
    QCOMPARE(depth->toolTip(), u"按精确断面几何：0.666516 米（本结果偏差 −13.6%）"_s);
    QHelpEvent tip(QEvent::ToolTip, QPoint(3, 3), depth->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(depth, &tip);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), u"按精确断面几何：0.666516 米（本结果偏差 −13.6%）\n右键查看断面详情"_s);
    QCOMPARE(DetailMenu::ShownTip(QString()), u"右键查看断面详情"_s);
  }
};

QTEST_MAIN(FrmDetailTest)
#include "tst_frmDetail.moc"
