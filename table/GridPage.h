#pragma once
// The tab "Таблица Замены": the 16 × 16 grid that shows the replacement
// table (table/TableModel), the six TableSettings boxes with their spin
// controls, and the firmware label. A cell typed in and a spin control's
// click go into the model; every change of the model, however it was made,
// shows in the grid and the boxes at once. The cells' backgrounds show which
// of them the converter does not hold yet (table/UnwrittenCells): each cell
// is marked again whenever its text changes.
//
// The grid's selection is one rectangle of cells (the view's own selection
// model); the tuner's tools work on it, from the grid's context menu, whose
// items the window binds to its commands. While the coverage view is on, a
// cell's background tells how many samples the recording holds of it
// (table/Coverage) and a cell the converter does not hold keeps its mark as a
// frame in the mark's colour, so both read at once.

#include <QColor>
#include <QMetaObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "table/Coverage.h"
#include "table/TableSettings.h"
#include "table/UnwrittenCells.h"

class QAction;
class QGroupBox;
class QMenu;
class QLabel;
class QLineEdit;
class QTableWidget;
class QWidget;

namespace zelor {

class MessageTexts;
class TableModel;
class UpDown;

// The grid's context menu items: the five tools, then the coverage view's
// switch (checkable, off at start), then the correction by lambda, which the
// window binds to its own command.
struct GridToolItems {
  QAction* interpolate = nullptr;
  QAction* smooth = nullptr;
  QAction* add = nullptr;
  QAction* scale = nullptr;
  QAction* fillGaps = nullptr;
  QAction* coverage = nullptr;
  QAction* lambdaFix = nullptr;  // "Коррекция по лямбде", the window's
};

// What the grid's painter reads to tint the cells by coverage.
struct CoverageTint {
  bool shown = false;
  std::array<std::uint8_t, 256> levels{};  // CoverageLevel of each cell
};

class GridPage {
 public:
  // Builds the tab's controls inside page (a tab of the main window),
  // showing table, which must outlive the page.
  GridPage(QWidget* page, TableModel& table);
  ~GridPage();
  GridPage(const GridPage&) = delete;
  GridPage& operator=(const GridPage&) = delete;

  QWidget* Page() const { return page_; }
  QTableWidget* Grid() const { return grid_; }
  QLabel* VersionLabel() const { return labelVersion_; }

  TableModel& Table() const { return table_; }

  // Takes the converter's copy of the table (what it was read or verified to
  // hold) and marks every cell against it.
  void SetConverterCopy(std::span<const std::uint8_t, 256> copy);
  // Forgets that copy (another port was chosen) and marks every cell anew:
  // none differs from a table not known.
  void ForgetConverterCopy();
  // Tells listener each copy taken (the session's journal keeps no table
  // the converter holds).
  void OnConverterCopy(std::function<void(std::span<const std::uint8_t, 256>)> listener) {
    copyTaken_ = std::move(listener);
  }
  // The cells' marks against the converter's copy, with their counts.
  const CellMarks& Marks() const { return marks_; }
  // The background of a cell with mark; none (invalid) for an unchanged one.
  static QColor MarkColour(CellMark mark);

  // The selected cells' MAF indices, ascending: a higher grid row holds
  // higher indices, so a rectangle's top row comes last. Empty when nothing
  // is selected.
  std::vector<int> SelectedIndices() const;

  // The context menu that a right click on the grid opens, and its items.
  QMenu* ContextMenu() const { return contextMenu_; }
  const GridToolItems& ToolItems() const { return tools_; }
  // The items' captions in the messages' language (Russian at creation).
  void ApplyOwnCaptions(const MessageTexts& messages);

  // Tints every cell by its sample count in coverage (one repaint of the
  // grid, no change of the cells' data), or takes the tint away.
  void ShowCoverage(const LogCoverage& coverage);
  void HideCoverage();
  bool CoverageShown() const { return tint_.shown; }
  // The background of a cell at coverage level (0..4); none (invalid) for 0,
  // which holds no sample.
  static QColor CoverageColour(int level);
  // The frame a cell with mark gets while the coverage view is on; none
  // (invalid) for an unchanged one.
  static QColor MarkFrameColour(CellMark mark);

  QLineEdit* SettingEdit(int index) const { return edits_.at(index); }

 private:
  QWidget* page_;
  TableModel& table_;
  QTableWidget* grid_;
  QLabel* labelVersion_;
  std::array<QLineEdit*, kSettingCount> edits_{};
  std::array<UpDown*, kSettingCount> upDowns_{};
  CellMarks marks_;
  std::function<void(std::span<const std::uint8_t, 256>)> copyTaken_;
  // The grid's edits into the model, the model's changes into the grid.
  std::array<QMetaObject::Connection, 3> links_;
  QMenu* contextMenu_ = nullptr;
  GridToolItems tools_;
  CoverageTint tint_;

  // Marks cell index by its text; recolours it when its mark changed.
  void MarkCell(int index);
  // Shows the model's cells first..last and marks them.
  void ShowCells(int first, int last);
};

}  // namespace zelor
