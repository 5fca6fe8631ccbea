// The main window's log chart handlers: the resolution, zoom and undo zoom,
// the tab's show, and the mouse and display switches of the chart, handed to
// the chart's controller (log/LogChartController).

#include "app/ZelorConfigurator.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"

namespace zelor {

void TForm1::TabSheet2Show() {
  logChart_->TabShown();
  ShowFileCaption(files_.log);
}

void TForm1::N0011Click() { logChart_->SetFixedResolution(0); }
void TForm1::N011Click() { logChart_->SetFixedResolution(1); }
void TForm1::N0251Click() { logChart_->SetFixedResolution(2); }
void TForm1::N051Click() { logChart_->SetFixedResolution(3); }
void TForm1::N110Click() { logChart_->SetFixedResolution(4); }
void TForm1::ZakrepitRazreshenieClick() { logChart_->ToggleFixResolution(); }
void TForm1::LogChartZoom() { logChart_->Zoomed(); }
void TForm1::LogChartUndoZoom() { logChart_->ZoomUndone(); }

void TForm1::LogChartMouseDown(QMouseEvent* event) { logChart_->MouseDown(event); }
void TForm1::LogChartMouseMove(QMouseEvent* event) { logChart_->MouseMove(event); }
void TForm1::LogChartMouseUp() { logChart_->MouseUp(); }

void TForm1::N26Click() { logChart_->TogglePoints(); }
void TForm1::N10Click() { logChart_->ToggleHint(); }
void TForm1::MAF1Click() { logChart_->ToggleSeries(kMafSeries); }
void TForm1::VAF1Click() { logChart_->ToggleSeries(kVafSeries); }
void TForm1::N23Click() { logChart_->ToggleSeries(kConvSeries); }
void TForm1::N24Click() { logChart_->ToggleSeries(kTabSeries); }
void TForm1::N25Click() { logChart_->ToggleSeries(kO2Series); }
void TForm1::N27Click() { logChart_->ToggleSeries(kEnrichmentSeries); }
void TForm1::N28Click() { logChart_->ToggleSeries(kMarkerSeries); }

}  // namespace zelor
