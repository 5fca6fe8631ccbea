// How many frames per second the stream reader stores when the line is not
// paced: another thread writes frames into the master side of a
// pseudo-terminal as fast as it takes them, TThreadLog reads the slave side
// through SerialPort. The converter needs 120 frames/s at most.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/LogBuffer.h"
#include "link/PtyPair.h"
#include "link/SerialPort.h"
#include "link/StreamFlags.h"
#include "link/StreamReader.h"

using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::stod(argv[1]) : 3.0;
  zelor::test::PtyPair pty;
  zelor::SerialPort port;
  port.SetPortName(pty.SlaveName());
  port.Open();
  auto buffer = std::make_unique<zelor::LogBuffer>();
  zelor::StreamFlags flags;

  // 64 frames per write; the frame's bytes follow a counter.
  std::vector<std::uint8_t> block(64 * 8);
  std::atomic<bool> writing{true};
  std::atomic<std::uint64_t> bytesWritten{0};
  std::thread writer([&] {
    std::uint32_t c = 0;
    while (writing.load(std::memory_order_relaxed)) {
      for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(c + i);
      ++c;
      const int n = pty.WriteMaster(block.data(), static_cast<int>(block.size()), 200);
      bytesWritten.fetch_add(static_cast<std::uint64_t>(n), std::memory_order_relaxed);
    }
  });

  buffer->SetCount(0);
  flags.Streaming.store(true);
  int failures = 0;
  zelor::TThreadLog reader(
      port, *buffer, flags, [&](const std::string&) { ++failures; }, "stream lost",
      [](std::function<void()> task) { task(); });
  reader.Start();

  // Warm up, then measure.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::uint64_t f0 = buffer->Appended();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const std::uint64_t f1 = buffer->Appended();
  const auto t1 = Clock::now();

  flags.Streaming.store(false);
  writing.store(false);
  writer.join();
  reader.Join();

  const double elapsed = std::chrono::duration<double>(t1 - t0).count();
  const double fps = static_cast<double>(f1 - f0) / elapsed;
  std::printf(
      "bench_reader: %llu frames stored in %.3f s: %.0f frames/s (%.0f x the line's 120/s)\n",
      static_cast<unsigned long long>(f1 - f0), elapsed, fps, fps / 120.0);
  std::printf(
      "bench_reader: %llu bytes written in all, %llu frames stored in all, priority %s, "
      "failure reports %d\n",
      static_cast<unsigned long long>(bytesWritten.load()),
      static_cast<unsigned long long>(buffer->Appended()),
      reader.PriorityRaised() ? "raised" : "normal", failures);
  return 0;
}
