// The cost of a cell write into the main window's grid, which marks the cell
// against the converter's copy and recolours it when its mark changes,
// against a bare grid of the same build without marks (the baseline,
// measured in the same run). The grid is shown, so that each write's repaint
// is queued and every 256 writes one paint runs, as the event loop would.
// Runs offscreen; reports microseconds per write and the ratio.
//
// Then the coverage tint: switching it on or off over a shown grid (one
// repaint of the grid, no change of the cells' data) against a bare repaint
// of the same grid, and against tinting the 256 cells one by one through
// their backgrounds, as the marks are set.

#include <QApplication>
#include <QTabWidget>
#include <QTableWidget>
#include <array>
#include <chrono>
#include <cstdio>
#include <functional>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "table/Coverage.h"
#include "table/GridPage.h"
#include "table/TableGrid.h"
#include "table/TableModel.h"

using Clock = std::chrono::steady_clock;

namespace {

// Microseconds per call of change, each followed by the paint it queued.
double MicrosPerChange(const std::function<void(int)>& change, int changes) {
  const auto start = Clock::now();
  for (int i = 0; i < changes; ++i) {
    change(i);
    QCoreApplication::processEvents();
  }
  const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
  return spent.count() / changes;
}

// Writes that alternate each cell between its copy's value and another, so
// that every write changes the cell's mark (the worst case).
double MicrosPerWrite(const std::function<void(int, const QString&)>& write, int writes) {
  const QString values[2] = {QStringLiteral("7"), QStringLiteral("8")};
  const auto start = Clock::now();
  for (int i = 0; i < writes; ++i) {
    write(i % 256, values[(i / 256) % 2]);
    if (i % 256 == 255) QCoreApplication::processEvents();
  }
  const std::chrono::duration<double, std::micro> spent = Clock::now() - start;
  return spent.count() / writes;
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  zelor::Windows windows = zelor::StartUp({});
  zelor::TForm1& form = *windows.form1;
  form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet3"));
  std::array<std::uint8_t, 256> copy{};
  copy.fill(7);
  form.Grid().SetConverterCopy(copy);
  auto marked = [&](int index, const QString& text) { form.Table().SetCellText(index, text); };

  QWidget bareWindow;
  QTableWidget* bare = zelor::MakeTableGrid(QStringLiteral("Bare"), &bareWindow);
  bareWindow.show();
  auto plain = [&](int index, const QString& text) { zelor::SetGridCellText(bare, index, text); };

  const int writes = 256 * 200;
  MicrosPerWrite(marked, 256 * 4);  // warm up
  MicrosPerWrite(plain, 256 * 4);
  const double bareUs = MicrosPerWrite(plain, writes);
  const double markedUs = MicrosPerWrite(marked, writes);
  std::printf("cell write, bare grid (baseline):  %.2f us\n", bareUs);
  std::printf("cell write, marked and recoloured: %.2f us (%.2f x the baseline)\n", markedUs,
              markedUs / bareUs);
  std::printf("(live learning writes at most one cell per 10000 us tick)\n");

  zelor::GridPage& grid = form.Grid();
  zelor::LogCoverage coverage;
  for (int index = 0; index < 256; ++index) coverage[index].n = index * index;
  auto tint = [&](int i) {
    if (i % 2) {
      grid.HideCoverage();
    } else {
      grid.ShowCoverage(coverage);
    }
  };
  auto repaint = [&](int) { grid.Grid()->viewport()->update(); };
  const QColor colours[2] = {QColor(200, 230, 200), QColor(230, 200, 200)};
  auto perCell = [&](int i) {
    for (int index = 0; index < 256; ++index)
      grid.Grid()
          ->item(15 - index / 16, index % 16)
          ->setData(Qt::BackgroundRole, colours[(i + index) % 2]);
  };
  const int changes = 400;
  MicrosPerChange(repaint, 20);  // warm up
  const double repaintUs = MicrosPerChange(repaint, changes);
  const double tintUs = MicrosPerChange(tint, changes);
  const double perCellUs = MicrosPerChange(perCell, changes);
  std::printf("grid repaint (baseline):            %.0f us\n", repaintUs);
  std::printf("coverage tint on or off:            %.0f us (%.2f x the baseline)\n", tintUs,
              tintUs / repaintUs);
  std::printf("256 cell backgrounds one by one:    %.0f us (%.2f x the baseline)\n", perCellUs,
              perCellUs / repaintUs);
  return 0;
}
