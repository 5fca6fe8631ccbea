#pragma once
// The correction of the table by lambda from a recording: plain logic, no Qt,
// shared by the window "Коррекция по лямбде" and the console companion
// zelor-lambda-fix.
//
// A recording is read as its channels (one byte per sample, 10 ms apart).
// The O2 reading of sample i belongs to the mixture of sample s = i - d,
// where d is the exhaust's transport delay in samples. The delay follows
// the flow (more air pushes the exhaust through faster), so it is a curve
// over MAF (DelayCurve) and d = d(MAF[s]) per sample. Every filter and the
// cell a reading counts for are taken at s (the MAF, the output, the
// enrichment) or at i (the O2 reading itself), as each rule below says.
//
// It runs in two stages. The first goes sample by sample: the filters, and
// for each accepted reading its cell, its O2 count and the converter's
// output, gathered per cell (LambdaCellReadings). The second is a pure
// function of those per-cell readings (ProposeLambda), so that readings
// gathered live give the same cells as the recording's:
//
// With a wideband sensor, lambda = AFR(volts) / stoich, volts = O2 x 5 /
// 255, and a reading's factor is k = lambda / target(MAF): the table's
// output there was k times too low (too high when inverse). It corrects
// the factor, not the cell:
//  - spread: a reading counts for the two cells nearest the MAF it was
//    taken at (the mean MAF over the 100 ms around s), split by distance,
//    as MAF-scaling tools spread a reading between the breakpoints around
//    it; the mixture it measures was fuelled by the mean output over those
//    100 ms (the MAF's own noise puts the neighbouring cells' outputs into
//    it, which matters where the table steps);
//  - closed loop: cells whose readings hug lambda 1 and swing across it
//    like a control unit's own loop (and those the tuner names with
//    closedLoopMaf) are left alone; they say nothing of the table;
//  - groups: where the readings around a cell (its own and its
//    neighbours', weighted as below) fall into groups, the histogram's
//    peaks parted by deep valleys (the control unit's own enrichment beside
//    its stoichiometric running), the group nearest the target decides:
//    only its readings count;
//  - the cell's own factor is the median of its own readings (of that
//    group); what it asks is the mean output they were fuelled by x that
//    factor (/ factor when inverse); its base value, which the cap counts
//    from, is the median output it was driven on (the table's value where
//    it has no readings of its own);
//  - smoothing: a line through what the cells around it ask (smoothCells
//    either side), each weighted by its readings and by a triangle falling
//    with the distance, read at the cell, gives its value: a cell with few
//    readings follows its neighbours instead of staying while they move (a
//    comb), and the new table runs smooth where the readings do. A cell
//    whose own readings (minSamples of them) keep it within a count stays;
//    so does one the line moves by less than half a count plus the noise
//    of the readings (twice the standard error of their median) and their
//    blend (how far the outputs they were fuelled by lie from the cells'
//    own: that share is known only roughly); one whose readings with its
//    neighbours' weigh less than minSamples stays too. Its factor is that
//    value / its base;
//  - gaps: a run of at most fillGapCells cells without readings between two
//    judged cells takes the value interpolated between what those two ask
//    (never beyond the data's ends): the engine's own curve runs smooth
//    whatever steps the table has there;
//  - the cell's proposal is its base value x factor (/ factor when
//    inverse), rounded halves to even, then capped and clamped (see
//    LambdaSettings).
// With a narrowband sensor the reading is rich when O2 x 5 / 255 > 0.45 V;
// a cell whose rich share of its own readings is above 60 % is made one
// step leaner (output - step), below 40 % one step richer (output + step),
// signs swapped when inverse; cells whose target is not lambda 1.00 are left
// alone (a narrowband cannot hold a rich target).

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

// The MAF an idling engine reads, where the IDLE:FULL form of a delay
// curve puts its idle delay (its full one is at MAF 255).
inline constexpr int kIdleMaf = 22;

// One point of a delay curve: the delay at a MAF, and how sure the
// estimate that made it is (a given delay is sure: confidence 1, no steps).
struct DelayPoint {
  int maf = 0;
  int delayMs = 0;
  double confidence = 1.0;  // 0..1
  int events = 0;           // the recording's steps it was measured on
  bool operator==(const DelayPoint&) const = default;
};

// The transport delay over MAF. Between two points it runs linearly in
// 1 / MAF (a delay of a + b / flow is drawn exactly by two points), beyond
// the first and the last it stays at theirs; without points it is 0.
struct DelayCurve {
  std::vector<DelayPoint> points;  // ascending MAF, no two alike
  static DelayCurve Flat(int delayMs);
  // The delay at idle (kIdleMaf) and at full flow (MAF 255), falling as
  // 1 / flow between them.
  static DelayCurve IdleFull(int idleMs, int fullMs);
  double MsAt(int maf) const;
  // Per cell: the delay in samples, rounded halves to even.
  std::array<int, 256> Samples() const;
  bool IsFlat() const;
  bool operator==(const DelayCurve&) const = default;
};

struct LambdaSettings {
  bool wideband = true;  // "ШЛЗ" (WBO): wideband; off: narrowband
  WidebandScale scale = kLc1Scale;
  double stoich = kStoichPetrol;
  DelayCurve delay;  // the transport delay over MAF; none by default
  // Target lambda: targetLow below targetMaf, targetHigh from it on.
  double targetLow = 1.00;
  double targetHigh = 0.88;
  int targetMaf = 200;
  bool inverse = false;  // the ECU's VAF signal falls as air rises
  // A cell whose readings, with its neighbours' weighted as the smoothing
  // weighs them, count fewer than this stays.
  int minSamples = 20;
  // Per pass a cell moves by at most min(capCounts, capPercent % of its
  // value, rounded down), but at least one count when it moves at all; the
  // result is then clamped to 0..255. The value moved from is the one the
  // recording ran with (the cell's recordedValue), not the table's now: a
  // second apply of the same recording changes nothing, and one pass never
  // takes a cell further than the cap from what the engine was driven on.
  double capPercent = 10.0;
  int capCounts = 12;
  int minMaf = 10;  // MAF[s] below it is rejected
  // MAF[s - 5 .. s + max(d, 10)] must stay within steadyCounts of MAF[s]: the
  // 50 ms before s are in the mixture a reading measures (see Add).
  int steadyCounts = 6;
  // Fuel cut: a wideband reading leaner than fuelCutLambda (or than the
  // lean end of the sensor's scale, its top 4 %, when that is lower), a
  // pinned reading (one O2 count, give or take one, held for more than
  // 300 ms leaner than every target's band), or MAF falling by more than
  // mafFallPerSecond counts over the last 100 ms before s (scaled per
  // second); that sample and the 100 after it are rejected.
  double fuelCutLambda = 1.35;
  int mafFallPerSecond = 150;
  // The band around the target: a wideband reading whose factor lies
  // farther from 1 than this is not the table's doing (the control unit's
  // own enrichment, a misfire) and is rejected.
  double bandPercent = 15.0;
  // The control unit runs closed loop below this MAF (the tuner says so):
  // those cells are left alone. 0: only the cells that look closed loop.
  int closedLoopMaf = 0;
  int smoothCells = 3;   // the smoothing's reach either side; 0: none
  int fillGapCells = 6;  // the longest gap filled between judged cells
  int narrowStep = 1;    // the panel's step box, at least 1
  // Enrichment (byte 2 != 128) at s or in the 100 samples before s rejects.
  // O2[i] <= 2 or >= 253 rejects (dead, warming up or railed).
};

// Why a sample was not used; the first filter that applies, in this order.
enum class LambdaReject : std::uint8_t {
  kAccepted = 0,
  kNoReading,    // s + d lies past the end of the recording (or s < 0)
  kO2Dead,       // O2[i] <= 2 or >= 253
  kEnrichment,   // the converter's enrichment at s or in the second before it
  kFuelCut,      // lean beyond the cut, pinned or MAF falling fast, and 1 s after
  kLowMaf,       // MAF[s] < minMaf
  kUnsteady,     // MAF moved more than steadyCounts in the delay window
  kLocked,       // the cell is a learned cell under LearnedCellsLock
  kOutsideBand,  // the factor beyond bandPercent: the control unit's enrichment
  kClosedLoop,   // the cell is closed loop (marked after the readings are in)
};
inline constexpr int kLambdaRejectKinds = 10;

// What became of a cell.
enum class LambdaCellState : std::uint8_t {
  kNoData,      // no readings, none near enough
  kTooFew,      // readings, but fewer than minSamples with its neighbours'
  kUnsteady,    // too few, and at least minSamples rejected as unsteady
  kRight,       // judged: it stays (within a count)
  kChanged,     // judged: it moves
  kClosedLoop,  // the control unit's loop holds it at lambda 1: left alone
  kLocked,      // a learned cell under the lock: left alone
};

// One cell's outcome.
struct LambdaCell {
  int n = 0;                  // its own accepted readings
  double hits = 0.0;          // the readings its factor rests on, neighbours' weighted
  double medianLambda = 0.0;  // wideband: median lambda of its own readings; else 0
  double spread = 0.0;        // wideband: half the 16..84 % range of that lambda
  double richShare = 0.0;     // narrowband: share of rich readings, 0..1
  double factor = 1.0;        // wideband: the smoothed factor applied
  int oldValue = 0;           // the table's value now
  int recordedValue = 0;      // median output of its own readings (0 without any)
  int newValue = 0;           // == oldValue when unchanged
  LambdaCellState state = LambdaCellState::kNoData;
  bool filled = false;     // its factor was filled across a gap
  bool twoGroups = false;  // its readings fell into two groups; the nearer decided
  bool Changed() const { return newValue != oldValue; }
};

// The accepted readings per cell, all the proposal is made from. Fed
// reading by reading (Add), by the recording's pass or live.
struct LambdaCellReadings {
  // [cell * 256 + O2 count]: the readings' weights, spread over two cells.
  std::vector<double> o2 = std::vector<double>(256 * 256, 0.0);
  // [cell * 256 + output]: the outputs of the cell's own readings.
  std::vector<std::uint32_t> output = std::vector<std::uint32_t>(256 * 256, 0);
  std::array<int, 256> n{};          // own readings
  std::array<int, 256> rich{};       // own readings above 0.45 V
  std::array<int, 256> crossings{};  // swings across lambda 1 (see ClosedLoopSwing)
  std::array<int, 256> unsteady{};   // readings rejected as unsteady
  // The mean output the readings were fuelled by, summed with the weights
  // of `o2` (see Add).
  std::array<double, 256> fuelled{};
  // A reading of cell `cell` (its output `outputValue`) taken at the mean
  // MAF `position`, whose mixture was fuelled by the mean output
  // `fuelledBy` (the outputs of the samples around it: the MAF's own noise
  // puts a neighbouring cell's output into the mixture now and then).
  void Add(int cell, double position, std::uint8_t o2Count, std::uint8_t outputValue,
           double fuelledBy);
  // As above, fuelled by its own output alone.
  void Add(int cell, double position, std::uint8_t o2Count, std::uint8_t outputValue) {
    Add(cell, position, o2Count, outputValue, outputValue);
  }
};

struct LambdaResult {
  DelayCurve delay;                     // the delay used
  std::array<int, 256> delaySamples{};  // per cell, the delay in samples
  std::array<LambdaCell, 256> cells{};
  // Per sample s of the recording: why it was not used (kAccepted when used);
  // its reading is O2[s + delaySamples[MAF[s]]].
  std::vector<LambdaReject> reject;
  // Counts by LambdaReject; [kAccepted] stays 0 (see accepted).
  std::array<int, kLambdaRejectKinds> rejected{};
  int accepted = 0;
  int cellsChanged = 0;
  int cellsClosedLoop = 0;  // cells marked closed loop
  int cellsFilled = 0;      // cells changed across a gap
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
// on, else all 0). With `gathered`, the readings the first stage gathered
// go there too.
LambdaResult AnalyseLambda(const LambdaRecording& rec, const std::array<int, 256>& table,
                           const std::array<std::uint8_t, 256>& locked,
                           const LambdaSettings& settings, LambdaCellReadings* gathered = nullptr);

// The second stage alone: the cells from their readings (fills cells,
// cellsChanged, cellsClosedLoop and cellsFilled of the result).
void ProposeLambda(const LambdaCellReadings& readings, const std::array<int, 256>& table,
                   const std::array<std::uint8_t, 256>& locked, const LambdaSettings& settings,
                   LambdaResult& result);

// A control unit's closed loop swings lambda across 1 by a few per cent
// about once a second. Fed the lambda of each accepted reading in time
// order (a gap in them starts afresh), it tells when the reading's mean over
// the 100 ms around it has crossed from below 1 - kSwing to above 1 + kSwing
// or back: a swing, once a stretch of readings has crossed twice (a single
// crossing is the mixture moving from one cell's to another's). A cell whose readings hug lambda 1
// (their median within 4 %) with at least kLoopSwingsPerSecond swings per second of its readings,
// and at least two, counted with its neighbours within twice the smoothing's reach (weighted by a
// triangle), is closed loop.
inline constexpr double kSwing = 0.015;
inline constexpr double kLoopSwingsPerSecond = 0.5;

// The transport delay the recording itself shows: the lag at which lambda
// answers the recording's own steps (enrichment, MAF steps) best, for the
// whole recording and per band of MAF. For each lag 0 .. maxDelayMs the
// reading O2[t + lag] is given to sample t, and the samples are grouped by
// what their mixture is made of (MAF[t] and the enrichment). For the whole
// recording, the lag at which the readings vary least within the groups
// (the least share of their variance; every 40 ms, then every lag around
// the least, smoothed over +-20 ms) is the delay: there each group holds
// the readings of one mixture. A band (kDelayBandEdges, narrower where the
// delay changes fast) takes its samples whose MAF holds (within
// steadyCounts or an eighth) for three times the delay its samples show in
// that pass and whose readings are all usable that long (a parcel of
// exhaust travels at its own flow only while that holds), 10 s of them at
// least. Their readings mismatch their groups less and less as the lag
// nears the delay and no more from it on: the band's delay is where that
// sum of squares comes down to its level (within its noise) at its first
// least (over 160 ms either side, once fallen from lag 0 by a quarter of
// its depth: a real engine's readings also drift over seconds), provided
// it falls from lag 0 by half its depth and its least is not at the last
// lags tried. The bands' delays are then made to fall (or stay) as MAF rises,
// each weighted by its confidence and steps. Long recordings are thinned
// evenly (every other sample or more). Dead, railed and fuel-cut readings
// and those within 200 ms of them are left out. The estimate includes the
// sensor's own response time (what the reading's shift must be). Samples
// below closedLoopMaf, and bands' samples whose MAF goes below it within
// their window, are left out: the control unit's loop moves the mixture
// there on its own, long after a step. A
// recording whose readings follow its steps nowhere (a perfect table and
// no enrichment: the lag explains less than 5 % of their variance, and no
// band shows a delay) gives found = false.
inline constexpr std::array<int, 15> kDelayBandEdges{0,  16, 20, 24,  28,  33,  39, 46,
                                                     55, 66, 80, 100, 130, 175, 256};
struct DelayEstimate {
  bool found = false;  // false when the recording has no usable steps
  // The whole recording's one delay, a multiple of 10 ms (where it shows
  // none but bands do, the median of theirs).
  int delayMs = 0;
  // 0..1: how far the best dip reaches below any other outside its own
  // lobe (1 - other depth / best depth), times min(1, events / 3) (where
  // only bands show a delay, the best band's).
  double confidence = 0;
  // Steps it was measured on: MAF steps above the noise and enrichment
  // onsets, those closer than 200 ms counted once.
  int events = 0;
  // Per band where one was found: its delay at the band's median MAF, its
  // confidence and steps. Without any band, the one delay.
  DelayCurve curve;
};
DelayEstimate EstimateDelay(const LambdaRecording& rec, const LambdaSettings& settings,
                            int maxDelayMs = 2000);

// Parses a --sensor value: lc1 (or lc2), aem, 14point7, narrow (any case)
// or V1:AFR1:V2:AFR2 (volts within 0..5 and different, AFRs above 0). Sets
// wideband and scale in settings; false with `error` set otherwise, and
// settings untouched.
bool ParseLambdaSensor(const std::string& text, LambdaSettings& settings, std::string& error);

// Parses a --delay-ms value other than auto: N (one delay) or IDLE:FULL
// (DelayCurve::IdleFull), each 0..10000 ms; false with `error` set.
bool ParseDelayCurve(const std::string& text, DelayCurve& curve, std::string& error);

// What the tuner is to do about the result, in English lines (the console
// prints them; the window says the same in its language): the closed-loop
// cells and what to do about them, the readings beyond the band, the cells
// with too few readings. Empty when there is nothing to say.
std::vector<std::string> LambdaAdvice(const LambdaResult& result, const LambdaSettings& settings);

}  // namespace zelor
