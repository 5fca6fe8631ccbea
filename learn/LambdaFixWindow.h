#pragma once
// The window "Коррекция по лямбде": the settings of the correction on the
// left, the chart of the table, the proposal and the recording's lambda over
// MAF on the right, the hint of the cell under the mouse and the summary
// below it, and the two apply buttons. Non-modal, a top-level window of its
// own, owned by its controller rather than by the main window, so that its
// controls' names (its "ШЛЗ" is WBO, as the panel's) never meet the main
// window's. It only holds the controls; LambdaFixController reads them, runs
// the analysis and fills the chart.

#include <QWidget>
#include <vector>

class QCheckBox;
class QComboBox;
class QCPGraph;
class QCustomPlot;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zelor {

class MessageTexts;

// The sensor presets in the order of the box "Sensor".
enum class LambdaPreset { kLc1 = 0, kAem = 1, k14Point7 = 2, kCustom = 3 };

class LambdaFixWindow : public QWidget {
  Q_OBJECT
 public:
  LambdaFixWindow();

  // Every caption in the messages' current language.
  void ApplyCaptions(const MessageTexts& messages);

  // --- The settings -----------------------------------------------------------
  QCheckBox* wbo;  // "ШЛЗ"
  QComboBox* sensor;
  QDoubleSpinBox* v1;
  QDoubleSpinBox* afr1;
  QDoubleSpinBox* v2;
  QDoubleSpinBox* afr2;
  QComboBox* stoich;  // editable: 14.7, 15.5 (LPG), 9.8 (E85) or typed
  QSpinBox* delayMs;
  QPushButton* estimateDelay;
  QLabel* delayEstimate;
  QDoubleSpinBox* targetLow;
  QDoubleSpinBox* targetHigh;
  QSpinBox* targetMaf;
  QCheckBox* inverse;
  QSpinBox* minSamples;
  QDoubleSpinBox* capPercent;
  QSpinBox* capCounts;
  QSpinBox* minMaf;
  QSpinBox* steadyCounts;
  QDoubleSpinBox* fuelCutLambda;
  QSpinBox* mafFallRate;
  // Autotune's own: the push interval (s), the cap per push and the
  // authority over the snapshot.
  QDoubleSpinBox* autotuneInterval;
  QDoubleSpinBox* autotuneCapPercent;
  QSpinBox* autotuneCapCounts;
  QDoubleSpinBox* autotuneAuthority;
  QRadioButton* frameOnScreen;
  QRadioButton* wholeRecording;
  QPushButton* apply;
  QPushButton* applySelected;

  // --- The chart and the texts ---------------------------------------------------
  QCustomPlot* chart;
  QCPGraph* tableCurve;     // the current table, left axis
  QCPGraph* proposalCurve;  // the proposal, left axis
  QCPGraph* accepted;       // the accepted samples' lambda (or O2 volts), right axis
  QCPGraph* rejected;       // the rejected ones, grey
  QCPGraph* targetLine;     // the target lambda, right axis
  QLabel* cellHint;         // the cell under the mouse
  QLabel* summary;

  // The stoichiometric AFR the box "Stoich" shows (its leading number, a
  // comma taken for the point); 0 when it shows none.
  double StoichShown() const;

 signals:
  // The window became the active one (the tuner may have zoomed the log
  // chart or typed cells meanwhile).
  void activated();

 protected:
  bool event(QEvent* event) override;

 private:
  std::vector<std::pair<QWidget*, int>> captions_;  // a control and its OwnMessage
};

}  // namespace zelor
