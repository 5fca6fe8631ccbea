#pragma once
// The table comparison window: two tables of its own, each stored in a grid
// on a tab, a chart of both on the first tab, and a menu per table to open,
// save, zero and set 1:1. It never touches the main window's table. Created
// hidden at start-up; the main window's command shows it, closing hides it.
//
// Its state is its own and lasts until the program ends: Table 1 and Table
// 2 are the texts of StringGrid1 and StringGrid2 (the only stores), each
// table's file the text of Label1 and Label2, the open and save dialogs'
// remembered names its FileDialogs OpenDialog1 and SaveDialog1 (each shared
// by both tables), the display switches the check marks of its popup items
// (mirrored by the series' markers and lines), and a drag on the chart
// drag_ (CompareChartDrag: a PointDrag with the table the press found),
// apart from the main window's. Its handlers keep their own names (several
// repeat names of the main window's, for other things). From the main
// window it reads only the message texts and the caption of the command
// "Утилита сравнения таблиц", which its caption repeats; StartUp() hands it
// both.

#include <QString>
#include <QStringList>
#include <array>
#include <exception>
#include <functional>

#include "ui/WindowShell.h"
#include "widgets/PointDrag.h"

class QLabel;
class QMouseEvent;
class QTabWidget;
class QTableWidget;

namespace zelor {

class CompareChart;
class FileDialog;
class MessageTexts;

// The drag state of the comparison chart (its own, not the main window's):
// the point's drag and which table the press found.
struct CompareChartDrag : PointDrag {
  bool hitTable1 = false;     // the last press found a point of Tab1
  bool hitTable2 = false;     // ... of Tab2
  int pickedTable = 0;        // 0 none, 1 or 2
  bool rightPressed = false;  // the last press was of the right button
  bool popupAllowed = true;   // the popup may open at this click's release
};

class TForm2 : public WindowShell {
  Q_OBJECT
 public:
  // messages: the main window's texts (the hints name the output by its
  // text 1; refusals follow its language). commandCaption gives the current
  // caption of the main window's command that shows this window, which the
  // caption rule repeats. Runs the creation handler.
  TForm2(const MessageTexts& messages, std::function<QString()> commandCaption,
         QWidget* parent = nullptr);
  ~TForm2() override;

  // --- Handlers (compare/CompareTables.cpp) --------------------------------
  void FormCreate();
  // Table 1: open, save, zero, 1:1.
  void N12Click();
  void N13Click();
  void N14Click();
  void N112Click();
  // Table 2: open, save, zero, 1:1.
  void N6Click();
  void N4Click();
  void N2Click();
  void N114Click();
  // "Закрыть": hides the window.
  void N8Click();
  void TabSheet1Show();
  void TabSheet2Show();
  void TabSheet3Show();
  void TabSheet2MouseMove();
  void TabSheet3MouseMove();
  void StringGrid1MouseMove(const QPoint& viewportPos);
  void StringGrid2MouseMove(const QPoint& viewportPos);
  void RebuildCompareChart();
  // --- Chart handlers (compare/CompareChartCommands.cpp) --------------------
  void Chart1MouseDown(QMouseEvent* event);
  void Chart1MouseMove(QMouseEvent* event);
  void Chart1MouseUp();
  // Popup items; the toolkit has toggled the item's check mark already.
  void N7Click();
  void ab11Click();
  void ab21Click();

  // --- Controls and state that tests and the main window read --------------
  // Grid, file label and grid tab of table 1 or 2.
  QTableWidget* Grid(int table) const { return tables_.at(table - 1).grid; }
  QLabel* FileLabel(int table) const { return tables_.at(table - 1).label; }
  QWidget* TableTab(int table) const { return tables_.at(table - 1).tab; }
  QTableWidget* Grid1() const { return Grid(1); }
  QTableWidget* Grid2() const { return Grid(2); }
  CompareChart& Chart() const { return *chart1_; }
  QTabWidget* PageControl() const { return pageControl_; }
  const CompareChartDrag& ChartDrag() const { return drag_; }

  // --- Captions the language file replaces ----------------------------------
  // The targets in the language file's order: tab headers, the popup item
  // "Точки" and the menu items of Table 1 (and "Закрыть").
  static const std::array<const char*, 13> kCaptionTargets;
  // Caption of the tab, menu item or popup item of that object name.
  QString Caption(const QString& name) const;
  void SetCaption(const QString& name, const QString& caption);
  // Gives captions[i] to target i while there are captions, then copies the
  // Table 1 menu's captions to the Table 2 menu (whether or not they
  // changed).
  void ApplyCaptions(const QStringList& captions);

  // Whole-window scaling by multiplier / divisor, with the grids' default
  // cells following the scaled grid size.
  void ScaleBy(int multiplier, int divisor);
  // Undoes ScaleBy(p, 100); the grids' default cells return to 30 × 20.
  void UnscaleBy(int p);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  struct CompareTable {
    QWidget* tab = nullptr;
    QTableWidget* grid = nullptr;
    QLabel* label = nullptr;
  };

  void ConnectHandlers();
  // The grid tab brought forward with the cell selected that an error of
  // one of this window's tables is about; other errors change nothing.
  void ShowBadCell(const std::exception& error);
  void SetGridCells(int columnWidth, int rowHeight);
  // Runs the show handler of the tab in front.
  void ShowCurrentTab();

  // The commands of one table (1 or 2).
  void ZeroTable(int table);
  void IdentityTable(int table);
  void OpenTable(int table);
  void SaveTable(int table);
  void GridMouseMove(int table, const QPoint& viewportPos);
  // The popup item of a table switched: markers and line follow its check.
  void TableItemClick(int table);
  // Shows the hints of point index of both tables.
  void ShowPointHints(int index);

  // Sets the caption by the window's rule, with a table's file label (empty
  // where no table is concerned).
  void ShowCaption(const QString& label);
  QString LabelText(int table) const;
  void Message(const QString& text);

  const MessageTexts& messages_;
  std::function<QString()> commandCaption_;

  QTabWidget* pageControl_ = nullptr;
  std::array<CompareTable, 2> tables_;
  CompareChart* chart1_ = nullptr;
  FileDialog* openDialog_ = nullptr;
  FileDialog* saveDialog_ = nullptr;
  CompareChartDrag drag_;
};

}  // namespace zelor
