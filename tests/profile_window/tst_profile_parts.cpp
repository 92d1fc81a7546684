// The 水面曲线 window's parts without a window: its boxes read into the
// profile's inputs with a message naming each bad box, and its picture as a
// model on a table of profiles of every slope class: the axes hold every
// station and the control section, the bed lies at its slope, N–N and K–K
// lie parallel to it at their depths (or are marked beyond the top), the
// surface passes through the stations, the stop at critical depth is named,
// and no label overlaps another.

#include <QGuiApplication>
#include <QtTest>

#include "hydraulics/exact/analysis.h"
#include "profile_window/ProfileForm.h"
#include "profile_window/ProfilePlot.h"
#include "skin/font_substitutions.h"

using namespace Qt::StringLiterals;
namespace exact = hydraulics::exact;

Q_DECLARE_METATYPE(ProfileBoxes)
Q_DECLARE_METATYPE(exact::Section)
Q_DECLARE_METATYPE(exact::ProfileInputs)

namespace {

// The drawing's size in the wide window, and in the narrow one on a 1280 x 1024 screen.
const QSizeF kWide{674, 300};
const QSizeF kNarrow{362, 420};

exact::Section Rectangle(double Q, double b) { return {exact::Shape::Rectangle, Q, 0, b}; }

exact::ProfileInputs Inputs(double n, double S0, double h1, std::optional<double> h2, std::optional<double> L = {}) {
  exact::ProfileInputs in;
  in.n = n;
  in.S0 = S0;
  in.h1 = h1;
  in.h2 = h2;
  in.L = L;
  return in;
}

// The critical slope of the section, for a profile on it.
double CriticalSlope(const exact::Section& s, double n) {
  return *exact::Analyse(s, {n, std::nullopt, std::nullopt}).critical_slope;
}

double XOf(const ProfilePlot& plot, double px) {
  return plot.along.lo + (px - plot.frame.left()) / plot.frame.width() * (plot.along.hi - plot.along.lo);
}
double ZOf(const ProfilePlot& plot, double py) {
  return plot.up.lo + (plot.frame.bottom() - py) / plot.frame.height() * (plot.up.hi - plot.up.lo);
}

const PlotPath* Line(const ProfilePlot& plot, Ink ink) {
  for (const PlotPath& p : plot.paths) {
    if (p.ink == ink && !p.filled && p.points.size() == 2) return &p;
  }
  return nullptr;
}

bool Says(const ProfilePlot& plot, const QString& part) {
  return std::any_of(plot.texts.begin(), plot.texts.end(), [&](const PlotText& t) { return t.text.contains(part); });
}

}  // namespace

class ProfilePartsTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { InstallFontSubstitutions(); }

  void boxesRead_data() {
    QTest::addColumn<ProfileBoxes>("boxes");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<exact::ProfileInputs>("inputs");  // when complete
    auto boxes = [](QString n, QString i, QString h1, QString end, ProfileEnd kind = ProfileEnd::Depth) {
      ProfileBoxes b;
      b.n = n;
      b.i = i;
      b.h1 = h1;
      b.end = end;
      b.end_kind = kind;
      b.steps = u"10"_s;
      return b;
    };
    QTest::newRow("a slope as a fraction, to an end depth")
        << boxes(u"0.014"_s, u"1/1000"_s, u"0.9"_s, u"0.8"_s) << QStringList() << QStringList()
        << Inputs(0.014, 0.001, 0.9, 0.8);
    QTest::newRow("a reach length on an adverse bed in percent")
        << boxes(u" 0.02 "_s, u"-0.5%"_s, u"2"_s, u"500"_s, ProfileEnd::Length) << QStringList() << QStringList()
        << Inputs(0.02, -0.005, 2, std::nullopt, 500.0);
    ProfileBoxes with_alpha = boxes(u"0.014"_s, u"0"_s, u"1"_s, u"2"_s);
    with_alpha.alpha = u"1.1"_s;
    with_alpha.steps = QString();
    exact::ProfileInputs alpha_inputs = Inputs(0.014, 0, 1, 2.0);
    alpha_inputs.alpha = 1.1;
    QTest::newRow("alpha given, steps left to their default")
        << with_alpha << QStringList() << QStringList() << alpha_inputs;
    QTest::newRow("empty boxes are wanted, not wrong")
        << boxes(QString(), u"0.001"_s, QString(), u"1"_s) << QStringList()
        << QStringList{u"糙率 n"_s, u"控制水深 h1"_s} << exact::ProfileInputs{};
    ProfileBoxes trapezoid = boxes(u"0.014"_s, u"0.001"_s, u"1"_s, QString(), ProfileEnd::Length);
    trapezoid.takes_b = true;
    QTest::newRow("the average-width trapezoid wants its bottom width")
        << trapezoid << QStringList() << QStringList{u"底宽 b"_s, u"渠段长度 L"_s} << exact::ProfileInputs{};
    ProfileBoxes bad = boxes(u"0.014abc"_s, u"1:1000"_s, u"-1"_s, u"0"_s);
    bad.alpha = u"0"_s;
    bad.steps = u"0"_s;
    QTest::newRow("every bad box named")
        << bad
        << QStringList{u"糙率 n 应是一个数，如 0.014"_s,
                       u"底坡 i 应写作小数、分数、百分数或千分数，如 0.001、1/1000、0.1%、1‰"_s,
                       u"动能修正系数 α 必须是大于0的数"_s, u"控制水深 h1 必须是大于0的数"_s,
                       u"终点水深 h2 必须是大于0的数"_s, u"分段数应是 1 到 10000 之间的整数"_s}
        << QStringList() << exact::ProfileInputs{};
    ProfileBoxes fraction = boxes(u"0.014"_s, u"0.001"_s, u"1"_s, u"2"_s);
    fraction.steps = u"2.5"_s;
    QTest::newRow("a fraction of a step") << fraction << QStringList{u"分段数应是 1 到 10000 之间的整数"_s}
                                          << QStringList() << exact::ProfileInputs{};
  }
  void boxesRead() {
    QFETCH(ProfileBoxes, boxes);
    QFETCH(QStringList, problems);
    QFETCH(QStringList, missing);
    QFETCH(exact::ProfileInputs, inputs);
    const ProfileReading r = ReadProfileBoxes(boxes);
    QCOMPARE(r.problems, problems);
    QCOMPARE(r.missing, missing);
    if (!r.Complete()) return;
    QCOMPARE(r.inputs.n, inputs.n);
    QCOMPARE(r.inputs.S0, inputs.S0);
    QCOMPARE(r.inputs.h1, inputs.h1);
    QCOMPARE(r.inputs.h2, inputs.h2);
    QCOMPARE(r.inputs.L, inputs.L);
    QCOMPARE(r.inputs.alpha, inputs.alpha);
    QCOMPARE(r.inputs.steps, inputs.steps);
  }

  void pictureOfEverySlopeClass_data() {
    QTest::addColumn<exact::Section>("section");
    QTest::addColumn<exact::ProfileInputs>("inputs");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("stop");  // what the stop's label says, if it stops early
    const exact::Section rect = Rectangle(10, 5);
    const exact::Section pipe{exact::Shape::Circle, 2, 1};
    const double ik = CriticalSlope(rect, 0.014);
    QTest::newRow("mild, b1 between the lines") << rect << Inputs(0.014, 0.001, 0.9, 0.8) << u"b1型降水曲线"_s << QString();
    QTest::newRow("mild, b1 down to a free fall")
        << rect << Inputs(0.014, 0.001, 1.0, 0.5) << u"b1型降水曲线"_s << u"跌水"_s;
    QTest::newRow("mild, c1 rising to a jump") << rect << Inputs(0.014, 0.001, 0.4, 0.9) << u"c1型壅水曲线"_s << u"水跃"_s;
    QTest::newRow("mild, a1 far above h_0 over a long reach")
        << rect << Inputs(0.014, 0.001, 6, std::nullopt, 4000.0) << u"a1型壅水曲线"_s << QString();
    QTest::newRow("steep, a2 behind a dam back to a jump")
        << rect << Inputs(0.014, 0.02, 2, std::nullopt, 500.0) << u"a2型壅水曲线"_s << u"水跃"_s;
    QTest::newRow("steep, b2 towards h_0") << rect << Inputs(0.014, 0.02, 0.7, 0.5) << u"b2型降水曲线"_s << QString();
    QTest::newRow("critical, a3") << rect << Inputs(0.014, ik, 1.2, std::nullopt, 100.0) << u"a3型壅水曲线"_s << QString();
    QTest::newRow("flat, b0") << rect << Inputs(0.014, 0, 1.5, 1.0) << u"b0型降水曲线"_s << QString();
    QTest::newRow("adverse, c′ rising to a jump")
        << rect << Inputs(0.014, -0.002, 0.3, 0.9) << u"c′型壅水曲线"_s << u"水跃"_s;
    QTest::newRow("pipe, a1 under its crown")
        << pipe << Inputs(0.013, 0.001, 1.8, std::nullopt, 800.0) << u"a1型壅水曲线"_s << QString();
  }
  void pictureOfEverySlopeClass() {
    QFETCH(exact::Section, section);
    QFETCH(exact::ProfileInputs, inputs);
    QFETCH(QString, name);
    QFETCH(QString, stop);
    ProfilePicture picture;
    picture.profile = std::make_shared<const exact::Profile>(exact::ComputeProfile(section, inputs));
    QVERIFY2(picture.profile->computed(), qPrintable(QString::fromStdString(
                                              std::to_string(static_cast<int>(picture.profile->notes.size())))));
    picture.S0 = inputs.S0;
    picture.crown = exact::SectionHeight(section);
    QFont font(u"宋体"_s);
    font.setPointSize(9);
    const exact::Profile& p = *picture.profile;
    for (const QSizeF size : {kWide, kNarrow}) {
      const ProfilePlot plot = PlotProfile(picture, size, font);
      QVERIFY(plot.explanation.isEmpty());
      const double x_span = plot.along.hi - plot.along.lo;
      const double z_span = plot.up.hi - plot.up.lo;
      const double x_pixel = x_span / plot.frame.width();
      const double z_pixel = z_span / plot.frame.height();
      // Every station, the control section and the bed under them inside the axes.
      for (const exact::ProfileStation& s : p.stations) {
        QVERIFY(s.x >= plot.along.lo && s.x <= plot.along.hi);
        QVERIFY(-inputs.S0 * s.x >= plot.up.lo && -inputs.S0 * s.x + s.h <= plot.up.hi);
      }
      QVERIFY(plot.along.lo <= 0 && plot.along.hi >= 0);
      QVERIFY(!plot.along.ticks.empty() && !plot.up.ticks.empty());
      // The bed at its slope: z = −i x at both ends.
      const PlotPath* bed = Line(plot, Ink::Outline);
      QVERIFY(bed);
      for (const QPointF& at : bed->points)
        QVERIFY(std::fabs(ZOf(plot, at.y()) + inputs.S0 * XOf(plot, at.x())) < 1e-9 * z_span + 1e-12);
      // N–N and K–K parallel to the bed at their depths, or marked beyond the top.
      const std::pair<Ink, std::optional<double>> lines[] = {{Ink::Normal, p.normal_depth},
                                                             {Ink::Critical, p.critical_depth}};
      for (const auto& [ink, depth] : lines) {
        const PlotPath* line = Line(plot, ink);
        if (!depth) {
          QVERIFY(!line);
          continue;
        }
        if (!line) {
          QVERIFY(std::any_of(plot.marks.begin(), plot.marks.end(),
                              [&](const PlotMark& m) { return m.ink == ink && m.kind == PlotMark::Kind::Beyond; }));
          QVERIFY(*depth + std::max(0.0, -inputs.S0 * plot.along.lo) > plot.up.hi - z_span * 0.2);
          continue;
        }
        for (const QPointF& at : line->points)
          QVERIFY(std::fabs(ZOf(plot, at.y()) + inputs.S0 * XOf(plot, at.x()) - *depth) < 1e-9 * z_span);
      }
      // The surface runs from the control depth to the last station.
      const auto surface = std::find_if(plot.paths.begin(), plot.paths.end(),
                                        [](const PlotPath& path) { return path.ink == Ink::Surface; });
      QVERIFY(surface != plot.paths.end());
      const exact::ProfileStation& last = p.stations.back();
      QVERIFY(std::fabs(XOf(plot, surface->points.front().x())) < x_pixel * 1e-6);
      QVERIFY(std::fabs(ZOf(plot, surface->points.front().y()) - p.stations.front().h) < z_pixel * 1e-6);
      QVERIFY(std::fabs(XOf(plot, surface->points.back().x()) - last.x) < x_pixel * 1e-6);
      QVERIFY(std::fabs(ZOf(plot, surface->points.back().y()) - (last.h - inputs.S0 * last.x)) < z_pixel * 1e-6);
      // The type by its name, the stop by what forms there.
      QVERIFY(Says(plot, name));
      QCOMPARE(Says(plot, u"跌水"_s), stop == u"跌水"_s);
      QCOMPARE(Says(plot, u"水跃"_s), stop == u"水跃"_s);
      // Labels on the picture, apart from each other.
      const QRectF area(QPointF(0, 0), size);
      for (size_t i = 0; i < plot.texts.size(); ++i) {
        QVERIFY2(area.contains(plot.texts[i].box), qPrintable(plot.texts[i].text));
        for (size_t j = i + 1; j < plot.texts.size(); ++j)
          QVERIFY2(!plot.texts[i].box.intersects(plot.texts[j].box),
                   qPrintable(plot.texts[i].text + u" / "_s + plot.texts[j].text));
      }
    }
  }

  // Of each pixel column a thinned line keeps its first, highest, lowest
  // and last point: a steep rise within one column survives.
  void thinningKeepsEachColumnsExtremes() {
    QPolygonF line;
    for (int i = 0; i <= 10000; ++i) line << QPointF(i * 0.03, i == 5000 ? -40.0 : std::sin(i * 0.001) * 20);
    const QPolygonF thin = ThinToColumns(line);
    QVERIFY(thin.size() <= 4 * 301);
    QCOMPARE(thin.front(), line.front());
    QCOMPARE(thin.back(), line.back());
    QVERIFY(thin.contains(QPointF(5000 * 0.03, -40.0)));
    for (qsizetype i = 1; i < thin.size(); ++i) QVERIFY(thin[i].x() >= thin[i - 1].x());
  }
};

QTEST_MAIN(ProfilePartsTest)
#include "tst_profile_parts.moc"
