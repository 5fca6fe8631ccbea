// The live run: "Старт" and "Стоп", the reader's failure routine, the end
// with the window, the panel's tick and the marker. The recording's files are
// in RunRecordingFiles.cpp.

#include "log/RunController.h"

#include <QTimer>
#include <QWidget>
#include <utility>

#include "core/DecimalSeparator.h"
#include "core/MessageTexts.h"
#include "core/SessionJournal.h"
#include "learn/AudioToneOutput.h"
#include "learn/LiveLearning.h"
#include "link/ConverterTransfer.h"
#include "link/Protocol.h"
#include "log/PanelPage.h"
#include "log/PanelText.h"
#include "log/RecordingCoverage.h"
#include "table/TableModel.h"
#include "ui/HandlerGuard.h"
#include "widgets/BarGauge.h"

namespace zelor {
namespace {

// Start rebuilds the panel chart's table curve from the grid after the start
// command went out; a cell that the curve cannot read would stop Start there,
// with the converter streaming and no reader. So every cell is read first,
// and a bad one stops Start before anything is sent or changed, with the
// message the curve would have shown.
void CheckCurveCells(const TableModel& table) {
  for (int index = 0; index < 256; ++index) (void)table.CellNumber(index);
}

}  // namespace

RunController::RunController(ConverterTransfer& converter, PanelPage& panel, TableModel& table,
                             const MessageTexts& messages, RecordingDialogs dialogs,
                             SessionJournal& journal, QWidget* owner, RunHooks hooks)
    : converter_(converter),
      panel_(panel),
      table_(table),
      messages_(messages),
      dialogs_(dialogs),
      owner_(owner),
      hooks_(std::move(hooks)),
      journal_(journal),
      timer1_(new QTimer(owner_)),
      journalTimer_(new QTimer(owner_)),
      stream_(
          converter.ComPort1(), [this](const std::string& message) { Failure(message); },
          [this](std::function<void()> task) {
            QMetaObject::invokeMethod(&receiver_, std::move(task), Qt::QueuedConnection);
          },
          &MakeToneOutput) {
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(10);
  timer1_->setTimerType(Qt::PreciseTimer);
  // At most half a second of the recording is missing from the disk.
  journalTimer_->setObjectName(QStringLiteral("JournalTimer"));
  journalTimer_->setInterval(kJournalIntervalMs);
  QObject::connect(journalTimer_, &QTimer::timeout, &receiver_,
                   [this] { Guarded(owner_, [this] { JournalTick(); }); });
}

void RunController::Start() {
  if (!converter_.PortChosen()) {
    emit Message(messages_.Text(kNoPortChosen));
    return;
  }
  // The read-back of a written table would take the stream's frames for the
  // table.
  if (hooks_.verifyPending()) {
    emit Message(messages_.Own(OwnMessage::kVerifyPending));
    return;
  }
  CheckCurveCells(table_);
  // The recording the run replaces goes among the unsaved ones when it was
  // not saved.
  KeepUnsaved();
  // What live learning changes from here to "Стоп" is one step.
  emit TableStepCommitted();
  emit RunStarted(panel_.LearningOn());
  panel_.SetRunning(true);
  stream_.Start(panel_.LearningOn(), messages_.Text(kStreamAbsent).toStdString(),
                hooks_.resetCorrection);
  timer1_->start();
  // A new recording: the journal starts again with it.
  unsaved_ = true;
  recordingStart_ = QDateTime::currentDateTime();
  keptFrom_.clear();
  journalDue_ = true;
  recordingJournal_.Begin(journal_.RecordingPath());
  journalTimer_->start();
  panel_.ClearTableCurve();
  panel_.RefreshInsertCellChart(table_);
}

void RunController::Stop() {
  if (!converter_.PortChosen()) {
    emit Message(messages_.Text(kNoPortChosen));
    return;
  }
  emit TableStepCommitted();  // the run's live learning
  timer1_->stop();
  panel_.SetLinkLost(false);
  panel_.SetRunning(false);
  stream_.Stop();
  // What the run recorded so far is on the disk; the reader's last frame
  // follows at the next pass.
  JournalTick();
  emit RunStopped();
  emit RecordingChanged(CoverageOf(stream_.Log()));
}

void RunController::Failure(const std::string& message) {
  // Runs on the window's thread while the reader waits for it.
  Guarded(owner_, [&] {
    emit Message(QString::fromStdString(message));
    Stop();
  });
}

void RunController::End(bool systemRequest) {
  if (stream_.Streaming()) {
    if (!systemRequest) {
      Guarded(owner_, [this] { Stop(); });
    } else {
      try {
        Stop();
      } catch (...) {
        // Streaming is off all the same; the threads end below.
      }
    }
  }
  stream_.End();
  JournalTick();
}

void RunController::Tick() {
  PanelPage& panel = panel_;
  const PanelView view = stream_.Log().Panel();
  const LogSample& sample = view.sample;
  panel.ShowSample(sample);

  stream_.Flags().O2Level.store(panel.O2Position(), std::memory_order_relaxed);
  stream_.Flags().MafInRange.store(MafInRange(sample.Maf(), panel.RangeBegin(), panel.RangeEnd()),
                                   std::memory_order_relaxed);

  // A converter lost during the run is marked over the gauges.
  if (const bool lost = stream_.LinkLost(); lost != panel.LinkLostShown()) {
    panel.SetLinkLost(lost, messages_.Own(OwnMessage::kLinkLost));
    if (lost) emit ConverterLost();
  }

  // Once the reader is lost, the sample shown is stale: nothing is learned
  // from it.
  if (panel.LearningOn() && !stream_.ReaderLost()) {
    if (const auto write = LiveLearningStep(panel.LearningMode(), view)) {
      panel.ShowLearnedCell(write->m, write->v);
      table_.SetCell(write->m, write->v);
    }
  }
}

void RunController::SetMarker(bool on) {
  stream_.Flags().MarkerFlag.store(on, std::memory_order_relaxed);
  panel_.ShowMarker(on);
}

}  // namespace zelor
