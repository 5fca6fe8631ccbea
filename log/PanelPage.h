#pragma once
// The tab "Панель приборов": four bar gauges with their text boxes, the
// MAF/VAF chart with the table curve, the start and stop buttons, the learning
// switches, the correction group and the log-marker group; beside them the
// wideband's lambda readout and autotune's switch, rollback, status line and
// the cells' states on the chart. Its controls are
// its own: the controllers say what is to be shown or read it through the
// methods below, and hear the user's gestures through its signals. Each
// control keeps its objectName, by which the language file finds it.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <array>
#include <vector>

#include "learn/Autotune.h"

class QButtonGroup;
class QCheckBox;
class QCPGraph;
class QCPLayer;
class QCustomPlot;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;
class QWidget;

namespace zelor {

class BarGauge;
class TableModel;
class UpDown;
struct LogSample;

class PanelPage : public QObject {
  Q_OBJECT
 public:
  // Builds the tab's controls inside page (a tab of the main window).
  explicit PanelPage(QWidget* page);

  // --- The tick ------------------------------------------------------------------
  // The tick's display of a sample: the two live points (each while its
  // switch is on), the four gauges (O2 scaled as "ШЛЗ" says) and their
  // reading boxes. What differs from what is shown is changed at once and
  // repainted with the panel's next frame.
  void ShowSample(const LogSample& sample);
  // Live learning wrote v into the cell of MAF value m: with "VAF-MAF" on,
  // the table curve's point m follows.
  void ShowLearnedCell(int m, int v);
  // The O2 gauge's position, 0..255.
  int O2Position() const;

  // The panel's frames: a change to the gauges, the reading boxes or the
  // chart's table curve and live points is repainted at once when the last
  // frame is kFrameMs or more ago, and otherwise with the next frame, at
  // most kFrameMs after the change, however many changes come in between
  // (the tick changes them every 10 ms; a screen shows far fewer frames).
  static constexpr int kFrameMs = 30;
  // True while changes wait for the next frame.
  bool FramePending() const;

  // Shows the mark that the converter is lost ("LinkLostMark") with its
  // text over greyed gauges and reading boxes, or hides it and gives them
  // their colours back.
  void SetLinkLost(bool lost, const QString& text = QString());
  bool LinkLostShown() const { return linkLostShown_; }

  // --- The run -------------------------------------------------------------------
  // While a run streams, "Старт" and "Обучение Таблицы" are disabled.
  void SetRunning(bool running);
  // "Обучение Таблицы" is checked.
  bool LearningOn() const;
  // Index of the checked learning mode: 0 fast, 1 slow.
  int LearningMode() const;
  // The log marker's box red while the marker is on, black otherwise.
  void ShowMarker(bool on);

  // --- The chart -----------------------------------------------------------------
  // The chart's table curve emptied (Start, before its refresh).
  void ClearTableCurve();
  // The chart's live curves cleared, the correction range's lines at the
  // track bars and the table curve drawn anew from cellText (0..255); a cell
  // that is not a number stops it there with its error, the curve drawn so
  // far shown.
  void RefreshInsertCellChart(const TableModel& table);
  // The chart made visible (the tab being shown).
  void ShowChart();

  // --- The correction group ------------------------------------------------------
  // The range's bounds, the positions of "MAFнач." and "MAFкон.".
  int RangeBegin() const;
  int RangeEnd() const;
  // Moves a bound's track bar (clamped to 0..255); a change emits its
  // signal, RangeBeginMoved or RangeEndMoved, at once.
  void SetRangeBegin(int begin);
  void SetRangeEnd(int end);
  // A bound's edit box and its line on the chart show it.
  void ShowRangeBegin(int begin);
  void ShowRangeEnd(int end);
  // The correction step: the up-down's position and the step box's text;
  // a change of the position writes the text, which emits StepTextChanged.
  int Step() const;
  void SetStep(int step);
  QString StepText() const;
  // "Бипер ЛЗ" is checked.
  bool BeeperOn() const;
  // "ШЛЗ" (the O2 gauge's scaling) is checked; setting it emits WboToggled
  // on a change.
  bool WboOn() const;
  void SetWboOn(bool on);

  // --- The wideband's readout and autotune ---------------------------------------
  // Beside the O2 box: the O2 reading as lambda and AFR (empty: hidden),
  // repainted with the panel's next frame.
  void ShowO2Lambda(const QString& text);
  // "Автонастройка по лямбде" is checked; SetAutotuneOn checks or clears it
  // without a signal (a refusal, an end).
  bool AutotuneOn() const;
  void SetAutotuneOn(bool on);
  // While autotune runs "Откатить" is enabled and the chart's legend names
  // the cells' states.
  void SetAutotuneRunning(bool running);
  // The status line under the chart (its tooltip: detail).
  void ShowAutotuneStatus(const QString& text, const QString& detail = QString());
  // Every cell's state by colour on the table curve, at the cell's value now
  // (a cell never read and never changed unmarked), on a layer of its own
  // redrawn at once. ClearAutotuneCells takes the marks away.
  void ShowAutotuneCells(const std::array<AutotuneCell, 256>& cells);
  void ClearAutotuneCells();
  // The captions of autotune's controls and of the states' legend (in the
  // order of AutotuneState).
  void ApplyAutotuneCaptions(const QString& autotune, const QString& rollback,
                             const std::array<QString, 6>& states);

 signals:
  void StartClicked();
  void StopClicked();
  void RangeBeginMoved();
  void RangeEndMoved();
  void StepTextChanged();
  // Enter in the step box.
  void StepEntered();
  // "Внести в таблицу".
  void ApplyClicked();
  void BeeperToggled();
  void WboToggled(bool on);
  // "Автонастройка по лямбде" checked or cleared by the user; "Откатить".
  void AutotuneToggled(bool on);
  void RollbackClicked();
  // The mouse moved over the chart, at that MAF (the x coordinate).
  void ChartPointerMoved(double maf);

 private:
  // The page's parts, built in this order (which is the controls' order).
  // The four bar gauges with their labels and reading boxes, the lost-link
  // mark over them and "ШЛЗ".
  void BuildGauges();
  // The MAF/VAF chart with its series and live layer, its two switches and
  // its frame timer.
  void BuildChart();
  // "Старт", "Стоп", the learning switch and the learning modes.
  void BuildRunControls();
  // The correction group and the beeper's switch beside it.
  void BuildCorrection();
  // The log-marker group.
  void BuildMarker();
  // The lambda readout, autotune's controls and its layer on the chart.
  void BuildAutotune();
  // The controls' signals become the page's.
  void Connect();

  // Shows position on the gauge and the panel text of value on the box.
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
  // Over the gauges, hidden until the converter is lost during a run.
  QLabel* LinkLostMark;

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

  QLabel* O2Lambda;        // the wideband's lambda and AFR
  QCheckBox* AutotuneBox;  // "Автонастройка по лямбде"
  QPushButton* AutotuneRollback;
  QLabel* AutotuneStatus;
  // A graph per AutotuneState (in its order) on a layer of its own.
  std::array<QCPGraph*, 6> stateGraphs_{};
  QCPLayer* autotuneLayer_;
  std::array<int, 256> shownMarks_{};  // the marks drawn (see ShowAutotuneCells)

  QCPLayer* liveLayer_;  // Tab, VAF_MAF, Konv_MAF
  QTimer* frameTimer_;   // the next frame when no tick comes to show it
  QElapsedTimer lastFrame_;
  std::vector<QWidget*> held_;  // updates off until the next frame
  bool changed_ = false;        // something waits for the next frame
  bool chartChanged_ = false;   // the live layer waits for it
  bool linkLostShown_ = false;
};

}  // namespace zelor
