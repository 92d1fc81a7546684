// The 水面曲线 window on the offscreen platform (two screens side by side),
// driven through the calculation window as a user drives it: opened from the
// menus and from 断面详情 with the section, n, i and b taken over, a profile
// computed off the user-interface thread and shown whole, its own input
// messages, the clipboard, the keyboard, accessibility, and its place beside
// the calculator and clear of 断面详情.

#include <memory>

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTableView>
#include <QtTest>

#include "../calc_window/case_entry.h"
#include "../calc_window/menu_choice.h"
#include "../calc_window/modal_box_closer.h"
#include "calc_window/frmMainCode.h"
#include "detail_window/DetailMenu.h"
#include "detail_window/frmDetail.h"
#include "profile_window/ProfileDrawing.h"
#include "profile_window/frmProfile.h"
#include "skin/font_substitutions.h"

Q_DECLARE_METATYPE(frmProfile::Arrangement)

using namespace Qt::StringLiterals;
namespace exact = hydraulics::exact;

class FrmProfileTest : public QObject {
  Q_OBJECT

  std::unique_ptr<frmMainCode> w;

  template <class T = QWidget>
  static T* Child(const QWidget* in, const QString& name) {
    return NamedChild<T>(in, name);
  }

  // The rectangle b = 5 m carrying Q = 10 m³/s, computed in the calculator.
  void ComputeRectangle(const QString& b = u"5"_s) {
    EnterCase(w.get(), 2, u"10"_s, [&b](int i) { return i == 2 ? b : QString(); });
    ModalBoxCloser closer;
    QTest::mouseClick(Child(w.get(), u"Command1"_s), Qt::LeftButton);
    QCOMPARE(closer.count(), 0);
  }
  // Types into the window's boxes and waits for what they give to show.
  static void Type(frmProfile* p, const QMap<QString, QString>& texts) {
    for (auto it = texts.begin(); it != texts.end(); ++it) {
      // Qt Test types ASCII only; "‰" comes as an input method would put it.
      const bool ascii = std::all_of(it.value().begin(), it.value().end(), [](QChar c) { return c.unicode() < 128; });
      if (ascii) Retype(Child<QLineEdit>(p, it.key()), it.value());
      else Child<QLineEdit>(p, it.key())->setText(it.value());
    }
    QTRY_VERIFY_WITH_TIMEOUT(p->Settled(), 10000);
  }
  static const QTableView* Table(const frmProfile* p) { return Child<QTableView>(p, u"tblStations"_s); }
  static QString Text(const frmProfile* p, const QString& label) { return Child<QLabel>(p, label)->text(); }

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

  // The window's menu and every box's edit menu offer it, under access keys
  // that none of their other entries use; it opens with the section taken over.
  void menusOpenItWithTheSection_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("entry");
    QTest::newRow("the window's menu on a label") << u"Label11"_s << u"水面曲线(&P)…"_s;
    QTest::newRow("the discharge box's edit menu") << u"TextQ"_s << u"水面曲线(&W)…"_s;
  }
  void menusOpenItWithTheSection() {
    QFETCH(QString, control);
    QFETCH(QString, entry);
    ComputeRectangle();
    QWidget* target = Child(w.get(), control);
    const QStringList entries = MenuEntries(
        [&] {
          QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(3, 3), target->mapToGlobal(QPoint(3, 3)));
          QApplication::sendEvent(target, &e);
        },
        entry);
    QSet<QChar> keys;
    for (const QString& text : entries) {
      const qsizetype amp = text.indexOf(u'&');
      if (amp < 0 || amp + 1 >= text.size()) continue;
      QVERIFY2(!keys.contains(text[amp + 1].toUpper()), qPrintable(entries.join(u'|')));
      keys.insert(text[amp + 1].toUpper());
    }
    QCOMPARE(entries.indexOf(entry), entries.indexOf(DetailMenu::DetailEntry()) + 1);
    frmProfile* p = w->ProfileWindow();
    QVERIFY(p && p->isVisible());
    QCOMPARE(p->parentWidget(), w.get());
    QCOMPARE(p->windowModality(), Qt::NonModal);
    QCOMPARE(p->windowTitle(), u"水面曲线"_s);
    // Between h_k = 0.742 m and h_0 = 1.07 m on a mild bed: a b1 drawdown.
    Type(p, {{u"TextN"_s, u"0.014"_s}, {u"TextI"_s, u"0.001"_s}, {u"TextH1"_s, u"0.9"_s}, {u"TextEnd"_s, u"0.8"_s}});
    QVERIFY(p->Shown());
    QCOMPARE(p->Shown()->section.shape, exact::Shape::Rectangle);
    QCOMPARE(p->Shown()->section.b, 5.0);
    QCOMPARE(p->Shown()->section.Q, 10.0);
    QCOMPARE(Table(p)->model()->rowCount(), 11);
    QVERIFY2(Text(p, u"lblSummary"_s).startsWith(u"b1型降水曲线（即 M2 型），缓坡"_s), qPrintable(Text(p, u"lblSummary"_s)));
    // The calculator goes on computing, and the window follows its section.
    ComputeRectangle(u"4"_s);
    QTRY_COMPARE(p->Shown() ? p->Shown()->section.b : 0.0, 4.0);
    QTest::mouseClick(Child(w.get(), u"Command2"_s), Qt::LeftButton);
    QTRY_VERIFY(!p->Shown());
    QVERIFY(Child<ProfileDrawing>(p, u"picDrawing"_s)->Picture().explanation.contains(u"尚无计算结果"_s));
    QCOMPARE(Table(p)->model()->rowCount(), 0);
  }

  // 断面详情's button hands over its n, its slope as typed and the bottom width
  // of a trapezoid given by its average width.
  void detailWindowHandsOverNIAndB() {
    EnterCase(w.get(), 3, u"10"_s, [](int i) { return QMap<int, QString>{{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}}.value(i); });
    QTest::mouseClick(Child(w.get(), u"Command1"_s), Qt::LeftButton);
    w->ShowDetail();
    frmDetail* d = w->Detail();
    Retype(Child<QLineEdit>(d, u"TextN"_s), u"0.02"_s);
    Retype(Child<QLineEdit>(d, u"TextI"_s), u"1/2000"_s);
    Retype(Child<QLineEdit>(d, u"TextB"_s), u"2.5"_s);
    Child<QPushButton>(d, u"cmdProfile"_s)->setFocus();
    QTest::keyClick(Child(d, u"cmdProfile"_s), Qt::Key_Return);
    frmProfile* p = w->ProfileWindow();
    QVERIFY(p && p->isVisible());
    QCOMPARE(Child<QLineEdit>(p, u"TextN"_s)->text(), u"0.02"_s);
    QCOMPARE(Child<QLineEdit>(p, u"TextI"_s)->text(), u"1/2000"_s);
    QCOMPARE(Child<QLineEdit>(p, u"TextB"_s)->text(), u"2.5"_s);
    QVERIFY(Child(p, u"TextB"_s)->isEnabled());
    Type(p, {{u"TextH1"_s, u"3"_s}});
    Child<QComboBox>(p, u"cboEnd"_s)->setCurrentIndex(1);
    QCOMPARE(Child(p, u"TextEnd"_s)->accessibleName(), u"渠段长度 L"_s);
    Type(p, {{u"TextEnd"_s, u"2000"_s}, {u"TextSteps"_s, u"4"_s}});
    QVERIFY(p->Shown());
    QCOMPARE(p->Shown()->section.shape, exact::Shape::Trapezoid);
    QCOMPARE(p->Shown()->section.b, 2.5);
    QCOMPARE(p->Shown()->inputs.L, std::optional(2000.0));
    QCOMPARE(Table(p)->model()->rowCount(), 5);
    QVERIFY(Text(p, u"lblSummary"_s).startsWith(u"a1型壅水曲线"_s));

    // Pasted a week later, the copy says what it was computed from.
    QTest::mouseClick(Child(p, u"cmdCopy"_s), Qt::LeftButton);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    QVERIFY(copied && copied->hasImage());
    const QStringList lines = copied->text().split(u'\n');
    for (const QString& line :
         {u"水面曲线"_s, u"断面\t梯形断面"_s, u"底宽 b\t2.5\t米"_s, u"流量 Q\t10\t米³/秒"_s, u"糙率 n\t0.02"_s,
          u"底坡 i\t0.0005\t（输入为 1/2000）"_s, u"动能修正系数 α\t1"_s, u"控制水深 h1\t3\t米"_s,
          u"渠段长度 L\t2000\t米"_s, u"分段数\t4"_s, u"重力加速度 g\t9.8\t米/秒²"_s, u"曲线类型\ta1型壅水曲线\tM1"_s,
          u"x（米） 精确积分\tx（米） 分段求和法\th（米） 水深\tA（米²） 过水面积\tv（米/秒） 流速\tFr 弗劳德数\tE（米） 断面比能\tJ 水力坡度"_s})
      QVERIFY2(lines.contains(line), qPrintable(line));
    // The control section's station, every digit kept.
    QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith(u"0\t0\t3\t"_s); }));
  }

  // A bad text gets a message in the window, not a box; the profile goes.
  // What each box's message says is the boxes' reading, tested on its own.
  void ownInputMessages() {
    const QString box = u"TextH1"_s, text = u"1m"_s, message = u"控制水深 h1 应是一个数，如 1.5"_s;
    ComputeRectangle();
    w->ShowProfile();
    frmProfile* p = w->ProfileWindow();
    Type(p, {{u"TextN"_s, u"0.014"_s}, {u"TextI"_s, u"0.001"_s}, {u"TextH1"_s, u"2"_s}, {u"TextEnd"_s, u"1.5"_s}});
    QVERIFY(p->Shown());
    ModalBoxCloser closer;
    Type(p, {{box, text}});
    QCOMPARE(closer.count(), 0);
    QCOMPARE(Text(p, u"lblMessage"_s), message);
    QVERIFY(!p->Shown());
    QVERIFY(Child<ProfileDrawing>(p, u"picDrawing"_s)->Picture().explanation.contains(u"改正"_s));
  }

  // 10,000 stations in a model, not in 10,000 widgets, and the newest
  // inputs win over a profile still being computed.
  void tenThousandStationsAndTheNewestWins() {
    ComputeRectangle();
    w->ShowProfile();
    frmProfile* p = w->ProfileWindow();
    Type(p, {{u"TextN"_s, u"0.014"_s}, {u"TextI"_s, u"0.001"_s}, {u"TextH1"_s, u"3"_s}, {u"TextEnd"_s, u"1.1"_s}});
    Child<QLineEdit>(p, u"TextSteps"_s)->setText(u"10000"_s);
    Child<QLineEdit>(p, u"TextEnd"_s)->setText(u"1.2"_s);
    QTRY_VERIFY_WITH_TIMEOUT(p->Settled(), 10000);
    QCOMPARE(p->Shown()->inputs.h2, std::optional(1.2));
    QCOMPARE(Table(p)->model()->rowCount(), 10001);
    QVERIFY(p->findChildren<QWidget*>().size() < 200);
    const ProfilePlot& plot = Child<ProfileDrawing>(p, u"picDrawing"_s)->Plot();
    for (const PlotPath& path : plot.paths)
      QVERIFY(path.points.size() <= 4 * plot.frame.width() + 8);
  }

  // Tab runs through the inputs, the table as one stop, 复制 and 关闭;
  // Enter and Space press the focused button; Escape closes.
  void keyboardAndScreenReaders() {
    ComputeRectangle();
    w->ShowProfile();
    frmProfile* p = w->ProfileWindow();
    QVERIFY(QTest::qWaitForWindowActive(p));
    Type(p, {{u"TextN"_s, u"0.014"_s}, {u"TextI"_s, u"0.001"_s}, {u"TextH1"_s, u"0.9"_s}, {u"TextEnd"_s, u"0.8"_s}});
    Child(p, u"TextN"_s)->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 9; ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      order << QApplication::focusWidget()->objectName();
    }
    // The bottom width is greyed for a rectangle and skipped.
    QCOMPARE(order, (QStringList{u"TextN"_s, u"TextI"_s, u"TextAlpha"_s, u"TextH1"_s, u"cboEnd"_s, u"TextEnd"_s,
                                 u"TextSteps"_s, u"tblStations"_s, u"cmdCopy"_s, u"cmdClose"_s}));
    QGuiApplication::clipboard()->clear();
    Child(p, u"cmdCopy"_s)->setFocus();
    QTest::keyClick(Child(p, u"cmdCopy"_s), Qt::Key_Space);
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(u"水面曲线"_s));

    QCOMPARE(QAccessible::queryAccessibleInterface(p)->role(), QAccessible::Dialog);
    QAccessibleInterface* drawing = QAccessible::queryAccessibleInterface(Child(p, u"picDrawing"_s));
    QCOMPARE(drawing->role(), QAccessible::Graphic);
    QVERIFY2(drawing->text(QAccessible::Description).startsWith(u"b1型降水曲线：从控制断面 x = 0"_s),
             qPrintable(drawing->text(QAccessible::Description)));
    for (const char* name : {"TextN", "TextI", "TextAlpha", "TextB", "TextH1", "cboEnd", "TextEnd", "TextSteps",
                             "tblStations", "imgTitleClose"})
      QVERIFY2(!Child(p, QString::fromLatin1(name))->accessibleName().isEmpty(), name);
    const QAbstractItemModel* model = Table(p)->model();
    QCOMPARE(model->index(0, 1).data(Qt::AccessibleTextRole).toString(), u"距离 x（分段求和法）：0 米"_s);
    QCOMPARE(model->headerData(0, Qt::Vertical, Qt::AccessibleTextRole).toString(), u"控制断面"_s);

    Child(p, u"cmdClose"_s)->setFocus();
    QTest::keyClick(Child(p, u"cmdClose"_s), Qt::Key_Return);
    QVERIFY(!p->isVisible());
    w->ShowProfile();
    QTest::keyClick(Child(p, u"tblStations"_s), Qt::Key_Escape);
    QVERIFY(!p->isVisible());
  }

  // Beside the calculator, wholly on its screen, and clear of 断面详情:
  // narrow on the 1280 x 1024 screen, wide on the 1920 x 1080 one.
  void opensBesideTheCalculatorClearOfTheDetail_data() {
    QTest::addColumn<int>("screen");
    QTest::addColumn<frmProfile::Arrangement>("arrangement");
    QTest::newRow("1280 x 1024") << 0 << frmProfile::Arrangement::Narrow;
    QTest::newRow("1920 x 1080") << 1 << frmProfile::Arrangement::Wide;
  }
  void opensBesideTheCalculatorClearOfTheDetail() {
    QFETCH(int, screen);
    QFETCH(frmProfile::Arrangement, arrangement);
    const QList<QScreen*> screens = QGuiApplication::screens();
    QVERIFY2(screens.size() == 2, "run with the two screens of two_screens.json");
    const QRect room = screens[screen]->availableGeometry();
    w->move(room.center() - w->rect().center());
    QTRY_COMPARE(w->screen(), screens[screen]);
    ComputeRectangle();
    w->ShowDetail();
    QVERIFY(QTest::qWaitForWindowExposed(w->Detail()));
    w->ShowProfile();
    frmProfile* p = w->ProfileWindow();
    QVERIFY(QTest::qWaitForWindowExposed(p));
    QCOMPARE(p->CurrentArrangement(), arrangement);
    QVERIFY(room.contains(p->frameGeometry()));
    QVERIFY(!p->frameGeometry().intersects(w->frameGeometry()));
    QVERIFY(!p->frameGeometry().intersects(w->Detail()->frameGeometry()));
  }
};

QTEST_MAIN(FrmProfileTest)
#include "tst_frmProfile.moc"
