// The tuner's tools on small tables: which selected cells each one writes,
// with what, the clamping and rounding, the gaps it fills, and the refusals.

#include <QtTest>

#include <stdexcept>

#include "table/TableTools.h"

using namespace zelor;

class TestTableTools : public QObject {
  Q_OBJECT

 private slots:
  // cells: "index=text", every other cell "0", '*' marks a cell the
  // recording covers; selection: the selected indices; writes: the cells the
  // tool changes, or "!" and its refusal.
  void tools_data() {
    for (const char* column : {"tool", "cells", "selection", "writes"})
      QTest::addColumn<QString>(column);
    QTest::addColumn<int>("param");
    auto row = [](const char* name, const char* tool, int param, const char* cells,
                  const char* selection, const char* writes) {
      QTest::newRow(name) << tool << cells << selection << writes << param;
    };
    row("interpolate one cell", "interp", 0, "10=50", "10", "");
    row("interpolate two adjacent", "interp", 0, "10=0 11=100", "10 11", "");
    row("interpolate halves to even", "interp", 0, "10=0 12=5 14=10", "10 11 12 13 14",
        "11=2 13=8");
    row("interpolate clamps", "interp", 0, "10=400 14=0", "10 11 12 13 14", "11=255 12=200 13=100");
    row("interpolate only the selected", "interp", 0, "10=0 42=32", "10 26 42", "26=16");
    row("smooth reads the originals", "smooth", 0, "1=0 2=90 3=0", "0 1 2 3 4", "1=30 2=30 3=30");
    row("smooth across a skipped stretch", "smooth", 0, "42=60 26=300", "10 26 42", "26=120");
    row("add clamps high", "add", 10, "0=250 1=10 2=255", "0 1 2", "0=255 1=20");
    row("add clamps low", "add", -8, "0=5 1=10", "0 1", "0=0 1=2");
    row("add without overflow", "add", 2147483647, "0=255 1=-5", "0 1", "1=255");
    row("scale halves to even", "scale", 50, "0=5 1=15 2=25", "0 1 2", "0=2 1=8 2=12");
    row("scale above 100", "scale", 200, "0=200 1=100", "0 1", "0=255 1=200");
    row("scale below 0", "scale", -50, "0=100 1=0", "0 1", "0=0");
    row("fill gaps, halves", "fill", 0, "0=0* 4=10* 6=60* 7=61*", "", "1=2 2=5 3=8 5=35");
    row("fill leaves the ends", "fill", 0, "0=9 10=100* 20=5", "", "");
    row("fill the selection only", "fill", 0, "10=100* 14=140*", "12 13 14 20", "12=120 13=130");
    row("refused on a selected cell", "add", 1, "3=abc 5=x", "0 3 5",
        "!'abc' is not a valid integer value");
    row("refused, nothing selected", "fill", 0, "200= 1=1*", "",
        "!'' is not a valid integer value");
    row("unselected bad cell not read", "interp", 0, "0=abc 10=0 12=2", "10 11 12", "11=1");
    row("refused on a covered neighbour", "fill", 0, "10=1.5* 14=9*", "12",
        "!'1.5' is not a valid integer value");
    row("selection out of order", "add", 1, "", "5 3",
        "!selection not ascending within 0..255 at 3");
  }
  void tools() {
    QFETCH(QString, tool);
    QFETCH(int, param);
    QFETCH(QString, cells);
    QFETCH(QString, selection);
    std::array<QString, 256> texts;
    texts.fill(QStringLiteral("0"));
    std::bitset<256> covered;
    for (const QString& cell : cells.split(' ', Qt::SkipEmptyParts)) {
      const int index = cell.section('=', 0, 0).toInt();
      texts[index] = cell.section('=', 1).remove('*');
      covered[index] = cell.endsWith('*');
    }
    std::vector<int> selected;
    for (const QString& i : selection.split(' ', Qt::SkipEmptyParts)) selected.push_back(i.toInt());
    QStringList got;
    try {
      const SelectedCells input(texts, selected);
      const CellWrites result = tool == "interp"   ? InterpolateCells(input)
                                : tool == "smooth" ? SmoothCells(input)
                                : tool == "add"    ? AddToCells(input, param)
                                : tool == "scale"  ? ScaleCells(input, param)
                                                   : FillGaps(input, covered);
      for (const CellWrite& w : result) got << QStringLiteral("%1=%2").arg(w.index).arg(w.value);
    } catch (const std::exception& e) {  // a ConversionError, or a bad selection
      got << QStringLiteral("!") + e.what();
    }
    QTEST(got.join(' '), "writes");
  }
};

QTEST_MAIN(TestTableTools)
#include "test_table_tools.moc"
