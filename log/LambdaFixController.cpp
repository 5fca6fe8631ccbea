#include "log/LambdaFixController.h"

#include <qcustomplot.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/DecimalSeparator.h"
#include "core/MessageTexts.h"
#include "learn/LambdaFixWindow.h"
#include "link/LogBuffer.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/StreamRun.h"
#include "table/GridPage.h"
#include "table/TableHistory.h"
#include "table/TableModel.h"
#include "ui/HandlerGuard.h"
#include "ui/UserDialogs.h"
#include "widgets/BusyCursor.h"

namespace zelor {
namespace {

// Points each scatter hands the chart at most; more are thinned evenly.
constexpr int kShownSamples = 20000;
// A recording this long analyses under the busy cursor.
constexpr std::int32_t kBusySamples = 100000;
// The narrowband's switch point.
constexpr double kNarrowSwitchVolts = 0.45;

WidebandScale PresetScale(LambdaPreset preset) {
  switch (preset) {
    case LambdaPreset::kAem: return kAemScale;
    case LambdaPreset::k14Point7: return k14Point7Scale;
    case LambdaPreset::kLc1:
    case LambdaPreset::kCustom: break;
  }
  return kLc1Scale;
}

}  // namespace

LambdaFixController::LambdaFixController(GridPage& grid, StreamRun& stream,
                                         LogChartController& logChart, const MessageTexts& messages,
                                         LambdaFixHooks hooks)
    : grid_(grid),
      table_(grid.Table()),
      stream_(stream),
      logChart_(logChart),
      messages_(messages),
      hooks_(std::move(hooks)),
      window_(std::make_unique<LambdaFixWindow>()) {
  LambdaFixWindow& w = *window_;
  if (hooks_.panelWbo) w.wbo->setChecked(hooks_.panelWbo());
  QObject::connect(w.wbo, &QCheckBox::toggled, this, &LambdaFixController::WboChosen);
  QWidget* owner = window_.get();
  // A hidden window analyses nothing: opening it does.
  auto rerun = [this, owner] {
    if (window_->isVisible()) Guarded(owner, [this] { Analyse(); });
  };
  QObject::connect(w.wbo, &QCheckBox::toggled, this, [this, rerun] {
    window_->ApplyCaptions(messages_);
    // The other sensor reads the recording otherwise: its own delay.
    delayEstimated_ = false;
    rerun();
  });
  QObject::connect(w.sensor, &QComboBox::currentIndexChanged, this, [this, rerun](int item) {
    const auto preset = static_cast<LambdaPreset>(item);
    LambdaFixWindow& w = *window_;
    if (preset != LambdaPreset::kCustom) {
      const WidebandScale scale = PresetScale(preset);
      const QSignalBlocker blockers[] = {QSignalBlocker(w.v1), QSignalBlocker(w.afr1),
                                         QSignalBlocker(w.v2), QSignalBlocker(w.afr2)};
      w.v1->setValue(scale.v1);
      w.afr1->setValue(scale.afr1);
      w.v2->setValue(scale.v2);
      w.afr2->setValue(scale.afr2);
    }
    for (QDoubleSpinBox* box : {w.v1, w.afr1, w.v2, w.afr2})
      box->setEnabled(preset == LambdaPreset::kCustom);
    rerun();
  });
  for (QDoubleSpinBox* box : {w.v1, w.afr1, w.v2, w.afr2, w.targetLow, w.targetHigh, w.capPercent,
                              w.fuelCutLambda, w.bandPercent})
    QObject::connect(box, &QDoubleSpinBox::valueChanged, this, rerun);
  for (QSpinBox* box : {w.targetMaf, w.minSamples, w.capCounts, w.minMaf, w.steadyCounts,
                        w.mafFallRate, w.smoothCells, w.fillGapCells})
    QObject::connect(box, &QSpinBox::valueChanged, this, rerun);
  // Where the tuner says the control unit runs its loop, the estimate
  // leaves those samples out: the recording's own delay again.
  QObject::connect(w.closedLoopMaf, &QSpinBox::valueChanged, this, [this, rerun] {
    if (Mode() == DelayMode::kAuto) delayEstimated_ = false;
    rerun();
  });
  // A delay typed in place of the estimate is one number for every MAF; in
  // the other modes the boxes are the curve's.
  QObject::connect(w.delayMs, &QSpinBox::valueChanged, this, [this, rerun] {
    if (Mode() == DelayMode::kAuto) ShowMode(DelayMode::kOne);
    rerun();
  });
  QObject::connect(w.delayFullMs, &QSpinBox::valueChanged, this, rerun);
  QObject::connect(w.delayMode, &QComboBox::currentIndexChanged, this, [this, rerun](int item) {
    const auto mode = static_cast<DelayMode>(item);
    // Leaving the estimate, the boxes start from it.
    if (mode != DelayMode::kAuto && shownMode_ == DelayMode::kAuto && estimate_ && estimate_->found)
      FillDelayBoxes(mode == DelayMode::kOne ? DelayCurve::Flat(estimate_->delayMs)
                                             : estimate_->curve);
    ShowMode(mode);
    rerun();
  });
  QObject::connect(w.stoich, &QComboBox::currentTextChanged, this, rerun);
  QObject::connect(w.inverse, &QCheckBox::toggled, this, rerun);
  // The pair of radio buttons reports each change once, by the one checked.
  QObject::connect(w.wholeRecording, &QRadioButton::toggled, this, rerun);
  QObject::connect(&w, &LambdaFixWindow::activated, this, rerun);
  // The proposal is drawn against the table now: an undo, a read, a typed
  // cell or another window's command changes what it proposes. A burst of
  // changes (one per cell while a command writes) analyses once, when the
  // command is over.
  tableFollow_ = new QTimer(this);
  tableFollow_->setSingleShot(true);
  tableFollow_->setInterval(0);
  QObject::connect(tableFollow_, &QTimer::timeout, this, rerun);
  QObject::connect(&table_, &TableModel::CellsChanged, tableFollow_,
                   [this] { tableFollow_->start(); });
  QObject::connect(w.estimateDelay, &QPushButton::clicked, this,
                   [this, owner] { Guarded(owner, [this] { EstimateDelay(); }); });
  QObject::connect(w.apply, &QPushButton::clicked, this,
                   [this, owner] { Guarded(owner, [this] { Apply(false); }); });
  QObject::connect(w.applySelected, &QPushButton::clicked, this,
                   [this, owner] { Guarded(owner, [this] { Apply(true); }); });
  QObject::connect(w.chart, &QCustomPlot::mouseMove, this,
                   [this](QMouseEvent* event) { ShowCellHint(event->position().x()); });
  QObject::connect(grid_.Grid()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                   [this] { UpdateApplySelected(); });
  for (QDoubleSpinBox* box : {w.v1, w.afr1, w.v2, w.afr2}) box->setEnabled(false);
  w.delayFullMs->setEnabled(false);
  UpdateApplySelected();
}

LambdaFixController::~LambdaFixController() = default;

void LambdaFixController::ApplyOwnCaptions() {
  window_->ApplyCaptions(messages_);
  if (window_->isVisible()) Analyse();
}

void LambdaFixController::PanelWboToggled(bool on) { window_->wbo->setChecked(on); }

void LambdaFixController::Open() {
  window_->show();
  window_->raise();
  window_->activateWindow();
  Analyse();
}

void LambdaFixController::RecordingChanged() {
  delayEstimated_ = false;
  if (window_->isVisible()) Analyse();
}

QString LambdaFixController::Refusal() const {
  if (stream_.Streaming()) return messages_.Own(OwnMessage::kLambdaStreaming);
  if (stream_.Log().Count() < kLambdaFixMinimumSamples)
    return messages_.Own(OwnMessage::kLambdaTooShort);
  return {};
}

std::optional<LambdaSettings> LambdaFixController::Settings(QString& error) const {
  const LambdaFixWindow& w = *window_;
  LambdaSettings s;
  s.wideband = w.wbo->isChecked();
  s.scale = {w.v1->value(), w.afr1->value(), w.v2->value(), w.afr2->value()};
  if (s.wideband && s.scale.v1 == s.scale.v2) {
    error = messages_.Own(OwnMessage::kLambdaBadScale);
    return std::nullopt;
  }
  s.stoich = w.StoichShown();
  if (!(s.stoich >= 5.0 && s.stoich <= 25.0)) {
    error = messages_.Own(OwnMessage::kLambdaBadStoich);
    return std::nullopt;
  }
  s.delay = Delay();
  s.targetLow = w.targetLow->value();
  s.targetHigh = w.targetHigh->value();
  s.targetMaf = w.targetMaf->value();
  s.inverse = w.inverse->isChecked();
  s.minSamples = w.minSamples->value();
  s.capPercent = w.capPercent->value();
  s.capCounts = w.capCounts->value();
  s.minMaf = w.minMaf->value();
  s.steadyCounts = w.steadyCounts->value();
  s.fuelCutLambda = w.fuelCutLambda->value();
  s.mafFallPerSecond = w.mafFallRate->value();
  s.bandPercent = w.bandPercent->value();
  s.closedLoopMaf = w.closedLoopMaf->value();
  s.smoothCells = w.smoothCells->value();
  s.fillGapCells = w.fillGapCells->value();
  s.narrowStep = std::max(1, hooks_.narrowStep ? hooks_.narrowStep() : 1);
  return s;
}

void LambdaFixController::ReadRecording() {
  const LogBuffer& log = stream_.Log();
  const std::int32_t count = log.Count();
  std::int32_t first = 0;
  std::int32_t last = count - 1;
  const LogFrame& frame = logChart_.Page().Frame();
  // The frame on screen, while the chart shows this recording.
  if (!window_->wholeRecording->isChecked() && frame.drawn) {
    first = std::clamp(frame.start, 0, last);
    last = std::clamp(frame.end, first, last);
  }
  const std::int32_t n = last - first + 1;
  const std::pair<std::vector<std::uint8_t>*, LogChannel> channels[] = {
      {&output_, LogChannel::ConverterOutput},
      {&enrichment_, LogChannel::Enrichment},
      {&maf_, LogChannel::Maf},
      {&o2_, LogChannel::O2}};
  for (const auto& [bytes, channel] : channels) {
    bytes->resize(static_cast<std::size_t>(n));
    log.ReadChannel(channel, first, n, bytes->data());
  }
}

LambdaRecording LambdaFixController::Recording() const { return {output_, enrichment_, maf_, o2_}; }

AutotuneSettings LambdaFixController::AutotuneSettingsShown() const {
  const LambdaFixWindow& w = *window_;
  AutotuneSettings s;
  s.pushIntervalMs = static_cast<int>(std::lround(w.autotuneInterval->value() * 1000.0));
  s.capPercent = w.autotuneCapPercent->value();
  s.capCounts = w.autotuneCapCounts->value();
  s.authorityPercent = w.autotuneAuthority->value();
  return s;
}

std::array<std::uint8_t, 256> LambdaFixController::LockedCells() const {
  const FrameLearner& learner = logChart_.Learner();
  std::array<std::uint8_t, 256> locked{};
  if (learner.LockOn()) locked = learner.LearnedCells();
  return locked;
}

void LambdaFixController::Analyse() {
  const QString refusal = Refusal();
  if (!refusal.isEmpty()) return ShowNothing(refusal);
  QString error;
  std::optional<LambdaSettings> settings = Settings(error);
  if (!settings) return ShowNothing(error);
  std::array<int, 256> table{};
  try {
    const std::array<std::uint8_t, 256> bytes = table_.CellBytes(messages_.English());
    std::copy(bytes.begin(), bytes.end(), table.begin());
  } catch (const std::exception& e) {  // a cell that is not a number: its message
    return ShowNothing(QString::fromUtf8(e.what()));
  }
  std::optional<BusyCursor> busy;
  if (stream_.Log().Count() >= kBusySamples) busy.emplace();
  ReadRecording();
  if (!delayEstimated_) {
    // A new recording: its own delay, which the user may then override.
    delayEstimated_ = true;
    estimate_ = zelor::EstimateDelay(Recording(), *settings);
    ShowEstimate(*estimate_);
    settings->delay = Delay();
  }
  result_ = AnalyseLambda(Recording(), table, LockedCells(), *settings);
  ShowResult(*settings);
}

namespace {

// A curve's delays as text: "450", or from its lowest MAF's to its highest
// MAF's, "630…125".
QString DelayText(const DelayCurve& curve) {
  if (curve.points.empty()) return QStringLiteral("0");
  const int first = curve.points.front().delayMs, last = curve.points.back().delayMs;
  if (curve.IsFlat()) return QString::number(first);
  return QStringLiteral("%1…%2").arg(first).arg(last);
}

}  // namespace

DelayMode LambdaFixController::Mode() const {
  return static_cast<DelayMode>(window_->delayMode->currentIndex());
}

void LambdaFixController::ShowMode(DelayMode mode) {
  LambdaFixWindow& w = *window_;
  const QSignalBlocker blocker(w.delayMode);
  w.delayMode->setCurrentIndex(static_cast<int>(mode));
  shownMode_ = mode;
  w.delayFullMs->setEnabled(mode == DelayMode::kIdleFull);
}

DelayCurve LambdaFixController::Delay() const {
  const LambdaFixWindow& w = *window_;
  switch (Mode()) {
    case DelayMode::kAuto:
      if (estimate_ && estimate_->found) return estimate_->curve;
      break;
    case DelayMode::kIdleFull:
      return DelayCurve::IdleFull(w.delayMs->value(), w.delayFullMs->value());
    case DelayMode::kOne: break;
  }
  return DelayCurve::Flat(w.delayMs->value());
}

void LambdaFixController::FillDelayBoxes(const DelayCurve& curve) {
  LambdaFixWindow& w = *window_;
  const QSignalBlocker blockers[] = {QSignalBlocker(w.delayMs), QSignalBlocker(w.delayFullMs)};
  auto tens = [](double ms) { return static_cast<int>(std::lround(ms / 10.0)) * 10; };
  w.delayMs->setValue(tens(curve.IsFlat() ? curve.MsAt(0) : curve.MsAt(kIdleMaf)));
  w.delayFullMs->setValue(tens(curve.MsAt(255)));
}

void LambdaFixController::ShowEstimate(const DelayEstimate& estimate) {
  LambdaFixWindow& w = *window_;
  if (!estimate.found) {
    w.delayEstimate->setText(messages_.Own(OwnMessage::kLambdaEstimateNone));
    return;
  }
  // In the boxes while the estimate is used: its curve at idle and at full
  // flow (its one delay when flat).
  if (Mode() == DelayMode::kAuto) FillDelayBoxes(estimate.curve);
  w.delayEstimate->setText(messages_.Own(OwnMessage::kLambdaEstimateShown)
                               .arg(DelayText(estimate.curve))
                               .arg(std::lround(estimate.confidence * 100))
                               .arg(estimate.events));
}

void LambdaFixController::EstimateDelay() {
  delayEstimated_ = false;
  ShowMode(DelayMode::kAuto);
  Analyse();
}

void LambdaFixController::Apply(bool selectedOnly) {
  QWidget* owner = window_.get();
  if (const QString refusal = Refusal(); !refusal.isEmpty())
    return Dialogs().ShowMessage(owner, refusal);
  QString error;
  const std::optional<LambdaSettings> settings = Settings(error);
  if (!settings) return Dialogs().ShowMessage(owner, error);
  int changed = 0;
  {
    // One step of the history; its first commit ends a cell editing still
    // open, so the analysis reads the table that editing leaves.
    const TableStepScope step([this] { emit TableStepCommitted(); });
    // A cell that is not a number refuses the whole apply with its message.
    const std::array<std::uint8_t, 256> bytes = table_.CellBytes(messages_.English());
    std::array<int, 256> table{};
    std::copy(bytes.begin(), bytes.end(), table.begin());
    std::optional<BusyCursor> busy;
    if (stream_.Log().Count() >= kBusySamples) busy.emplace();
    ReadRecording();
    const LambdaResult result = AnalyseLambda(Recording(), table, LockedCells(), *settings);
    std::vector<int> cells;
    if (selectedOnly) {
      cells = grid_.SelectedIndices();
    } else {
      for (int m = 0; m < 256; ++m) cells.push_back(m);
    }
    for (int m : cells) {
      if (!result.cells[m].Changed()) continue;
      table_.SetCell(m, result.cells[m].newValue);
      ++changed;
    }
  }
  emit StatusChanged(messages_.Own(OwnMessage::kCellsChanged).arg(changed));
  if (changed > 0) emit TableReworked();
  // The window shows the table as it now is (the changes' own follow-up is
  // then due no more).
  Analyse();
  tableFollow_->stop();
}

void LambdaFixController::ShowNothing(const QString& why) {
  result_.reset();
  LambdaFixWindow& w = *window_;
  for (QCPGraph* graph : {w.tableCurve, w.proposalCurve, w.accepted, w.rejected, w.targetLine,
                          w.delayCurve, w.delayPoints})
    graph->data()->clear();
  for (QCPBars* bars : w.stateBars) bars->data()->clear();
  w.delaySure->data()->clear();
  w.summary->setText(why);
  w.cellHint->clear();
  w.chart->replot(QCustomPlot::rpQueuedReplot);
  w.delayChart->replot(QCustomPlot::rpQueuedReplot);
}

void LambdaFixController::ShowResult(const LambdaSettings& settings) {
  const LambdaResult& r = *result_;
  LambdaFixWindow& w = *window_;
  shownWideband_ = settings.wideband;
  QVector<double> cells(256), before(256), after(256), targets(256);
  for (int m = 0; m < 256; ++m) {
    cells[m] = m;
    before[m] = r.cells[m].oldValue;
    after[m] = r.cells[m].newValue;
    targets[m] = settings.wideband ? TargetLambda(m, settings) : kNarrowSwitchVolts;
  }
  w.tableCurve->setData(cells, before, true);
  w.proposalCurve->setData(cells, after, true);
  w.targetLine->setData(cells, targets, true);
  // The strip: each cell in its state's colour, a cell changed by a factor
  // filled across a gap in its own.
  std::array<QVector<double>, kLambdaStripBands> stateCells;
  for (int m = 0; m < 256; ++m) {
    const LambdaCell& cell = r.cells[m];
    const int band =
        cell.filled && cell.Changed() ? kLambdaStripFilled : static_cast<int>(cell.state);
    stateCells[static_cast<std::size_t>(band)].push_back(m);
  }
  for (std::size_t state = 0; state < stateCells.size(); ++state)
    w.stateBars[state]->setData(stateCells[state], QVector<double>(stateCells[state].size(), 1.0),
                                true);
  ShowDelay(r.delay);

  // The samples over MAF: each reading's lambda (a narrowband's volts),
  // accepted and rejected apart, each thinned evenly to what a chart shows.
  const std::size_t n = maf_.size();
  std::array<double, 256> levelOf{};
  for (int c = 0; c < 256; ++c) {
    levelOf[c] = settings.wideband
                     ? WidebandLambda(static_cast<std::uint8_t>(c), settings.scale, settings.stoich)
                     : c * 5.0 / 255.0;
  }
  auto value = [&](std::size_t s) -> double {
    const std::size_t d = static_cast<std::size_t>(std::max(0, r.delaySamples[maf_[s]]));
    return s + d < n ? levelOf[o2_[s + d]] : 0.0;
  };
  const std::size_t rejectedCount = n - static_cast<std::size_t>(r.accepted);
  const std::size_t strideAccepted = std::max<std::size_t>(
      1, (static_cast<std::size_t>(r.accepted) + kShownSamples - 1) / kShownSamples);
  const std::size_t strideRejected =
      std::max<std::size_t>(1, (rejectedCount + kShownSamples - 1) / kShownSamples);
  QVector<double> acceptedX, acceptedY, rejectedX, rejectedY;
  std::size_t seenAccepted = 0, seenRejected = 0;
  for (std::size_t s = 0; s < n && s < r.reject.size(); ++s) {
    const bool used = r.reject[s] == LambdaReject::kAccepted;
    if (used ? seenAccepted++ % strideAccepted : seenRejected++ % strideRejected) continue;
    const double y = value(s);
    if (y <= 0.0) continue;
    (used ? acceptedX : rejectedX).push_back(maf_[s]);
    (used ? acceptedY : rejectedY).push_back(y);
  }
  w.accepted->setData(acceptedX, acceptedY);
  w.rejected->setData(rejectedX, rejectedY);
  if (settings.wideband) {
    w.chart->yAxis2->setRange(0.6, 1.5);
  } else {
    w.chart->yAxis2->setRange(0.0, 1.0);
  }
  w.chart->replot(QCustomPlot::rpQueuedReplot);

  // The cells in a state as MAF ranges: "27..31, 40".
  auto rangesOf = [&](LambdaCellState state) {
    QStringList ranges;
    for (int m = 0; m < 256;) {
      if (r.cells[m].state != state) {
        ++m;
        continue;
      }
      int e = m;
      while (e + 1 < 256 && r.cells[e + 1].state == state) ++e;
      ranges << (e > m ? QStringLiteral("%1..%2").arg(m).arg(e) : QString::number(m));
      m = e + 1;
    }
    return ranges.join(QStringLiteral(", "));
  };
  using R = LambdaReject;
  auto rejectedBy = [&](R why) { return r.rejected[static_cast<int>(why)]; };
  QStringList lines;
  lines << messages_.Own(OwnMessage::kLambdaSummaryUsed)
               .arg(r.accepted)
               .arg(n)
               .arg(DelayText(r.delay));
  lines << messages_.Own(OwnMessage::kLambdaSummaryRejected)
               .arg(rejectedBy(R::kO2Dead))
               .arg(rejectedBy(R::kEnrichment))
               .arg(rejectedBy(R::kFuelCut))
               .arg(rejectedBy(R::kLowMaf))
               .arg(rejectedBy(R::kUnsteady))
               .arg(rejectedBy(R::kLocked))
               .arg(rejectedBy(R::kNoReading))
               .arg(rejectedBy(R::kOutsideBand))
               .arg(rejectedBy(R::kClosedLoop));
  lines << messages_.Own(OwnMessage::kCellsChanged).arg(r.cellsChanged);
  if (r.cellsClosedLoop > 0) {
    lines << messages_.Own(OwnMessage::kLambdaSummaryClosedLoop)
                 .arg(r.cellsClosedLoop)
                 .arg(rangesOf(LambdaCellState::kClosedLoop));
  }
  const auto twoGroups = std::count_if(r.cells.begin(), r.cells.end(),
                                       [](const LambdaCell& cell) { return cell.twoGroups; });
  if (twoGroups > 0) lines << messages_.Own(OwnMessage::kLambdaSummaryTwoGroups).arg(twoGroups);
  // Where to drive next.
  for (const auto& [state, text] :
       {std::pair{LambdaCellState::kUnsteady, OwnMessage::kLambdaSummaryUnsteady},
        std::pair{LambdaCellState::kTooFew, OwnMessage::kLambdaSummaryTooFew}}) {
    const QString ranges = rangesOf(state);
    if (!ranges.isEmpty()) lines << messages_.Own(text).arg(ranges);
  }
  if (settings.wideband) {
    lines << messages_.Own(OwnMessage::kLambdaSummaryError)
                 .arg(DecimalText(r.meanErrorBefore, 3), DecimalText(r.meanErrorAfter, 3));
  } else {
    lines << messages_.Own(OwnMessage::kLambdaSummaryRich)
                 .arg(DecimalText(r.meanErrorBefore * 100, 1));
  }
  w.summary->setText(lines.join('\n'));
  w.cellHint->clear();
}

void LambdaFixController::ShowCellHint(double pixelX) {
  LambdaFixWindow& w = *window_;
  if (!result_) return w.cellHint->clear();
  const int m =
      std::clamp(static_cast<int>(std::lround(w.chart->xAxis->pixelToCoord(pixelX))), 0, 255);
  const LambdaCell& cell = result_->cells[m];
  QString state = messages_.Own(static_cast<OwnMessage>(
      static_cast<int>(OwnMessage::kLambdaStateNoData) + static_cast<int>(cell.state)));
  if (cell.filled) state += messages_.Own(OwnMessage::kLambdaStateFilled);
  if (cell.twoGroups) state += messages_.Own(OwnMessage::kLambdaStateTwoGroups);
  if (cell.n == 0) {
    if (!cell.Changed())
      return w.cellHint->setText(messages_.Own(OwnMessage::kLambdaCellEmpty).arg(m).arg(state));
    return w.cellHint->setText(messages_.Own(OwnMessage::kLambdaCellHintFilled)
                                   .arg(m)
                                   .arg(state)
                                   .arg(cell.oldValue)
                                   .arg(cell.newValue));
  }
  const QString hint = shownWideband_ ? messages_.Own(OwnMessage::kLambdaCellHint)
                                            .arg(m)
                                            .arg(state)
                                            .arg(cell.n)
                                            .arg(std::lround(cell.hits))
                                            .arg(DecimalText(cell.medianLambda, 3))
                                            .arg(DecimalText(cell.spread, 3))
                                      : messages_.Own(OwnMessage::kLambdaCellHintRich)
                                            .arg(m)
                                            .arg(state)
                                            .arg(cell.n)
                                            .arg(DecimalText(cell.richShare * 100, 0));
  w.cellHint->setText(hint.arg(cell.oldValue).arg(cell.newValue));
}

void LambdaFixController::ShowDelay(const DelayCurve& used) {
  LambdaFixWindow& w = *window_;
  QVector<double> mafs(256), ms(256);
  double top = 0;
  for (int m = 0; m < 256; ++m) {
    mafs[m] = m;
    ms[m] = used.MsAt(m);
    top = std::max(top, ms[m]);
  }
  w.delayCurve->setData(mafs, ms, true);
  // The estimate's bands (a whole recording's one delay has no band), with
  // how sure each is.
  QVector<double> bandMaf, bandMs, sure;
  if (estimate_ && estimate_->found) {
    for (const DelayPoint& p : estimate_->curve.points) {
      if (p.events == 0 || p.maf == 0) continue;
      bandMaf.push_back(p.maf);
      bandMs.push_back(p.delayMs);
      sure.push_back(100.0 * p.confidence);
      top = std::max(top, static_cast<double>(p.delayMs));
    }
  }
  w.delayPoints->setData(bandMaf, bandMs, true);
  w.delaySure->setData(bandMaf, sure, true);
  w.delayChart->yAxis->setRange(0, std::max(500.0, std::ceil(top * 1.2 / 100) * 100));
  w.delayChart->replot(QCustomPlot::rpQueuedReplot);
}

void LambdaFixController::UpdateApplySelected() {
  window_->applySelected->setEnabled(!grid_.SelectedIndices().empty());
}

}  // namespace zelor
