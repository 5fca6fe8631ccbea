// The main window's manual correction: the range and step handlers, which
// keep the range's edit boxes and chart lines in step with the track bars
// and send the range and the step to the converter whenever they change;
// the apply, which corrects the range's cells and sends the whole table; the
// correction keys; and the beeper's switch.

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <algorithm>

#include "app/HandlerGuard.h"
#include "app/ZelorConfigurator.h"
#include "app/handlers/TableStep.h"
#include "learn/Correction.h"
#include "log/PanelPage.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "widgets/UpDown.h"

namespace zelor {

void TForm1::TrackBarMafNachChange() {
  PanelPage& panel = *panel_;
  const int begin = panel.TrackBarMafNach->value();
  panel.EditMafNach->setText(QString::number(begin));
  if (begin > panel.TrackBarMafKon->value()) panel.TrackBarMafKon->setValue(begin);
  panel.CorrBeg->setData({double(begin), double(begin)}, {0.0, 300.0}, true);
  panel.InsertCellChart->replot(QCustomPlot::rpQueuedReplot);
  if (converter_.PortChosen())
    converter_.Link().SendCorrectionRange(begin, panel.TrackBarMafKon->value());
}

void TForm1::TrackBarMafKonChange() {
  PanelPage& panel = *panel_;
  const int end = panel.TrackBarMafKon->value();
  panel.EditMafKon->setText(QString::number(end));
  if (end < panel.TrackBarMafNach->value()) panel.TrackBarMafNach->setValue(end);
  panel.CorrEnd->setData({double(end), double(end)}, {0.0, 300.0}, true);
  panel.InsertCellChart->replot(QCustomPlot::rpQueuedReplot);
  if (converter_.PortChosen())
    converter_.Link().SendCorrectionRange(panel.TrackBarMafNach->value(), end);
}

void TForm1::EditCorrectionChange() {
  if (!converter_.PortChosen()) return;
  converter_.Link().SendCorrectionStep(ParseInteger(panel_->EditCorrection->text().toStdString()));
}

void TForm1::Button1Click() {
  const TableStep step(*this);
  PanelPage& panel = *panel_;
  const int correction = ParseInteger(panel.EditCorrection->text().toStdString());
  const int begin = panel.TrackBarMafNach->value();
  const int end = panel.TrackBarMafKon->value();
  // The corrected table is made and checked whole before anything changes:
  // a cell that is not an integer stops the apply with its message, and so,
  // when the table is to be sent, does a cell outside 0..255, which would
  // reach the running engine as its low 8 bits (300 as 44). A refused apply
  // sends nothing, changes no cell and keeps the correction.
  std::array<int, 256> values{};
  for (int m = 0; m < 256; ++m) {
    values[m] = ParseInteger(grid_->CellText(m).toStdString());
    if (begin <= m && m <= end) values[m] = CorrectedCell(values[m], correction);
  }
  const auto outside = std::find_if(values.begin(), values.end(),
                                    [](int value) { return value < 0 || value > 255; });
  if (converter_.PortChosen() && outside != values.end()) {
    const int m = static_cast<int>(outside - values.begin());
    const std::string text = grid_->CellText(m).toStdString();
    throw CellRangeError(m, text, CellRangeMessage(m, text, messages_.English()));
  }
  const TableSettings settings = grid_->Settings();
  std::array<std::uint8_t, 256> cells{};
  for (int m = 0; m < 256; ++m) {
    if (begin <= m && m <= end) grid_->SetCell(m, values[m]);
    cells[m] = static_cast<std::uint8_t>(values[m]);
  }
  RefreshInsertCellChart();
  panel.UpDown1->SetPosition(0);
  if (converter_.PortChosen()) converter_.Link().SendLiveTableUpdate(cells, settings);
}

void TForm1::EditCorrectionKeyPress(QChar key) {
  if (key.unicode() == 13) Button1Click();
}

void TForm1::BeepCheckBoxClick() {
  stream_->Flags().BeeperOn.store(panel_->BeepCheckBox->isChecked(), std::memory_order_relaxed);
}

bool TForm1::CorrectionKeyDown(QKeyEvent* key) {
  PanelPage& panel = *panel_;
  const bool running = stream_->Streaming();
  const int code = key->key();
  const int begin = panel.TrackBarMafNach->value();
  const int end = panel.TrackBarMafKon->value();
  if (code == Qt::Key_Up && running) {
    panel.UpDown1->SetPosition(panel.UpDown1->Position() + 1);
    return true;
  }
  if ((code == Qt::Key_Return || code == Qt::Key_Enter) && running) {
    Guarded(this, [this] { Button1Click(); });
    return true;
  }
  // With Ctrl held every key is swallowed; Right and Left move the range's
  // end alone (a narrowing past its start drags the start along).
  if (key->modifiers() & Qt::ControlModifier) {
    if (running && code == Qt::Key_Right) panel.TrackBarMafKon->setValue(end + 1);
    if (running && code == Qt::Key_Left) panel.TrackBarMafKon->setValue(end - 1);
    return true;
  }
  if (code == Qt::Key_Down && running) {
    panel.UpDown1->SetPosition(panel.UpDown1->Position() - 1);
    return true;
  }
  // Right and Left move the whole range by one.
  if (code == Qt::Key_Right && running) {
    if (end != 255) {
      panel.TrackBarMafKon->setValue(end + 1);
      panel.TrackBarMafNach->setValue(begin + 1);
    }
    return true;
  }
  if (code == Qt::Key_Left && running) {
    if (begin != 0) {
      panel.TrackBarMafNach->setValue(begin - 1);
      panel.TrackBarMafKon->setValue(end - 1);
    }
    return true;
  }
  return false;
}

}  // namespace zelor
