#include "compare/CompareTables.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTableWidget>

#include "compare/CompareChart.h"
#include "compare/CompareMenu.h"
#include "compare/CompareText.h"
#include "core/ChartGeometry.h"
#include "core/MessageTexts.h"
#include "core/Scaling.h"
#include "table/CellIndex.h"
#include "table/CellText.h"
#include "table/TableFile.h"
#include "table/TableGrid.h"
#include "table/TableImage.h"
#include "ui/HandlerGuard.h"
#include "ui/UserDialogs.h"
#include "widgets/CellCurve.h"
#include "widgets/FileDialog.h"

namespace zelor {
namespace {

constexpr int kClientWidth = 700;
constexpr int kClientHeight = 440;
constexpr int kStatusBarHeight = 20;  // the shell's, below the tabs

}  // namespace

const std::array<const char*, 13> TForm2::kCaptionTargets = {
    "TabSheet1", "TabSheet2", "TabSheet3", "N7",  "N5",   "N15", "N8",
    "N9",        "N12",       "N13",       "N11", "N111", "N14"};

TForm2::TForm2(const MessageTexts& messages, std::function<QString()> commandCaption,
               QWidget* parent)
    : WindowShell("TForm2", QSize(kClientWidth, kClientHeight), "StatusBar", parent),
      messages_(messages),
      commandCaption_(std::move(commandCaption)) {
  setWindowTitle(QStringLiteral("Zelor"));
  pageControl_ = new QTabWidget(Client());
  pageControl_->setObjectName(QStringLiteral("PageControl1"));
  pageControl_->setGeometry(0, 0, kClientWidth, kClientHeight - kStatusBarHeight);
  auto addPage = [this](const char* name, const char* header) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    page->setMouseTracking(true);
    pageControl_->addTab(page, QString::fromUtf8(header));
    return page;
  };
  QWidget* tabSheet1 = addPage("TabSheet1", "График таблиц");
  chart1_ = new CompareChart(tabSheet1);
  chart1_->setGeometry(0, 0, kClientWidth - 4, kClientHeight - kStatusBarHeight - 27);
  const char* pages[2] = {"TabSheet2", "TabSheet3"};
  const char* headers[2] = {"Таблица №1", "Таблица №2"};
  for (int k = 0; k < 2; ++k) {
    CompareTable& table = tables_[k];
    table.tab = addPage(pages[k], headers[k]);
    table.grid = MakeTableGrid(QStringLiteral("StringGrid%1").arg(k + 1), table.tab);
    table.label = new QLabel(table.tab);
    table.label->setObjectName(QStringLiteral("Label%1").arg(k + 1));
    QFont italic = font();
    italic.setItalic(true);
    table.label->setFont(italic);
    table.label->setGeometry(8, kTableGridHeight + 14, kClientWidth - 16, 17);
  }

  BuildMenu(kCompareMenu);
  openDialog_ = new FileDialog(FileDialogKind::Open, QStringLiteral("OpenDialog1"), this);
  saveDialog_ = new FileDialog(FileDialogKind::Save, QStringLiteral("SaveDialog1"), this);
  pageControl_->setCurrentWidget(tabSheet1);
  FitWindowToClient();
  ConnectHandlers();
  ShowErrorPlaces(this, [this](const std::exception& error) { ShowBadCell(error); });
  Guarded(this, [this] { FormCreate(); });
}

TForm2::~TForm2() = default;

void TForm2::ShowBadCell(const std::exception& error) {
  const auto* cell = dynamic_cast<const CellError*>(&error);
  if (!cell) return;
  for (int table = 1; table <= 2; ++table) {
    if (cell->place().table != Grid(table)) continue;
    pageControl_->setCurrentWidget(TableTab(table));
    ShowGridCell(Grid(table), cell->place().index);
  }
}

void TForm2::ConnectHandlers() {
  Bind("N12", &TForm2::N12Click);
  Bind("N13", &TForm2::N13Click);
  Bind("N14", &TForm2::N14Click);
  Bind("N112", &TForm2::N112Click);
  Bind("N6", &TForm2::N6Click);
  Bind("N4", &TForm2::N4Click);
  Bind("N2", &TForm2::N2Click);
  Bind("N114", &TForm2::N114Click);
  Bind("N8", &TForm2::N8Click);
  Bind("N7", &TForm2::N7Click);  // the chart's popup
  Bind("ab11", &TForm2::ab11Click);
  Bind("ab21", &TForm2::ab21Click);

  connect(pageControl_, &QTabWidget::currentChanged, this, [this] { ShowCurrentTab(); });
  connect(chart1_, &QCustomPlot::mousePress, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { Chart1MouseDown(event); }); });
  connect(chart1_, &QCustomPlot::mouseMove, this,
          [this](QMouseEvent* event) { Guarded(this, [&] { Chart1MouseMove(event); }); });
  connect(chart1_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
    // The popup belongs to a right click that the press and move rules
    // left allowed; it opens once the release is handled.
    const bool popup = event->button() == Qt::RightButton && drag_.popupAllowed;
    Guarded(this, [&] { Chart1MouseUp(); });
    if (popup) chart1_->Popup()->popup(event->globalPosition().toPoint());
  });
  for (const CompareTable& table : tables_) {
    table.grid->viewport()->installEventFilter(this);
    table.tab->installEventFilter(this);
  }
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (watched == Grid(1)->viewport()) Guarded(this, [&] { StringGrid1MouseMove(pos); });
    if (watched == Grid(2)->viewport()) Guarded(this, [&] { StringGrid2MouseMove(pos); });
    if (watched == TableTab(1)) Guarded(this, [&] { TabSheet2MouseMove(); });
    if (watched == TableTab(2)) Guarded(this, [&] { TabSheet3MouseMove(); });
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm2::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The tab in front is shown with the window: its caption and chart.
  if (!event->spontaneous()) ShowCurrentTab();
}

void TForm2::ShowCurrentTab() {
  QWidget* page = pageControl_->currentWidget();
  Guarded(this, [&] {
    if (page == TableTab(1)) {
      TabSheet2Show();
    } else if (page == TableTab(2)) {
      TabSheet3Show();
    } else {
      TabSheet1Show();
    }
  });
}

void TForm2::FormCreate() {
  N14Click();
  N2Click();
}

// --- Table commands ----------------------------------------------------------

void TForm2::N12Click() { OpenTable(1); }
void TForm2::N13Click() { SaveTable(1); }
void TForm2::N14Click() { ZeroTable(1); }
void TForm2::N112Click() { IdentityTable(1); }
void TForm2::N6Click() { OpenTable(2); }
void TForm2::N4Click() { SaveTable(2); }
void TForm2::N2Click() { ZeroTable(2); }
void TForm2::N114Click() { IdentityTable(2); }
void TForm2::N8Click() { hide(); }

void TForm2::ZeroTable(int table) {
  // An editor left open in the grid would write its text over the result.
  EndCellEditing(Grid(table));
  for (int index = 0; index < 256; ++index)
    SetGridCellText(Grid(table), index, QStringLiteral("0"));
  DrawCellCurve(chart1_->Series(table), [](int) { return 0.0; });
  FileLabel(table)->clear();
}

void TForm2::IdentityTable(int table) {
  EndCellEditing(Grid(table));
  for (int index = 0; index < 256; ++index)
    SetGridCellText(Grid(table), index, QString::number(index));
  RebuildCompareChart();
  FileLabel(table)->clear();
}

void TForm2::OpenTable(int table) {
  EndCellEditing(Grid(table));
  FileDialog& dialog = *openDialog_;
  dialog.SetFilter(QString::fromLatin1(kTableSaveFilter));
  const QString before = dialog.FileName();
  if (dialog.Execute(this)) {
    // A file that cannot be read stops the command with its message; only
    // the cells are read, anything after them is ignored.
    const FileStart file = ReadFileStart(dialog.FileName(), static_cast<qint64>(kCellCount));
    // As in the main window: another file only when the user says so.
    if (!IsTableFileLength(file.size) &&
        !Dialogs().Ask(this, messages_.FileQuestion(OwnMessage::kNotTableFile, dialog.FileName(),
                                                    file.size))) {
      dialog.SetFileName(before);
      return;
    }
    const QByteArray& bytes = file.bytes;
    const auto cells = DecodeCompareImage(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    for (int index = 0; index < 256; ++index)
      SetGridCellText(Grid(table), index, QString::number(cells[index]));
  }
  // Cancelled or not: the label takes the name the dialog remembers, which
  // both tables share, spelled as the system spells paths.
  FileLabel(table)->setText(QDir::toNativeSeparators(dialog.FileName()));
  ShowCaption(LabelText(table));
  RebuildCompareChart();
  pageControl_->setCurrentWidget(TableTab(table));
}

void TForm2::SaveTable(int table) {
  // What the open editor shows is what is saved.
  EndCellEditing(Grid(table));
  FileDialog& dialog = *saveDialog_;
  dialog.SetFilter(QString::fromLatin1(kTableSaveFilter));
  if (!dialog.Execute(this)) return;
  const QString name = WithTabExtension(dialog.FileName());
  dialog.SetFileName(name);
  // Every cell is read before the file is touched: a bad one stops the save
  // with its message and the old file stays as it was.
  const auto image = EncodeCompareImage(GridCellBytes(Grid(table), messages_.English()));
  if (const std::optional<QString> failure = SaveWholeFile(name, image)) {
    Message(*failure);
    return;
  }
  // Table 2's label shows the path after one space.
  const QString shown = QDir::toNativeSeparators(name);
  FileLabel(table)->setText(table == 1 ? shown : QLatin1Char(' ') + shown);
  ShowCaption(LabelText(table));
}

void TForm2::RebuildCompareChart() {
  // A bad cell stops the rebuild there; the points before it stay drawn.
  DrawCellCurves({chart1_->Series(1), chart1_->Series(2)}, [this](int curve, int index) {
    const QTableWidget* grid = Grid(curve + 1);
    return ParseNumber(GridCellText(grid, index).toStdString(), {grid, index});
  });
}

// --- Tabs and grid hints -------------------------------------------------------

void TForm2::TabSheet1Show() {
  RebuildCompareChart();
  ShowCaption(QString());
}

void TForm2::TabSheet2Show() { ShowCaption(LabelText(1)); }

void TForm2::TabSheet3Show() { ShowCaption(LabelText(2)); }

void TForm2::TabSheet2MouseMove() { HintPanel()->clear(); }

void TForm2::TabSheet3MouseMove() { HintPanel()->clear(); }

void TForm2::StringGrid1MouseMove(const QPoint& viewportPos) { GridMouseMove(1, viewportPos); }

void TForm2::StringGrid2MouseMove(const QPoint& viewportPos) { GridMouseMove(2, viewportPos); }

void TForm2::GridMouseMove(int table, const QPoint& viewportPos) {
  HintPanel()->setText(GridHintAt(Grid(table), viewportPos, messages_.Text(kOutputValueCaption)));
}

// --- Captions, scaling ---------------------------------------------------------

void TForm2::ShowCaption(const QString& label) {
  setWindowTitle(CompareCaption(commandCaption_(), label));
}

QString TForm2::LabelText(int table) const { return FileLabel(table)->text(); }

void TForm2::Message(const QString& text) { Dialogs().ShowMessage(this, text); }

QString TForm2::Caption(const QString& name) const {
  for (int i = 0; i < pageControl_->count(); ++i)
    if (pageControl_->widget(i)->objectName() == name) return pageControl_->tabText(i);
  const QAction* action = findChild<QAction*>(name);
  return action ? action->text() : QString();
}

void TForm2::SetCaption(const QString& name, const QString& caption) {
  for (int i = 0; i < pageControl_->count(); ++i) {
    if (pageControl_->widget(i)->objectName() == name) {
      pageControl_->setTabText(i, caption);
      return;
    }
  }
  if (QAction* action = findChild<QAction*>(name)) action->setText(caption);
}

void TForm2::ApplyCaptions(const QStringList& captions) {
  const auto count = std::min<qsizetype>(captions.size(), kCaptionTargets.size());
  for (qsizetype i = 0; i < count; ++i)
    SetCaption(QString::fromLatin1(kCaptionTargets[i]), captions[i]);
  for (const CaptionCopy& copy : kCaptionCopies)
    SetCaption(QString::fromLatin1(copy.to), Caption(QString::fromLatin1(copy.from)));
}

void TForm2::SetGridCells(int columnWidth, int rowHeight) {
  for (const CompareTable& table : tables_) SetDefaultCells(table.grid, columnWidth, rowHeight);
}

void TForm2::ScaleBy(int multiplier, int divisor) {
  ScaleClient(multiplier, divisor);
  SetGridCells(ScaledColumnWidth(Grid(1)->height()), ScaledRowHeight(Grid(1)->width()));
}

void TForm2::UnscaleBy(int p) {
  ScaleClient(100, p);
  SetGridCells(kTableCellWidth, kTableCellHeight);
}

}  // namespace zelor
