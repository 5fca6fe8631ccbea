// The log recording and its chart through the main window: the marker key,
// the .log commands' dialogs and messages, when a recording is drawn, the
// frame's edges, the resolution, the plotted values, the hint, the popup and
// right-button scrolling, and dragging table points on the recording.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "link/LogBuffer.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "support/LogChartInput.h"
#include "support/PanelControls.h"
#include "support/PortBox.h"
#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"
#include "table/GridPage.h"
#include "table/TableModel.h"
#include "ui/HandlerGuard.h"

using namespace zelor;

namespace {

using Channels = std::function<LogSample(std::int32_t)>;
using testing::Sample;
using testing::SendMouse;

// MAF high above every other series, so that a hover there finds MAF alone.
LogSample Plain(std::int32_t k) { return Sample(60, 0, 128, 200 + k % 3, 50, 80); }

}  // namespace

class TestLogChart : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    dialogs_ = std::make_unique<testing::ScriptedDialogs>();
    windows_ = StartUp({});
  }
  void cleanup() {
    windows_ = Windows();
    sim_.reset();
    dialogs_.reset();
  }

  void spaceBarHoldsTheMarkerAndIsSwallowed() {
    auto* edit = new QLineEdit(form().PageControl1()->currentWidget());
    edit->show();
    form().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form()));
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    QLineEdit* marker = testing::PanelControls(form()).Marker_Edit;
    auto base = [&] { return marker->palette().color(QPalette::Base); };
    QCOMPARE(base(), QColor(Qt::black));
    QTest::keyPress(edit, Qt::Key_Space);
    QVERIFY(form().Stream().Flags().MarkerFlag.load());
    QCOMPARE(base(), QColor(255, 0, 0));
    // A held key repeats as release and press pairs: the marker stays on.
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ", true);
    QApplication::sendEvent(edit, &repeat);
    QVERIFY(form().Stream().Flags().MarkerFlag.load());
    QTest::keyRelease(edit, Qt::Key_Space);
    QVERIFY(!form().Stream().Flags().MarkerFlag.load());
    QCOMPARE(base(), QColor(Qt::black));
    QTest::keyClick(edit, Qt::Key_A);
    QCOMPARE(edit->text(), QStringLiteral("a"));  // other keys reach the control
  }

  void saveNeedsASecondOfRecordingAndKeepsTheDialogsName() {
    Record(117, Plain);
    Trigger("N4");
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Не возможно сохранить лог меньше 1 сек"});
    QVERIFY(dialogs_->asked.empty());

    Record(118, Plain);
    dialogs_->Answer(dir_->filePath("drive"));
    Trigger("N4");
    const QString saved = dir_->filePath("drive.log");
    QCOMPARE(QFileInfo(saved).size(), 944);
    QCOMPARE(dialogs_->asked.back().filter, QStringLiteral("Log Files|*.log|All|*.*"));
    QCOMPARE(form().CurrentFiles().log, saved);
    QCOMPARE(form().windowTitle(), "ZelorConfigurator " + saved);

    // A cancel takes the name last chosen in the save dialog, a table's too.
    const QString table = dir_->filePath("t.tab");
    dialogs_->Answer(table);
    Trigger("N13");
    dialogs_->Answer(std::nullopt);
    Trigger("N4");
    QCOMPARE(form().CurrentFiles().log, table);
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void csvExportNeedsASecondOfRecordingAndWritesARowPerSample() {
    QMenu* file = form().findChild<QMenu*>(QStringLiteral("N2"));
    QCOMPARE(file->actions().back()->objectName(), QStringLiteral("ExportCsv"));
    QCOMPARE(file->actions().back()->text(), QStringLiteral("Экспорт CSV"));
    Record(117, Plain);
    Trigger("ExportCsv");
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Не возможно сохранить лог меньше 1 сек"});
    QVERIFY(dialogs_->asked.empty());

    Record(118, Plain);
    form().Table().SetCellText(201, QStringLiteral("x"));  // not a number: an empty field
    dialogs_->Answer(dir_->filePath("drive"));
    Trigger("ExportCsv");
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(dialogs_->asked.back().filter, QStringLiteral("CSV Files|*.csv|All|*.*"));
    QFile csv(dir_->filePath("drive.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + 118 + 1);
    QCOMPARE(lines[2], QByteArray("0.01,201,50,60,,80,0,0,0,0\r"));
    QCOMPARE(lines[3],
             "0.02,202,50,60," + form().Table().CellText(202).toLatin1() + ",80,0,0,0,0\r");
    QVERIFY(form().CurrentFiles().log.isEmpty());  // an export is no log file

    form().Messages().SwitchToEnglish();
    form().ApplyOwnCaptions();
    QCOMPARE(file->actions().back()->text(), QStringLiteral("Export CSV"));
  }

  void openIsRefusedWhileTheStreamRuns() {
    Record(500, Plain);
    form().Stream().Flags().Streaming.store(true);
    Trigger("N3");
    form().Stream().Flags().Streaming.store(false);
    QCOMPARE(dialogs_->TakeMessages(),
             QStringList{"Нельзя открыть лог, пока идёт поток данных из конвертера. Нажмите "
                         "\"Стоп\" и откройте лог снова."});
    QVERIFY(dialogs_->asked.empty());
    QCOMPARE(form().Stream().Log().Count(), 500);

    // A cancelled open still marks the chart undrawn and the hint off.
    ShowWhole();
    QVERIFY(page().Frame().drawn);
    page().HintItem()->setChecked(true);
    dialogs_->Answer(std::nullopt);
    Trigger("N3");
    QVERIFY(!page().Frame().drawn);
    QVERIFY(!page().HintItem()->isChecked());
    QCOMPARE(form().Stream().Log().Count(), 500);
  }

  // A file that is no whole number of records (a table file, which the
  // shared dialog offers) is read as a recording only after a Yes. One too
  // short to draw leaves the chart as drawn and says so in the status bar;
  // the next recording drawn clears that.
  void otherLengthsAskAndTooShortOnesKeepTheChart() {
    const QString drive = WriteLog(3000);  // drawn at a resolution of its own
    dialogs_->Answer(drive);
    Trigger("N3");
    const int points = chart()->graph(kMafSeries)->dataCount();
    const QString resolution = page().ResolutionLabel()->text();
    const auto* status = form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel0"));
    QString last = drive;
    for (const qint64 length : {262, 13, 16}) {
      const QString path = dir_->filePath(QStringLiteral("f%1.log").arg(length));
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(length, 5)) == length);
      file.close();
      const bool asks = length % 8 != 0;
      if (asks) {
        dialogs_->Answer(path);  // No, the default
        Trigger("N3");
        QCOMPARE(form().CurrentFiles().log, last);
        dialogs_->Reply(true);
      }
      dialogs_->Answer(path);
      Trigger("N3");
      const QString question =
          QStringLiteral("f%1.log не похож на файл лога (%1 байт). Открыть?").arg(length);
      QCOMPARE(dialogs_->questions, (asks ? QStringList{question, question} : QStringList()));
      dialogs_->questions.clear();
      QCOMPARE(form().Stream().Log().Count(), length / 8);
      QCOMPARE(status->text(), QStringLiteral("%1 зап.: мало для графика").arg(length / 8));
      QCOMPARE(chart()->graph(kMafSeries)->dataCount(), points);
      QCOMPARE(page().ResolutionLabel()->text(), resolution);
      QCOMPARE(form().CurrentFiles().log, last = path);
    }
    dialogs_->Answer(drive);
    Trigger("N3");
    QVERIFY(status->text().isEmpty());
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void recordingsOf117To119AreDrawnByOpenTabShowAndStop() {
    sim_ = std::make_unique<testing::SimProcess>();
    QVERIFY(sim_->Start({}));
    windows_ = StartUp({sim_->Port()});
    QVERIFY(testing::PickPort(form(), sim_->Port()));
    dialogs_->TakeMessages();
    // Right after "Стоп" the run's reader may still store its last frame:
    // an open waits for it to end before it writes the recording.
    form().findChild<QPushButton*>("ButtonStart")->click();
    QTRY_VERIFY(form().Stream().Log().Count() > 0);
    form().findChild<QPushButton*>("ButtonStop")->click();
    dialogs_->Answer(WriteLog(200));
    Trigger("N3");
    QVERIFY(!form().Stream().ReaderRunning());
    QCOMPARE(form().Stream().Log().Count(), 200);
    const struct {
      std::int32_t n;
      bool byOpen, byTabShow, byStop;
    } cases[] = {{117, false, false, false}, {118, true, false, false}, {119, true, true, true}};
    for (const auto& c : cases) {
      const QString path = WriteLog(c.n);
      dialogs_->Answer(path);
      Trigger("N3");
      QCOMPARE(form().Stream().Log().Count(), c.n);
      QCOMPARE(page().Frame().drawn, c.byOpen);

      CancelOpen();
      form().PageControl1()->setCurrentWidget(form().TabSheet("TabSheet2"));
      QCOMPARE(page().Frame().drawn, c.byTabShow);
      form().PageControl1()->setCurrentWidget(form().TabSheet("TabSheet4"));

      CancelOpen();
      form().findChild<QPushButton*>("ButtonStop")->click();
      QCOMPARE(page().Frame().drawn, c.byStop);
      QCOMPARE(page().Frame().end, c.n);
    }
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void plottedPointsReachTheFrameEdges() {
    Record(400, Plain);
    ShowWhole();  // 400 samples: every one plotted
    QCOMPARE(page().Frame().step, 1);
    QCOMPARE(FirstKey(), 0.0);    // no point before sample 0
    QCOMPARE(LastKey(), 3990.0);  // the last point is sample count - 1
    Zoom(100, 300);
    QCOMPARE(page().Frame().start, 100);
    QCOMPARE(page().Frame().end, 300);
    QCOMPARE(FirstKey(), 990.0);  // one side point each way
    QCOMPARE(LastKey(), 3010.0);
    QCOMPARE(page().PointCount(kTabSeries), 203);
  }

  void resolutionLabelsAndAFixedResolutionUnderZoom() {
    const std::pair<int, const char*> automatic[] = {{429, "0.01"}, {860, "0.02"}, {43000, "1.00"}};
    for (int k = 0; k < 3; ++k) {
      form().LogChartControl().SetAutoResolution(automatic[k].first);
      QCOMPARE(page().ResolutionLabel()->text(),
               QString("Разрешение: %1сек").arg(automatic[k].second));
    }
    Record(50000, Plain);
    ShowWhole();
    Trigger("N110");
    QCOMPARE(page().Frame().step, 100);
    QCOMPARE(page().ResolutionLabel()->text(), QStringLiteral("Разрешение: 1сек"));
    QCOMPARE(ResolutionMarks(), QStringLiteral("00000"));  // radio items without a mark

    Trigger("ZakrepitRazreshenie");
    Trigger("N0251");
    Zoom(1000, 2000);
    QCOMPARE(page().Frame().step, 25);
    QCOMPARE(page().ResolutionLabel()->text(), QStringLiteral("Разрешение: 0.25сек"));
    form().LogChartUndoZoom();
    QCOMPARE(page().Frame().step, 116);  // 50000 div 430, fixed or not
    QCOMPARE(page().ResolutionLabel()->text(), QStringLiteral("Разрешение: 1.16сек"));
    Trigger("ZakrepitRazreshenie");
    Zoom(0, 10000);
    QCOMPARE(page().Frame().step, 23);
  }

  // Each popup item does its own command: a resolution its step and
  // caption, a mode its count with its item alone ticked, "Точки" the
  // markers of the lines shown.
  void popupItemsDoTheirOwnCommand() {
    Record(2000, Plain);
    ShowWhole();
    const struct {
      const char* item;
      int step;
      const char* caption;
    } resolutions[] = {{"N0011", 1, "0.01"},
                       {"N011", 10, "0.1"},
                       {"N0251", 25, "0.25"},
                       {"N051", 50, "0.5"},
                       {"N110", 100, "1"}};
    for (const auto& r : resolutions) {
      Trigger(r.item);
      QCOMPARE(page().Frame().step, r.step);
      QCOMPARE(page().ResolutionLabel()->text(), QString("Разрешение: %1сек").arg(r.caption));
    }
    const char* const modes[] = {"N21", "N15", "N3MAFConst1", "N4MAFConst1", "N5MAFConst1"};
    for (int n = 1; n <= 5; ++n) {
      Trigger(modes[n - 1]);
      QCOMPARE(form().LogChartControl().Learner().MafConstCount(), n);
      for (int k = 1; k <= 5; ++k) QCOMPARE(page().MafConstItem(k)->isChecked(), k == n);
    }
    Trigger("VAF1");
    for (bool on : {true, false}) {
      Trigger("N26");
      QCOMPARE(page().PointsItem()->isChecked(), on);
      for (int s = 0; s < kLogSeriesCount; ++s)
        QCOMPARE(page().MarkersShown(s), on && s != kVafSeries);
    }
  }

  // What the chart shows besides its series: every series item carries a
  // swatch of its colour; five time labels or more, even over 30 ms; the
  // learned-cells warning below them, clear of them.
  void swatchesTimeLabelsAndTheWarningsPlace() {
    // Shown: a ticked square of the colour; hidden: its outline alone.
    const QSize side(kSwatchSide, kSwatchSide);
    for (int s = 0; s < kLogSeriesCount; ++s) {
      const QColor color = chart()->graph(s)->pen().color();
      const QIcon icon = page().SeriesItem(s)->icon();
      const QImage shown = icon.pixmap(side, QIcon::Normal, QIcon::On).toImage();
      const QImage hidden = icon.pixmap(side, QIcon::Normal, QIcon::Off).toImage();
      QCOMPARE(shown.pixelColor(10, 11), color);
      QCOMPARE(hidden.pixelColor(1, 7), color);
      QVERIFY(hidden.pixelColor(7, 7) != color);
    }
    // The time axis asks its step of TimeTickStep (test_log_frame).
    Record(1000, Plain);
    ShowWhole();
    Zoom(100, 103);
    const QVector<double> ticks = chart()->xAxis->tickVector();
    const QCPRange range = chart()->xAxis->range();
    QVERIFY(std::count_if(ticks.begin(), ticks.end(),
                          [&](double t) { return range.contains(t); }) >= kMinTimeLabels);
    Trigger("LearnedCellsLock");
    const int labelsEnd = chart()->axisRect()->bottom() + chart()->axisRect()->margins().bottom() -
                          chart()->xAxis->padding();
    QVERIFY(page().LockWarning()->geometry().top() >= labelsEnd);
    QVERIFY(page().LockWarning()->geometry().bottom() < chart()->height());
  }

  void seriesShowTheChannelsTheTableAndEnrichmentPercent() {
    for (int m = 0; m < 256; ++m) form().Table().SetCell(m, 255 - m);
    const int enrichment[] = {0, 128, 255};
    const double percent[] = {-100, 0, 99};
    Record(300, [&](std::int32_t k) {
      return Sample(k % 7, k % 2 ? 128 : 0, enrichment[k % 3], k % 50, 100 + k % 9, 200 - k % 11);
    });
    Trigger("VAF1");  // a hidden series is still filled
    ShowWhole();
    for (int k : {0, 1, 2, 149, 299}) {
      QCOMPARE(page().Y(kMafSeries, k), double(k % 50));
      QCOMPARE(page().Y(kVafSeries, k), double(100 + k % 9));
      QCOMPARE(page().Y(kConvSeries, k), double(k % 7));
      QCOMPARE(page().Y(kTabSeries, k), double(255 - k % 50));
      QCOMPARE(page().Y(kO2Series, k), double(200 - k % 11));
      QCOMPARE(page().Y(kMarkerSeries, k), k % 2 ? 128.0 : 0.0);
      QCOMPARE(page().Y(kEnrichmentSeries, k), percent[k % 3]);
    }
    QVERIFY(!page().LineShown(kVafSeries));
    QCOMPARE(page().PointCount(kVafSeries), 300);

    // A cell that is no number stops the pass there: the points made so far
    // stay and the chart does not count as drawn.
    form().Table().SetCellText(7, QStringLiteral("abc"));
    CancelOpen();
    Guarded(&form(), [&] { form().LogChartUndoZoom(); });  // as the gesture runs it
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'abc' is not a valid integer value"});
    QCOMPARE(page().PointCount(kMafSeries), 8);
    QCOMPARE(page().PointCount(kTabSeries), 7);
    QVERIFY(!page().Frame().drawn);
  }

  void hintShowsTheCheckedSeriesEvenWithNoneChecked() {
    Record(200, Plain);
    ShowWhole();
    Trigger("N10");
    const QPoint at = Pixel(kMafSeries, 100);
    QTest::mouseMove(chart(), at);
    QLabel* hint = page().Hint();
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->pos(), at + QPoint(20, -15));
    QCOMPARE(hint->text(), QStringLiteral("MAF=201\n\rVAF=50\n\rКонв.Вых.=60\n\rТаб.=0\n\r"
                                          "Лямбда=80\n\rОбогащение %=0"));
    QCOMPARE(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text(),
             QStringLiteral("MAF=201   VAF=50   Конв.Вых.=60   Таб.=0   "
                            "Лямбда=80   Обогащение %=0"));
    QTest::mouseMove(chart(), at + QPoint(0, 60));  // over no point
    QVERIFY(!hint->isVisible());
    QVERIFY(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());

    for (const char* item : {"MAF1", "VAF1", "N23", "N24", "N25", "N27", "N28"}) Trigger(item);
    QTest::mouseMove(chart(), at);
    QVERIFY(hint->isVisible());
    QVERIFY(hint->text().isEmpty());
    QVERIFY(form().findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());
  }

  void rightClickOpensThePopupAndRightDragScrollsInstead() {
    QMenu* popup = page().Popup();
    const QPoint centre(480, 240);
    RightClick(centre);
    QVERIFY(!popup->isVisible());  // nothing drawn yet

    Record(20000, Plain);
    ShowWhole();
    RightClick(centre);
    QTRY_VERIFY(popup->isVisible());
    popup->hide();

    const std::int32_t start = page().Frame().start;
    SendMouse(chart(), QEvent::MouseButtonPress, centre, Qt::RightButton, Qt::RightButton);
    QPoint at = centre;
    for (int dx : {-1, -30, -30}) {
      at += QPoint(dx, 0);
      SendMouse(chart(), QEvent::MouseMove, at, Qt::NoButton, Qt::RightButton);
      // Every move scrolls the frame and redraws it at once.
      const auto [axisStart, axisEnd] = page().AxisFrame();
      QCOMPARE(page().Frame().start, axisStart);
      QCOMPARE(FirstKey(), SampleTime(std::max(0, axisStart - page().Frame().step)));
    }
    QVERIFY(page().Frame().start > start);
    SendMouse(chart(), QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
    QTest::qWait(0);
    QVERIFY(!popup->isVisible());
    QVERIFY(!page().RightButtonDown());
  }

  void draggingATablePointClampsAndTheLineFollowsOnRelease() {
    form().Table().SetCell(30, 150);
    form().Table().SetCell(31, 160);
    Record(300, [](std::int32_t k) { return Sample(40, 0, 128, 30 + k % 2, 20, 60); });
    ShowWhole();
    const QPoint press = Pixel(kTabSeries, 100);  // MAF 30
    SendMouse(chart(), QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(form().LogChartControl().Drag().dragging);
    QVERIFY(!chart()->ZoomEnabled());
    const double scale =
        255.0 / (chart()->yAxis->coordToPixel(0) - chart()->yAxis->coordToPixel(255));
    // (press - mouse y) x scale from the start value, rounded, then clamped.
    const int up10 = RoundHalfEvenDouble(150 + 10 * scale);
    const int up7 = RoundHalfEvenDouble(150 + 7 * scale);
    const std::pair<int, int> moves[] = {{-10, up10}, {-2000, 255}, {2000, 0}, {-7, up7}};
    for (const auto& [dy, value] : moves) {
      SendMouse(chart(), QEvent::MouseMove, press + QPoint(0, dy), Qt::NoButton, Qt::LeftButton);
      QCOMPARE(form().Table().CellText(30), QString::number(value));
      QCOMPARE(page().Y(kTabSeries, 100), double(value));
      QCOMPARE(page().Y(kTabSeries, 102), 150.0);  // the rest waits for the release
      QVERIFY(page().Hint()->text().contains(QString("Таб.=%1").arg(value)));
    }
    QCOMPARE(form().LogChartControl().Learner().LearnedCells()[30], std::uint8_t(1));
    SendMouse(chart(), QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(form().Table().CellText(30), QString::number(up7));
    QCOMPARE(page().Y(kTabSeries, 102), double(up7));
    QCOMPARE(page().Y(kTabSeries, 101), 160.0);
    QVERIFY(!form().LogChartControl().Drag().dragging);
    QVERIFY(chart()->ZoomEnabled());
    QVERIFY(!page().Hint()->isVisible());

    // A redraw that fails at the release (a cell that is no number) still
    // ends the drag.
    form().Table().SetCellText(31, QStringLiteral("x"));
    const QPoint again = Pixel(kTabSeries, 100);
    SendMouse(chart(), QEvent::MouseButtonPress, again, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(form().LogChartControl().Drag().dragging);
    SendMouse(chart(), QEvent::MouseButtonRelease, again, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'x' is not a valid integer value"});
    QVERIFY(!form().LogChartControl().Drag().dragging);
    QVERIFY(chart()->ZoomEnabled());

    // With the table line hidden a press starts no drag and zoom stays on.
    Trigger("N24");
    SendMouse(chart(), QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!form().LogChartControl().Drag().dragging);
    QVERIFY(chart()->ZoomEnabled());
    SendMouse(chart(), QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
  }

 private:
  TForm1& form() { return *windows_.form1; }
  LogChartPage& page() { return form().LogChartControl().Page(); }
  LogChart* chart() { return page().Chart(); }

  void Trigger(const char* name) {
    form().findChild<QAction*>(QString::fromLatin1(name))->trigger();
  }

  void Record(std::int32_t n, const Channels& channels) {
    testing::Record(form().Stream().Log(), n, channels);
  }

  QString WriteLog(std::int32_t n) {
    const QString path = dir_->filePath(QStringLiteral("r%1.log").arg(n));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    for (std::int32_t k = 0; k < n; ++k)
      file.write(reinterpret_cast<const char*>(Plain(k).bytes.data()), 8);
    return path;
  }

  // The check marks of the five resolutions, "0.01" first.
  QString ResolutionMarks() {
    QString marks;
    for (int k = 0; k < kResolutionCount; ++k)
      marks += page().ResolutionItem(k)->isChecked() ? '1' : '0';
    return marks;
  }

  void CancelOpen() {
    dialogs_->Answer(std::nullopt);
    Trigger("N3");
  }

  // Shows the tab and draws the whole recording, laid out for pixel
  // positions.
  void ShowWhole() {
    form().PageControl1()->setCurrentWidget(form().TabSheet("TabSheet2"));
    form().LogChartUndoZoom();
    chart()->replot();
  }

  // The zoom as the chart raises it: bottom axis on the samples first..last.
  void Zoom(std::int32_t first, std::int32_t last) {
    chart()->xAxis->setRange(SampleTime(first), SampleTime(last));
    form().LogChartZoom();
    chart()->replot();
  }

  double FirstKey() { return chart()->graph(kMafSeries)->data()->constBegin()->key; }
  double LastKey() { return (chart()->graph(kMafSeries)->data()->constEnd() - 1)->key; }

  QPoint Pixel(int series, int k) {
    const auto point = chart()->graph(series)->data()->at(k);
    return QPoint(qRound(chart()->xAxis->coordToPixel(point->key)),
                  qRound(chart()->yAxis->coordToPixel(point->value)));
  }

  void RightClick(QPoint at) {
    SendMouse(chart(), QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    SendMouse(chart(), QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
  }

  std::optional<QTemporaryDir> dir_;
  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  std::unique_ptr<testing::SimProcess> sim_;
  Windows windows_;
};

QTEST_MAIN(TestLogChart)
#include "test_log_chart.moc"
