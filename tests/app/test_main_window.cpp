// The main window as a user meets it: start-up state, menus, captions, the
// table commands, the grid hint, the panel chart, scaling and the default
// error handler.

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "app/HandlerGuard.h"
#include "app/StartUp.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareTables.h"
#include "core/Scaling.h"
#include "link/SerialPortError.h"
#include "log/LogChartPage.h"
#include "log/PanelPage.h"
#include "support/ScriptedDialogs.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "widgets/BarGauge.h"
#include "widgets/FileDialog.h"

using namespace zelor;

namespace {

QString Caption() { return QStringLiteral("ZelorConfigurator "); }

QAction* Action(TForm1& form, const char* name) {
  return form.findChild<QAction*>(QString::fromLatin1(name));
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dialogs_ = std::make_unique<testing::ScriptedDialogs>();
    windows_ = StartUp({});
  }
  void cleanup() {
    windows_ = Windows();
    dialogs_.reset();
  }

  void captionRulesOfTheTabs() {
    TForm1& form = *windows_.form1;
    QTabWidget* tabs = form.PageControl1();
    tabs->setCurrentWidget(form.TabSheet("TabSheet1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("ZelorConfigurator"));
    tabs->setCurrentWidget(form.TabSheet("TabSheet3"));
    QCOMPARE(form.windowTitle(), Caption());
    tabs->setCurrentWidget(form.TabSheet("TabSheet1"));
    tabs->setCurrentWidget(form.TabSheet("TabSheet4"));
    QCOMPARE(form.windowTitle(), QStringLiteral("ZelorConfigurator"));  // unchanged
    tabs->setCurrentWidget(form.TabSheet("TabTableGraph"));
    QCOMPARE(form.windowTitle(), Caption());
    tabs->setCurrentWidget(form.TabSheet("TabSheet2"));
    QCOMPARE(form.windowTitle(), Caption());
  }

  void identityAndZeroCommands() {
    TForm1& form = *windows_.form1;
    Action(form, "N112")->trigger();
    QTableWidget* grid = form.Grid().Grid();
    QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("240"));
    QCOMPARE(grid->item(0, 15)->text(), QStringLiteral("255"));
    QCOMPARE(grid->item(15, 0)->text(), QStringLiteral("0"));
    QCOMPARE(grid->item(15, 15)->text(), QStringLiteral("15"));
    for (int r = 0; r < 16; ++r)
      for (int c = 0; c < 16; ++c) QCOMPARE(grid->item(r, c)->text().toInt(), (15 - r) * 16 + c);
    QCPGraph* series = form.Chart().Series1();
    QCOMPARE(series->dataCount(), 256);
    QCOMPARE(series->data()->at(200)->value, 200.0);
    QCOMPARE(form.Panel().Tab->dataCount(), 256);
    QCOMPARE(form.Panel().Tab->data()->at(77)->value, 77.0);

    form.Grid().SetSetting(0, 99);
    Action(form, "N14")->trigger();
    for (int i = 0; i < 256; ++i) QCOMPARE(form.Grid().CellText(i), QStringLiteral("0"));
    QCOMPARE(form.Grid().SettingEdit(0)->text(), QStringLiteral("4"));
    QCOMPARE(form.windowTitle(), Caption());
    QCOMPARE(series->data()->at(200)->value, 0.0);
  }

  void settingsAreClampedIntoTheirRanges() {
    GridPage& grid = windows_.form1->Grid();
    grid.SetSetting(0, 0);
    QCOMPARE(grid.SettingEdit(0)->text(), QStringLiteral("1"));
    grid.SetSetting(2, 150);
    QCOMPARE(grid.SettingEdit(2)->text(), QStringLiteral("99"));
    grid.SetSetting(3, -7);
    QCOMPARE(grid.SettingEdit(3)->text(), QStringLiteral("1"));
    grid.SetSetting(5, 255);
    QCOMPARE(grid.SettingEdit(5)->text(), QStringLiteral("100"));
    QVERIFY(!grid.SettingEdit(0)->isEnabled());
    QVERIFY(grid.SettingEdit(0)->isReadOnly());
  }

  void gridHint() {
    TForm1& form = *windows_.form1;
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet3"));
    Action(form, "N112")->trigger();
    QTableWidget* grid = form.Grid().Grid();
    const QRect topRight = grid->visualRect(grid->model()->index(0, 15));
    QTest::mouseMove(grid->viewport(), topRight.center());
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text(),
             QStringLiteral("MAF=255      Конв.Вых.=255"));
    form.Grid().SetCellText(3, QStringLiteral("abc"));
    const QRect cell3 = grid->visualRect(grid->model()->index(15, 3));
    QTest::mouseMove(grid->viewport(), cell3.center());
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text(),
             QStringLiteral("MAF=3      Конв.Вых.=abc"));
    // Off the cells: the grid's empty area, then the bare tab.
    QTest::mouseMove(grid->viewport(),
                     QPoint(grid->viewport()->width() - 2, grid->viewport()->height() - 2));
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());
    QTest::mouseMove(grid->viewport(), cell3.center());
    QVERIFY(!form.findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());
    QTest::mouseMove(form.TabSheet("TabSheet3"), QPoint(900, 450));
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());
    // Nor does a hint outlive its tab.
    QTest::mouseMove(grid->viewport(), cell3.center());
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet2"));
    QVERIFY(form.findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text().isEmpty());
  }

  void badCellStopsTheChartRebuildWithItsMessage() {
    TForm1& form = *windows_.form1;
    Action(form, "N112")->trigger();
    form.Grid().SetCellText(100, QStringLiteral("abc"));
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet1"));
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabTableGraph"));
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'abc' is not a valid integer value"});
    QCOMPARE(form.Chart().Series1()->dataCount(), 100);                 // points before it stay
    QCOMPARE(form.windowTitle(), QStringLiteral("ZelorConfigurator"));  // caption not updated
    // The panel chart reads numbers: the same cell stops it with its own text.
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet4"));
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'abc' is not a valid floating point value"});
    QCOMPARE(form.Panel().Tab->dataCount(), 100);
    // The program runs on: a valid table rebuilds fully.
    form.Grid().SetCellText(100, QStringLiteral("12.5"));
    form.TabSheet4Show();
    QCOMPARE(form.Panel().Tab->dataCount(), 256);
    QCOMPARE(form.Panel().Tab->data()->at(100)->value, 12.5);
  }

  void refreshInsertCellChartDrawsTheCorrectionRange() {
    TForm1& form = *windows_.form1;
    PanelPage& panel = form.Panel();
    panel.TrackBarMafKon->setValue(120);
    panel.TrackBarMafNach->setValue(40);
    panel.VAF_MAF->setData({50.0}, {60.0});
    form.RefreshInsertCellChart();
    QCOMPARE(panel.VAF_MAF->dataCount(), 1);
    QCOMPARE(panel.VAF_MAF->data()->at(0)->key, 0.0);
    QCOMPARE(panel.VAF_MAF->data()->at(0)->value, 0.0);
    QCOMPARE(panel.Konv_MAF->dataCount(), 1);
    QCOMPARE(panel.CorrBeg->dataCount(), 2);
    QCOMPARE(panel.CorrBeg->data()->at(0)->key, 40.0);
    QCOMPARE(panel.CorrBeg->data()->at(1)->key, 40.0);
    QCOMPARE(panel.CorrBeg->data()->at(0)->value, 0.0);
    QCOMPARE(panel.CorrBeg->data()->at(1)->value, 300.0);
    QCOMPARE(panel.CorrEnd->data()->at(0)->key, 120.0);
    QCOMPARE(panel.Tab->dataCount(), 256);
    // Series in their fixed order; axes fixed.
    QCustomPlot* chart = panel.InsertCellChart;
    const QStringList order = {"Tab", "VAF_MAF", "Konv_MAF", "CorrBeg", "CorrEnd"};
    for (int i = 0; i < 5; ++i) QCOMPARE(chart->graph(i)->objectName(), order[i]);
    QCOMPARE(chart->xAxis->range().lower, 0.0);
    QCOMPARE(chart->xAxis->range().upper, 260.0);
    QCOMPARE(chart->yAxis->range().lower, 1.0);
    QCOMPARE(chart->yAxis->range().upper, 300.0);
  }

  void panelStartsAsDesigned() {
    PanelPage& panel = windows_.form1->Panel();
    for (QLineEdit* box : {panel.MAFTextBox, panel.VAFTextBox, panel.KonvTextBox, panel.O2TextBox})
      QCOMPARE(box->text(), QStringLiteral("255N 5.00V"));
    for (BarGauge* gauge : {panel.MAF, panel.VAF, panel.Konv, panel.O2})
      QCOMPARE(gauge->Progress(), 128);
    QCOMPARE(panel.MAF->Color(), QColor(0, 128, 255));
    QCOMPARE(panel.O2->Color(), QColor(0, 221, 0));
    QVERIFY(panel.CheckBoxKonvMaf->isChecked());
    QVERIFY(!panel.CheckBoxInsertCell->isChecked());
    QVERIFY(!panel.WBO->isChecked());
    QCOMPARE(panel.LearningMode(), 0);
    QVERIFY(!panel.GroupBox1->isEnabled());
    panel.MAF->SetProgress(400);
    QCOMPARE(panel.MAF->Progress(), 255);
    panel.MAF->SetProgress(-3);
    QCOMPARE(panel.MAF->Progress(), 0);
  }

  void noPortChosen() {
    TForm1& form = *windows_.form1;
    form.Grid().VersionLabel()->show();
    Action(form, "N8")->trigger();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Вы не выбрали COM порт!"});
    QVERIFY(form.Grid().VersionLabel()->isVisibleTo(form.TabSheet("TabSheet3")));
    Action(form, "N7")->trigger();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Вы не выбрали COM порт!"});
    QVERIFY(!form.Grid().VersionLabel()->isVisibleTo(form.TabSheet("TabSheet3")));
  }

  void portThatCannotBeOpenedShowsTheSerialError() {
    windows_ = Windows();
    windows_ = StartUp({"/dev/zelor-no-such-port"});
    TForm1& form = *windows_.form1;
    auto* com = form.findChild<QComboBox*>(QStringLiteral("COM"));
    const int index = com->findText(QStringLiteral("/dev/zelor-no-such-port"));
    QVERIFY(index >= 0);
    QCOMPARE(index, com->count() - 1);  // after the system's own ports
    com->setCurrentIndex(index);
    emit com->activated(index);
    const QStringList messages = dialogs_->TakeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith("Unable to open com port (Error: "), qPrintable(messages[0]));
    QVERIFY(!form.Converter().PortChosen());
    QVERIFY(!form.Converter().ComPort1().IsOpen());
    // Later commands still find no port chosen.
    Action(form, "N7")->trigger();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Вы не выбрали COM порт!"});
  }

  void defaultErrorHandlerShowsTheMessageAndRunsOn() {
    bool after = false;
    Guarded(nullptr, [&] {
      throw SerialPortError(24);
      after = true;
    });
    QVERIFY(!after);
    Guarded(nullptr, [] { throw std::runtime_error("boom"); });
    Guarded(nullptr, [] { throw 42; });
    QCOMPARE(dialogs_->TakeMessages(), (QStringList{"Port Not Open", "boom", "Unknown error"}));
  }

  void webAddressLabel() {
    TForm1& form = *windows_.form1;
    auto* label7 = form.findChild<QLabel*>(QStringLiteral("Label7"));
    QVERIFY(label7);
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet1"));
    QTest::mouseClick(label7, Qt::LeftButton);
    QCOMPARE(dialogs_->openedAddresses, QStringList{label7->text()});
    QCOMPARE(label7->toolTip(), label7->text());
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label6"))->text(), QStringLiteral("Zelor"));
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("Label17"))->text(), QStringLiteral("V3.2"));
  }

  void comparisonWindowOpensNonModal() {
    TForm1& form = *windows_.form1;
    Action(form, "N22")->trigger();
    QVERIFY(windows_.form2->isVisible());
    QVERIFY(!windows_.form2->isModal());
    windows_.form2->close();
    Action(form, "N22")->trigger();
    QVERIFY(windows_.form2->isVisible());
  }

  void progressWindowAsDesigned() {
    TForm3& form3 = *windows_.form3;
    QCOMPARE(form3.windowTitle(), QStringLiteral("Запись"));
    QCOMPARE(form3.Client()->size(), QSize(524, 99));
    QVERIFY(form3.windowFlags() & Qt::WindowStaysOnTopHint);
    // No title bar of the window manager's, whose buttons some managers
    // show whatever the window asks for; the caption strip of its own
    // follows the title.
    QVERIFY(form3.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form3.Caption()->text(), QStringLiteral("Запись"));
    form3.setWindowTitle(QStringLiteral("Write"));
    QCOMPARE(form3.Caption()->text(), QStringLiteral("Write"));
    QCOMPARE(form3.ProgressBar1()->minimum(), 0);
    QCOMPARE(form3.ProgressBar1()->maximum(), 100);
    QCOMPARE(qRound(form3.windowOpacity() * 255), 200);
  }

  void scaleFactorFromTheScreen() {
    QCOMPARE(ScreenScalePercent(1024, 600), 100);
    QCOMPARE(ScreenScalePercent(1280, 1024), 125);
    QCOMPARE(ScreenScalePercent(800, 600), 78);
    QCOMPARE(ScreenScalePercent(1920, 1080), 180);
    QCOMPARE(MulDiv(971, 78, 100), 757);  // 757.38
    QCOMPARE(MulDiv(5, 50, 100), 3);      // halves away from zero
    QCOMPARE(MulDiv(-5, 50, 100), -3);
    QCOMPARE(MulDiv(7, 3, 0), 0);
    QCOMPARE(ScaledColumnWidth(340), 30);
    QCOMPARE(ScaledRowHeight(500), 20);
    QCOMPARE(ScaledColumnWidth(265), 23);  // 23.38
  }

  void scalingToTheScreenAndBack() {
    TForm1& form = *windows_.form1;
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const int p = ScreenScalePercent(screen.width(), screen.height());
    QVERIFY(p > 0);
    QTableWidget* grid = form.Grid().Grid();
    const QSize gridBefore = grid->size();
    Action(form, "N19")->trigger();
    QCOMPARE(form.centralWidget()->width(), MulDiv(971, p, 100));
    QCOMPARE(form.centralWidget()->height(), MulDiv(539, p, 100));
    QCOMPARE(grid->width(), MulDiv(gridBefore.width(), p, 100));
    QCOMPARE(grid->horizontalHeader()->defaultSectionSize(), ScaledColumnWidth(grid->height()));
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), ScaledRowHeight(grid->width()));
    QCOMPARE(form.font().pixelSize(), MulDiv(13, p, 100));
    QTableWidget* compareGrid = windows_.form2->Grid1();
    QCOMPARE(compareGrid->horizontalHeader()->defaultSectionSize(),
             ScaledColumnWidth(compareGrid->height()));
    QCOMPARE(windows_.form2->font().pixelSize(), MulDiv(13, p, 100));
    QVERIFY(!Action(form, "N19")->isEnabled());
    QVERIFY(Action(form, "N20")->isEnabled());

    Action(form, "N20")->trigger();
    QCOMPARE(grid->horizontalHeader()->defaultSectionSize(), 30);
    QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 20);
    QCOMPARE(compareGrid->horizontalHeader()->defaultSectionSize(), 30);
    QCOMPARE(compareGrid->verticalHeader()->defaultSectionSize(), 20);
    // The integer rounding may leave a pixel.
    QVERIFY(qAbs(form.centralWidget()->width() - 971) <= 1);
    QVERIFY(qAbs(form.centralWidget()->height() - 539) <= 1);
    QVERIFY(qAbs(grid->width() - gridBefore.width()) <= 1);
    QCOMPARE(form.font().pixelSize(), 13);
    QCOMPARE(windows_.form2->font().pixelSize(), 13);
    QVERIFY(Action(form, "N19")->isEnabled());
    QVERIFY(!Action(form, "N20")->isEnabled());
  }

 private:
  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  Windows windows_;
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
