// The instrument panel's 10 ms tick: the newest sample on the gauges, the
// text boxes and the panel chart, the two values the beeper reads, and live
// table learning.

#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QSlider>

#include "app/ZelorConfigurator.h"
#include "learn/LiveLearning.h"
#include "link/LogBuffer.h"
#include "log/PanelPage.h"
#include "log/PanelText.h"
#include "table/GridPage.h"
#include "widgets/BarGauge.h"

namespace zelor {
namespace {

void ShowReading(BarGauge* gauge, QLineEdit* box, int position, int value, char separator) {
  gauge->SetProgress(position);
  const QString text = QString::fromStdString(PanelText(value, separator));
  if (box->text() != text) box->setText(text);
}

}  // namespace

void TForm1::Timer1Timer() {
  PanelPage& panel = *panel_;
  const PanelView view = stream_->Log().Panel();
  const LogSample& sample = view.sample;
  const int maf = sample.Maf();
  const int vaf = sample.Vaf();
  const int output = sample.Output();
  const int o2 = sample.O2();
  if (panel.CheckBoxInsertCell->isChecked())
    panel.VAF_MAF->setData({double(maf)}, {double(vaf)}, true);
  if (panel.CheckBoxKonvMaf->isChecked())
    panel.Konv_MAF->setData({double(maf)}, {double(output)}, true);

  static const char separator = UserDecimalSeparator();
  ShowReading(panel.Konv, panel.KonvTextBox, output, output, separator);
  ShowReading(panel.MAF, panel.MAFTextBox, maf, maf, separator);
  ShowReading(panel.VAF, panel.VAFTextBox, vaf, vaf, separator);
  ShowReading(panel.O2, panel.O2TextBox, O2GaugePosition(o2, panel.WBO->isChecked()), o2,
              separator);

  stream_->Flags().O2Level.store(panel.O2->Progress(), std::memory_order_relaxed);
  stream_->Flags().MafInRange.store(
      MafInRange(maf, panel.TrackBarMafNach->value(), panel.TrackBarMafKon->value()),
      std::memory_order_relaxed);

  // A converter lost during the run is marked over the gauges.
  if (const bool lost = stream_->LinkLost(); lost != panel.LinkLostShown())
    panel.ShowLinkLost(lost, messages_.Own(OwnMessage::kLinkLost));

  // Once the reader is lost, the sample shown is stale: nothing is learned
  // from it.
  if (panel.CheckBoxLearnTable->isChecked() && !stream_->ReaderLost()) {
    if (const auto write = LiveLearningStep(panel.LearningMode(), view)) {
      if (panel.CheckBoxInsertCell->isChecked() && write->m < panel.Tab->dataCount()) {
        auto point = panel.Tab->data()->begin() + write->m;
        if (point->key == write->m) point->value = write->v;
      }
      grid_->SetCell(write->m, write->v);
    }
  }
  panel.ChartChanged();
}

}  // namespace zelor
