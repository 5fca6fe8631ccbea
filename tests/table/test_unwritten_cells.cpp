// The marks of unwritten and invalid cells against the converter's copy.

#include <QtTest>

#include <array>

#include "table/UnwrittenCells.h"

using namespace zelor;

Q_DECLARE_METATYPE(zelor::CellMark)
Q_DECLARE_METATYPE(std::optional<std::uint8_t>)

class TestUnwrittenCells : public QObject {
  Q_OBJECT

 private slots:
  void markCell_data() {
    using Copy = std::optional<std::uint8_t>;
    QTest::addColumn<QString>("text");
    QTest::addColumn<Copy>("copy");
    QTest::addColumn<CellMark>("mark");
    auto row = [](const char* name, const char* text, Copy copy, CellMark mark) {
      QTest::newRow(name) << QString::fromUtf8(text) << copy << mark;
    };
    row("same byte", "7", 7, CellMark::kUnchanged);
    // The value counts, not the text: the write sends this as 7.
    row("leading zeros", "007", 7, CellMark::kUnchanged);
    row("other byte", "8", 7, CellMark::kDiffers);
    row("no copy yet", "200", std::nullopt, CellMark::kUnchanged);
    // What the write refuses, copy or not; 300 would be 44 in the low bits.
    row("above 255", "300", 44, CellMark::kInvalid);
    row("negative", "-1", 255, CellMark::kInvalid);
    row("blank", " 7", 7, CellMark::kInvalid);
    row("letters", "1a", std::nullopt, CellMark::kInvalid);
  }

  void markCell() {
    QFETCH(QString, text);
    QFETCH(std::optional<std::uint8_t>, copy);
    QFETCH(CellMark, mark);
    QCOMPARE(MarkCell(text.toStdString(), copy), mark);
  }

  void marksAndCountsFollowEachCellAndTheCopy() {
    CellMarks marks;
    QVERIFY(!marks.Update(3, "9"));  // no copy: nothing differs
    QVERIFY(marks.Update(4, "x"));

    std::array<std::uint8_t, 256> copy{};
    copy[3] = 9;
    marks.SetCopy(copy);
    QCOMPARE(marks.Mark(3), CellMark::kUnchanged);
    for (int i = 0; i < 256; ++i) marks.Update(i, i == 4 ? "x" : "5");
    QCOMPARE(marks.Count(CellMark::kDiffers), 255);  // every cell but the invalid one
    QVERIFY(marks.Update(4, "0"));                   // invalid to unchanged
    QVERIFY(!marks.Update(4, "000"));
    QVERIFY(marks.Update(3, "-9"));  // differs to invalid
    QCOMPARE(marks.Count(CellMark::kUnchanged), 1);
    QCOMPARE(marks.Count(CellMark::kDiffers), 254);
    QCOMPARE(marks.Count(CellMark::kInvalid), 1);
  }
};

QTEST_APPLESS_MAIN(TestUnwrittenCells)
#include "test_unwritten_cells.moc"
