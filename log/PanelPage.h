#pragma once
// The tab "Панель приборов": four bar gauges with their text boxes, the
// MAF/VAF chart with the table curve, the start and stop buttons, the learning
// switches, the correction group and the log-marker group.

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <functional>
#include <vector>

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
struct LogSample;

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

  // The tick's display of a sample: the two live points (each while its
  // switch is on), the four gauges (O2 scaled as "ШЛЗ" says) and their
  // reading boxes. What differs from what is shown is changed at once and
  // repainted with the panel's next frame.
  void ShowSample(const LogSample& sample);
  // Live learning wrote v into the cell of MAF value m: with "VAF-MAF" on,
  // the table curve's point m follows.
  void ShowLearnedCell(int m, int v);

  // The panel's frames: a change to the gauges, the reading boxes or the
  // chart's table curve and live points is repainted at once when the last
  // frame is kFrameMs or more ago, and otherwise with the next frame, at
  // most kFrameMs after the change, however many changes come in between
  // (the tick changes them every 10 ms; a screen shows far fewer frames).
  // Other changes to the chart need its full replot().
  static constexpr int kFrameMs = 30;
  // True while changes wait for the next frame.
  bool FramePending() const;

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

  // Shows value on the gauge and the panel text of text on the box.
  void ShowReading(BarGauge* gauge, QLineEdit* box, int position, int value);
  // Moves the single point of a live series; true when it moved.
  static bool MovePoint(QCPGraph* graph, int x, int y);
  // A shown widget is about to change: unless a frame is due, its repaint
  // is held (its updates off) until the next frame.
  void Changing(QWidget* widget);
  // After a tick's changes: the frame now when due, else the frame timer.
  void ChangesDone();
  bool FrameDue() const;
  // Repaints what changed since the last frame.
  void ShowFrame();

  QCPLayer* liveLayer_;  // Tab, VAF_MAF, Konv_MAF
  QTimer* frameTimer_;   // the next frame when no tick comes to show it
  QElapsedTimer lastFrame_;
  std::vector<QWidget*> held_;  // updates off until the next frame
  bool changed_ = false;        // something waits for the next frame
  bool chartChanged_ = false;   // the live layer waits for it
  bool linkLostShown_ = false;
};

}  // namespace zelor
