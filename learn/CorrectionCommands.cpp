// The main window's correction-range and correction-step handlers: they keep
// the range's edit boxes and chart lines in step with the track bars and
// send the range and the step to the converter whenever they change.

#include <QLineEdit>
#include <QSlider>
#include <cstdlib>

#include "app/UpDown.h"
#include "app/ZelorConfigurator.h"
#include "link/Protocol.h"
#include "log/PanelPage.h"
#include "table/CellText.h"

namespace zelor {

void TForm1::SendCommand(std::uint8_t command, std::uint8_t first, std::uint8_t second) {
  // The command byte in one write, its data in a second.
  comPort1_.Write(&command, 1);
  const std::uint8_t data[2] = {first, second};
  comPort1_.Write(data, 2);
}

void TForm1::TrackBarMafNachChange() {
  PanelPage& panel = *panel_;
  const int begin = panel.TrackBarMafNach->value();
  panel.EditMafNach->setText(QString::number(begin));
  if (begin > panel.TrackBarMafKon->value()) panel.TrackBarMafKon->setValue(begin);
  panel.CorrBeg->setData({double(begin), double(begin)}, {0.0, 300.0}, true);
  panel.InsertCellChart->replot(QCustomPlot::rpQueuedReplot);
  if (portChosen_)
    SendCommand(protocol::kCorrectionRange, static_cast<std::uint8_t>(begin),
                static_cast<std::uint8_t>(panel.TrackBarMafKon->value()));
}

void TForm1::TrackBarMafKonChange() {
  PanelPage& panel = *panel_;
  const int end = panel.TrackBarMafKon->value();
  panel.EditMafKon->setText(QString::number(end));
  if (end < panel.TrackBarMafNach->value()) panel.TrackBarMafNach->setValue(end);
  panel.CorrEnd->setData({double(end), double(end)}, {0.0, 300.0}, true);
  panel.InsertCellChart->replot(QCustomPlot::rpQueuedReplot);
  if (portChosen_)
    SendCommand(protocol::kCorrectionRange,
                static_cast<std::uint8_t>(panel.TrackBarMafNach->value()),
                static_cast<std::uint8_t>(end));
}

void TForm1::EditCorrectionChange() {
  if (!portChosen_) return;
  const int correction = ParseInteger(panel_->EditCorrection->text().toStdString());
  const int magnitude = std::min(std::abs(correction), 255);
  SendCommand(protocol::kCorrectionStep, static_cast<std::uint8_t>(magnitude),
              correction < 0 ? 1 : 0);
}

}  // namespace zelor
