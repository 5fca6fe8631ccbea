#pragma once
// The table comparison window: two tables of its own, each in a grid, and a
// chart of both. Created hidden at start-up; the main window's command shows
// it.

#include <QMainWindow>

class QTabWidget;
class QTableWidget;

namespace zelor {

class TForm2 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);

  QTableWidget* Grid1() const { return stringGrid1_; }
  QTableWidget* Grid2() const { return stringGrid2_; }

  // Whole-window scaling by multiplier / 100, with the grids' default cells
  // following the scaled grid size.
  void ScaleBy(int multiplier, int divisor);
  // Undoes ScaleBy(p, 100); the grids' default cells return to 30 × 20.
  void UnscaleBy(int p);

 private:
  void SetGridCells(int columnWidth, int rowHeight);
  void FitWindowToClient();

  QWidget* client_;
  QTabWidget* pageControl_;
  QTableWidget* stringGrid1_;
  QTableWidget* stringGrid2_;
};

}  // namespace zelor
