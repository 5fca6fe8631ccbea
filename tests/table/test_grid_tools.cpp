// The tuner's tools at page level: the grid's selection as the tools read it
// (MAF order, the top row holding the highest indices), the coverage tint
// with the unwritten-cell marks over it, the tools' menu and amount dialogs,
// and the table chart's VAF band.

#include <QMenu>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include "core/MessageTexts.h"
#include "support/ScriptedDialogs.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableModel.h"
#include "table/ToolAmounts.h"

using namespace zelor;

class TestGridTools : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    page_ = std::make_unique<QWidget>();
    page_->resize(800, 480);
    grid_ = std::make_unique<GridPage>(page_.get(), table_);
    page_->show();
    QVERIFY(QTest::qWaitForWindowExposed(page_.get()));
  }
  void cleanup() {
    grid_.reset();
    page_.reset();
  }

  // A click on one cell, then a shift-click on another, as a user selects.
  void selectionInMafOrder_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("indices");
    QTest::newRow("one cell") << 5 << -1 << "5";
    QTest::newRow("along the bottom row") << 0 << 2 << "0 1 2";
    // Rows 2 and 3, columns 4 to 6: the upper row holds 212..214.
    QTest::newRow("down and right") << 212 << 198 << "196 197 198 212 213 214";
    QTest::newRow("up and left") << 239 << 254 << "238 239 254 255";
  }
  void selectionInMafOrder() {
    QFETCH(int, from);
    QFETCH(int, to);
    QTest::mouseClick(Viewport(), Qt::LeftButton, {}, CellRect(from).center());
    if (to >= 0)
      QTest::mouseClick(Viewport(), Qt::LeftButton, Qt::ShiftModifier, CellRect(to).center());
    QStringList got;
    for (const int i : grid_->SelectedIndices()) got << QString::number(i);
    QTEST(got.join(' '), "indices");
    grid_->Grid()->clearSelection();
    QVERIFY(grid_->SelectedIndices().empty());
  }

  // Cells 0..8 hold the sample counts below; 20 differs from the
  // converter's copy, 21 is no byte. The tint is painted over the cells
  // without touching their data, and the marks show as frames on it.
  void coverageTintUnderTheMarks() {
    const std::uint32_t counts[] = {0, 1, 9, 10, 99, 100, 999, 1000, 500000};
    const int levels[] = {0, 1, 1, 2, 2, 3, 3, 4, 4};
    LogCoverage coverage;
    for (int i = 0; i < 9; ++i) coverage[i].n = counts[i];
    coverage[20].n = coverage[21].n = 1000;
    grid_->SetConverterCopy(std::array<std::uint8_t, 256>{});
    table_.SetCell(20, 7);
    table_.SetCellText(21, QStringLiteral("x"));
    const QColor base = grid_->Grid()->palette().color(QPalette::Base);

    QSignalSpy cellChanges(grid_->Grid()->model(), &QAbstractItemModel::dataChanged);
    grid_->ShowCoverage(coverage);
    const QImage shown = Viewport()->grab().toImage();
    for (int i = 0; i < 9; ++i) {
      const QColor tint = GridPage::CoverageColour(levels[i]);
      QCOMPARE(Inside(shown, i), tint.isValid() ? tint : base);
    }
    const QColor full = GridPage::CoverageColour(4);
    QCOMPARE(Inside(shown, 20), full);
    QCOMPARE(Edge(shown, 20), GridPage::MarkFrameColour(CellMark::kDiffers));
    QCOMPARE(Inside(shown, 21), full);
    QCOMPARE(Edge(shown, 21), GridPage::MarkFrameColour(CellMark::kInvalid));
    QCOMPARE(Edge(shown, 7), full);  // no mark, no frame

    grid_->HideCoverage();
    const QImage hidden = Viewport()->grab().toImage();
    QCOMPARE(Inside(hidden, 7), base);
    QCOMPARE(Inside(hidden, 20), GridPage::MarkColour(CellMark::kDiffers));
    QCOMPARE(Edge(hidden, 21), GridPage::MarkColour(CellMark::kInvalid));
    QCOMPARE(cellChanges.count(), 0);
  }

  // The captions follow the language switch; a twin out of its place in
  // the messages' table would show under another item.
  void contextMenuHoldsTheTools_data() {
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("captions");
    QTest::newRow("Russian") << false
                             << "Интерполировать;Сгладить;Прибавить…;Умножить…;"
                                "Заполнить пропуски;|;Покрытие лога;|;Коррекция по лямбде";
    QTest::newRow("English") << true
                             << "Interpolate;Smooth;Add…;Multiply…;Fill gaps;|;Log coverage;|;"
                                "Lambda correction";
  }
  void contextMenuHoldsTheTools() {
    QFETCH(bool, english);
    MessageTexts messages;
    if (english) messages.SwitchToEnglish();
    grid_->ApplyOwnCaptions(messages);
    QStringList captions;
    for (const QAction* action : grid_->ContextMenu()->actions())
      captions << (action->isSeparator() ? QStringLiteral("|") : action->text());
    QTEST(captions.join(';'), "captions");
    QVERIFY(grid_->ToolItems().coverage->isCheckable());
    QVERIFY(!grid_->ToolItems().coverage->isChecked());
  }

  // Each amount dialog starts at the amount last taken, 0 and 100 at
  // first; a cancel keeps it.
  void amountsStartAtTheLastTaken() {
    testing::ScriptedDialogs dialogs;
    const MessageTexts messages;
    ToolAmounts amounts;
    for (const std::optional<int> answer :
         {std::optional<int>(-5), std::optional<int>(), std::optional<int>(110)})
      dialogs.AnswerNumber(answer);
    QStringList got;
    for (const std::optional<int> amount :
         {amounts.AskAdd(nullptr, messages), amounts.AskAdd(nullptr, messages),
          amounts.AskPercent(nullptr, messages), amounts.AskAdd(nullptr, messages)})
      got << (amount ? QString::number(*amount) : QStringLiteral("-"));
    for (const auto& ask : dialogs.numberAsks)
      got << QStringLiteral("%1 %2 %3..%4").arg(ask.title).arg(ask.value).arg(ask.min).arg(ask.max);
    QCOMPARE(got,
             (QStringList{"-5", "-", "110", "-", "Прибавить 0 -255..255", "Прибавить -5 -255..255",
                          "Умножить 100 0..1000", "Прибавить -5 -255..255"}));
  }

  // Cell 10 has four samples about 102 (deviation 2), cell 12 one of 140,
  // cell 11 none: a gap between them. The band lies behind the curve.
  void bandBehindTheCurve() {
    TableChart chart(nullptr);
    LogCoverage coverage;
    coverage[10] = {4, 102.0, 2.0};
    coverage[12] = {1, 140.0, 0.0};
    chart.ShowCoverageBand(coverage);
    QStringList band;
    for (int k = 10; k <= 12; ++k)
      band << QStringLiteral("%1..%2")
                  .arg(chart.BandLow()->data()->at(k)->value)
                  .arg(chart.BandHigh()->data()->at(k)->value);
    QCOMPARE(band, (QStringList{"100..104", "nan..nan", "140..140"}));
    QVERIFY(chart.BandHigh()->visible() && chart.BandHigh()->channelFillGraph() == chart.BandLow());
    QVERIFY(chart.BandHigh()->layer()->index() < chart.Series1()->layer()->index());
    chart.ShowCoverageBand(LogCoverage{});  // a recording without samples
    QVERIFY(!chart.BandLow()->visible() && !chart.BandHigh()->visible());
  }

 private:
  QWidget* Viewport() { return grid_->Grid()->viewport(); }
  QRect CellRect(int index) {
    return grid_->Grid()->visualRect(
        grid_->Grid()->model()->index(CellRow(index), CellColumn(index)));
  }
  // A pixel of the cell's background, right of its text; one on its frame.
  QColor Inside(const QImage& image, int index) {
    const QRect r = CellRect(index);
    return image.pixelColor(r.left() + r.width() * 3 / 4, r.center().y());
  }
  QColor Edge(const QImage& image, int index) {
    const QRect r = CellRect(index);
    return image.pixelColor(r.left() + 1, r.center().y());
  }

  std::unique_ptr<QWidget> page_;
  TableModel table_;
  std::unique_ptr<GridPage> grid_;
};

QTEST_MAIN(TestGridTools)
#include "test_grid_tools.moc"
