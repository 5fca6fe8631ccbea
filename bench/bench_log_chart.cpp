// How quick the log chart is on a full recording (500,000 samples), each
// figure beside a baseline measured in the same run:
//   1. a redraw at the automatic resolution, with its replot, against
//      QCustomPlot's own replot of the same points;
//   2. a redraw of every sample ("0.01"), with its replot, against
//      QCustomPlot's own replot of the same seven series handed over as
//      ready data; and the same redraw learning the frame in mode 1 (every
//      plotted sample writes its cell) against the redraw alone;
//   3. right-button scrolling at the automatic resolution: redraws a second,
//      each move with its redraw and replot, against replots a second;
//   4. opening a 500,000-record .log (the whole command, and the spread of
//      its records over the channels alone) against reading the same file
//      into memory, each call after the caches were flushed by other work
//      (as between two opens in a session), and once more back to back.
// Runs offscreen; each figure is the median of several rounds.

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "link/LogBuffer.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/LogFile.h"
#include "log/StreamRun.h"
#include "support/ScriptedDialogs.h"
#include "table/GridPage.h"
#include "table/TableModel.h"

using Clock = std::chrono::steady_clock;
using namespace zelor;

namespace {

// Milliseconds per call of work, the median of rounds rounds of calls calls.
double MedianMs(int rounds, int calls, const std::function<void()>& work) {
  std::vector<double> times;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    for (int c = 0; c < calls; ++c) work();
    const std::chrono::duration<double, std::milli> spent = Clock::now() - start;
    times.push_back(spent.count() / calls);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Pushes the file and the recording out of the processor's caches, as the
// rest of a session does between two opens, so that neither the open nor
// the plain read is measured on bytes the previous call left in the cache.
void EvictCaches() {
  static std::vector<std::uint8_t> other(64 << 20);
  static std::uint8_t round = 0;
  ++round;
  for (std::size_t i = 0; i < other.size(); i += 64) other[i] = round;
}

// The median of rounds single calls of work, each after EvictCaches.
double MedianColdMs(int rounds, const std::function<void()>& work) {
  std::vector<double> times;
  for (int r = 0; r < rounds; ++r) {
    EvictCaches();
    const auto start = Clock::now();
    work();
    const std::chrono::duration<double, std::milli> spent = Clock::now() - start;
    times.push_back(spent.count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// A drive: MAF and VAF swing slowly, the output follows the table, O2 flips,
// the marker is pressed now and then.
void Record(LogBuffer& log) {
  for (int i = 0; i < LogBuffer::kCapacity; ++i) {
    const double phase = i / 700.0;
    const auto maf = static_cast<std::uint8_t>(128 + 100 * std::sin(phase));
    const auto vaf = static_cast<std::uint8_t>(120 + 90 * std::sin(phase + 0.3));
    LogSample s;
    s.bytes = {maf,
               static_cast<std::uint8_t>(i % 5000 < 300 ? 128 : 0),
               static_cast<std::uint8_t>(128 + (i % 900 < 40 ? 40 : 0)),
               maf,
               vaf,
               0,
               0,
               static_cast<std::uint8_t>(i % 300 < 150 ? 40 : 200)};
    log.Store(i, s);
  }
  log.SetCount(LogBuffer::kCapacity);
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

void Report(const char* what, double ours, const char* baseline, double base, const char* unit) {
  std::printf("%-52s %9.2f %s   %-30s %9.2f %s   ratio %.2f\n", what, ours, unit, baseline, base,
              unit, ours / base);
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  QApplication application(argc, argv);
  testing::ScriptedDialogs dialogs;
  Windows windows = StartUp({});
  TForm1& form = *windows.form1;
  for (int m = 0; m < 256; ++m) form.Table().SetCell(m, (m * 7) % 256);
  Record(form.Stream().Log());
  form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet2"));
  QCoreApplication::processEvents();
  LogChartPage& page = form.LogChartControl().Page();
  LogChart* chart = page.Chart();
  int replots = 0;
  QObject::connect(chart, &QCustomPlot::afterReplot, [&] { ++replots; });
  auto redraw = [&] {
    form.LogChartControl().Redraw(page.Frame().step);
    QCoreApplication::processEvents();  // the queued replot
  };
  auto replot = [&] {
    chart->replot(QCustomPlot::rpQueuedReplot);
    QCoreApplication::processEvents();
  };
  const int rounds = 7;

  std::printf("log chart on %d samples x 7 series\n\n", LogBuffer::kCapacity);
  form.LogChartUndoZoom();
  QCoreApplication::processEvents();
  replots = 0;
  const double autoRedraw = MedianMs(rounds, 20, redraw);
  const double autoReplots = replots / double(rounds * 20);
  const double autoReplot = MedianMs(rounds, 20, replot);
  std::printf("automatic resolution: step %d, %d points a series (replots per redraw %.2f)\n",
              page.Frame().step, page.PointCount(kMafSeries), autoReplots);
  Report("1. redraw + replot, automatic resolution", autoRedraw, "replot of the same points",
         autoReplot, "ms");

  form.N0011Click();
  QCoreApplication::processEvents();
  const double fullRedraw = MedianMs(rounds, 3, redraw);
  const double fullReplot = MedianMs(rounds, 3, replot);
  std::printf("\nresolution 0.01: %d points a series\n", page.PointCount(kMafSeries));
  Report("2. redraw + replot, every sample", fullRedraw, "replot of ready data", fullReplot, "ms");
  // "Обучить" in mode 1: every plotted sample writes its cell in the pass.
  auto learn = [&] {
    form.N16Click();
    QCoreApplication::processEvents();
  };
  const double fullLearn = MedianMs(rounds, 3, learn);
  Report("   the same redraw learning every sample", fullLearn, "the redraw alone", fullRedraw,
         "ms");

  form.LogChartUndoZoom();
  QCoreApplication::processEvents();
  const QPoint centre(480, 240);
  int x = centre.x();
  int direction = 1;
  auto move = [&] {
    x += direction;
    if (x > 900 || x < 60) direction = -direction;
    SendMouse(chart, QEvent::MouseMove, QPoint(x, centre.y()), Qt::NoButton, Qt::RightButton);
    QCoreApplication::processEvents();
  };
  SendMouse(chart, QEvent::MouseButtonPress, centre, Qt::RightButton, Qt::RightButton);
  const double scrollMs = MedianMs(rounds, 50, move);
  SendMouse(chart, QEvent::MouseButtonRelease, QPoint(x, centre.y()), Qt::RightButton,
            Qt::NoButton);
  chart->findChild<QMenu*>()->hide();
  const double scrollReplotMs = MedianMs(rounds, 50, replot);
  std::printf("\nscrolling at step %d\n", page.Frame().step);
  Report("3. right-button scrolling, redraws a second", 1000.0 / scrollMs, "replots a second",
         1000.0 / scrollReplotMs, "/s");

  QTemporaryDir dir;
  const QString path = dir.filePath("drive.log");
  {
    dialogs.Answer(path);
    form.N4Click();
  }
  std::printf("\n.log of %lld bytes\n", static_cast<long long>(QFileInfo(path).size()));
  auto readFile = [&] {
    QFile file(path);
    file.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    const QByteArray bytes = file.readAll();
    if (bytes.size() != 8LL * LogBuffer::kCapacity) std::printf("short read\n");
  };
  auto openCommand = [&] {
    dialogs.Answer(path);
    form.N3Click();
  };
  QByteArray held;
  {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    held = file.readAll();
  }
  auto spread = [&] { SpreadLogRecords(form.Stream().Log(), held.constData(), held.size()); };
  const double read = MedianColdMs(25, readFile);
  const double open = MedianColdMs(25, openCommand);
  const double spreadMs = MedianColdMs(25, spread);
  Report("4. opening the .log (the whole command)", open, "reading the file", read, "ms");
  Report("   of which spreading the records in memory", spreadMs, "reading the file", read, "ms");
  const double hotRead = MedianMs(rounds, 5, readFile);
  const double hotOpen = MedianMs(rounds, 5, openCommand);
  Report("   the same, 35 times in a row (caches hot)", hotOpen, "reading the file", hotRead, "ms");
  if (!dialogs.messages.isEmpty()) std::printf("messages: %s\n", qPrintable(dialogs.messages[0]));
  return 0;
}
