#pragma once
// The tab "Графики Лога" bound to the recording and the table: it owns the
// page (the chart, its labels and its popup menu), the learning from the
// frame (FrameLearner) and the state of a drag on the chart. It redraws the
// frame (carrying out a pending learn request in the same pass), sets the
// resolution, follows zoom, scroll and the mouse, shows or hides the series,
// and runs the learning commands: the learn command and its five modes, the
// learned cells' lock and reset, and the double click that sets one cell.
//
// It reads and writes the table's model and tells what happened by its
// signals; it knows nothing of the window. The window binds the popup's items and the chart's mouse
// events to its handlers, which hand them on here.
//
// The redraw runs only on the events that ask for it (Stop, a .log opened,
// zoom, undo zoom, scrolling, a resolution, the end of a drag, showing the
// tab), never from the 10 ms tick, and not at all while the stream runs. It
// reads the LogBuffer below its count once per redraw and each cell of the
// grid once; a pending learn request runs the frame-learning step for each
// plotted sample up to the learning limit before that sample's table point
// is read, so that point and the later ones show what it wrote. The request
// is cleared at the end of a complete pass or when the recording is too
// short, and kept while the stream runs or when a cell stops the pass.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "learn/FrameLearner.h"
#include "table/TableHistory.h"
#include "widgets/PointDrag.h"

class QMouseEvent;
class QWidget;

namespace zelor {

class LogChartPage;
class MessageTexts;
class StreamRun;
class TableModel;
class TableToolsController;

class LogChartController : public QObject {
  Q_OBJECT
 public:
  // Builds the page inside page (the tab). The references must outlive the
  // controller.
  LogChartController(QWidget* page, StreamRun& stream, TableModel& table,
                     const TableToolsController& tools, const MessageTexts& messages);
  ~LogChartController();
  LogChartController(const LogChartController&) = delete;
  LogChartController& operator=(const LogChartController&) = delete;

  LogChartPage& Page() { return *page_; }
  FrameLearner& Learner() { return learner_; }
  const FrameLearner& Learner() const { return learner_; }
  const PointDrag& Drag() const { return drag_; }

  // --- The frame --------------------------------------------------------------
  // Draws the frame one point every step samples; a pending learn request
  // learns the frame in the same pass, as one step of the table history.
  // Nothing while the stream runs.
  void Redraw(int step);
  // The drawn chart drawn again with the table as it is now (a pending learn
  // request waits for a redraw of its own).
  void Refresh();
  // The resolution that fits frameLength samples into the frame's points.
  void SetAutoResolution(std::int64_t frameLength);
  // The whole recording in the frame, at its automatic resolution; nothing
  // for one too short to draw.
  void FrameWholeRecording();
  // The tab shown: the first drawing, or the frame drawn again.
  void TabShown();
  // A .log file is about to replace the recording: nothing drawn is valid.
  void ForgetDrawing();
  // A run has ended: the whole recording, when it has enough samples.
  void RunStopped();
  // One of the fixed resolutions "0.01" .. "1" (k = 0..4).
  void SetFixedResolution(int k);
  void ToggleFixResolution();
  void Zoomed();
  void ZoomUndone();

  // --- The mouse on the chart -------------------------------------------------
  void MouseDown(QMouseEvent* event);
  void MouseMove(QMouseEvent* event);
  void MouseUp();

  // --- Display switches -------------------------------------------------------
  void TogglePoints();
  void ToggleHint();
  void ToggleSeries(int series);

  // --- Learning from the frame -------------------------------------------------
  void Learn();
  // One of the modes "n MAF=Const", n = 1..5.
  void ChooseMafConstCount(int n);
  void ToggleLearnedCellsLock();
  void ResetLearnedCells();
  // Sets the cell under the press that began the double click to the level
  // there, as one step of the history.
  void DoubleClick();

 signals:
  // The history's commit is due: the changes since the last one are a step.
  void TableStepCommitted();
  // The status bar's hint panel (an empty text clears it).
  void HintChanged(const QString& text);

 private:
  void ShowResolution(const QString& text);
  void ShowPointHint(int index);
  // The frame-learning step for plotted sample i; the cell written, if any.
  std::optional<int> LearnSample(std::int32_t i, int step);

  std::unique_ptr<LogChartPage> page_;
  StreamRun& stream_;
  TableModel& table_;
  const TableToolsController& tools_;
  const MessageTexts& messages_;
  FrameLearner learner_;  // its lock mirrored by LearnedCellsLock and Label10
  PointDrag drag_;
};

}  // namespace zelor
