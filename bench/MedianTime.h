#pragma once
// The median wall time of a piece of work over several runs, in milliseconds.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double MedianMs(int runs, const std::function<void()>& work) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> ms;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = Clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}
