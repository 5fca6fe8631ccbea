// The window "Коррекция по лямбде" through the main window: its items open
// it in the messages' language, "Применить" is one history step that
// "Отменить" takes back, "Применить к выделенным" touches only the grid's
// selection, the refusals change nothing, a learned cell under its lock
// stays, and a setting changed analyses again at once.

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <qcustomplot.h>

#include "learn/LambdaFixWindow.h"
#include "link/LogBuffer.h"
#include "log/LambdaFixController.h"
#include "log/LogChartController.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "support/PanelControls.h"
#include "support/SimWindow.h"
#include "table/TableHistoryController.h"
#include "table/TableModel.h"

using namespace zelor;

namespace {

// The O2 count of an LC-1 reading lambda 1.10 at 14.7: 16.17 AFR, 2.93 V.
constexpr int kLeanO2 = 150;

// A recording of blocks of steady cruise, each at one MAF value with the
// converter's output there, reading lean.
void Record(LogBuffer& log, std::initializer_list<std::pair<int, int>> blocks, int perBlock) {
  std::int32_t slot = 0;
  for (const auto& [maf, output] : blocks) {
    for (int k = 0; k < perBlock; ++k) {
      LogSample s;
      s.bytes = {std::uint8_t(output), 0, 128, std::uint8_t(maf),
                 std::uint8_t(output), 0, 0,   std::uint8_t(kLeanO2)};
      log.Store(slot++, s);
    }
  }
  log.SetCount(slot);
}

}  // namespace

class TestLambdaWindow : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  // Both items open the one window, non-modal, in the messages' language.
  void itemsOpenTheWindow() {
    windows_ = StartUp({});
    QCOMPARE(form().findChild<QMenu*>(QStringLiteral("N1"))->actions().back(), Item("LambdaFix"));
    QCOMPARE(form().Grid().ContextMenu()->actions().back(), Item("LambdaFixCells"));
    for (const char* item : {"LambdaFix", "LambdaFixCells"}) {
      Window().hide();
      QCOMPARE(Item(item)->text(), QStringLiteral("Коррекция по лямбде"));
      Trigger(item);
      QVERIFY(Window().isVisible());
      QVERIFY(!Window().isModal());
      QCOMPARE(Window().windowTitle(), QStringLiteral("Коррекция по лямбде"));
    }
    // The window's "ШЛЗ" and the panel's are one switch.
    for (bool on : {true, false}) {
      testing::PanelControls(form()).WBO->setChecked(on);
      QCOMPARE(Window().wbo->isChecked(), on);
      Window().wbo->setChecked(!on);
      QCOMPARE(testing::PanelControls(form()).WBO->isChecked(), !on);
    }
    // No recording yet: the summary tells what is missing.
    QVERIFY(Window().summary->text().contains(QStringLiteral("119")));
    form().Messages().SwitchToEnglish();
    form().ApplyOwnCaptions();
    QCOMPARE(Window().windowTitle(), QStringLiteral("Lambda correction"));
    QCOMPARE(Window().apply->text(), QStringLiteral("Apply"));
    QCOMPARE(Window().wbo->text(), QStringLiteral("WBO"));
    QCOMPARE(Item("LambdaFixCells")->text(), QStringLiteral("Lambda correction"));
  }

  // Two lean cells, 100 and 120, read lambda 1.10: "Применить" moves each
  // by its cap (10 % of 100; 12 counts), one step, which "Отменить" takes
  // back whole and "Вернуть" brings again; with the grid's selection only
  // the selected cell moves; a learned cell under the lock stays.
  void applyWritesTheProposal_data() {
    QTest::addColumn<bool>("selectedOnly");
    QTest::addColumn<bool>("lockCell100");
    QTest::addColumn<QString>("cell100");
    QTest::addColumn<QString>("cell120");
    QTest::newRow("all") << false << false << "110"
                         << "132";
    QTest::newRow("selected 120") << true << false << "100"
                                  << "132";
    QTest::newRow("100 learned and locked") << false << true << "100"
                                            << "132";
  }
  void applyWritesTheProposal() {
    QFETCH(bool, selectedOnly);
    QFETCH(bool, lockCell100);
    QFETCH(QString, cell100);
    QFETCH(QString, cell120);
    windows_ = StartUp({});
    Trigger("N112");  // 1:1
    Record(form().Stream().Log(), {{100, 100}, {120, 120}}, 400);
    if (lockCell100) {
      form().LogChartControl().Learner().MarkLearned(100);
      form().LogChartControl().Learner().ToggleLock();
      form().CommitTableStep();  // the mark is a step of its own
    }
    Select(selectedOnly ? 120 : -1);
    Open();
    const QStringList before = Cells();
    const std::size_t steps = form().History().Steps().UndoCount();
    const int proposed = form().LambdaFix().Result()->cellsChanged;
    (selectedOnly ? Window().applySelected : Window().apply)->click();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(form().Table().CellText(100), cell100);
    QCOMPARE(form().Table().CellText(120), cell120);
    QCOMPARE(Changed(before), 1 + (cell100 != QLatin1String("100")));
    QCOMPARE(form().FirstPanel()->text(),
             QStringLiteral("Изменено ячеек: %1").arg(Changed(before)));
    QCOMPARE(form().History().Steps().UndoCount(), steps + 1);
    QCOMPARE(form().LambdaFix().Result()->cellsChanged, proposed - Changed(before));
    Trigger("UndoTable");
    QCOMPARE(Cells(), before);
    // The open window follows the table: it proposes again what the undo
    // took back; the apply's count went with the next command.
    QTRY_COMPARE(form().LambdaFix().Result()->cellsChanged, proposed);
    QVERIFY(form().FirstPanel()->text().isEmpty());
    Trigger("RedoTable");
    QCOMPARE(form().Table().CellText(120), cell120);
  }

  // Each setting analyses again as it changes, no button pressed: the
  // delay's modes give the curve the analysis uses; the closed loop the
  // tuner names leaves its cells alone, drawn in their own band of the
  // strip; smoothing and gap filling off leave the cell between the two
  // read ones as it is.
  void settingsAnalyseAtOnce_data() {
    QTest::addColumn<QString>("setting");
    QTest::newRow("one delay") << "one";
    QTest::newRow("idle : full flow") << "idle:full";
    QTest::newRow("closed loop below 256") << "closed";
    QTest::newRow("no smoothing, no filling") << "none";
  }
  void settingsAnalyseAtOnce() {
    QFETCH(QString, setting);
    windows_ = StartUp({});
    Trigger("N112");  // 1:1
    Record(form().Stream().Log(), {{100, 100}, {104, 104}}, 400);
    Open();
    auto result = [this] { return *form().LambdaFix().Result(); };
    QCOMPARE(result().cells[102].newValue, 112);  // filled between them
    if (setting == QLatin1String("one")) {
      Window().delayMode->setCurrentIndex(static_cast<int>(DelayMode::kOne));
      Window().delayMs->setValue(300);
      QCOMPARE(result().delay, DelayCurve::Flat(300));
    } else if (setting == QLatin1String("idle:full")) {
      Window().delayMode->setCurrentIndex(static_cast<int>(DelayMode::kIdleFull));
      Window().delayMs->setValue(600);
      Window().delayFullMs->setValue(120);
      QCOMPARE(result().delay.MsAt(kIdleMaf), 600.0);
      QCOMPARE(result().delay.MsAt(255), 120.0);
    } else if (setting == QLatin1String("closed")) {
      Window().closedLoopMaf->setValue(256);
      QCOMPARE(result().cellsChanged, 0);
      QVERIFY(result().cellsClosedLoop >= 2);
      QCOMPARE(Window().stateBars[static_cast<int>(LambdaCellState::kClosedLoop)]->dataCount(),
               result().cellsClosedLoop);
    } else {
      Window().smoothCells->setValue(0);
      Window().fillGapCells->setValue(0);
      QCOMPARE(result().cells[102].newValue, 102);
      QCOMPARE(result().cells[104].newValue, 114);
    }
  }

  // While the stream runs, and without a recording of 119 samples, the
  // apply is refused with its message and changes nothing.
  void refusals() {
    Launch({});
    Pick();
    Trigger("N112");
    const QStringList before = Cells();
    const std::size_t steps = form().History().Steps().UndoCount();
    Record(form().Stream().Log(), {{100, 100}}, 118);
    Open();
    Window().apply->click();
    QCOMPARE(dialogs_->TakeMessages(),
             QStringList{form().Messages().Own(OwnMessage::kLambdaTooShort)});
    Click("ButtonStart");
    QVERIFY(form().Stream().Streaming());
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() >= kLambdaFixMinimumSamples, 10000);
    Window().apply->click();
    Click("ButtonStop");
    QCOMPARE(dialogs_->TakeMessages(),
             QStringList{form().Messages().Own(OwnMessage::kLambdaStreaming)});
    QCOMPARE(Cells(), before);
    QCOMPARE(form().History().Steps().UndoCount(), steps);
  }

 private:
  LambdaFixWindow& Window() { return *form().LambdaFix().Window(); }
  // Opens the window on the whole recording with lambda 1.00 everywhere and
  // no delay.
  void Open() {
    Trigger("LambdaFix");
    Window().wbo->setChecked(true);
    Window().wholeRecording->setChecked(true);
    Window().targetHigh->setValue(1.00);
    Window().delayMs->setValue(0);
  }
  void Select(int index) {
    QTableWidget* grid = form().Grid().Grid();
    grid->clearSelection();
    if (index < 0) return;
    grid->selectionModel()->select(grid->model()->index(CellRow(index), CellColumn(index)),
                                   QItemSelectionModel::Select);
  }
  int Changed(const QStringList& before) {
    const QStringList now = Cells();
    int n = 0;
    for (int index = 0; index < 256; ++index) n += now[index] != before[index];
    return n;
  }
};

QTEST_MAIN(TestLambdaWindow)
#include "test_lambda_window.moc"
