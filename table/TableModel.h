#pragma once
// The replacement table the main window edits: the 256 cells' texts and the
// six settings, with a signal for every change, however it was made. A cell
// holds any text (as typed, or a command's decimal value); its readers parse
// it as the table write, the charts or the recording do (table/CellText).
//
// Who follows a change at once: the grid, which shows the texts (and writes
// a user's edit back through SetCellText), the unwritten-cell marks with the
// status block's count of them, and the table history's pending step. The
// charts do not: the table chart is rebuilt when its tab is shown and by the
// commands that replace the table, the panel chart's table curve only by its
// own rebuild; between those moments they may show an older table.

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "table/TableImage.h"
#include "table/TableSettings.h"

namespace zelor {

using CellTexts = std::array<QString, kCellCount>;

class TableModel : public QObject {
  Q_OBJECT
 public:
  // Every cell "0", the default settings.
  explicit TableModel(QObject* parent = nullptr);

  // Text of cell index (0..255), unparsed.
  const QString& CellText(int index) const { return cells_.at(static_cast<std::size_t>(index)); }
  const CellTexts& Texts() const { return cells_; }
  // Writes text into cell index; CellsChanged(index, index) when it differs.
  void SetCellText(int index, const QString& text);
  // Writes the decimal text of value into cell index.
  void SetCell(int index, int value) { SetCellText(index, QString::number(value)); }
  // Writes every cell at once, in ascending index order: one CellsChanged
  // over the cells that differ, none when none does.
  void SetTexts(const CellTexts& texts);
  // Every cell set to the decimal text of its byte, as SetTexts does.
  void SetBytes(std::span<const std::uint8_t, kCellCount> bytes);

  // The cell as the table write reads it: ParseInteger's value, raising its
  // ConversionError for a text that is not an integer. The errors of the
  // readers here carry the cell's place, this model and its index.
  int CellValue(int index) const;
  // The cell as the chart curves read it: ParseNumber's value, raising its
  // ConversionError for a text that is not a number.
  double CellNumber(int index) const;
  // The cell's integer, or none where CellValue would raise.
  std::optional<int> CellInteger(int index) const;
  // The 256 cells as table bytes, ascending index. Stops at the first cell
  // that is not an integer, or that lies outside 0..255, by raising the
  // error that names it (in English when english is set).
  std::array<std::uint8_t, kCellCount> CellBytes(bool english) const;

  const TableSettings& Settings() const { return settings_; }
  int SettingValue(int index) const { return settings_.Get(index); }
  // Sets setting index, brought into its range; SettingsChanged when it
  // differs.
  void SetSetting(int index, int value);
  void SetSettings(const TableSettings& settings);

 signals:
  // Cells first..last (MAF indices, ascending) may hold new texts; those
  // outside did not change.
  void CellsChanged(int first, int last);
  void SettingsChanged();

 private:
  CellTexts cells_;
  TableSettings settings_;
};

}  // namespace zelor
