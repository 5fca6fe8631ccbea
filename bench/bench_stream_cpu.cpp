// What the live stream costs the configurator's process: the real main window
// (offscreen) against the converter simulator, "Обучение Таблицы" and
// "VAF-MAF" on, the panel tab shown. Reports the process's CPU time (all its
// threads, getrusage) as a share of one core over the main phase, and against
// a baseline of the same run in which only the reader works (the panel timer
// stopped), their difference as the tick's own share, with the panel chart's
// repaints per second. Then the same stream without learning, "ШЛЗ" on,
// in phases with "Автонастройка по лямбде" off and on by turns: autotune's
// own share is the difference.
//
//   bench_stream_cpu [seconds of the main phase, default 20] [simulator path]

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <string>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "link/LogBuffer.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "support/PanelControls.h"
#include "support/SimProcess.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct Phase {
  double share = 0;        // CPU seconds per wall second
  double paintsPerS = 0;   // panel chart repaints per second
  double samplesPerS = 0;  // samples the reader stored per second
};

Phase Measure(zelor::TForm1& form, PaintCounter& paints, double seconds) {
  const int paintsBefore = paints.paints;
  const int countBefore = form.Stream().Log().Count();
  const double cpuBefore = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QEventLoop loop;
  QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
  const double elapsed = wall.nsecsElapsed() / 1e9;
  Phase phase;
  phase.share = (CpuSeconds() - cpuBefore) / elapsed;
  phase.paintsPerS = (paints.paints - paintsBefore) / elapsed;
  phase.samplesPerS = (form.Stream().Log().Count() - countBefore) / elapsed;
  return phase;
}

void Print(const char* name, const Phase& phase) {
  std::printf("%-34s %6.1f %% of a core  %6.1f chart repaints/s  %6.1f samples/s\n", name,
              phase.share * 100, phase.paintsPerS, phase.samplesPerS);
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const double seconds = argc > 1 ? std::stod(argv[1]) : 20.0;
  if (argc > 2) qputenv("ZELOR_SIM", argv[2]);
  QApplication application(argc, argv);

  zelor::testing::SimProcess sim;
  // A wideband, as autotune reads it.
  if (!sim.Start({"--o2", "wide:lc1", "--o2-delay-ms", "600:120", "--o2-noise-percent", "1.5"})) {
    std::fprintf(stderr, "the simulator did not start (%s)\n",
                 qPrintable(zelor::testing::SimPath()));
    return 1;
  }
  zelor::Windows windows = zelor::StartUp({sim.Port()});
  zelor::TForm1& form = *windows.form1;
  auto* com = form.findChild<QComboBox*>(QStringLiteral("COM"));
  const int index = com->findText(sim.Port());
  com->setCurrentIndex(index);
  emit com->activated(index);  // opens the port and reads the table

  const zelor::testing::PanelControls panel(form);
  PaintCounter paints;
  panel.InsertCellChart->installEventFilter(&paints);
  panel.CheckBoxLearnTable->setChecked(true);
  panel.CheckBoxInsertCell->setChecked(true);
  panel.ButtonStart->click();
  if (!form.Stream().Streaming()) {
    std::fprintf(stderr, "the stream did not start\n");
    return 1;
  }
  Measure(form, paints, 1.0);  // the first frames, the first repaints

  const Phase full = Measure(form, paints, seconds);
  form.findChild<QTimer*>(QStringLiteral("Timer1"))->stop();  // the reader alone: the baseline
  const Phase reader = Measure(form, paints, seconds / 4);
  panel.ButtonStop->click();

  // Without learning, "ШЛЗ" on; autotune off and on by turns, four of each.
  auto* wbo = form.findChild<QCheckBox*>(QStringLiteral("WBO"));
  auto* autotune = form.findChild<QCheckBox*>(QStringLiteral("Autotune"));
  panel.CheckBoxLearnTable->setChecked(false);
  wbo->setChecked(true);
  panel.ButtonStart->click();
  Measure(form, paints, 1.0);
  Phase off, on;
  constexpr int kTurns = 4;
  for (int turn = 0; turn < kTurns; ++turn) {
    const Phase without = Measure(form, paints, seconds / 2 / kTurns);
    autotune->click();
    if (!autotune->isChecked()) {
      std::fprintf(stderr, "autotune did not start\n");
      return 1;
    }
    const Phase with = Measure(form, paints, seconds / 2 / kTurns);
    autotune->click();
    off.share += without.share / kTurns;
    off.paintsPerS += without.paintsPerS / kTurns;
    off.samplesPerS += without.samplesPerS / kTurns;
    on.share += with.share / kTurns;
    on.paintsPerS += with.paintsPerS / kTurns;
    on.samplesPerS += with.samplesPerS / kTurns;
  }
  panel.ButtonStop->click();

  std::printf("stream with learning, %.0f s against converter-sim:\n", seconds);
  Print("reader alone (panel timer stopped)", reader);
  Print("panel tick with learning", full);
  // The run with the tick less the same run's reader alone: the tick's own.
  std::printf("the tick's own share: %.1f %% of a core\n", (full.share - reader.share) * 100);
  std::printf("ratio panel / reader alone: %.1f\n",
              reader.share > 0 ? full.share / reader.share : 0.0);
  std::printf("stream without learning, wideband, %.0f s each way in %d turns:\n", seconds / 2,
              kTurns);
  Print("panel tick, autotune off", off);
  Print("panel tick, autotune on", on);
  std::printf("autotune's own share: %.2f %% of a core\n", (on.share - off.share) * 100);
  // The tick's work follows the samples: on a loaded machine the two runs
  // may get different paces, so also per 100 samples a second.
  const double offPaced = off.samplesPerS > 0 ? off.share * 100 / off.samplesPerS : 0.0;
  const double onPaced = on.samplesPerS > 0 ? on.share * 100 / on.samplesPerS : 0.0;
  std::printf("at 100 samples/s: off %.2f %%, on %.2f %%, autotune's own %.2f %% of a core\n",
              offPaced * 100, onPaced * 100, (onPaced - offPaced) * 100);
  return 0;
}
