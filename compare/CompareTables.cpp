#include "compare/CompareTables.h"

#include <QHeaderView>
#include <QTabWidget>
#include <QTableWidget>

#include "app/Scaling.h"
#include "app/WindowScaling.h"

namespace zelor {
namespace {

constexpr int kGridWidth = 500;
constexpr int kGridHeight = 340;

QTableWidget* MakeGrid(const char* name, QWidget* page) {
  auto* grid = new QTableWidget(16, 16, page);
  grid->setObjectName(QString::fromLatin1(name));
  grid->setGeometry(8, 8, kGridWidth, kGridHeight);
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  grid->horizontalHeader()->setMinimumSectionSize(1);
  grid->verticalHeader()->setMinimumSectionSize(1);
  grid->horizontalHeader()->setDefaultSectionSize(30);
  grid->verticalHeader()->setDefaultSectionSize(20);
  for (int row = 0; row < 16; ++row)
    for (int column = 0; column < 16; ++column)
      grid->setItem(row, column, new QTableWidgetItem(QStringLiteral("0")));
  return grid;
}

}  // namespace

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
  stringGrid1_ = MakeGrid("StringGrid1", addPage("TabSheet2", "Таблица №1"));
  stringGrid2_ = MakeGrid("StringGrid2", addPage("TabSheet3", "Таблица №2"));
  FitWindowToClient();
}

void TForm2::FitWindowToClient() { setFixedSize(client_->size()); }

void TForm2::SetGridCells(int columnWidth, int rowHeight) {
  for (QTableWidget* grid : {stringGrid1_, stringGrid2_}) {
    grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
  }
}

void TForm2::ScaleBy(int multiplier, int divisor) {
  ScaleWidgetTree(client_, multiplier, divisor);
  FitWindowToClient();
  SetGridCells(ScaledColumnWidth(stringGrid1_->height()), ScaledRowHeight(stringGrid1_->width()));
}

void TForm2::UnscaleBy(int p) {
  ScaleWidgetTree(client_, 100, p);
  FitWindowToClient();
  SetGridCells(30, 20);
}

}  // namespace zelor
