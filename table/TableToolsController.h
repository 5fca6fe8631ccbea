#pragma once
// The tuner's tools bound to the main window: the five tools of the grid's
// menu (also items of the menu "Таблица Замены") run over the grid's
// selection as one step of the table history each, and the coverage view
// shows what the current recording holds of each cell on the grid (tint and
// hint) and on the table chart (the VAF band). The coverage is computed once
// per recording (at "Стоп" and when a .log is opened), never per tick.
//
// It reads and writes the table's model, works on the grid's selection and
// tells what happened by its signals; it knows nothing of the window.

#include <QObject>
#include <QPoint>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "table/Coverage.h"
#include "table/TableModel.h"
#include "table/TableTools.h"
#include "table/ToolAmounts.h"

class QWidget;

namespace zelor {

class GridPage;
class MessageTexts;
class TableChart;

class TableToolsController : public QObject {
  Q_OBJECT
 public:
  // Binds the grid's tool items; owner owns the amount dialogs and the
  // refusals' message boxes. The references must outlive the controller.
  TableToolsController(GridPage& grid, TableChart& chart, const MessageTexts& messages,
                       QWidget* owner);
  TableToolsController(const TableToolsController&) = delete;
  TableToolsController& operator=(const TableToolsController&) = delete;

  // The items' captions in the messages' current language.
  void ApplyOwnCaptions();

  // A run starts ("Старт"): with live learning on, the cells it changes are
  // counted at its end.
  void RunStarted(bool learning);
  // The recording was replaced (at "Стоп", or a .log opened): its coverage,
  // computed once by the caller (log/RecordingCoverage), is kept and shown
  // where the view is on; a live-learning run's count is shown.
  void RecordingChanged(const LogCoverage& coverage);
  const LogCoverage& Coverage() const { return coverage_; }

  // The grid's hint at a point of its viewport, with the cell's coverage
  // added while the coverage view is on.
  QString GridHint(QPoint viewportPos, const QString& outputCaption) const;

  // Counts the cells that change while it lives (a learning pass) and shows
  // the count in the status bar at its end.
  class ChangeCount {
   public:
    explicit ChangeCount(const TableToolsController& tools);
    ~ChangeCount();
    ChangeCount(const ChangeCount&) = delete;
    ChangeCount& operator=(const ChangeCount&) = delete;

   private:
    const TableToolsController& tools_;
    CellTexts before_;
  };

 signals:
  // The history's commit is due: the changes since the last one are a step.
  void TableStepCommitted();
  // A tool changed cells: the views that show the table are to follow.
  void TableReworked();
  // A text for the status bar.
  void StatusChanged(const QString& text) const;

 private:
  void ShowChanged(const CellTexts& before) const;
  void ShowChangedCount(std::size_t count) const;
  // Runs tool over the selection as one step; tool gives nullopt when the
  // user cancelled its amount. With wholeTable, a selection of one cell (the
  // cell a click or the menu's right click leaves selected) counts as none,
  // so the tool works on the whole table.
  void Run(const std::function<std::optional<CellWrites>(const SelectedCells&)>& tool,
           bool wholeTable = false);
  void ShowCoverageViews();
  // Which tools have something to work on.
  void UpdateItems();

  GridPage& grid_;
  TableModel& table_;
  TableChart& chart_;
  const MessageTexts& messages_;
  QWidget* owner_;
  ToolAmounts amounts_;
  LogCoverage coverage_{};
  std::bitset<256> covered_;
  // The cells at the start of a live-learning run.
  std::optional<CellTexts> runStart_;
};

}  // namespace zelor
