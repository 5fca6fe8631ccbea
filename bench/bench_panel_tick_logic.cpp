// The cost of one panel tick's plain logic: the consistent read of the
// newest sample (PanelView), four panel texts, the O2 gauge position, the
// range test and the learning rule. Measured with the buffer below its cap,
// at the cap (the newest frame from the ring), and while another thread
// appends frames as fast as it can (filling the buffer, then overwriting).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "learn/LiveLearning.h"
#include "link/LogBuffer.h"
#include "log/PanelText.h"

using Clock = std::chrono::steady_clock;

namespace {

volatile std::size_t gSink = 0;

void AppendFrame(zelor::LogBuffer& b, std::uint32_t c) {
  const std::uint8_t f[8] = {static_cast<std::uint8_t>(c),
                             0,
                             128,
                             static_cast<std::uint8_t>(c >> 3),
                             static_cast<std::uint8_t>(c * 7),
                             static_cast<std::uint8_t>(c >> 8),
                             60,
                             static_cast<std::uint8_t>(c % 45)};
  b.Append(f, (c & 64) != 0);
}

// One tick's logic; returns something that depends on all of it.
std::size_t Tick(const zelor::LogBuffer& b, int mode) {
  const zelor::PanelView v = b.Panel();
  std::size_t acc = 0;
  acc += zelor::PanelText(v.sample.Output(), ',').size();
  acc += zelor::PanelText(v.sample.Maf(), ',').size();
  acc += zelor::PanelText(v.sample.Vaf(), ',').size();
  acc += zelor::PanelText(v.sample.O2(), ',').size();
  acc += static_cast<std::size_t>(zelor::O2GaugePosition(v.sample.O2(), false));
  acc += zelor::MafInRange(v.sample.Maf(), 20, 90) ? 1 : 0;
  if (const auto w = zelor::LiveLearningStep(mode, v)) acc += static_cast<std::size_t>(w->m + w->v);
  return acc;
}

double MicrosPerTick(const zelor::LogBuffer& b, int ticks) {
  const auto t0 = Clock::now();
  std::size_t acc = 0;
  for (int i = 0; i < ticks; ++i) acc += Tick(b, i & 1);
  const auto t1 = Clock::now();
  gSink = gSink + acc;
  return std::chrono::duration<double, std::micro>(t1 - t0).count() / ticks;
}

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::stoi(argv[1]) : 200000;
  auto b = std::make_unique<zelor::LogBuffer>();
  for (std::uint32_t c = 0; c < 100000; ++c) AppendFrame(*b, c);
  std::printf("bench_panel_tick_logic: below the cap:      %.3f us per tick\n",
              MicrosPerTick(*b, ticks));

  for (std::uint32_t c = 100000; c < zelor::LogBuffer::kCapacity + 100; ++c) AppendFrame(*b, c);
  std::printf("bench_panel_tick_logic: at the cap:         %.3f us per tick\n",
              MicrosPerTick(*b, ticks));

  b->SetCount(0);
  std::atomic<bool> run{true};
  std::thread writer([&] {
    std::uint32_t c = 0;
    while (run.load(std::memory_order_relaxed)) AppendFrame(*b, c++);
  });
  const double busy = MicrosPerTick(*b, ticks);
  run.store(false);
  writer.join();
  std::printf(
      "bench_panel_tick_logic: with a busy writer: %.3f us per tick (the tick comes every 10000 "
      "us)\n",
      busy);
  return 0;
}
