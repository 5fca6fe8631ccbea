#pragma once
// The correction of the table by lambda from the recording, bound to its
// window "Коррекция по лямбде" (learn/LambdaFixWindow): it reads the window's
// settings, runs the analysis (learn/LambdaFix) over the recording (the log
// chart's frame on screen, or the whole of it) and the grid's table, and shows
// the proposal, the samples and the summary; it runs again whenever a
// setting, the recording or the table changes (an undo, a read, a typed
// cell) and when the window is opened or becomes the active one (the frame
// may have changed meanwhile). "Применить" writes
// the proposal into the grid as one step of the table history, "Применить к
// выделенным" only the grid's selected cells; both are refused while a run
// streams and without a recording of at least 119 samples. Cells that
// learning from the frame has learned stay while their lock is on.
//
// Each analysis copies the analysed stretch of the four channels it reads
// once (LogBuffer::ReadChannel); a recording of 100,000 samples or more
// analyses under the busy cursor. The delay in use is the recording's
// estimate over MAF until the tuner types a delay (Delay()).
//
// It reads and writes the table's model, asks the window the two things of
// the panel it needs and tells what happened by its signals; it knows
// nothing else of the window.

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "learn/Autotune.h"
#include "learn/LambdaFix.h"
#include "learn/LambdaFixWindow.h"

class QCheckBox;
class QTimer;

namespace zelor {

class GridPage;
class LogChartController;
class MessageTexts;
class StreamRun;
class TableModel;

// The least recording the correction works on.
inline constexpr std::int32_t kLambdaFixMinimumSamples = 119;

// What the controller asks the window.
struct LambdaFixHooks {
  // The panel's "ШЛЗ": the same switch as the window's, each following the
  // other (the sensor on the O2 input is a wideband). Its state when the
  // window is made; the window's ticks go out as WboChosen, the panel's come
  // in through PanelWboToggled.
  std::function<bool()> panelWbo;
  // The panel's correction step, the narrowband's step (at least 1).
  std::function<int()> narrowStep;
};

class LambdaFixController : public QObject {
  Q_OBJECT
 public:
  // The references must outlive the controller.
  LambdaFixController(GridPage& grid, StreamRun& stream, LogChartController& logChart,
                      const MessageTexts& messages, LambdaFixHooks hooks);
  ~LambdaFixController();
  LambdaFixController(const LambdaFixController&) = delete;
  LambdaFixController& operator=(const LambdaFixController&) = delete;

  // Shows the window (made at the first call) and analyses the recording.
  void Open();
  // The panel's "ШЛЗ" was ticked or cleared: the window's follows.
  void PanelWboToggled(bool on);
  LambdaFixWindow* Window() const { return window_.get(); }
  // The window's captions in the messages' current language.
  void ApplyOwnCaptions();
  // The recording was replaced (at "Стоп", or a .log opened): a shown window
  // estimates the delay again and analyses the new recording.
  void RecordingChanged();

  // The settings as the window shows them; nullopt with error set when one
  // cannot be used.
  std::optional<LambdaSettings> Settings(QString& error) const;
  // Autotune's own settings as the window shows them.
  AutotuneSettings AutotuneSettingsShown() const;
  // The cells left alone: the learned cells while their lock is on.
  std::array<std::uint8_t, 256> LockedCells() const;
  // Runs the analysis and shows it. Nothing while the stream runs or
  // without a recording long enough; the summary tells why.
  void Analyse();
  // The delay the recording shows, into the delay box, with how sure it is,
  // then the analysis with it; the first analysis of a recording does the
  // same.
  void EstimateDelay();
  // "Применить" (selectedOnly false) or "Применить к выделенным".
  void Apply(bool selectedOnly);
  // The hint of the cell under the chart's x pixel.
  void ShowCellHint(double pixelX);

  // The last analysis shown, if any.
  const std::optional<LambdaResult>& Result() const { return result_; }
  // The delay curve the analysis uses, as the window's "Задержка" says: the
  // recording's estimate over MAF ("авто"; a recording without steps keeps
  // the box's number), one number for every MAF, or IDLE:FULL.
  DelayCurve Delay() const;

 signals:
  // The history's commit is due: an apply is a step of its own.
  void TableStepCommitted();
  // An apply changed cells: the views that show the table are to follow.
  void TableReworked();
  // A text for the status bar.
  void StatusChanged(const QString& text);
  // The window's "ШЛЗ" was ticked or cleared: the panel's is to follow.
  void WboChosen(bool on);

 private:
  // Why the correction cannot run now, or an empty text.
  QString Refusal() const;
  // Copies the samples analysed (the frame or the whole recording).
  void ReadRecording();
  LambdaRecording Recording() const;
  void ShowEstimate(const DelayEstimate& estimate);
  DelayMode Mode() const;
  // Shows the mode without analysing again.
  void ShowMode(DelayMode mode);
  // The delay boxes from a curve: its one delay, or its ends at idle and
  // at full flow.
  void FillDelayBoxes(const DelayCurve& curve);
  // The small chart: the curve in use and the estimate's bands.
  void ShowDelay(const DelayCurve& used);
  void ShowResult(const LambdaSettings& settings);
  void ShowNothing(const QString& why);
  void UpdateApplySelected();

  GridPage& grid_;
  TableModel& table_;
  StreamRun& stream_;
  LogChartController& logChart_;
  const MessageTexts& messages_;
  LambdaFixHooks hooks_;
  std::unique_ptr<LambdaFixWindow> window_;
  // The channels of the samples analysed, read from the recording once per
  // analysis.
  std::vector<std::uint8_t> output_, enrichment_, maf_, o2_;
  std::optional<LambdaResult> result_;
  bool delayEstimated_ = false;            // for the recording now held
  std::optional<DelayEstimate> estimate_;  // the recording's own delay
  DelayMode shownMode_ = DelayMode::kAuto;
  bool shownWideband_ = true;      // the last analysis shown was a wideband's
  QTimer* tableFollow_ = nullptr;  // a shown window analyses again after the table changed
};

}  // namespace zelor
