#pragma once
// The engine control unit's own fuelling on top of what it meters from the
// converter's output: a closed loop on its own narrowband sensor, and an
// open-loop rich target at high load. Both are off unless set; then the ECU
// fuels exactly as metered.
//
// Closed loop (below `closedLoopMaf`, outside the fuel cut, the converter's
// accelerator pump and the ECU's enrichment): the ECU's narrowband sensor
// reads the mixture kDelay late and only tells rich (lambda < 1) from lean.
// On each switch of its answer the short-term trim jumps by kJump against
// it, and in between ramps at kRamp per second against it: a
// proportional-integral loop whose dead time makes lambda run a triangle
// around 1 (a limit cycle), whatever the table:
//   half period = 2 kDelay - kJump / kRamp = 0.5 s  (a 1 s period)
//   trim peak to peak = 2 kRamp kDelay = 3.6 %      (lambda about +-1.8 %)
// The short-term trim drains, with a time constant of kLearnTime, into a
// long-term trim of the MAF band (kBandWidth counts wide) the engine is in,
// so that the loop starts near the right fuel when it comes back to a band.
// The trims together are held within +-kTrimLimit. Entering closed loop,
// the loop waits kDelay (until its sensor sees the mixture it fuels)
// before it trims, with the band's long-term trim alone; leaving it, the
// short-term trim is dropped and the fuel is as metered again (the
// long-term trims are kept but not used in open loop).
//
// Enrichment (averaged MAF at or above `enrichMaf`): the ECU fuels for
// lambda `enrichLambda` of the metered mixture, in open loop; the
// converter's enrichment byte does not show it.

#include <array>
#include <cstddef>
#include <deque>
#include <optional>

namespace zelor::sim {

struct EcuSetup {
  std::optional<int> closedLoopMaf = std::nullopt;  // closed loop below this averaged MAF
  std::optional<int> enrichMaf = std::nullopt;      // rich open loop from this averaged MAF up
  double enrichLambda = 1.0;                        // the rich target, as a factor on lambda
};

class EcuFuel {
 public:
  // The loop's timing and gains (see above).
  static constexpr int kDelayFrames = 30;  // 300 ms: the ECU sensor's dead time
  static constexpr double kJump = 0.006;   // 0.6 % per switch
  static constexpr double kRamp = 0.06;    // 6 % per second
  static constexpr double kLearnTime = 2.0;
  static constexpr double kTrimLimit = 0.25;
  static constexpr int kBandWidth = 16;

  explicit EcuFuel(EcuSetup setup) : setup_(setup) {}

  // One frame: the ECU's fuel as a factor on the metered fuel (1: as
  // metered), for the MAF averaged over the last 100 ms, this frame's
  // `maf`, the fuel cut and the pump's enrichment, and the metered
  // mixture's `lambda` (the mixture then runs at lambda / factor, which its
  // sensor sees kDelayFrames later).
  double Step(double mafAverage, int maf, double lambda, bool fuelCut, bool pumpEnriches);

  // True while the last Step ran in closed loop (trimming or about to).
  bool ClosedLoop() const { return closedLoop_; }
  // The short-term trim and the current band's long-term trim (fractions).
  double ShortTrim() const { return shortTrim_; }
  double LongTrim(int maf) const;

 private:
  static constexpr std::size_t kBands = 256 / kBandWidth;

  EcuSetup setup_;
  bool closedLoop_ = false;
  int settled_ = 0;  // closed-loop frames so far, up to kDelayFrames
  double shortTrim_ = 0.0;
  std::array<double, kBands> longTrim_{};
  std::optional<bool> lastRich_;  // the sensor's last answer in this closed loop
  std::deque<double> sensor_;     // lambda on its way to the sensor, oldest first
};

}  // namespace zelor::sim
