#include "compare/CompareTables.h"

#include <QTabWidget>
#include <QTableWidget>

#include "app/Scaling.h"
#include "app/WindowScaling.h"
#include "table/TableGrid.h"

namespace zelor {

TForm2::TForm2(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("TForm2"));
  setWindowTitle(QStringLiteral("Zelor"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);
  client_ = new QWidget(this);
  client_->setFixedSize(700, 420);
  setCentralWidget(client_);
  pageControl_ = new QTabWidget(client_);
  pageControl_->setGeometry(0, 0, 700, 420);
  auto addPage = [this](const char* name, const char* header) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromLatin1(name));
    pageControl_->addTab(page, QString::fromUtf8(header));
    return page;
  };
  addPage("TabSheet1", "График таблиц");
  stringGrid1_ = MakeTableGrid(QStringLiteral("StringGrid1"), addPage("TabSheet2", "Таблица №1"));
  stringGrid2_ = MakeTableGrid(QStringLiteral("StringGrid2"), addPage("TabSheet3", "Таблица №2"));
  FitWindowToClient();
}

void TForm2::FitWindowToClient() { setFixedSize(client_->size()); }

void TForm2::SetGridCells(int columnWidth, int rowHeight) {
  for (QTableWidget* grid : {stringGrid1_, stringGrid2_})
    SetDefaultCells(grid, columnWidth, rowHeight);
}

void TForm2::ScaleBy(int multiplier, int divisor) {
  ScaleWidgetTree(client_, multiplier, divisor);
  FitWindowToClient();
  SetGridCells(ScaledColumnWidth(stringGrid1_->height()), ScaledRowHeight(stringGrid1_->width()));
}

void TForm2::UnscaleBy(int p) {
  ScaleWidgetTree(client_, 100, p);
  FitWindowToClient();
  SetGridCells(kTableCellWidth, kTableCellHeight);
}

}  // namespace zelor
