#include "table/TableModel.h"

#include "table/CellText.h"

namespace zelor {

TableModel::TableModel(QObject* parent) : QObject(parent) { cells_.fill(QStringLiteral("0")); }

void TableModel::SetCellText(int index, const QString& text) {
  QString& cell = cells_.at(static_cast<std::size_t>(index));
  if (cell == text) return;
  cell = text;
  emit CellsChanged(index, index);
}

void TableModel::SetTexts(const CellTexts& texts) {
  int first = -1;
  int last = -1;
  for (std::size_t index = 0; index < kCellCount; ++index) {
    if (cells_[index] == texts[index]) continue;
    cells_[index] = texts[index];
    if (first < 0) first = static_cast<int>(index);
    last = static_cast<int>(index);
  }
  if (first >= 0) emit CellsChanged(first, last);
}

void TableModel::SetBytes(std::span<const std::uint8_t, kCellCount> bytes) {
  CellTexts texts;
  for (std::size_t index = 0; index < kCellCount; ++index)
    texts[index] = QString::number(bytes[index]);
  SetTexts(texts);
}

int TableModel::CellValue(int index) const {
  return ParseInteger(CellText(index).toStdString(), {this, index});
}

double TableModel::CellNumber(int index) const {
  return ParseNumber(CellText(index).toStdString(), {this, index});
}

std::optional<int> TableModel::CellInteger(int index) const {
  return IntegerOf(CellText(index).toStdString());
}

std::array<std::uint8_t, kCellCount> TableModel::CellBytes(bool english) const {
  std::array<std::uint8_t, kCellCount> bytes{};
  for (std::size_t index = 0; index < kCellCount; ++index) {
    bytes[index] = CellByte(static_cast<int>(index), cells_[index].toStdString(), english, this);
  }
  return bytes;
}

void TableModel::SetSetting(int index, int value) {
  const int clamped = ClampSetting(index, value);
  if (settings_.Get(index) == clamped) return;
  settings_.Set(index, clamped);
  emit SettingsChanged();
}

void TableModel::SetSettings(const TableSettings& settings) {
  TableSettings clamped;
  for (int index = 0; index < kSettingCount; ++index) clamped.Set(index, settings.Get(index));
  if (settings_ == clamped) return;
  settings_ = clamped;
  emit SettingsChanged();
}

}  // namespace zelor
