#include "table/TableToolsController.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTableWidget>
#include <utility>

#include "core/DecimalSeparator.h"
#include "core/MessageTexts.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableGrid.h"
#include "ui/HandlerGuard.h"

namespace zelor {

TableToolsController::TableToolsController(GridPage& grid, TableChart& chart,
                                           const MessageTexts& messages, QWidget* owner)
    : grid_(grid), table_(grid.Table()), chart_(chart), messages_(messages), owner_(owner) {
  const GridToolItems& items = grid_.ToolItems();
  auto bind = [this](QAction* item, auto tool, bool wholeTable = false) {
    QObject::connect(item, &QAction::triggered, this,
                     [this, tool, wholeTable] { Guarded(owner_, [&] { Run(tool, wholeTable); }); });
  };
  bind(items.interpolate, [](const SelectedCells& cells) { return InterpolateCells(cells); });
  bind(items.smooth, [](const SelectedCells& cells) { return SmoothCells(cells); });
  bind(items.add, [this](const SelectedCells& cells) -> std::optional<CellWrites> {
    const std::optional<int> n = amounts_.AskAdd(owner_, messages_);
    if (!n) return std::nullopt;
    return AddToCells(cells, *n);
  });
  bind(items.scale, [this](const SelectedCells& cells) -> std::optional<CellWrites> {
    const std::optional<int> percent = amounts_.AskPercent(owner_, messages_);
    if (!percent) return std::nullopt;
    return ScaleCells(cells, *percent);
  });
  bind(
      items.fillGaps, [this](const SelectedCells& cells) { return FillGaps(cells, covered_); },
      true);
  QObject::connect(items.coverage, &QAction::toggled, this,
                   [this] { Guarded(owner_, [this] { ShowCoverageViews(); }); });
  QObject::connect(grid_.Grid()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                   [this] { UpdateItems(); });
  UpdateItems();
}

void TableToolsController::ApplyOwnCaptions() { grid_.ApplyOwnCaptions(messages_); }

void TableToolsController::Run(
    const std::function<std::optional<CellWrites>(const SelectedCells&)>& tool, bool wholeTable) {
  // A cell still being edited and a live-learning run's changes so far are
  // steps of their own, and the tool reads the table they leave.
  emit TableStepCommitted();
  // A selected cell that is not a number refuses the tool here, before its
  // amount is asked and before anything changes.
  std::vector<int> selection = grid_.SelectedIndices();
  if (wholeTable && selection.size() == 1) selection.clear();
  const SelectedCells cells(table_.Texts(), std::move(selection), &table_);
  const std::optional<CellWrites> writes = tool(cells);
  if (!writes) return;
  CellTexts texts = table_.Texts();
  for (const CellWrite& write : *writes) texts.at(write.index) = QString::number(write.value);
  table_.SetTexts(texts);
  emit TableStepCommitted();
  ShowChangedCount(writes->size());
  if (writes->empty()) return;
  // The table chart's hint may tell a value the table no longer holds.
  chart_.HintLabel()->hide();
  emit TableReworked();
}

void TableToolsController::ShowChangedCount(std::size_t count) const {
  emit StatusChanged(messages_.Own(OwnMessage::kCellsChanged).arg(count));
}

void TableToolsController::ShowChanged(const CellTexts& before) const {
  std::size_t count = 0;
  for (std::size_t index = 0; index < kCellCount; ++index)
    count += table_.CellText(static_cast<int>(index)) != before[index];
  ShowChangedCount(count);
}

void TableToolsController::RunStarted(bool learning) {
  runStart_.reset();
  if (learning) runStart_ = table_.Texts();
}

void TableToolsController::RecordingChanged(const LogCoverage& coverage) {
  coverage_ = coverage;
  covered_ = CoveredCells(coverage_);
  ShowCoverageViews();
  UpdateItems();
  if (runStart_) ShowChanged(*std::exchange(runStart_, std::nullopt));
}

void TableToolsController::ShowCoverageViews() {
  if (grid_.ToolItems().coverage->isChecked()) {
    grid_.ShowCoverage(coverage_);
    chart_.ShowCoverageBand(coverage_);
  } else {
    grid_.HideCoverage();
    chart_.HideCoverageBand();
  }
}

void TableToolsController::UpdateItems() {
  const std::size_t selected = grid_.SelectedIndices().size();
  const GridToolItems& items = grid_.ToolItems();
  // Interpolating and smoothing change only cells between two others.
  items.interpolate->setEnabled(selected >= 3);
  items.smooth->setEnabled(selected >= 3);
  items.add->setEnabled(selected >= 1);
  items.scale->setEnabled(selected >= 1);
  items.fillGaps->setEnabled(covered_.any());
}

QString TableToolsController::GridHint(QPoint viewportPos, const QString& outputCaption) const {
  const QTableWidget* grid = grid_.Grid();
  const QString hint = GridHintAt(grid, viewportPos, outputCaption);
  if (hint.isEmpty() || !grid_.CoverageShown()) return hint;
  const int index = CellIndexAt(grid->rowAt(viewportPos.y()), grid->columnAt(viewportPos.x()));
  return hint + QStringLiteral("      ") +
         QString::fromStdString(CoverageHintText(coverage_[index], UserDecimalSeparator()));
}

TableToolsController::ChangeCount::ChangeCount(const TableToolsController& tools)
    : tools_(tools), before_(tools.table_.Texts()) {}

TableToolsController::ChangeCount::~ChangeCount() {
  try {
    tools_.ShowChanged(before_);
  } catch (...) {  // a count not shown is no reason to end the program
  }
}

}  // namespace zelor
