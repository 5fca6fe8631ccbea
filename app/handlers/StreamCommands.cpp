// The main window's live stream handlers: "Старт" and "Стоп", and the stream
// failure routine that the reader has the window run.

#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "app/HandlerGuard.h"
#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "learn/AudioToneOutput.h"
#include "learn/BeepThread.h"
#include "link/LogBuffer.h"
#include "link/Protocol.h"
#include "link/StreamReader.h"
#include "log/LogChartController.h"
#include "log/PanelPage.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableToolsController.h"
#include "widgets/UpDown.h"

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
  if (!Converter().PortChosen()) {
    Message(messages_.Text(kNoPortChosen));
    return;
  }
  // The read-back of a written table would take the stream's frames for the
  // table.
  if (shell_.timer2->isActive()) {
    Message(messages_.Own(OwnMessage::kVerifyPending));
    return;
  }
  CheckCurveCells(*grid_);
  // What live learning changes from here to "Стоп" is one step.
  CommitTableStep();
  tools_->RunStarted(panel_->CheckBoxLearnTable->isChecked());
  PanelPage& panel = *panel_;
  panel.ButtonStart->setEnabled(false);
  panel.CheckBoxLearnTable->setEnabled(false);
  stream_->Start(panel.CheckBoxLearnTable->isChecked(), messages_.Text(kStreamAbsent).toStdString(),
                 [&panel] {
                   // Each of these sends its range or step command when the
                   // value changes.
                   panel.TrackBarMafNach->setValue(0);
                   panel.TrackBarMafKon->setValue(0);
                   panel.UpDown1->SetPosition(0);
                 });
  shell_.timer1->start();
  panel.Tab->data()->clear();
  RefreshInsertCellChart();
}

void TForm1::ButtonStopClick() {
  if (!Converter().PortChosen()) {
    Message(messages_.Text(kNoPortChosen));
    return;
  }
  CommitTableStep();  // the run's live learning
  shell_.timer1->stop();
  panel_->ShowLinkLost(false);
  panel_->ButtonStart->setEnabled(true);
  panel_->CheckBoxLearnTable->setEnabled(true);
  stream_->Stop();
  logChart_->RunStopped();
  tools_->RecordingChanged(stream_->Log());
}

void TForm1::StreamFailure(const std::string& message) {
  // Runs on the window's thread while the reader waits for it.
  Guarded(this, [&] {
    Message(QString::fromStdString(message));
    ButtonStopClick();
  });
}

void TForm1::EndStream() {
  if (stream_->Streaming()) Guarded(this, [this] { ButtonStopClick(); });
  stream_->End();
}

}  // namespace zelor
