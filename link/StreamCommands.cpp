// The main window's live stream handlers: "Старт" and "Стоп", and the stream
// failure routine that the reader has the window run.

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "app/HandlerGuard.h"
#include "app/UpDown.h"
#include "app/ZelorConfigurator.h"
#include "learn/AudioToneOutput.h"
#include "learn/BeepThread.h"
#include "link/LogBuffer.h"
#include "link/Protocol.h"
#include "link/ReadlLogThread.h"
#include "log/LogChartPage.h"
#include "log/PanelPage.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableToolsController.h"

namespace zelor {
namespace {

// Start rebuilds the panel chart's table curve from the grid after the start
// command went out; a cell that the curve cannot read would stop Start there,
// with the converter streaming and no reader. So every cell is read first,
// and a bad one stops Start before anything is sent or changed, with the
// message the curve would have shown.
void CheckCurveCells(const GridPage& grid) {
  for (int index = 0; index < 256; ++index) (void)ParseNumber(grid.CellText(index).toStdString());
}

}  // namespace

void TForm1::ButtonStartClick() {
  if (!portChosen_) {
    Message(messages_.Text(kNoPortChosen));
    return;
  }
  // The read-back of a written table would take the stream's frames for the
  // table.
  if (timer2_->isActive()) {
    Message(messages_.Own(OwnMessage::kVerifyPending));
    return;
  }
  CheckCurveCells(*grid_);
  // What live learning changes from here to "Стоп" is one step.
  CommitTableStep();
  tools_->RunStarted(panel_->CheckBoxLearnTable->isChecked());
  // The previous run's reader ends before this run starts (it is at most in
  // its last read, about a second): two readers never share the port, and
  // an old one never stores into the new recording. So does the previous
  // run's beeper: it never sounds beside the new one.
  reader_.reset();
  readerLeftByPortChange_ = false;
  beeper_.reset();
  PanelPage& panel = *panel_;
  panel.ButtonStart->setEnabled(false);
  panel.CheckBoxLearnTable->setEnabled(false);
  comPort1_.Purge();
  // Each of these sends its range or step command when the value changes.
  panel.TrackBarMafNach->setValue(0);
  panel.TrackBarMafKon->setValue(0);
  panel.UpDown1->SetPosition(0);
  const auto& start = panel.CheckBoxLearnTable->isChecked() ? protocol::kStreamStartLearning
                                                            : protocol::kStreamStart;
  comPort1_.Write(start.data(), static_cast<int>(start.size()));
  logBuffer_->SetCount(0);
  flags_.Streaming.store(true, std::memory_order_relaxed);
  timer1_->start();
  panel.Tab->data()->clear();
  RefreshInsertCellChart();
  reader_ = std::make_unique<TThreadLog>(
      comPort1_, *logBuffer_, flags_,
      [this](const std::string& message) { StreamFailure(message); },
      messages_.Text(kStreamAbsent).toStdString(),
      [this](std::function<void()> task) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
      });
  reader_->Start();
  if (!tones_) tones_ = MakeToneOutput();
  beeper_ = std::make_unique<TBeepThread>(flags_, *tones_);
  beeper_->Start();
}

void TForm1::ButtonStopClick() {
  if (!portChosen_) {
    Message(messages_.Text(kNoPortChosen));
    return;
  }
  CommitTableStep();  // the run's live learning
  flags_.Streaming.store(false, std::memory_order_relaxed);
  if (beeper_) beeper_->RequestStop();  // silent at once, not after its pass
  timer1_->stop();
  panel_->ShowLinkLost(false);
  panel_->ButtonStart->setEnabled(true);
  panel_->CheckBoxLearnTable->setEnabled(true);
  comPort1_.Write(protocol::kStreamStop.data(), static_cast<int>(protocol::kStreamStop.size()));
  const std::int32_t count = logBuffer_->Count();
  LogFrame& frame = logChart_->Frame();
  frame.drawn = false;
  frame.start = 0;
  frame.end = count;
  if (count >= kMinimumFramedSamples) FrameWholeRecording();
  tools_->RecordingChanged(*logBuffer_);
}

void TForm1::StreamFailure(const std::string& message) {
  // Runs on the window's thread while the reader waits for it.
  Guarded(this, [&] {
    Message(QString::fromStdString(message));
    ButtonStopClick();
  });
}

void TForm1::EndStream() {
  if (flags_.Streaming.load(std::memory_order_relaxed))
    Guarded(this, [this] { ButtonStopClick(); });
  flags_.Streaming.store(false, std::memory_order_relaxed);
  beeper_.reset();
  reader_.reset();
}

}  // namespace zelor
