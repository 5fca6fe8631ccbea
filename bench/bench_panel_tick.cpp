// The cost of one whole panel tick of the main window (gauges, text boxes,
// the two live points, the published values and fast live learning), as the
// 10 ms timer runs it, with the panel chart's redraw that the tick queues.
// Runs offscreen; reports microseconds per tick.

#include <QApplication>
#include <QCheckBox>
#include <chrono>
#include <cstdio>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "link/LogBuffer.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "support/PanelControls.h"

using Clock = std::chrono::steady_clock;

namespace {

double MicrosPerTick(zelor::TForm1& form, int ticks, bool processEvents) {
  zelor::LogBuffer& log = form.Stream().Log();
  std::uint8_t frame[8] = {100, 0, 128, 0, 0, 0, 0, 20};
  const auto start = Clock::now();
  for (int i = 0; i < ticks; ++i) {
    frame[3] = static_cast<std::uint8_t>(i % 256);
    frame[4] = static_cast<std::uint8_t>((i * 3) % 256);
    log.Append(frame, false);
    form.Timer1Timer();
    if (processEvents) QCoreApplication::processEvents();
  }
  const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
  return spent.count() / ticks;
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  zelor::Windows windows = zelor::StartUp({});
  zelor::TForm1& form = *windows.form1;
  const zelor::testing::PanelControls panel(form);
  panel.CheckBoxLearnTable->setChecked(true);
  panel.CheckBoxInsertCell->setChecked(true);
  form.Stream().Log().SetCount(0);
  MicrosPerTick(form, 200, true);  // warm up
  const int ticks = 3000;
  std::printf("panel tick without the chart redraw: %.1f us\n", MicrosPerTick(form, ticks, false));
  std::printf("panel tick with the chart redraw:    %.1f us\n", MicrosPerTick(form, ticks, true));
  std::printf("(the tick runs every 10000 us)\n");
  return 0;
}
