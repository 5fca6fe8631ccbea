#include "log/AutotuneController.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "core/DecimalSeparator.h"
#include "core/MessageTexts.h"
#include "link/ConverterTransfer.h"
#include "link/LogBuffer.h"
#include "log/CorrectionController.h"
#include "log/LambdaFixController.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "table/TableModel.h"

namespace zelor {
namespace {

// A reading of the O2 channel a sensor gives: not dead, warming up or railed.
bool LiveO2(std::uint8_t o2) { return o2 > 2 && o2 < 253; }

// Samples of the last second.
constexpr std::int32_t kSecond = 1000 / kLambdaSampleMs;

}  // namespace

AutotuneController::AutotuneController(PanelPage& panel, TableModel& table, StreamRun& stream,
                                       ConverterTransfer& converter,
                                       CorrectionController& correction,
                                       LambdaFixController& lambda, const MessageTexts& messages)
    : panel_(panel),
      table_(table),
      stream_(stream),
      converter_(converter),
      correction_(correction),
      lambda_(lambda),
      messages_(messages) {
  // A cell changed by any other hand (the correction, a typed cell, an undo)
  // runs on a new value: its count starts again.
  connect(&table_, &TableModel::CellsChanged, this, [this](int first, int last) {
    if (!tune_ || writing_) return;
    std::vector<int> cells;
    for (int m = std::max(0, first); m <= std::min(255, last); ++m) cells.push_back(m);
    tune_->Restart(cells, tune_->Fed());
  });
}

AutotuneController::~AutotuneController() = default;

void AutotuneController::Switched(bool on) {
  if (on) {
    Start();
  } else {
    End();
  }
}

void AutotuneController::Start() {
  if (tune_) return;
  // Off until it has started: a refusal, or a cell that is no number (its
  // error raised here), leaves it off.
  panel_.SetAutotuneOn(false);
  if (!converter_.PortChosen()) {
    emit Message(messages_.Text(kNoPortChosen));
    return;
  }
  if (!stream_.Streaming() || stream_.ReaderLost()) {
    emit Message(messages_.Own(OwnMessage::kAutotuneNoStream));
    return;
  }
  // Live learning writes while the stream runs, into the same cells.
  if (panel_.LearningOn()) {
    emit Message(messages_.Own(OwnMessage::kAutotuneLearning));
    return;
  }
  QString error;
  const std::optional<LambdaSettings> lambda = lambda_.Settings(error);
  if (!lambda) {
    emit Message(error);
    return;
  }
  // The last second's O2 readings: at least one a sensor gives.
  const std::int32_t count = stream_.Log().Count();
  LambdaLogReader last(std::max(0, count - kSecond));
  const LambdaRecording recent = last.Read(stream_.Log());
  if (std::none_of(recent.o2.begin(), recent.o2.end(), LiveO2)) {
    emit Message(messages_.Own(OwnMessage::kAutotuneNoO2));
    return;
  }
  std::array<int, 256> table{};
  for (int m = 0; m < 256; ++m)
    table[m] = std::clamp(static_cast<int>(std::lround(table_.CellNumber(m))), 0, 255);
  // What came before is a step of its own: the end's step is autotune's.
  emit TableStepCommitted();
  reader_.emplace(count);
  tune_ = std::make_unique<Autotune>(table, lambda_.LockedCells(), *lambda,
                                     lambda_.AutotuneSettingsShown(), StreamMs());
  pushTimes_.clear();
  startMs_ = StreamMs();
  panel_.SetAutotuneOn(true);
  panel_.SetAutotuneRunning(true);
  ShowCells();
}

void AutotuneController::End(const QString& why) {
  panel_.SetAutotuneOn(false);
  if (!tune_) return;
  int changed = 0;
  if (const auto table = TableValues()) {
    for (int m = 0; m < 256; ++m) changed += (*table)[m] != tune_->Snapshot()[m];
  }
  tune_.reset();
  reader_.reset();
  panel_.SetAutotuneRunning(false);
  panel_.ClearAutotuneCells();
  panel_.ShowAutotuneStatus(why.isEmpty() ? messages_.Own(OwnMessage::kAutotuneEnded).arg(changed)
                                          : why);
  emit HintChanged(QString());
  // Everything it changed is one step.
  emit TableStepCommitted();
}

void AutotuneController::RunStopped() { End(); }

std::int64_t AutotuneController::StreamMs() const {
  return static_cast<std::int64_t>(reader_ ? reader_->Next() : 0) * kLambdaSampleMs;
}

std::optional<std::array<int, 256>> AutotuneController::TableValues() const {
  std::array<int, 256> values{};
  for (int m = 0; m < 256; ++m) {
    const std::optional<int> value = table_.CellInteger(m);
    if (!value || *value < 0 || *value > 255) return std::nullopt;
    values[m] = *value;
  }
  return values;
}

void AutotuneController::Tick() {
  if (++readoutTicks_ >= 10) {
    readoutTicks_ = 0;
    ShowLambda();
  }
  if (!tune_) return;
  // The converter lost (or left for another port): nothing more comes.
  if (!stream_.Streaming() || stream_.ReaderLost()) {
    End(messages_.Own(OwnMessage::kAutotuneLinkLost));
    return;
  }
  const LambdaRecording fresh = reader_->Read(stream_.Log());
  if (fresh.Size() > 0) tune_->Feed(fresh);
  // The correction's commands go out whole before a "t" of autotune's; a
  // table with a cell that is no byte waits for the tuner.
  if (!correction_.Sending() && tune_->PushDue(StreamMs())) {
    if (const auto table = TableValues()) {
      const std::vector<AutotuneChange> changes = tune_->Push(StreamMs(), *table);
      if (!changes.empty()) Push(changes);
    }
  }
  if (tune_ && StreamMs() - shownMs_ >= 1000) ShowCells();
}

void AutotuneController::Push(const std::vector<AutotuneChange>& changes) {
  writing_ = true;
  for (const AutotuneChange& change : changes) table_.SetCell(change.cell, change.to);
  writing_ = false;
  emit TableReworked();
  std::array<std::uint8_t, 256> cells{};
  for (int m = 0; m < 256; ++m)
    cells[m] = static_cast<std::uint8_t>(table_.CellInteger(m).value_or(0));
  try {
    correction_.SendTable(cells);
  } catch (const std::exception& failure) {
    const QString text =
        messages_.Own(OwnMessage::kAutotuneSendFailed).arg(QString::fromLocal8Bit(failure.what()));
    End(text.section(QStringLiteral("\r\n"), 0, 0));
    emit Message(text);
    return;
  }
  pushTimes_.push_back(StreamMs());
  std::vector<int> moved;
  moved.reserve(changes.size());
  for (const AutotuneChange& change : changes) moved.push_back(change.cell);
  tune_->Restart(moved, tune_->Fed());
  emit TablePushed();
  ShowCells();
}

void AutotuneController::Rollback() {
  if (!tune_) return;
  // A cell that is no byte now takes its snapshot's value too.
  std::array<int, 256> table{};
  std::vector<AutotuneChange> unreadable;
  for (int m = 0; m < 256; ++m) {
    const std::optional<int> value = table_.CellInteger(m);
    table[m] = tune_->Snapshot()[m];
    if (value && *value >= 0 && *value <= 255) {
      table[m] = *value;
    } else {
      unreadable.push_back({m, table[m], table[m]});
    }
  }
  std::vector<AutotuneChange> changes = tune_->Rollback(StreamMs(), table);
  changes.insert(changes.end(), unreadable.begin(), unreadable.end());
  if (!changes.empty()) Push(changes);
}

void AutotuneController::ShowCells() {
  const auto table = TableValues();
  if (!table) return;
  shownMs_ = StreamMs();
  cells_ = tune_->Cells(*table);
  panel_.ShowAutotuneCells(cells_);
  int changed = 0;
  for (const AutotuneCell& cell : cells_) changed += cell.now != cell.snapshot;
  const std::optional<std::int64_t> last = tune_->LastPushMs();
  const QString ago = last ? QString::number((shownMs_ - *last) / 1000)
                           : messages_.Own(OwnMessage::kAutotuneNoPushYet);
  const DelayCurve& delay = tune_->Analysis().Settings().delay;
  const QString ms = delay.IsFlat() ? QString::number(std::lround(delay.MsAt(kIdleMaf)))
                                    : QStringLiteral("%1…%2")
                                          .arg(std::lround(delay.MsAt(kIdleMaf)))
                                          .arg(std::lround(delay.MsAt(255)));
  panel_.ShowAutotuneStatus(messages_.Own(OwnMessage::kAutotuneStatus).arg(changed).arg(ago) +
                            QStringLiteral("; ") +
                            messages_.Own(OwnMessage::kAutotuneDelay).arg(ms));
}

void AutotuneController::ShowLambda() {
  if (!panel_.WboOn() || stream_.Log().Count() == 0) {
    panel_.ShowO2Lambda(QString());
    return;
  }
  QString error;
  const std::optional<LambdaSettings> settings = lambda_.Settings(error);
  if (!settings) {
    panel_.ShowO2Lambda(QString());
    return;
  }
  const std::uint8_t o2 = stream_.Log().Panel().sample.O2();
  if (!LiveO2(o2)) {
    panel_.ShowO2Lambda(QStringLiteral("λ —"));
    return;
  }
  const double lambda = WidebandLambda(o2, settings->scale, settings->stoich);
  panel_.ShowO2Lambda(QStringLiteral("λ %1  AFR %2")
                          .arg(DecimalText(lambda, 2), DecimalText(lambda * settings->stoich, 1)));
}

void AutotuneController::WboToggled(bool on) {
  if (!on)
    panel_.ShowO2Lambda(QString());
  else
    ShowLambda();
}

void AutotuneController::PointerMoved(double maf) {
  if (!tune_) return;
  const int m = static_cast<int>(std::lround(maf));
  if (m < 0 || m > 255) {
    emit HintChanged(QString());
    return;
  }
  const AutotuneCell& cell = cells_[m];
  emit HintChanged(
      messages_.Own(OwnMessage::kAutotuneCellHint)
          .arg(m)
          .arg(std::lround(cell.hits))
          .arg(cell.medianLambda > 0 ? DecimalText(cell.medianLambda, 3) : QStringLiteral("—"))
          .arg(cell.snapshot)
          .arg(cell.now)
          .arg(StateName(cell.state)));
}

QString AutotuneController::StateName(AutotuneState state) const {
  return messages_.Own(static_cast<OwnMessage>(static_cast<int>(OwnMessage::kAutotuneCollecting) +
                                               static_cast<int>(state)));
}

void AutotuneController::ApplyOwnCaptions() {
  std::array<QString, 6> states;
  for (int k = 0; k < 6; ++k) states[k] = StateName(static_cast<AutotuneState>(k));
  panel_.ApplyAutotuneCaptions(messages_.Own(OwnMessage::kAutotuneCaption),
                               messages_.Own(OwnMessage::kAutotuneRollback), states);
}

}  // namespace zelor
