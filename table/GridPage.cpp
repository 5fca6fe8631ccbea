#include "table/GridPage.h"

#include <QAbstractItemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <algorithm>

#include "core/MessageTexts.h"
#include "table/CellIndex.h"
#include "table/TableGrid.h"
#include "table/TableModel.h"
#include "widgets/UpDown.h"

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
// The coverage view: greens from a few samples to many, apart from the
// marks' amber and red and from the selection's blue; a cell without
// samples keeps the grid's own background. The marks then frame the cell in
// deeper shades of their colours, which stand out on every green.
const QColor kCoverageColours[kCoverageLevels] = {QColor(), QColor(226, 243, 214),
                                                  QColor(192, 228, 170), QColor(148, 208, 122),
                                                  QColor(100, 182, 84)};
const QColor kUnwrittenFrame(230, 140, 0);
const QColor kInvalidFrame(215, 25, 25);
constexpr int kFrameWidth = 2;

// Paints the cells as the view does, but while the coverage view is on with
// the coverage tint for a background and the cell's mark as a frame.
class TintedCells final : public QStyledItemDelegate {
 public:
  TintedCells(const CoverageTint& tint, const CellMarks& marks, QObject* parent)
      : QStyledItemDelegate(parent), tint_(tint), marks_(marks) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (!tint_.shown) return;
    const QColor frame =
        GridPage::MarkFrameColour(marks_.Mark(CellIndexAt(index.row(), index.column())));
    if (!frame.isValid()) return;
    painter->save();
    painter->setPen(QPen(frame, kFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter->setBrush(Qt::NoBrush);
    const qreal inset = kFrameWidth / 2.0;
    painter->drawRect(QRectF(option.rect).adjusted(inset, inset, -inset - 1, -inset - 1));
    painter->restore();
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!tint_.shown) return;
    const QColor colour =
        GridPage::CoverageColour(tint_.levels[CellIndexAt(index.row(), index.column())]);
    option->backgroundBrush = colour.isValid() ? QBrush(colour) : QBrush();
  }

 private:
  const CoverageTint& tint_;
  const CellMarks& marks_;
};

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

GridPage::GridPage(QWidget* page, TableModel& table) : page_(page), table_(table) {
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

  const TableSettings& settings = table_.Settings();
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
                              settings.Get(index), group);
    upDown->setGeometry(224, y, 17, 22);
    upDown->setEnabled(false);
    upDown->SetBuddy(edit);
    edits_[index] = edit;
    upDowns_[index] = upDown;
    QObject::connect(upDown, &UpDown::PositionChanged, grid_,
                     [this, index](int position) { table_.SetSetting(index, position); });
  }

  // A text typed into a cell goes into the model; a change of a
  // background alone is not a change of the text.
  links_[0] = QObject::connect(
      grid_->model(), &QAbstractItemModel::dataChanged, grid_,
      [this](const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
        if (!roles.isEmpty() && !roles.contains(Qt::DisplayRole) && !roles.contains(Qt::EditRole))
          return;
        for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
          for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            const QTableWidgetItem* item = grid_->item(row, column);
            table_.SetCellText(CellIndexAt(row, column), item ? item->text() : QString());
          }
        }
      });
  links_[1] = QObject::connect(&table_, &TableModel::CellsChanged, grid_,
                               [this](int first, int last) { ShowCells(first, last); });
  links_[2] = QObject::connect(&table_, &TableModel::SettingsChanged, grid_, [this] {
    for (int index = 0; index < kSettingCount; ++index)
      upDowns_[index]->SetPosition(table_.SettingValue(index));
  });
  ShowCells(0, static_cast<int>(kCellCount) - 1);

  grid_->setItemDelegate(new TintedCells(tint_, marks_, grid_));
  contextMenu_ = new QMenu(grid_);
  contextMenu_->setObjectName(QStringLiteral("GridMenu"));
  auto item = [this](const char* name) {
    QAction* action = contextMenu_->addAction(QString());
    action->setObjectName(QString::fromLatin1(name));
    return action;
  };
  tools_.interpolate = item("InterpolateCells");
  tools_.smooth = item("SmoothCells");
  tools_.add = item("AddToCells");
  tools_.scale = item("ScaleCells");
  tools_.fillGaps = item("FillGaps");
  contextMenu_->addSeparator();
  tools_.coverage = item("CoverageView");
  tools_.coverage->setCheckable(true);
  contextMenu_->addSeparator();
  tools_.lambdaFix = item("LambdaFixCells");
  ApplyOwnCaptions(MessageTexts());
  // A right click selects the cell under it unless it lies in the selection
  // (the view's own rule), then opens the menu there.
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(
      grid_, &QWidget::customContextMenuRequested, contextMenu_,
      [this](const QPoint& pos) { contextMenu_->popup(grid_->viewport()->mapToGlobal(pos)); });
}

GridPage::~GridPage() {
  for (const QMetaObject::Connection& link : links_) QObject::disconnect(link);
}

QColor GridPage::MarkColour(CellMark mark) {
  switch (mark) {
    case CellMark::kDiffers: return kUnwrittenColour;
    case CellMark::kInvalid: return kInvalidColour;
    case CellMark::kUnchanged: break;
  }
  return {};
}

QColor GridPage::CoverageColour(int level) {
  return kCoverageColours[std::clamp(level, 0, kCoverageLevels - 1)];
}

QColor GridPage::MarkFrameColour(CellMark mark) {
  switch (mark) {
    case CellMark::kDiffers: return kUnwrittenFrame;
    case CellMark::kInvalid: return kInvalidFrame;
    case CellMark::kUnchanged: break;
  }
  return {};
}

std::vector<int> GridPage::SelectedIndices() const {
  std::vector<int> indices;
  for (const QModelIndex& cell : grid_->selectionModel()->selectedIndexes())
    indices.push_back(CellIndexAt(cell.row(), cell.column()));
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  return indices;
}

void GridPage::ApplyOwnCaptions(const MessageTexts& messages) {
  tools_.interpolate->setText(messages.Own(OwnMessage::kInterpolateCaption));
  tools_.smooth->setText(messages.Own(OwnMessage::kSmoothCaption));
  tools_.add->setText(messages.Own(OwnMessage::kAddCaption));
  tools_.scale->setText(messages.Own(OwnMessage::kScaleCaption));
  tools_.fillGaps->setText(messages.Own(OwnMessage::kFillGapsCaption));
  tools_.coverage->setText(messages.Own(OwnMessage::kCoverageCaption));
  tools_.lambdaFix->setText(messages.Own(OwnMessage::kLambdaFixCaption));
}

void GridPage::ShowCoverage(const LogCoverage& coverage) {
  for (int index = 0; index < 256; ++index)
    tint_.levels[index] = static_cast<std::uint8_t>(CoverageLevel(coverage[index].n));
  tint_.shown = true;
  grid_->viewport()->update();
}

void GridPage::HideCoverage() {
  if (!tint_.shown) return;
  tint_.shown = false;
  grid_->viewport()->update();
}

void GridPage::ShowCells(int first, int last) {
  for (int index = first; index <= last; ++index) {
    // A typed text is in its cell already; writing it again would be heard
    // as another edit.
    const QString& text = table_.CellText(index);
    if (GridCellText(grid_, index) != text) SetGridCellText(grid_, index, text);
    MarkCell(index);
  }
}

void GridPage::MarkCell(int index) {
  QTableWidgetItem* item = grid_->item(CellRow(index), CellColumn(index));
  if (!marks_.Update(index, table_.CellText(index).toStdString())) return;
  if (!item) return;
  const QColor colour = MarkColour(marks_.Mark(index));
  item->setData(Qt::BackgroundRole, colour.isValid() ? QVariant(colour) : QVariant());
}

void GridPage::SetConverterCopy(std::span<const std::uint8_t, 256> copy) {
  marks_.SetCopy(copy);
  for (std::size_t index = 0; index < kCellCount; ++index) MarkCell(static_cast<int>(index));
  if (copyTaken_) copyTaken_(copy);
}

void GridPage::ForgetConverterCopy() {
  marks_.ForgetCopy();
  for (std::size_t index = 0; index < kCellCount; ++index) MarkCell(static_cast<int>(index));
}

}  // namespace zelor
