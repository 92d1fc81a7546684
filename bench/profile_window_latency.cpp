// How long the 水面曲线 window takes from a changed input to showing a
// profile of 10,000 stations (table and drawing painted), and the longest the
// user-interface thread stays busy meanwhile: a timer ticking every
// millisecond measures the gaps between its ticks.
//
//   QT_QPA_PLATFORM=offscreen build-release/bin/profile_window_latency [runs]
//
// Prints the median and the largest of each, for a profile given its end
// depth and one given its reach length.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QComboBox>
#include <QTableView>
#include <QTimer>

#include "calc_window/frmMainCode.h"
#include "profile_window/ProfileDrawing.h"
#include "profile_window/frmProfile.h"
#include "skin/font_substitutions.h"

namespace {

constexpr int kDefaultRuns = 21;
constexpr int kTickMs = 1;

struct Run {
  double shown_ms;  // input changed → profile painted
  double stall_ms;  // the longest gap between timer ticks meanwhile
};

template <class T>
T* Named(const QWidget* in, const char* name) {
  return in->findChild<T*>(QString::fromLatin1(name));
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Types `text` into `box` and waits until the window shows the profile, then
// paints it as the event loop would.
Run Measure(frmProfile* p, QLineEdit* box, const QString& text) {
  QElapsedTimer clock;
  qint64 last_tick = 0;
  qint64 stall = 0;
  QTimer ticks;
  ticks.setInterval(kTickMs);
  ticks.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticks, &QTimer::timeout, &ticks, [&] {
    const qint64 now = clock.nsecsElapsed();
    stall = std::max(stall, now - last_tick);
    last_tick = now;
  });
  clock.start();
  ticks.start();
  box->setText(text);
  stall = std::max(stall, clock.nsecsElapsed() - last_tick);
  last_tick = clock.nsecsElapsed();
  while (!p->Settled()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const qint64 before_paint = clock.nsecsElapsed();
  stall = std::max(stall, before_paint - last_tick);
  Named<ProfileDrawing>(p, "picDrawing")->repaint();
  Named<QTableView>(p, "tblStations")->viewport()->repaint();
  const qint64 shown = clock.nsecsElapsed();
  stall = std::max(stall, shown - before_paint);
  ticks.stop();
  return {shown / 1e6, stall / 1e6};
}

void Report(const char* what, const std::vector<Run>& runs) {
  std::vector<double> shown, stall;
  for (const Run& r : runs) {
    shown.push_back(r.shown_ms);
    stall.push_back(r.stall_ms);
  }
  std::printf("%-34s shown: median %6.1f ms, max %6.1f ms; UI thread busy at most: median %5.1f ms, max %5.1f ms\n",
              what, Median(shown), *std::max_element(shown.begin(), shown.end()), Median(stall),
              *std::max_element(stall.begin(), stall.end()));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  InstallFontSubstitutions();
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRuns;

  frmMainCode calculator;
  calculator.Form_Load();
  calculator.show();
  Named<QAbstractButton>(&calculator, "Option1_2")->click();
  Named<QLineEdit>(&calculator, "TextQ")->setText(QStringLiteral("10"));
  Named<QLineEdit>(&calculator, "Text1_2")->setText(QStringLiteral("5"));
  calculator.Command1_Click();
  calculator.ShowProfile();
  frmProfile* p = calculator.ProfileWindow();
  Named<QLineEdit>(p, "TextN")->setText(QStringLiteral("0.014"));
  Named<QLineEdit>(p, "TextI")->setText(QStringLiteral("0.001"));
  Named<QLineEdit>(p, "TextH1")->setText(QStringLiteral("3"));
  Named<QLineEdit>(p, "TextSteps")->setText(QStringLiteral("10000"));
  auto* end = Named<QLineEdit>(p, "TextEnd");

  // An a1 profile from 3 m down towards h_0 = 1.072 m, 10,000 equal steps of depth.
  std::vector<Run> by_depth;
  for (int i = 0; i <= runs; ++i) {
    const Run r = Measure(p, end, i % 2 ? QStringLiteral("1.1") : QStringLiteral("1.2"));
    if (i > 0) by_depth.push_back(r);  // the first warms the caches
  }
  Report("10,000 stations to an end depth:", by_depth);

  // The same reach by its length, 10,000 equal steps of distance.
  Named<QComboBox>(p, "cboEnd")->setCurrentIndex(1);
  std::vector<Run> by_length;
  for (int i = 0; i <= runs; ++i) {
    const Run r = Measure(p, end, i % 2 ? QStringLiteral("1500") : QStringLiteral("1600"));
    if (i > 0) by_length.push_back(r);
  }
  Report("10,000 stations over a length:", by_length);
  return 0;
}
