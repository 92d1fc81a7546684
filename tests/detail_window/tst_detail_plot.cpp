// The detail window's picture as a model, without painting: the axes come
// from the section and its critical and normal states whatever depth is
// given, a point beyond them is marked at the edge with its value, the
// calculation window's depth shows only where it differs, the curve has its
// least energy at h_k, and no label overlaps another or the curve.

#include <QGuiApplication>
#include <QtTest>

#include "detail_window/DetailPlot.h"
#include "hydraulics/window/crit_depth.h"
#include "skin/font_substitutions.h"

Q_DECLARE_METATYPE(hydraulics::exact::Section)

using namespace Qt::StringLiterals;
namespace exact = hydraulics::exact;

namespace {

// The drawing's size side by side and stacked on a 1280 x 1024 screen, and
// stacked on an 800 x 600 one.
const QSizeF kSideBySide{380, 600};
const QSizeF kStacked{362, 370};
const QSizeF kSmall{362, 262};

exact::Section Rectangle(double Q, double b) { return {exact::Shape::Rectangle, Q, 0, b}; }

DetailPicture Picture(const exact::Section& s, exact::FlowInputs inputs, std::optional<double> shown = {}) {
  DetailPicture p;
  p.section = s;
  p.units = hydraulics::kSI;
  p.analysis = exact::Analyse(s, inputs, p.units);
  p.shown_depth = shown;
  return p;
}

QFont Font() {
  QFont font(u"宋体"_s);
  font.setPointSize(9);
  return font;
}

// Texts and marks of both panels.
std::vector<PlotText> Texts(const DetailPlot& plot) {
  std::vector<PlotText> all = plot.section.texts;
  all.insert(all.end(), plot.energy.texts.begin(), plot.energy.texts.end());
  return all;
}

bool SaysAnywhere(const DetailPlot& plot, const QString& part) {
  for (const PlotText& t : Texts(plot)) {
    if (t.text.contains(part)) return true;
  }
  return false;
}

int Beyond(const PlotPanel& panel) {
  return static_cast<int>(std::count_if(panel.marks.begin(), panel.marks.end(),
                                        [](const PlotMark& m) { return m.kind == PlotMark::Kind::Beyond; }));
}

const PlotPath* CurveOf(const PlotPanel& panel) {
  for (const PlotPath& p : panel.paths) {
    if (p.ink == Ink::Curve) return &p;
  }
  return nullptr;
}

bool Crosses(const QPolygonF& line, const QRectF& box) {
  for (qsizetype i = 1; i < line.size(); ++i) {
    const QLineF segment(line[i - 1], line[i]);
    if (box.contains(segment.p1()) || box.contains(segment.p2())) return true;
    const QLineF edges[] = {{box.topLeft(), box.topRight()}, {box.topRight(), box.bottomRight()},
                            {box.bottomRight(), box.bottomLeft()}, {box.bottomLeft(), box.topLeft()}};
    for (const QLineF& e : edges) {
      if (segment.intersects(e, nullptr) == QLineF::BoundedIntersection) return true;
    }
  }
  return false;
}

}  // namespace

class DetailPlotTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { InstallFontSubstitutions(); }

  void axesIgnoreTheGivenDepth_data() {
    QTest::addColumn<double>("h");
    QTest::addColumn<int>("energyBeyond");   // marks at the energy plot's edges
    QTest::addColumn<QString>("valueShown");  // in an edge label
    QTest::addColumn<bool>("sectionBeyond");
    // h = 0.1: E = 20.5 m, beyond the energy axis; its alternate depth
    // 20.5 m beyond the depth axis.
    QTest::newRow("shallow h = 0.1") << 0.1 << 2 << u"E = 20.51 →"_s << false;
    QTest::newRow("hair-thin h = 1e-6") << 1e-6 << 2 << u"2.041e+11"_s << false;
    QTest::newRow("deep h = 1e6") << 1e6 << 2 << u"h = 1e+06 ↑"_s << true;
    QTest::newRow("ordinary h = 1.2") << 1.2 << 0 << QString() << false;
  }
  void axesIgnoreTheGivenDepth() {
    QFETCH(double, h);
    QFETCH(int, energyBeyond);
    QFETCH(QString, valueShown);
    QFETCH(bool, sectionBeyond);
    // Q = 10, b = 5, n = 0.014, i = 0.001: h_k = 0.7418 m, h_0 = 1.072 m.
    const exact::Section s = Rectangle(10, 5);
    for (const QSizeF size : {kSideBySide, kStacked}) {
      const DetailPlot without = PlotDetail(Picture(s, {0.014, 0.001, {}}), size, Font());
      const DetailPlot with = PlotDetail(Picture(s, {0.014, 0.001, h}), size, Font());
      const double hk = exact::Analyse(s).critical->depth;
      // The depth axes reach twice h_k, as without h, and no further.
      QCOMPARE(with.energy.up.hi, without.energy.up.hi);
      QCOMPARE(with.energy.across.hi, without.energy.across.hi);
      QCOMPARE(with.section.up.hi, without.section.up.hi);
      QCOMPARE(with.energy.up.hi, 2 * hk);
      QCOMPARE(with.section.up.hi, 2 * hk);
      QCOMPARE(with.energy.up.ticks, without.energy.up.ticks);
      QVERIFY(with.energy.up.ticks.size() >= 2 && with.energy.up.ticks.back() <= with.energy.up.hi);
      QCOMPARE(Beyond(with.energy), energyBeyond);
      QCOMPARE(Beyond(with.section), sectionBeyond ? 1 : 0);
      if (!valueShown.isEmpty()) QVERIFY2(SaysAnywhere(with, valueShown), qPrintable(valueShown));
      // Beyond marks sit on the frame's edge.
      for (const PlotMark& m : with.energy.marks) {
        if (m.kind != PlotMark::Kind::Beyond) continue;
        QVERIFY(qFuzzyCompare(m.at.x(), with.energy.frame.right()) || qFuzzyCompare(m.at.y(), with.energy.frame.top()));
      }
    }
  }

  void withoutAGivenDepthNothingIsSaidOfIt() {
    // A steep slope puts the normal depth's energy beyond the axis: it is
    // marked as the normal depth, and nothing speaks of a given depth.
    const DetailPlot plot = PlotDetail(Picture(Rectangle(10, 5), {0.014, 2.0, {}}), kSideBySide, Font());
    QCOMPARE(Beyond(plot.energy), 1);
    QVERIFY(SaysAnywhere(plot, u"h_0 = "_s));
    QVERIFY(!SaysAnywhere(plot, u"给定水深"_s));
    for (const PlotText& t : Texts(plot)) QVERIFY2(!t.text.startsWith(u"h = "_s), qPrintable(t.text));
  }

  // The calculation window's own depth, from its own method, drawn only
  // where it differs from the exact one, and labelled with how far.
  void calculationWindowDepthOnlyWhereItDiffers_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("Q");
    QTest::addColumn<QString>("dimension");  // Text1(1) for a pipe, Text1(2) for a rectangle
    QTest::addColumn<QString>("deviation");  // empty: not drawn
    QTest::newRow("rectangle: one depth, one line") << 2 << u"10"_s << u"5"_s << QString();
    QTest::newRow("pipe R = 1, Q = 2") << 1 << u"2"_s << u"1"_s << u"−13.6%"_s;
    QTest::newRow("pipe R = 0.5, Q = 0.001") << 1 << u"0.001"_s << u"0.5"_s << u"+629"_s;
  }
  void calculationWindowDepthOnlyWhereItDiffers() {
    QFETCH(int, type);
    QFETCH(QString, Q);
    QFETCH(QString, dimension);
    QFETCH(QString, deviation);
    hydraulics::window::BoxTexts boxes;
    boxes.TextQ = Q.toStdString();
    boxes.Text1[type == 1 ? 1 : 2] = dimension.toStdString();
    hydraulics::window::Members members;
    const double shown = std::stod(hydraulics::window::Compute(static_cast<std::int16_t>(type), boxes, members).shown.depth);
    const exact::Section s = type == 1 ? exact::Section{exact::Shape::Circle, Q.toDouble(), dimension.toDouble()}
                                       : Rectangle(Q.toDouble(), dimension.toDouble());
    const DetailPlot plot = PlotDetail(Picture(s, {}, shown), kSideBySide, Font());
    const bool drawn = std::any_of(plot.section.paths.begin(), plot.section.paths.end(),
                                   [](const PlotPath& p) { return p.ink == Ink::Shown; });
    QCOMPARE(drawn, !deviation.isEmpty());
    QCOMPARE(SaysAnywhere(plot, u"计算窗口"_s), !deviation.isEmpty());
    if (!deviation.isEmpty()) QVERIFY2(SaysAnywhere(plot, deviation), qPrintable(deviation));
  }

  // Without a bottom width the trapezoid has no curve; with it the curve's
  // least energy lies at h_k (Q = 10, W = 4, 1 : 1.5 gave it at 0.861 m
  // against h_k = 0.953 m when area and width came from two geometries).
  void trapezoidCurveHasItsMinimumAtTheCriticalDepth() {
    const exact::Section average{exact::Shape::AverageTrapezoid, 10, 0, 0, 4, 1 / 1.5};
    const DetailPlot without = PlotDetail(Picture(average, {}), kSideBySide, Font());
    QVERIFY(without.energy.instead.contains(u"底宽 b"_s));
    QVERIFY(!CurveOf(without.energy));
    QVERIFY(SaysAnywhere(without, u"底宽按 W − m·h_k"_s));

    exact::Section trapezoid = average;
    trapezoid.shape = exact::Shape::Trapezoid;
    trapezoid.b = 2.5;
    const DetailPicture picture = Picture(trapezoid, {});
    const DetailPlot with = PlotDetail(picture, kSideBySide, Font());
    QVERIFY(with.energy.instead.isEmpty());
    const PlotPath* curve = CurveOf(with.energy);
    QVERIFY(curve);
    const QPointF* least = &curve->points.front();
    for (const QPointF& p : curve->points) {
      if (p.x() < least->x()) least = &p;
    }
    const double pixels_per_metre = with.energy.frame.height() / with.energy.up.hi;
    const double depth = (with.energy.frame.bottom() - least->y()) / pixels_per_metre;
    QVERIFY2(std::fabs(depth - picture.analysis.critical->depth) * pixels_per_metre < 2.5,
             qPrintable(u"least energy at %1, h_k %2"_s.arg(depth).arg(picture.analysis.critical->depth)));
  }

  // The five sections with n, i and h, and the extreme depths, at the
  // drawing's sizes: every label inside its panel, none over another, and
  // none of the curve's point labels over the curve.
  void labelsDoNotOverlap_data() {
    QTest::addColumn<exact::Section>("section");
    QTest::addColumn<double>("h");
    using S = exact::Shape;
    // shape, Q, R, b, W, s, wall, angle
    QTest::newRow("pipe") << exact::Section{S::Circle, 1, 1, 0, 0, 0, 0, 0} << 0.2;
    QTest::newRow("rectangle") << Rectangle(10, 5) << 1.2;
    QTest::newRow("trapezoid") << exact::Section{S::Trapezoid, 10, 0, 2.5, 0, 1 / 1.5, 0, 0} << 0.5;
    QTest::newRow("triangle") << exact::Section{S::Triangle, 2, 0, 0, 0, 1, 0, 0} << 0.6;
    QTest::newRow("doorway") << exact::Section{S::Doorway, 5, 0, 3, 0, 0, 2, 120} << 0.4;
    QTest::newRow("rectangle, h = 0.1") << Rectangle(10, 5) << 0.1;
    QTest::newRow("rectangle, h = 1e-6") << Rectangle(10, 5) << 1e-6;
    QTest::newRow("rectangle, h = 1e6") << Rectangle(10, 5) << 1e6;
  }
  void labelsDoNotOverlap() {
    QFETCH(exact::Section, section);
    QFETCH(double, h);
    for (const QSizeF size : {kSideBySide, kStacked, kSmall}) {
      const DetailPicture picture = Picture(section, {0.014, 0.001, h}, 1.05 * exact::Analyse(section).critical->depth);
      const DetailPlot plot = PlotDetail(picture, size, Font());
      for (const PlotPanel* panel : {&plot.section, &plot.energy}) {
        for (size_t i = 0; i < panel->texts.size(); ++i) {
          const PlotText& a = panel->texts[i];
          QVERIFY2(panel->area.contains(a.box), qPrintable(a.text));
          for (size_t j = i + 1; j < panel->texts.size(); ++j) {
            const PlotText& b = panel->texts[j];
            QVERIFY2(!a.box.intersects(b.box), qPrintable(a.text + u" over "_s + b.text));
          }
        }
      }
      if (size == kSmall) continue;  // the curve has too little room there to keep clear of
      const PlotPath* curve = CurveOf(plot.energy);
      QVERIFY(curve);
      for (const PlotText& t : plot.energy.texts) {
        if (t.ink == Ink::Text) continue;  // axis values, outside the frame
        QVERIFY2(!Crosses(curve->points, t.box), qPrintable(t.text));
      }
    }
  }
};

QTEST_MAIN(DetailPlotTest)
#include "tst_detail_plot.moc"
