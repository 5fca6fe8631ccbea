#pragma once
// The correction of the table by lambda from a recording: plain logic, no Qt,
// shared by the window "Коррекция по лямбде" and the console companion
// zelor-lambda-fix.
//
// A recording is read as its channels (one byte per sample, 10 ms apart).
// The O2 reading of sample i belongs to the mixture of sample s = i - d,
// where d is the exhaust's transport delay in samples: every filter and the
// cell a reading counts for are taken at s (the MAF, the output, the
// enrichment) or at i (the O2 reading itself), as each rule below says.
//
// Per accepted reading the cell is MAF[s]. With a wideband sensor:
//   lambda = AFR(volts) / stoich,  volts = O2[i] x 5 / 255,
//   k = lambda / target(MAF[s]),
//   proposal of the reading = Output[s] x k   (Output[s] / k when inverse),
// and the cell's proposal is the median of its readings' proposals (for an
// even count the mean of the two middle ones), rounded halves to even, then
// capped and clamped (see LambdaSettings). With a narrowband sensor the
// reading is rich when O2[i] x 5 / 255 > 0.45 V; a cell whose rich share of
// its readings is above 60 % is made one step leaner (output - step), below
// 40 % one step richer (output + step), signs swapped when inverse; cells
// whose target is not lambda 1.00 are left alone (a narrowband cannot
// hold a rich target).

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelor {

// A recording's channels, each of the same length (the sample count).
struct LambdaRecording {
  std::span<const std::uint8_t> output;      // converter output, channel 0
  std::span<const std::uint8_t> enrichment;  // channel 2, 128 = none
  std::span<const std::uint8_t> maf;         // channel 3, also the cell index
  std::span<const std::uint8_t> o2;          // channel 7, 0..255 = 0..5 V
  std::size_t Size() const { return maf.size(); }
};

// A recording's channels held apart, as read from a .log file's 8-byte
// records (record byte k is channel k: output, marker, enrichment, MAF, VAF,
// channels 5 and 6, O2). The console tool and the bench read files so.
inline constexpr std::size_t kLambdaRecordSize = 8;
struct LambdaChannels {
  std::vector<std::uint8_t> output, enrichment, maf, o2;
  LambdaRecording View() const { return {output, enrichment, maf, o2}; }
};
// The channels of the whole records in `bytes`; a trailing piece of fewer
// than 8 bytes is ignored.
LambdaChannels SplitLogRecords(std::span<const std::uint8_t> bytes);

// A wideband controller's linear output: (v1 volts -> afr1) and (v2 -> afr2).
struct WidebandScale {
  double v1 = 0.0;
  double afr1 = 7.35;
  double v2 = 5.0;
  double afr2 = 22.39;
  bool operator==(const WidebandScale&) const = default;
};

// The presets of the window and of --sensor.
inline constexpr WidebandScale kLc1Scale{0.0, 7.35, 5.0, 22.39};
inline constexpr WidebandScale kAemScale{0.5, 8.5, 4.5, 18.0};
inline constexpr WidebandScale k14Point7Scale{0.0, 10.0, 5.0, 20.0};

// Stoichiometric AFRs offered beside the typed value.
inline constexpr double kStoichPetrol = 14.7;
inline constexpr double kStoichLpg = 15.5;
inline constexpr double kStoichE85 = 9.8;

// Samples are 10 ms apart.
inline constexpr int kLambdaSampleMs = 10;

struct LambdaSettings {
  bool wideband = true;  // "ШЛЗ" (WBO): wideband; off: narrowband
  WidebandScale scale = kLc1Scale;
  double stoich = kStoichPetrol;
  int delayMs = 0;  // transport delay; d = delayMs / 10 samples, rounded halves to even
  // Target lambda: targetLow below targetMaf, targetHigh from it on.
  double targetLow = 1.00;
  double targetHigh = 0.88;
  int targetMaf = 200;
  bool inverse = false;  // the ECU's VAF signal falls as air rises
  int minSamples = 20;   // a cell with fewer accepted readings stays
  // Per pass a cell moves by at most min(capCounts, capPercent % of its
  // value, rounded down), but at least one count when it moves at all; the
  // result is then clamped to 0..255. The value moved from is the one the
  // recording ran with (the cell's recordedValue), not the table's now: a
  // second apply of the same recording changes nothing, and one pass never
  // takes a cell further than the cap from what the engine was driven on.
  double capPercent = 10.0;
  int capCounts = 12;
  int minMaf = 10;  // MAF[s] below it is rejected
  // MAF[s .. s + max(d, 10)] must stay within steadyCounts of MAF[s].
  int steadyCounts = 6;
  // Fuel cut: a wideband reading leaner than fuelCutLambda, or MAF falling
  // by more than mafFallPerSecond counts over the last 100 ms before s
  // (scaled per second); that sample and the 100 after it are rejected.
  double fuelCutLambda = 1.35;
  int mafFallPerSecond = 150;
  int narrowStep = 1;  // the panel's step box, at least 1
  // Enrichment (byte 2 != 128) at s or in the 100 samples before s rejects.
  // O2[i] <= 2 or >= 253 rejects (dead, warming up or railed).
};

// Why a sample was not used; the first filter that applies, in this order.
enum class LambdaReject : std::uint8_t {
  kAccepted = 0,
  kNoReading,   // s + d lies past the end of the recording (or s < 0)
  kO2Dead,      // O2[i] <= 2 or >= 253
  kEnrichment,  // enrichment active at s or in the second before it
  kFuelCut,     // lean beyond fuelCutLambda or MAF falling fast, and 1 s after
  kLowMaf,      // MAF[s] < minMaf
  kUnsteady,    // MAF moved more than steadyCounts in the delay window
  kLocked,      // the cell is a learned cell under LearnedCellsLock
};
inline constexpr int kLambdaRejectKinds = 8;

// One cell's outcome.
struct LambdaCell {
  int n = 0;                  // accepted readings
  double medianLambda = 0.0;  // wideband: median measured lambda; narrowband: 0
  double richShare = 0.0;     // narrowband: share of rich readings, 0..1
  int oldValue = 0;           // the table's value now
  int recordedValue = 0;      // median output of the accepted readings (0 without any)
  int newValue = 0;           // == oldValue when unchanged
  bool Changed() const { return newValue != oldValue; }
};

struct LambdaResult {
  int delaySamples = 0;
  std::array<LambdaCell, 256> cells{};
  // Per sample s of the recording: why it was not used (kAccepted when used).
  std::vector<LambdaReject> reject;
  // Per sample s: the measured lambda of its reading O2[s + d] (wideband),
  // whatever filter rejected it, so that rejected readings can be shown
  // greyed; 0 for a narrowband and where there is no reading.
  std::vector<float> lambda;
  // Counts by LambdaReject; [kAccepted] stays 0 (see accepted).
  std::array<int, kLambdaRejectKinds> rejected{};
  int accepted = 0;
  int cellsChanged = 0;
  // Wideband: mean |lambda - target| over the accepted readings, as
  // recorded and as expected with the proposal: a reading of a changed
  // cell becomes lambda x Output[s] / new (x new / Output[s] when inverse;
  // Output[s] is the cell's old value when the recording was made with the
  // table), one of an unchanged cell stays. Narrowband: the mean distance
  // of the reading's cell's rich share from 50 %, before; after, the
  // changed cells count 0 and the others keep theirs.
  double meanErrorBefore = 0.0;
  double meanErrorAfter = 0.0;
};

// The measured lambda of an O2 count under a wideband scale and stoich.
double WidebandLambda(std::uint8_t o2, const WidebandScale& scale, double stoich);

// The target lambda of a cell.
double TargetLambda(int maf, const LambdaSettings& settings);

// The analysis. `table` is the current table (cell values 0..255), `locked`
// a flag per cell that is left alone (the learned cells when their lock is
// on, else all 0). Cells without enough readings keep their value.
LambdaResult AnalyseLambda(const LambdaRecording& rec, const std::array<int, 256>& table,
                           const std::array<std::uint8_t, 256>& locked,
                           const LambdaSettings& settings);

// The transport delay the recording itself shows: the lag at which lambda
// answers the recording's own steps (enrichment, MAF steps, fuel cut) best.
// For each lag 0 .. maxDelayMs the reading O2[t + lag] is given to sample
// t, and the samples are grouped by what their mixture is made of (MAF[t]
// and the enrichment); the lag at which the readings vary least within the
// groups (the least share of their variance; every 40 ms, then every lag
// around the least, smoothed over +-20 ms) is the delay: there each group
// holds the readings of one mixture. Above 200,000 samples every other
// sample is taken. Dead, railed
// and fuel-cut readings and those within 200 ms of them are left out. The
// estimate includes the sensor's own response time (what the reading's
// shift must be). A recording whose readings do not follow its steps (a
// perfect table and no enrichment: the lag explains less than 5 % of their
// variance) gives found = false.
struct DelayEstimate {
  bool found = false;  // false when the recording has no usable steps
  int delayMs = 0;     // a multiple of 10 ms
  // 0..1: how far the best dip reaches below any other outside its own
  // lobe (1 - other depth / best depth), times min(1, events / 3).
  double confidence = 0;
  // Steps it was measured on: MAF steps above the noise and enrichment
  // onsets, those closer than 200 ms counted once.
  int events = 0;
};
DelayEstimate EstimateDelay(const LambdaRecording& rec, const LambdaSettings& settings,
                            int maxDelayMs = 2000);

// Parses a --sensor value: lc1 (or lc2), aem, 14point7, narrow (any case)
// or V1:AFR1:V2:AFR2 (volts within 0..5 and different, AFRs above 0). Sets
// wideband and scale in settings; false with `error` set otherwise, and
// settings untouched.
bool ParseLambdaSensor(const std::string& text, LambdaSettings& settings, std::string& error);

}  // namespace zelor
