#include "table/GridPage.h"

#include <QAbstractItemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

#include "app/UpDown.h"
#include "table/CellIndex.h"
#include "table/CellText.h"
#include "table/TableGrid.h"

namespace zelor {
namespace {

struct SettingControl {
  const char* edit;
  const char* upDown;
  const char* labelName;
  const char* label;
};

// In stored order; the first four belong to the accelerator pump group, the
// last two to the smoothing group.
const SettingControl kSettingControls[kSettingCount] = {
    {"Sample_Time", "UpDown2", "Label13", "Вборка MAF 1/100 сек.*"},
    {"Porog", "UpDown3", "Label14", "Порог срабатывания"},
    {"Enrichment", "UpDown4", "Label15", "Обогащение +%"},
    {"Enrichment_decr", "UpDown5", "Label16", "Спад обогащения -% "},
    {"Smooth_MAF", "UpDown6", "Label19", "MAF"},
    {"Smooth_VAF", "UpDown7", "Label20", "VAF"},
};

// Cells the converter holds another byte for: a pale amber that keeps the
// text readable; cells that are no byte at all: red.
const QColor kUnwrittenColour(255, 222, 130);
const QColor kInvalidColour(240, 90, 90);

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

GridPage::GridPage(QWidget* page) : page_(page) {
  grid_ = MakeTableGrid(QStringLiteral("StringGrid1"), page);

  labelVersion_ = MakeLabel("LabelVersion", QStringLiteral("FirmWare:  V"), page);
  QFont versionFont = labelVersion_->font();
  versionFont.setFamily(QStringLiteral("Arial"));
  versionFont.setPixelSize(16);
  versionFont.setBold(true);
  labelVersion_->setFont(versionFont);
  labelVersion_->setGeometry(8, 356, 300, 24);
  labelVersion_->hide();

  auto* smoothing = new QGroupBox(QStringLiteral("Сглаживание сигнала "), page);
  smoothing->setObjectName(QStringLiteral("GroupBox4"));
  smoothing->setGeometry(524, 8, 260, 90);
  auto* pump = new QGroupBox(QStringLiteral("\"Ускорительный насос\""), page);
  pump->setObjectName(QStringLiteral("GroupBox2"));
  pump->setGeometry(524, 108, 260, 150);

  const TableSettings defaults = Defaults();
  for (int index = 0; index < kSettingCount; ++index) {
    const SettingControl& control = kSettingControls[index];
    QGroupBox* group = index < 4 ? pump : smoothing;
    const int row = index < 4 ? index : index - 4;
    const int y = 24 + row * 30;
    QLabel* label = MakeLabel(control.labelName, QString::fromUtf8(control.label), group);
    label->setGeometry(10, y + 3, 160, 17);
    auto* edit = new QLineEdit(group);
    edit->setObjectName(QString::fromLatin1(control.edit));
    edit->setGeometry(176, y, 48, 22);
    edit->setReadOnly(true);
    edit->setEnabled(false);
    const SettingRange range = kSettingRanges[index];
    auto* upDown = new UpDown(QString::fromLatin1(control.upDown), range.min, range.max,
                              defaults.Get(index), group);
    upDown->setGeometry(224, y, 17, 22);
    upDown->setEnabled(false);
    upDown->SetBuddy(edit);
    edits_[index] = edit;
    upDowns_[index] = upDown;
  }

  // Every change of a cell's text, by a command or by typing, reaches the
  // model as one change of that cell; a change of a background alone is
  // not a change of the text.
  cellChanges_ = QObject::connect(
      grid_->model(), &QAbstractItemModel::dataChanged, grid_,
      [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
        if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole) && !roles.contains(Qt::EditRole))
          return;
        for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
          for (int column = topLeft.column(); column <= bottomRight.column(); ++column)
            MarkCell(row, column);
      });
  for (int index = 0; index < 256; ++index) MarkCell(CellRow(index), CellColumn(index));
}

GridPage::~GridPage() { QObject::disconnect(cellChanges_); }

QColor GridPage::MarkColour(CellMark mark) {
  switch (mark) {
    case CellMark::kDiffers: return kUnwrittenColour;
    case CellMark::kInvalid: return kInvalidColour;
    case CellMark::kUnchanged: break;
  }
  return {};
}

void GridPage::MarkCell(int row, int column) {
  QTableWidgetItem* item = grid_->item(row, column);
  const int index = CellIndexAt(row, column);
  if (!marks_.Update(index, item ? item->text().toStdString() : std::string())) return;
  if (!item) return;
  const QColor colour = MarkColour(marks_.Mark(index));
  item->setData(Qt::BackgroundRole, colour.isValid() ? QVariant(colour) : QVariant());
}

void GridPage::SetConverterCopy(std::span<const std::uint8_t, 256> copy) {
  marks_.SetCopy(copy);
  for (int index = 0; index < 256; ++index) MarkCell(CellRow(index), CellColumn(index));
}

void GridPage::ForgetConverterCopy() {
  marks_.ForgetCopy();
  for (int index = 0; index < 256; ++index) MarkCell(CellRow(index), CellColumn(index));
}

QString GridPage::CellText(int index) const { return GridCellText(grid_, index); }

void GridPage::SetCellText(int index, const QString& text) { SetGridCellText(grid_, index, text); }

std::array<std::uint8_t, 256> GridPage::CellBytes(bool english) const {
  return GridCellBytes(grid_, english);
}

int GridPage::SettingValue(int index) const {
  return ParseInteger(edits_.at(index)->text().toStdString());
}

TableSettings GridPage::Settings() const {
  TableSettings settings;
  for (int index = 0; index < kSettingCount; ++index) settings.Set(index, SettingValue(index));
  return settings;
}

void GridPage::SetSetting(int index, int value) {
  upDowns_.at(index)->SetPosition(ClampSetting(index, value));
}

void GridPage::SetSettings(const TableSettings& settings) {
  for (int index = 0; index < kSettingCount; ++index) SetSetting(index, settings.Get(index));
}

}  // namespace zelor
