// The detail window on the offscreen platform, driven through the calculation
// window as a user drives it: its table against the toolkit, following the
// compute and clear commands and input messages, its own input messages, the
// clipboard, and the menus and tooltips that lead to it.

#include <memory>

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QToolTip>
#include <QtTest>

#include "../calc_window/case_entry.h"
#include "../calc_window/modal_box_closer.h"
#include "calc_window/frmMainCode.h"
#include "detail_window/DetailDrawing.h"
#include "detail_window/DetailMenu.h"
#include "detail_window/frmDetail.h"
#include "hydraulics/number_text.h"
#include "calc_window/ExactComparison.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/exact/reason_text.h"
#include "skin/font_substitutions.h"

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
  for (int r = 0; r < table->rowCount(); ++r) {
    // Two rows share the name 弗劳德数 Fr: the normal state's comes first.
    QString name = table->item(r, 0)->text();
    if (cells.contains(name)) name += u" (h)"_s;
    cells[name] = table->item(r, 1) ? table->item(r, 1)->text() : QString();
  }
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
  // Runs `open`, which shows a context menu, and returns the menu's entries,
  // choosing the one named `choose` (or closing the menu).
  static QStringList MenuEntries(const std::function<void()>& open, const QString& choose = {}) {
    QStringList seen;
    // Owned here: when no menu comes, the check dies with this call unrun.
    QTimer check;
    check.setSingleShot(true);
    QObject::connect(&check, &QTimer::timeout, &check, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      QAction* chosen = nullptr;
      for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        seen << a->text();
        if (a->text() == choose) chosen = a;
      }
      if (chosen) menu->setActiveAction(chosen);
      QTest::keyClick(menu, chosen ? Qt::Key_Return : Qt::Key_Escape);
    });
    check.start(50);
    open();
    return seen;
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
    QTest::newRow("circular conduit on a mild slope") << 1 << u"1"_s << Params{{1, u"1"_s}} << u"0.014"_s
                                                      << u"0.001"_s << u"0.2"_s;
    QTest::newRow("rectangle with a given depth above h_k")
        << 2 << u"10"_s << Params{{2, u"5"_s}} << u"0.014"_s << u"0.001"_s << u"1.2"_s;
    QTest::newRow("trapezoid by its average width has no wetted perimeter")
        << 3 << u"10"_s << Params{{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}} << u"0.02"_s << u"0.0005"_s << u"0.5"_s;
    QTest::newRow("triangle on a steep slope")
        << 4 << u"2"_s << Params{{4, u"1"_s}, {5, u"1"_s}} << u"0.013"_s << u"0.05"_s << u"0.6"_s;
    QTest::newRow("doorway") << 5 << u"5"_s << Params{{2, u"3"_s}, {6, u"2"_s}, {7, u"120"_s}} << u"0.014"_s
                             << u"0.002"_s << u"0.4"_s;
    QTest::newRow("pipe flowing nearly full")
        << 1 << u"3.3"_s << Params{{1, u"0.5"_s}} << u"0.013"_s << u"0.02"_s << u"0.3"_s;
    QTest::newRow("critical state alone without n, i and h")
        << 2 << u"10"_s << Params{{2, u"5"_s}} << QString() << QString() << QString();
  }
  void tableEqualsTheToolkit() {
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(Params, params);
    QFETCH(QString, n);
    QFETCH(QString, i);
    QFETCH(QString, h);
    QCOMPARE(Compute(section, Q, params), 0);
    frmDetail* d = Open();
    QVERIFY(d);
    Retype(Child<QLineEdit>(d, u"TextN"_s), n);
    Retype(Child<QLineEdit>(d, u"TextI"_s), i);
    Retype(Child<QLineEdit>(d, u"TextH"_s), h);

    hydraulics::window::BoxTexts boxes;
    boxes.TextQ = Q.toStdString();
    for (int b = 1; b <= 7; ++b) boxes.Text1[b] = params.value(b).toStdString();
    const exact::Analysis a =
        exact::Analyse(FromBoxes(section, boxes), {Optional(n), Optional(i), Optional(h)}, hydraulics::kSI);
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
    QCOMPARE(cells[u"弗劳德数 Fr"_s], Cell(a.normal ? std::optional(a.normal->froude) : std::nullopt));
    QCOMPARE(cells[u"流态"_s], a.normal ? QString::fromUtf8(exact::RegimeName(a.normal->regime)) : QString());
    QCOMPARE(cells[u"底坡类型"_s], a.slope_class ? QString::fromUtf8(exact::SlopeClassName(*a.slope_class)) : QString());
    QCOMPARE(cells[u"断面比能 E"_s], Cell(a.at_depth ? std::optional(a.at_depth->energy) : std::nullopt));
    QCOMPARE(cells[u"弗劳德数 Fr (h)"_s], Cell(a.at_depth ? std::optional(a.at_depth->froude) : std::nullopt));
    QCOMPARE(cells[u"交替水深 h′"_s], Cell(a.at_depth ? a.at_depth->alternate : std::nullopt));
    QCOMPARE(cells[u"共轭水深 h″"_s], Cell(a.at_depth ? a.at_depth->sequent : std::nullopt));
    QCOMPARE(Child<QLabel>(d, u"lblNote"_s)->text(),
             QString::fromStdString(exact::NotesText(a.notes, hydraulics::LengthUnit::Metre)));
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
    last.type = static_cast<std::int16_t>(section);
    last.boxes.TextQ = Q.toStdString();
    for (int b = 1; b <= 7; ++b) last.boxes.Text1[b] = params.value(b).toStdString();
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
    QTest::newRow("letters as roughness read as 0") << u"TextN"_s << u"abc"_s << u"糙率 n 必须是大于0的数"_s;
    QTest::newRow("adverse slope") << u"TextI"_s << u"-0.001"_s << u"底坡 i 必须是大于0的数"_s;
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

  void copyPutsTheTableAndThePicture() {
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    frmDetail* d = Open();
    QTest::mouseClick(Child(d, u"cmdCopy"_s), Qt::LeftButton);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied);
    const QStringList lines = copied->text().split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines[0], u"临界状态"_s);
    QCOMPARE(lines[1], u"临界水深 h_k\t0.741785\t米"_s);
    QCOMPARE(lines[2], u"水面宽度 B_k\t5\t米"_s);
    QCOMPARE(lines[8], u"正常水深 h_0\t\t米"_s);
    QVERIFY(copied->hasImage());
    const QImage picture = qvariant_cast<QImage>(copied->imageData());
    QCOMPARE(picture.size(), Child(d, u"picDrawing"_s)->size() * picture.devicePixelRatio());
  }

  void everyControlHasAnAccessibleName() {
    QCOMPARE(Compute(4, u"2"_s, {{4, u"1"_s}, {5, u"1"_s}}), 0);
    frmDetail* d = Open();
    for (const char* name : {"TextN", "TextI", "TextH", "tblState", "picDrawing"})
      QVERIFY2(!Child(d, QString::fromLatin1(name))->accessibleName().isEmpty(), name);
    for (auto* button : d->findChildren<QPushButton*>()) QVERIFY(!button->text().isEmpty());
    const auto* table = Child<QTableWidget>(d, u"tblState"_s);
    for (int r = 0; r < table->rowCount(); ++r) {
      for (int c = 0; c < 3; ++c)
        QVERIFY(!table->item(r, c)->data(Qt::AccessibleTextRole).toString().isEmpty());
    }
    QCOMPARE(table->item(1, 1)->data(Qt::AccessibleTextRole).toString(),
             u"临界水深 h_k：%1 米"_s.arg(table->item(1, 1)->text()));
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
    const QStringList expected = menu ? QStringList{u"断面详情(&D)…"_s, u"复制结果(&C)"_s} : QStringList();
    QCOMPARE(entries, expected);
  }

  void menuOpensTheDetailWindowAndCopiesResults() {
    QCOMPARE(Compute(2, u"10"_s, {{2, u"5"_s}}), 0);
    QWidget* label = Child(w.get(), u"Label12"_s);
    auto request = [&] {
      QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
      QApplication::sendEvent(label, &e);
    };
    MenuEntries(request, u"复制结果(&C)"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"临界水深：0.741784871693015 米\n水面宽度：5 米\n"_s);
    QVERIFY(!w->Detail());
    MenuEntries(request, u"断面详情(&D)…"_s);
    QVERIFY(w->Detail() && w->Detail()->isVisible());
  }

  void keyboardMenuWithShiftF10() {
    auto* option = Child(w.get(), u"Option1_2"_s);
    option->setFocus();
    const QStringList entries = MenuEntries([&] { QTest::keyClick(option, Qt::Key_F10, Qt::ShiftModifier); });
    QCOMPARE(entries, (QStringList{u"断面详情(&D)…"_s, u"复制结果(&C)"_s}));
  }

  void resultBoxMenusEndWithTheEntries_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("depth") << u"Text1_8"_s;
    QTest::newRow("width") << u"TextBk"_s;
  }
  void resultBoxMenusEndWithTheEntries() {
    QFETCH(QString, box);
    QLineEdit* result = Box(box);
    const QStringList entries = MenuEntries([&] {
      QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 3), result->mapToGlobal(QPoint(3, 3)));
      QApplication::sendEvent(result, &e);
    });
    // Qt's own edit entries first (copy, select all), then the two.
    QVERIFY2(entries.size() > 2, qPrintable(entries.join(u'|')));
    QCOMPARE(entries.mid(entries.size() - 2), (QStringList{u"断面详情(&D)…"_s, u"复制结果(&C)"_s}));
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
