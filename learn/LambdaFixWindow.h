#pragma once
// The window "Коррекция по лямбде": the settings of the correction on the
// left, the chart of the table, the proposal and the recording's lambda over
// MAF on the right with a strip under it coloured by each cell's state, the
// hint of the cell under the mouse, the summary beside the small chart of the
// delay curve, and the two apply buttons. Non-modal, a top-level window of
// its own, owned by its controller rather than by the main window, so that
// its controls' names (its "ШЛЗ" is WBO, as the panel's) never meet the main
// window's. It only holds the controls; LambdaFixController reads them, runs
// the analysis and fills the charts.

#include <QWidget>
#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QCPAxisRect;
class QCPBars;
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

// The delay the analysis uses, in the order of the box "DelayMode": the
// recording's own estimate, one number for every MAF, or the delay at idle
// and at full flow (falling as 1 / flow between them).
enum class DelayMode { kAuto = 0, kOne = 1, kIdleFull = 2 };

// The cells' states in the strip under the chart, in the order of
// LambdaCellState; after them in the strip, the cells changed by a factor
// filled across a gap.
inline constexpr int kLambdaStates = 7;
inline constexpr int kLambdaStripFilled = kLambdaStates;
inline constexpr int kLambdaStripBands = kLambdaStates + 1;

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
  QComboBox* delayMode;
  QSpinBox* delayMs;      // the one delay; at idle with DelayMode::kIdleFull
  QSpinBox* delayFullMs;  // at full flow
  QPushButton* estimateDelay;
  QLabel* delayEstimate;
  QDoubleSpinBox* targetLow;
  QDoubleSpinBox* targetHigh;
  QSpinBox* targetMaf;
  QCheckBox* inverse;
  QSpinBox* minSamples;
  QDoubleSpinBox* capPercent;
  QSpinBox* capCounts;
  QSpinBox* smoothCells;   // 0: "нет"
  QSpinBox* fillGapCells;  // 0: "нет"
  QSpinBox* minMaf;
  QSpinBox* steadyCounts;
  QDoubleSpinBox* fuelCutLambda;
  QSpinBox* mafFallRate;
  QDoubleSpinBox* bandPercent;
  QSpinBox* closedLoopMaf;  // 0: "выкл"
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

  // --- The charts and the texts --------------------------------------------------
  QCustomPlot* chart;
  QCPGraph* tableCurve;     // the current table, left axis
  QCPGraph* proposalCurve;  // the proposal, left axis
  QCPGraph* accepted;       // the accepted samples' lambda (or O2 volts), right axis
  QCPGraph* rejected;       // the rejected ones, grey
  QCPGraph* targetLine;     // the target lambda, right axis
  QCPAxisRect* stateStrip;  // under the chart, over the same MAF
  std::array<QCPBars*, kLambdaStripBands> stateBars;  // by LambdaCellState, then filled
  QLabel* stateLegend;
  QCustomPlot* delayChart;  // the delay over MAF
  QCPGraph* delayCurve;     // the curve in use, left axis (ms)
  QCPGraph* delayPoints;    // the estimate's bands, left axis
  QCPBars* delaySure;       // how sure each band is, right axis (%)
  QLabel* cellHint;         // the cell under the mouse
  QLabel* summary;

  // The colour of a band of the strip (a LambdaCellState, or kLambdaStripFilled).
  static QColor StateColour(int state);

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
