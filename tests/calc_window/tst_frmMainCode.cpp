// The calculation window on the offscreen platform: its definition, the state
// after load, section selection, compute and clear, focus and typing.

#include <memory>

#include <QAccessible>
#include <QButtonGroup>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

#include "skin/font_substitutions.h"
#include "calc_window/frmMainCode.h"
#include "calc_window/ExactComparison.h"
#include "hydraulics/exact/analysis.h"
#include "hydraulics/window/crit_depth.h"
#include "case_entry.h"
#include "modal_box_closer.h"

using namespace Qt::StringLiterals;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kUnavailableGrey = qRgb(180, 180, 180);
constexpr QRgb kFrameGrey = qRgb(192, 192, 192);
constexpr int kTwipsPerPixel = 15;

// Texts for Text1(1) to Text1(7), by the box's own index; slot 0 unused.
QStringList Params(std::initializer_list<std::pair<int, QString>> texts = {}) {
  QStringList p(8);
  for (const auto& [i, t] : texts) p[i] = t;
  return p;
}

hydraulics::window::BoxTexts Boxes(const QString& Q, const QStringList& params) {
  hydraulics::window::BoxTexts b;
  b.TextQ = Q.toStdString();
  for (int i = 1; i <= 7; ++i) b.Text1[i] = params[i].toStdString();
  return b;
}

QString Str(const std::string& s) { return QString::fromStdString(s); }
QString Str(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QRect FromTwips(int left, int top, int width, int height) {
  auto px = [](int twips) { return qRound(double(twips) / kTwipsPerPixel); };
  return {px(left), px(top), px(width), px(height)};
}

QString Caption(const QWidget* w) {
  if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(w)) return button->text();
  if (auto* frame = qobject_cast<const QGroupBox*>(w)) return frame->title();
  return qobject_cast<const QLineEdit*>(w)->text();
}

// Rows (or, turned, columns) of a picture of a frame in which most pixels
// differ from the background: the frame's lines.
QList<int> LineRows(const QImage& picture, QRgb background) {
  QList<int> rows;
  for (int y = 0; y < picture.height(); ++y) {
    int drawn = 0;
    for (int x = 0; x < picture.width(); ++x) drawn += picture.pixel(x, y) != background;
    if (2 * drawn > picture.width()) rows.append(y);
  }
  return rows;
}

// A group frame drawn alone, without the controls inside it.
QImage FrameAlone(QGroupBox* frame) {
  QImage picture(frame->size(), QImage::Format_RGB32);
  picture.fill(QColor(kFrameGrey));
  frame->render(&picture, {}, {}, QWidget::DrawWindowBackground);
  return picture;
}

QString Members(const frmMainCode& w) {
  QString out = std::visit(
      [](const auto& v) -> QString {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) return u"empty"_s;
        else if constexpr (std::is_same_v<T, double>) return QString::number(v, 'g', 17);
        else return u"text "_s + Str(v);
      },
      w.OUT());
  return u"OUT=%1 Bk=%2 BeErr=%3"_s.arg(out).arg(double(w.Bk()), 0, 'g', 9).arg(w.BeErr());
}

}  // namespace

class FrmMainCodeTest : public QObject {
  Q_OBJECT

  std::unique_ptr<frmMainCode> w;

  template <class T = QWidget>
  T* Child(const QString& name) const {
    return NamedChild<T>(w.get(), name);
  }
  QLineEdit* Text1(int i) const { return Child<QLineEdit>(u"Text1_%1"_s.arg(i)); }
  QLineEdit* TextQ() const { return Child<QLineEdit>(u"TextQ"_s); }
  QLineEdit* TextBk() const { return Child<QLineEdit>(u"TextBk"_s); }

  void Click(const QString& name) { QTest::mouseClick(Child(name), Qt::LeftButton); }
  void Select(int section) { Click(u"Option1_%1"_s.arg(section)); }

  // Selects the section and types into TextQ and every box the section reads.
  void Enter(int section, const QString& Q, const QStringList& params) {
    EnterCase(w.get(), section, Q, [&params](int i) { return params[i]; });
  }
  void ComputeExpectingNoBox() {
    ModalBoxCloser closer;
    Click(u"Command1"_s);
    QCOMPARE(closer.count(), 0);
  }
  // Inputs for a success in a section other than `section`.
  void SucceedElsewhere(int section) {
    if (section == 2) Enter(1, u"1"_s, Params({{1, u"1"_s}}));
    else Enter(2, u"10"_s, Params({{2, u"5"_s}}));
    ComputeExpectingNoBox();
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

  void controlsAsDefined_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    auto row = [](const char* name, const QString& caption, int l, int t, int wd, int h) {
      QTest::newRow(name) << QString::fromLatin1(name) << caption << FromTwips(l, t, wd, h);
    };
    row("Frame1", u"过水断面形式"_s, 120, 600, 2175, 2775);
    row("Frame2", u"断面参数"_s, 2400, 600, 3615, 2775);
    row("Frame3", u"计算结果"_s, 120, 3480, 2175, 975);
    row("Command1", u"开始计算"_s, 2400, 4080, 1095, 375);
    row("Command2", u"清空数据"_s, 3480, 4080, 1095, 375);
    row("Command3", u"退出程序"_s, 4560, 4080, 1215, 375);
    row("Label11", u"流量："_s, 2400, 3630, 615, 255);
    row("TextQ", {}, 3000, 3600, 1935, 270);
    row("Label12", u"米3/秒"_s, 5040, 3630, 615, 255);
    row("Option1_1", u"圆形断面"_s, 240, 360, 1095, 255);
    row("Option1_2", u"矩形断面"_s, 240, 840, 1095, 255);
    row("Option1_3", u"梯形断面"_s, 240, 1320, 1095, 255);
    row("Option1_4", u"三角形断面"_s, 240, 1800, 1215, 255);
    row("Option1_5", u"门洞形断面"_s, 240, 2280, 1335, 255);
    row("Label1", u"半    径："_s, 120, 360, 975, 255);
    row("Text1_1", {}, 1080, 360, 1455, 270);
    row("Label2_0", u"米"_s, 2715, 405, 495, 255);
    row("Label3", u"底(顶)宽："_s, 120, 720, 1095, 255);
    row("Text1_2", {}, 1080, 720, 1455, 270);
    row("Label2_1", u"米"_s, 2715, 765, 495, 255);
    row("Label4", u"平均宽度："_s, 120, 1080, 975, 255);
    row("Text1_3", {}, 1080, 1080, 1455, 270);
    row("Label2_2", u"米"_s, 2715, 1125, 495, 255);
    row("Label5", u"边坡坡度："_s, 120, 1440, 975, 255);
    row("Text1_4", {}, 1080, 1440, 615, 270);
    row("Label6", u"："_s, 1680, 1440, 135, 255);
    row("Text1_5", {}, 1800, 1440, 735, 270);
    row("Label7", u"直墙高度："_s, 120, 1800, 975, 255);
    row("Text1_6", {}, 1080, 1800, 1455, 270);
    row("Label2_3", u"米"_s, 2715, 1845, 495, 255);
    row("Label8", u"顶拱角度："_s, 120, 2160, 975, 255);
    row("Text1_7", {}, 1080, 2160, 1455, 270);
    row("Label9", u"度"_s, 2715, 2205, 495, 255);
    row("Label13", u"临界水深"_s, 80, 270, 855, 255);
    row("Text1_8", {}, 840, 240, 975, 270);
    row("Label10_0", u"米"_s, 1880, 270, 255, 255);
    row("Label14", u"水面宽度"_s, 80, 630, 735, 255);
    row("TextBk", {}, 840, 600, 975, 270);
    row("Label10_1", u"米"_s, 1880, 630, 255, 255);
    // The frame layout places the title over the title bar at load.
    QTest::newRow("lblTitle") << u"lblTitle"_s << QString() << QRect(16, 7, 255, 16);
  }
  void controlsAsDefined() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    const QWidget* control = Child(name);
    QCOMPARE(control->geometry(), geometry);
    if (name != u"lblTitle") QCOMPARE(Caption(control), caption);
  }

  void groupsSitInTheirFrames_data() {
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QStringList>("members");
    QTest::newRow("section shapes") << u"Frame1"_s
                                    << QStringList{u"Option1_1"_s, u"Option1_2"_s, u"Option1_3"_s,
                                                   u"Option1_4"_s, u"Option1_5"_s};
    QTest::newRow("parameters") << u"Frame2"_s
                                << QStringList{u"Text1_1"_s, u"Text1_2"_s, u"Text1_3"_s, u"Text1_4"_s,
                                               u"Text1_5"_s, u"Text1_6"_s, u"Text1_7"_s, u"Label9"_s};
    QTest::newRow("results") << u"Frame3"_s << QStringList{u"Text1_8"_s, u"TextBk"_s, u"Label10_1"_s};
    QTest::newRow("window") << u"frmMainCode"_s
                            << QStringList{u"TextQ"_s, u"Command1"_s, u"Command3"_s, u"lblTitle"_s,
                                           u"imgTitleClose"_s};
  }
  void groupsSitInTheirFrames() {
    QFETCH(QString, frame);
    QFETCH(QStringList, members);
    for (const QString& name : members) QCOMPARE(Child(name)->parentWidget()->objectName(), frame);
  }

  void windowAppearance() {
    QVERIFY(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(w->size(), QSize(415, 307));
    QCOMPARE(w->frameGeometry().center(), w->screen()->availableGeometry().center());
    QCOMPARE(w->palette().color(QPalette::Window).rgb(), kFrameGrey);
    QCOMPARE(Child(u"Frame2"_s)->palette().color(QPalette::Window).rgb(), kFrameGrey);
    QCOMPARE(w->font().family(), u"宋体"_s);
    QCOMPARE(w->font().pointSizeF(), 9.0);
    QVERIFY(!w->font().bold());
    // The design's face reaches the Song-style serif, not a Japanese sans.
    QCOMPARE(QFontInfo(Child(u"Label1"_s)->font()).family(), u"Noto Serif CJK SC"_s);
    QVERIFY(w->windowTitle().startsWith(u"Vardenix"_s));
    QCOMPARE(w->windowTitle(), Child<QLabel>(u"lblTitle"_s)->text());
  }

  void titleLabel() {
    const auto* title = Child<QLabel>(u"lblTitle"_s);
    QVERIFY(title->text().startsWith(u"Vardenix"_s));
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pointSizeF(), 9.75);
    QCOMPARE(title->font().family(), u"Arial"_s);
    QCOMPARE(QFontInfo(title->font()).family(), u"Liberation Sans"_s);
    QCOMPARE(title->palette().color(QPalette::WindowText).rgb(), kWhite);
  }

  void boxAppearance_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QRgb>("textColour");
    QTest::addColumn<QRgb>("back");
    const QRgb text = QApplication::palette().color(QPalette::Text).rgb();
    const QRgb window = QApplication::palette().color(QPalette::Base).rgb();
    QTest::newRow("discharge on the system window colour") << u"TextQ"_s << false << false << text << window;
    QTest::newRow("radius on the system window colour") << u"Text1_1"_s << false << false << text << window;
    QTest::newRow("depth result read-only, bold red on grey")
        << u"Text1_8"_s << true << true << qRgb(255, 0, 0) << kUnavailableGrey;
    QTest::newRow("width result editable on grey") << u"TextBk"_s << false << false << text << kUnavailableGrey;
  }
  void boxAppearance() {
    QFETCH(QString, name);
    QFETCH(bool, readOnly);
    QFETCH(bool, bold);
    QFETCH(QRgb, textColour);
    QFETCH(QRgb, back);
    const auto* box = Child<QLineEdit>(name);
    QCOMPARE(box->isReadOnly(), readOnly);
    QCOMPARE(box->font().bold(), bold);
    QCOMPARE(box->font().pointSizeF(), 9.0);
    QCOMPARE(box->palette().color(QPalette::Text).rgb(), textColour);
    QCOMPARE(box->palette().color(QPalette::Base).rgb(), back);
    QVERIFY(!box->hasFrame());
  }

  void framePieces_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("stretched");
    for (const char* name : {"imgTitleLeft", "imgTitleRight", "imgWindowBottomLeft", "imgWindowBottomRight",
                             "imgTitleClose", "imgTitleMinimize", "imgTitleHelp", "imgTitleMaxRestore"})
      QTest::newRow(name) << QString::fromLatin1(name) << true << false;
    for (const char* name : {"imgTitleMain", "imgWindowLeft", "imgWindowRight", "imgWindowBottom"})
      QTest::newRow(name) << QString::fromLatin1(name) << true << true;
    for (const char* name : {"imgTitleMaximize", "imgTitleRestore"})
      QTest::newRow(name) << QString::fromLatin1(name) << false << false;
  }
  void framePieces() {
    QFETCH(QString, name);
    QFETCH(bool, shown);
    QFETCH(bool, stretched);
    const auto* piece = Child<QLabel>(name);
    QCOMPARE(piece->parentWidget(), w.get());
    QCOMPARE(piece->isVisibleTo(w.get()), shown);
    QCOMPARE(piece->hasScaledContents(), stretched);
    // Every piece lies beneath every control that is not a piece.
    const QObjectList& stack = w->children();
    const qsizetype at = stack.indexOf(piece);
    for (qsizetype i = 0; i < at; ++i) QVERIFY(stack[i]->objectName().startsWith(u"img"_s));
  }

  void accessibleNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accessible");
    QTest::newRow("discharge") << u"TextQ"_s << u"流量："_s;
    QTest::newRow("radius") << u"Text1_1"_s << u"半    径："_s;
    QTest::newRow("bottom width") << u"Text1_2"_s << u"底(顶)宽："_s;
    QTest::newRow("average width") << u"Text1_3"_s << u"平均宽度："_s;
    QTest::newRow("slope first term") << u"Text1_4"_s << u"边坡坡度："_s;
    QTest::newRow("slope second term") << u"Text1_5"_s << u"边坡坡度（后项）"_s;
    QTest::newRow("wall height") << u"Text1_6"_s << u"直墙高度："_s;
    QTest::newRow("arch angle") << u"Text1_7"_s << u"顶拱角度："_s;
    QTest::newRow("depth result") << u"Text1_8"_s << u"临界水深"_s;
    QTest::newRow("width result") << u"TextBk"_s << u"水面宽度"_s;
    QTest::newRow("compute") << u"Command1"_s << u"开始计算"_s;
    QTest::newRow("clear") << u"Command2"_s << u"清空数据"_s;
    QTest::newRow("exit") << u"Command3"_s << u"退出程序"_s;
    QTest::newRow("doorway shape") << u"Option1_5"_s << u"门洞形断面"_s;
  }
  void accessibleNames() {
    QFETCH(QString, name);
    QFETCH(QString, accessible);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(Child(name));
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), accessible);
  }

  void stateAfterLoad() {
    QCOMPARE(w->JType(), 1);
    QCOMPARE(Members(*w), u"OUT=empty Bk=0 BeErr=0"_s);
    QVERIFY(Child<QRadioButton>(u"Option1_1"_s)->isChecked());
    for (int i = 1; i <= 8; ++i) QVERIFY2(Text1(i)->text().isEmpty(), qPrintable(Text1(i)->objectName()));
    QVERIFY(TextQ()->text().isEmpty());
    QVERIFY(TextBk()->text().isEmpty());
    QVERIFY(Text1(1)->isEnabled());
    QCOMPARE(Text1(1)->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    for (int i = 2; i <= 7; ++i) {
      QVERIFY2(!Text1(i)->isEnabled(), qPrintable(Text1(i)->objectName()));
      QCOMPARE(Text1(i)->palette().color(QPalette::Base).rgb(), kUnavailableGrey);
    }
  }

  void selection_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QList<int>>("available");
    QTest::newRow("circular takes the radius") << 1 << QList<int>{1};
    QTest::newRow("rectangular takes the bottom width") << 2 << QList<int>{2};
    QTest::newRow("trapezoidal takes the average width and both slope terms") << 3 << QList<int>{3, 4, 5};
    QTest::newRow("triangular takes only the slope terms") << 4 << QList<int>{4, 5};
    QTest::newRow("doorway takes the width, wall height and arch angle") << 5 << QList<int>{2, 6, 7};
  }
  void selection() {
    QFETCH(int, index);
    QFETCH(QList<int>, available);
    SucceedElsewhere(index);
    const QString members = Members(*w);
    const QString discharge = TextQ()->text();
    const QString width = TextBk()->text();
    QVERIFY(!width.isEmpty());
    for (int i = 1; i <= 8; ++i) Text1(i)->setText(u"7"_s);

    Select(index);

    QCOMPARE(w->JType(), index);
    for (int i = 1; i <= 8; ++i) QVERIFY2(Text1(i)->text().isEmpty(), qPrintable(Text1(i)->objectName()));
    for (int i = 1; i <= 7; ++i) {
      const bool takesInput = available.contains(i);
      QCOMPARE(Text1(i)->isEnabled(), takesInput);
      QCOMPARE(Text1(i)->palette().color(QPalette::Base).rgb(), takesInput ? kWhite : kUnavailableGrey);
    }
    QCOMPARE(TextQ()->text(), discharge);
    QCOMPARE(TextBk()->text(), width);
    QCOMPARE(Text1(8)->palette().color(QPalette::Base).rgb(), kUnavailableGrey);
    QCOMPARE(Members(*w), members);
  }

  void keyboardSelection_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("down arrow selects the next shape") << 1 << int(Qt::Key_Down) << 2;
    QTest::newRow("up arrow selects the previous shape") << 4 << int(Qt::Key_Up) << 3;
    QTest::newRow("right arrow selects the next shape") << 4 << int(Qt::Key_Right) << 5;
  }
  void keyboardSelection() {
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    Select(from);
    auto* button = Child<QRadioButton>(u"Option1_%1"_s.arg(from));
    button->setFocus();
    for (int i = 1; i <= 8; ++i) Text1(i)->setText(u"7"_s);
    QTest::keyClick(button, Qt::Key(key));
    QVERIFY(Child<QRadioButton>(u"Option1_%1"_s.arg(to))->isChecked());
    QCOMPARE(w->JType(), to);
    for (int i = 1; i <= 8; ++i) QVERIFY2(Text1(i)->text().isEmpty(), qPrintable(Text1(i)->objectName()));
  }

  void compute_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("depthStart");
    QTest::addColumn<QString>("width");
    QTest::newRow("circular conduit") << 1 << u"1"_s << Params({{1, u"1"_s}}) << QString() << QString();
    QTest::newRow("rectangle of 5 m carrying 10 m3/s")
        << 2 << u"10"_s << Params({{2, u"5"_s}}) << u"0.74178"_s << u"5"_s;
    QTest::newRow("discharge with a trailing unit")
        << 2 << u"10m3"_s << Params({{2, u"5"_s}}) << u"0.74178"_s << u"5"_s;
    QTest::newRow("trapezoid") << 3 << u"10"_s << Params({{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}}) << QString()
                               << QString();
    QTest::newRow("trapezoid with zero average width cannot be computed")
        << 3 << u"10"_s << Params({{3, u"0"_s}, {4, u"1"_s}, {5, u"1.5"_s}}) << u"无法计算"_s << u"无法计算"_s;
    QTest::newRow("triangle") << 4 << u"2"_s << Params({{4, u"1"_s}, {5, u"1"_s}}) << QString() << QString();
    QTest::newRow("doorway") << 5 << u"5"_s << Params({{2, u"3"_s}, {6, u"2"_s}, {7, u"120"_s}}) << QString()
                             << QString();
    QTest::newRow("doorway flowing into the arch")
        << 5 << u"20"_s << Params({{2, u"3"_s}, {6, u"1"_s}, {7, u"120"_s}}) << QString() << QString();
  }
  void compute() {
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(QStringList, params);
    QFETCH(QString, depthStart);
    QFETCH(QString, width);
    Enter(section, Q, params);
    ComputeExpectingNoBox();

    hydraulics::window::Members core;
    const hydraulics::window::ComputeOutcome expected = hydraulics::window::Compute(section, Boxes(Q, params), core);
    QVERIFY(!expected.message);
    QCOMPARE(Text1(8)->text(), Str(expected.shown.depth));
    QCOMPARE(TextBk()->text(), Str(expected.shown.width));
    QVERIFY(!Text1(8)->text().isEmpty());
    QVERIFY2(Text1(8)->text().startsWith(depthStart), qPrintable(Text1(8)->text()));
    if (!width.isNull()) QCOMPARE(TextBk()->text(), width);
    // A long depth is shown from its first digit, not scrolled to its end.
    QCOMPARE(Text1(8)->cursorPosition(), 0);
    QCOMPARE(TextBk()->cursorPosition(), 0);
  }

  void inputMessage_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("width");
    const QString discharge = Str(hydraulics::window::kDischargeMessage);
    const QString radius = Str(hydraulics::window::kRadiusMessage);
    const QString bottom = Str(hydraulics::window::kWidthMessage);
    QTest::newRow("empty discharge") << 1 << QString() << Params({{1, u"1"_s}}) << discharge << u"TextQ"_s
                                     << u"0"_s;
    QTest::newRow("letters as discharge")
        << 2 << u"abc"_s << Params({{2, u"5"_s}}) << discharge << u"TextQ"_s << u"0"_s;
    QTest::newRow("zero discharge") << 4 << u"0"_s << Params({{4, u"1"_s}, {5, u"1"_s}}) << discharge
                                    << u"TextQ"_s << u"0"_s;
    QTest::newRow("negative discharge")
        << 5 << u"-2"_s << Params({{2, u"3"_s}, {6, u"2"_s}, {7, u"120"_s}}) << discharge << u"TextQ"_s
        << u"0"_s;
    QTest::newRow("zero radius") << 1 << u"1"_s << Params({{1, u"0"_s}}) << radius << u"Text1_1"_s << u"0"_s;
    QTest::newRow("empty radius") << 1 << u"1"_s << Params() << radius << u"Text1_1"_s << u"0"_s;
    QTest::newRow("bottom width with a unit is read as 3 for the width only")
        << 2 << u"10"_s << Params({{2, u"3m"_s}}) << bottom << u"Text1_2"_s << u"3"_s;
    QTest::newRow("negative bottom width")
        << 2 << u"10"_s << Params({{2, u"-1"_s}}) << bottom << u"Text1_2"_s << u"-1"_s;
    QTest::newRow("empty bottom width") << 2 << u"10"_s << Params() << bottom << u"Text1_2"_s << u"0"_s;
  }
  void inputMessage() {
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(QStringList, params);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QString, width);
    Enter(section, Q, params);
    ModalBoxCloser closer;
    Click(u"Command1"_s);

    QCOMPARE(closer.count(), 1);
    QCOMPARE(closer.last().title, u"提示"_s);
    QCOMPARE(closer.last().text, message);
    QCOMPARE(closer.last().icon, QMessageBox::Critical);
    QCOMPARE(closer.last().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(closer.last().okText, u"确定"_s);
    QCOMPARE(w->focusWidget()->objectName(), focus);
    // Nothing succeeded before: the depth box stays empty, the width shows Bk.
    QCOMPARE(Text1(8)->text(), QString());
    QCOMPARE(TextBk()->text(), width);
    hydraulics::window::Members core;
    QCOMPARE(TextBk()->text(), Str(hydraulics::window::Compute(section, Boxes(Q, params), core).shown.width));
  }

  void rejectedAfterSuccess_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QStringList>("good");
    QTest::addColumn<QString>("badQ");
    QTest::addColumn<QStringList>("bad");
    QTest::addColumn<QString>("width");
    QTest::newRow("rectangle, then a width with a unit: previous depth, parsed width")
        << 2 << Params({{2, u"5"_s}}) << u"10"_s << Params({{2, u"3m"_s}}) << u"3"_s;
    QTest::newRow("circle, then a zero radius: previous depth, width from the empty width box")
        << 1 << Params({{1, u"1"_s}}) << u"1"_s << Params({{1, u"0"_s}}) << u"0"_s;
    QTest::newRow("trapezoid, then no discharge: previous depth and width")
        << 3 << Params({{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}}) << QString()
        << Params({{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}}) << QString();
  }
  void rejectedAfterSuccess() {
    QFETCH(int, section);
    QFETCH(QStringList, good);
    QFETCH(QString, badQ);
    QFETCH(QStringList, bad);
    QFETCH(QString, width);
    Enter(section, u"10"_s, good);
    ComputeExpectingNoBox();
    const QString depth = Text1(8)->text();
    const QString goodWidth = TextBk()->text();
    QVERIFY(!depth.isEmpty() && depth != Str(hydraulics::window::kCannotCompute));

    Enter(section, badQ, bad);
    ModalBoxCloser closer;
    Click(u"Command1"_s);
    QCOMPARE(closer.count(), 1);
    QCOMPARE(Text1(8)->text(), depth);
    QCOMPARE(TextBk()->text(), width.isNull() ? goodWidth : width);

    hydraulics::window::Members core;
    hydraulics::window::Compute(section, Boxes(u"10"_s, good), core);
    const hydraulics::window::ComputeOutcome expected = hydraulics::window::Compute(section, Boxes(badQ, bad), core);
    QCOMPARE(Text1(8)->text(), Str(expected.shown.depth));
    QCOMPARE(TextBk()->text(), Str(expected.shown.width));
  }

  void clearKeepsSectionAndMembers() {
    Enter(5, u"5"_s, Params({{2, u"3"_s}, {6, u"2"_s}, {7, u"120"_s}}));
    ComputeExpectingNoBox();
    const QString depth = Text1(8)->text();
    const QString width = TextBk()->text();
    const QString members = Members(*w);
    Retype(TextBk(), u"99"_s);

    Click(u"Command2"_s);

    for (int i = 1; i <= 8; ++i) QVERIFY2(Text1(i)->text().isEmpty(), qPrintable(Text1(i)->objectName()));
    QVERIFY(TextQ()->text().isEmpty());
    QVERIFY(TextBk()->text().isEmpty());
    QCOMPARE(w->JType(), 5);
    QCOMPARE(Members(*w), members);
    for (int i = 1; i <= 7; ++i) QCOMPARE(Text1(i)->isEnabled(), i == 2 || i == 6 || i == 7);

    Enter(5, u"5"_s, Params({{2, u"3"_s}, {6, u"2"_s}, {7, u"120"_s}}));
    ComputeExpectingNoBox();
    QCOMPARE(Text1(8)->text(), depth);
    QCOMPARE(TextBk()->text(), width);
  }

  void tabOrder_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QStringList>("order");
    const QStringList tail{u"Text1_8"_s, u"Command1"_s, u"Command2"_s, u"Command3"_s, u"TextQ"_s, u"TextBk"_s};
    QTest::newRow("circular") << 1 << QStringList{u"Text1_1"_s} + tail + QStringList{u"Option1_1"_s};
    QTest::newRow("rectangular") << 2 << QStringList{u"Text1_2"_s} + tail + QStringList{u"Option1_2"_s};
    QTest::newRow("trapezoidal") << 3
                                 << QStringList{u"Text1_3"_s, u"Text1_4"_s, u"Text1_5"_s} + tail
                                        + QStringList{u"Option1_3"_s};
    QTest::newRow("triangular") << 4
                                << QStringList{u"Text1_4"_s, u"Text1_5"_s} + tail + QStringList{u"Option1_4"_s};
    QTest::newRow("doorway") << 5
                             << QStringList{u"Text1_2"_s, u"Text1_6"_s, u"Text1_7"_s} + tail
                                    + QStringList{u"Option1_5"_s};
  }
  void tabOrder() {
    QFETCH(int, section);
    QFETCH(QStringList, order);
    Select(section);
    Child(u"Option1_%1"_s.arg(section))->setFocus();
    for (const QString& next : order) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }
  }

  void typing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kept");
    QTest::newRow("depth result takes no typing") << u"Text1_8"_s << QString();
    QTest::newRow("width result takes typing") << u"TextBk"_s << u"12.5"_s;
    QTest::newRow("discharge takes typing") << u"TextQ"_s << u"12.5"_s;
    QTest::newRow("available radius takes typing") << u"Text1_1"_s << u"12.5"_s;
    QTest::newRow("unavailable bottom width takes no typing") << u"Text1_2"_s << QString();
  }
  void typing() {
    QFETCH(QString, name);
    QFETCH(QString, kept);
    auto* box = Child<QLineEdit>(name);
    box->setFocus();
    QTest::keyClicks(box, u"12.5"_s);
    QCOMPARE(box->text(), kept);
  }
  void skinnedFrameAfterLoad() {
    QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(w->isVisible());
    QVERIFY(!w->mask().isEmpty());
    QVERIFY(!w->mask().contains(QPoint(0, 0))); // a rounded corner
    QVERIFY(w->mask().contains(QPoint(207, 0)));
    QCOMPARE(Child(u"imgWindowBottomRight"_s)->geometry().bottomRight(), QPoint(414, 306));
    // The maximise/restore button shows the maximise picture.
    QCOMPARE(Child<QLabel>(u"imgTitleMaxRestore"_s)->pixmap().toImage(),
             Child<QLabel>(u"imgTitleMaximize"_s)->pixmap().toImage());
    QCOMPARE(Child(u"imgTitleClose"_s)->toolTip(), u"Close"_s);
  }

  void titleBarButtons() {
    QTest::mouseClick(Child(u"imgTitleMinimize"_s), Qt::LeftButton);
    QTRY_VERIFY(w->isMinimized());
    w->showNormal();
    QTest::mouseClick(Child(u"imgTitleHelp"_s), Qt::LeftButton);
    QTest::mouseClick(Child(u"imgTitleMaxRestore"_s), Qt::LeftButton);
    QVERIFY(w->isVisible());
    QCOMPARE(w->size(), QSize(415, 307));
    QTest::mouseClick(Child(u"imgTitleClose"_s), Qt::LeftButton);
    QVERIFY(!w->isVisible());
  }

  void exactComparison_data() {
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<bool>("compared");
    QTest::newRow("circular conduit is compared") << 1 << u"2"_s << Params({{1, u"1"_s}}) << true;
    QTest::newRow("doorway in the arch is compared")
        << 5 << u"8"_s << Params({{2, u"2"_s}, {6, u"1"_s}, {7, u"90"_s}}) << true;
    QTest::newRow("doorway that cannot be computed is not")
        << 5 << u"40"_s << Params({{2, u"3"_s}, {6, u"2"_s}, {7, u"180"_s}}) << false;
    QTest::newRow("rectangle is exact already") << 2 << u"10"_s << Params({{2, u"5"_s}}) << false;
    QTest::newRow("triangle is exact already") << 4 << u"1"_s << Params({{4, u"1"_s}, {5, u"1"_s}}) << false;
  }
  void exactComparison() {
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(QStringList, params);
    QFETCH(bool, compared);
    Enter(section, Q, params);
    ComputeExpectingNoBox();
    if (!compared) {
      QVERIFY(Text1(8)->toolTip().isEmpty());
      QVERIFY(TextBk()->toolTip().isEmpty());
      return;
    }
    const hydraulics::exact::Analysis truth = hydraulics::exact::Analyse(FromBoxes(section, Boxes(Q, params)));
    QVERIFY(truth.critical);
    QCOMPARE(Text1(8)->toolTip(), Str(ComparisonText(Text1(8)->text().toDouble(), truth.critical->depth)));
    QCOMPARE(TextBk()->toolTip(), Str(ComparisonText(TextBk()->text().toDouble(), truth.critical->top_width)));
  }

  void exactComparisonGoesWithTheResult() {
    Enter(1, u"2"_s, Params({{1, u"1"_s}}));
    ComputeExpectingNoBox();
    QCOMPARE(Text1(8)->toolTip(), u"按精确断面几何：0.666516 米（本结果偏差 −13.6%）"_s);
    // A rejected input shows an earlier depth: it is not compared again.
    Retype(Text1(1), u"0"_s);
    ModalBoxCloser closer;
    Click(u"Command1"_s);
    QCOMPARE(closer.count(), 1);
    QVERIFY(Text1(8)->toolTip().isEmpty());
    QVERIFY(TextBk()->toolTip().isEmpty());
  }

  void comparisonGivesTheExactValueAndSignedDeviation() {
    QCOMPARE(Str(ComparisonText(0.575754809570313, 0.666516)), u"按精确断面几何：0.666516 米（本结果偏差 −13.6%）"_s);
    QCOMPARE(Str(ComparisonText(2.2, 2.0)), u"按精确断面几何：2 米（本结果偏差 +10.0%）"_s);
    QCOMPARE(Str(ComparisonText(1.00001, 1.0)), u"按精确断面几何：1 米（本结果偏差 0.0%）"_s);
  }

  void boxesWithABottomWidthDescribeATrueTrapezoid() {
    using hydraulics::exact::Shape;
    hydraulics::window::BoxTexts boxes = Boxes(u"10"_s, Params({{2, u"3"_s}, {3, u"5"_s}, {4, u"1"_s}, {5, u"2"_s}}));
    const hydraulics::exact::Section s = FromBoxes(3, boxes);
    QCOMPARE(s.shape, Shape::Trapezoid);
    QCOMPARE(s.b, 3.0);
    QCOMPARE(s.s, 0.5);
    boxes.Text1[2].clear();
    QCOMPARE(FromBoxes(3, boxes).shape, Shape::AverageTrapezoid);
    QCOMPARE(FromBoxes(5, boxes).shape, Shape::Doorway);
    boxes.TextQ = "1e400";
    QVERIFY(hydraulics::exact::Analyse(FromBoxes(3, boxes)).notes.Has(hydraulics::exact::Reason::DischargeNotPositive));
  }
  void groupFramesCrossNoControl_data() {
    QTest::addColumn<QString>("frame");
    QTest::newRow("section shapes") << u"Frame1"_s;
    QTest::newRow("parameters") << u"Frame2"_s;
    QTest::newRow("results, whose first row lies close under the caption") << u"Frame3"_s;
  }
  void groupFramesCrossNoControl() {
    QFETCH(QString, frame);
    auto* box = Child<QGroupBox>(frame);
    const QImage picture = FrameAlone(box);
    const QList<int> rows = LineRows(picture, kFrameGrey);
    const QList<int> columns = LineRows(picture.transformed(QTransform().rotate(90)), kFrameGrey);
    QVERIFY(!rows.isEmpty() && !columns.isEmpty());
    for (const QObject* child : box->children()) {
      const auto* control = qobject_cast<const QWidget*>(child);
      if (!control || !control->isVisibleTo(box)) continue;
      const QRect at = control->geometry();
      for (const int y : rows)
        QVERIFY2(y < at.top() || y > at.bottom(), qPrintable(u"row %1 crosses %2"_s.arg(y).arg(control->objectName())));
      // The picture turned a quarter right: its row y is the frame's column width - 1 - y.
      for (const int turned : columns) {
        const int x = box->width() - 1 - turned;
        QVERIFY2(x < at.left() || x > at.right(), qPrintable(u"column %1 crosses %2"_s.arg(x).arg(control->objectName())));
      }
    }
    // The caption sits in the top line: the line breaks off for it, and the
    // caption's strokes reach above and below the line.
    const int top = rows.first();
    QList<int> drawn;
    for (int x = 0; x < picture.width(); ++x)
      if (picture.pixel(x, top) != kFrameGrey) drawn.append(x);
    int gapStart = -1, gapEnd = -1;
    for (int x = drawn.first(); x < drawn.last(); ++x) {
      if (picture.pixel(x, top) != kFrameGrey) continue;
      if (gapStart < 0) gapStart = x;
      gapEnd = x + 1;
    }
    QVERIFY2(gapStart > 0 && gapEnd > gapStart, "the top line does not break off for the caption");
    int above = 0, below = 0;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = gapStart; x < gapEnd; ++x)
        if (picture.pixel(x, y) != kFrameGrey) (y < top ? above : below) += y != top;
    QVERIFY2(above > 0 && below > 0, qPrintable(u"top %1 gap %2-%3 above %4 below %5"_s.arg(top).arg(gapStart).arg(gapEnd).arg(above).arg(below)));
    QCOMPARE(box->title(), Caption(box));
  }

  void enterInABoxComputes_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("section");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<int>("key");
    const QStringList rectangle = Params({{2, u"5"_s}});
    const QStringList trapezoid = Params({{3, u"4"_s}, {4, u"1"_s}, {5, u"1.5"_s}});
    const QStringList doorway = Params({{2, u"3"_s}, {6, u"2"_s}, {7, u"120"_s}});
    const struct {
      const char* box;
      int section;
      QStringList params;
    } rows[] = {
        {"TextQ", 2, rectangle},     {"Text1_1", 1, Params({{1, u"1"_s}})}, {"Text1_2", 2, rectangle},
        {"Text1_3", 3, trapezoid},   {"Text1_4", 3, trapezoid},            {"Text1_5", 3, trapezoid},
        {"Text1_6", 5, doorway},     {"Text1_7", 5, doorway},              {"Text1_8", 2, rectangle},
        {"TextBk", 2, rectangle},
    };
    for (const auto& row : rows) {
      QTest::addRow("Return in %s computes", row.box) << row.box << row.section << u"10"_s << row.params
                                                      << int(Qt::Key_Return);
      QTest::addRow("keypad Enter in %s computes", row.box) << row.box << row.section << u"10"_s << row.params
                                                            << int(Qt::Key_Enter);
    }
  }
  void enterInABoxComputes() {
    QFETCH(QString, box);
    QFETCH(int, section);
    QFETCH(QString, Q);
    QFETCH(QStringList, params);
    QFETCH(int, key);
    Enter(section, Q, params);
    auto* pressed = Child<QLineEdit>(box);
    pressed->setFocus();
    {
      ModalBoxCloser closer;
      QTest::keyClick(pressed, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
      QCOMPARE(closer.count(), 0);
    }
    hydraulics::window::Members core;
    const hydraulics::window::ComputeOutcome expected = hydraulics::window::Compute(section, Boxes(Q, params), core);
    QVERIFY(!expected.shown.depth.empty());
    QCOMPARE(Text1(8)->text(), Str(expected.shown.depth));
    QCOMPARE(TextBk()->text(), Str(expected.shown.width));
  }

  void enterInAnInputMessageOnlyClosesIt() {
    Select(2);
    Retype(Text1(2), u"5"_s);
    TextQ()->setFocus();
    int boxes = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, &answer, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal->property("answered").toBool()) return;
      modal->setProperty("answered", true);
      ++boxes;
      QTest::keyClick(modal->focusWidget() ? modal->focusWidget() : modal, Qt::Key_Return);
    });
    answer.start(10);
    QTest::keyClick(TextQ(), Qt::Key_Return);
    QTest::qWait(200);
    answer.stop();
    QCOMPARE(boxes, 1);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(w->focusWidget(), TextQ());
    QCOMPARE(Text1(8)->text(), QString());
    QCOMPARE(TextBk()->text(), u"0"_s);
  }

  void sizeFixedAndFullScreenDeclined() {
    QCOMPARE(w->minimumSize(), QSize(415, 307));
    QCOMPARE(w->maximumSize(), QSize(415, 307));
    const QRect before = w->geometry();
    w->setWindowState(Qt::WindowFullScreen);
    QTRY_VERIFY(!w->isFullScreen());
    QCOMPARE(w->geometry(), before);
  }

  void exitAsksAndCancelLeavesTheWindowWorking() {
    Enter(2, u"10"_s, Params({{2, u"5"_s}}));
    ComputeExpectingNoBox();
    const QString depth = Text1(8)->text();
    {
      ModalBoxCloser closer; // closing the skinned box is its Cancel
      Click(u"Command3"_s);
      QCOMPARE(closer.count(), 1);
      QCOMPARE(closer.last().title, u"Orvantis®"_s);
    }
    QVERIFY(w->isVisible());
    QCOMPARE(Text1(8)->text(), depth);
    Retype(Text1(2), u"4"_s);
    ComputeExpectingNoBox();
    QVERIFY(Text1(8)->text() != depth);
  }
};

QTEST_MAIN(FrmMainCodeTest)
#include "tst_frmMainCode.moc"
