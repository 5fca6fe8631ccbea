#pragma once
// The tab "Панель приборов": four bar gauges with their text boxes, the
// MAF/VAF chart with the table curve, the start and stop buttons, the learning
// switches, the correction group and the log-marker group.

#include <qcustomplot.h>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QWidget;

namespace zelor {

class BarGauge;
class UpDown;

class PanelPage {
 public:
  // Builds the tab's controls inside page (a tab of the main window).
  explicit PanelPage(QWidget* page);

  // The chart's live curves cleared, the correction range's lines at the
  // track bars and the table curve drawn anew from cellText (0..255); a cell
  // that is not a number stops it there with its error, the curve drawn so
  // far shown.
  void RefreshInsertCellChart(const std::function<QString(int)>& cellText);

  QWidget* page;

  BarGauge* MAF;
  BarGauge* VAF;
  BarGauge* Konv;
  BarGauge* O2;
  QLineEdit* MAFTextBox;
  QLineEdit* VAFTextBox;
  QLineEdit* KonvTextBox;
  QLineEdit* O2TextBox;
  QCheckBox* WBO;
  QCheckBox* CheckBoxInsertCell;
  QCheckBox* CheckBoxKonvMaf;

  QCustomPlot* InsertCellChart;
  QCPGraph* Tab;
  QCPGraph* VAF_MAF;
  QCPGraph* Konv_MAF;
  QCPGraph* CorrBeg;
  QCPGraph* CorrEnd;

  QPushButton* ButtonStart;
  QPushButton* ButtonStop;
  QCheckBox* CheckBoxLearnTable;
  QGroupBox* ObuchenieRadioButtons;
  QButtonGroup* ObuchenieChoices;  // ids 0 ("Быстро но грубо ") and 1

  QGroupBox* GroupBox1;
  QSlider* TrackBarMafNach;
  QSlider* TrackBarMafKon;
  QLineEdit* EditMafNach;
  QLineEdit* EditMafKon;
  QLineEdit* EditCorrection;
  UpDown* UpDown1;
  QPushButton* Button1;
  QCheckBox* BeepCheckBox;

  QGroupBox* GroupBox3;
  QLineEdit* Marker_Edit;

  // The mark over the gauges that the converter is lost ("LinkLostMark"),
  // hidden until then.
  QLabel* LinkLostMark;

  // Shows the mark with its text over greyed gauges and reading boxes, or
  // hides it and gives them their colours back.
  void ShowLinkLost(bool lost, const QString& text = QString());
  bool LinkLostShown() const { return linkLostShown_; }

  // Index of the checked learning mode: 0 fast, 1 slow.
  int LearningMode() const;

  // The table curve or the live points of the panel chart changed: they are
  // redrawn once, at most kChartRepaintMs after the first change since
  // their last redraw, however many changes come in between (the tick
  // changes them every 10 ms; the screen shows far fewer frames). Other
  // changes to the chart need its full replot().
  void ChartChanged();
  // True while a redraw asked for by ChartChanged() is still to come.
  bool ChartRepaintPending() const;
  static constexpr int kChartRepaintMs = 25;

 private:
  // The page's parts, built in this order (which is the controls' order).
  // The four bar gauges with their labels and reading boxes, the lost-link
  // mark over them and "ШЛЗ".
  void BuildGauges();
  // The MAF/VAF chart with its series and live layer, its two switches and
  // its repaint timer.
  void BuildChart();
  // "Старт", "Стоп", the learning switch and the learning modes.
  void BuildRunControls();
  // The correction group and the beeper's switch beside it.
  void BuildCorrection();
  // The log-marker group.
  void BuildMarker();

  QCPLayer* liveLayer_;  // Tab, VAF_MAF, Konv_MAF
  QTimer* chartRepaint_;
  bool linkLostShown_ = false;
};

}  // namespace zelor
