// The main window as a user meets it: the windows at start-up against their
// designed figures and the program's own menu and caption tables, the
// captions, the table commands, the grid hint, the panel chart, scaling and
// the default error handler.

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include "app/GuideWindow.h"
#include "app/MainCaptions.h"
#include "app/MainMenu.h"
#include "app/StartUp.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareMenu.h"
#include "compare/CompareTables.h"
#include "core/Scaling.h"
#include "link/ConverterTransfer.h"
#include "link/SerialPortError.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/PanelPage.h"
#include "support/PanelControls.h"
#include "support/ScriptedDialogs.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableGrid.h"
#include "table/TableModel.h"
#include "ui/HandlerGuard.h"
#include "widgets/BarGauge.h"
#include "widgets/FileDialog.h"

using namespace zelor;

namespace {

QString Caption() { return QStringLiteral("ZelorConfigurator "); }

// The language file's caption lines that name no item of the main menu, in
// the file's order: lines 1 to 51, then 71 to 84.
const char kLines1To51[] =
    "Порт|График таблицы |Таблица Замены|Графики Лога|Панель приборов|"
    "Выход Конвертера|Конв.Вых.|Сглаживание сигнала |\"Ускорительный насос\"|"
    "Вборка MAF 1/100 сек.*|Порог срабатывания|Обогащение +%|Спад обогащения -% |"
    "Внимание! Обученные ячейки заблокированны|Разрешение:|Уровень сигнала |Время|"
    "Разрешение: |сек|Таб.|Лямбда|Обогащение %|Точки|Подсказка|Разрешение графиков|"
    "Закрепить разрешение|Обучение по текущему фрейму |Обучить|"
    "Обученные ячейки таблицы|Заблокировать|Сброс статуса \"обучено\"|VAF(лопата)|"
    "Выход Конвертера|Рассчитанный по таблице|Лямбда|Обогащение|Маркер|Конв|ШЛЗ|"
    "Обучение Таблицы|Быстро но грубо |Медленно но точно|Старт|Стоп|Маркер лога|"
    "Нажмите пробел|Коррекция|Бипер ЛЗ|Внести в таблицу|MAFнач.|MAFкон.";
const char kLines71To84[] =
    "Запись|График таблиц|Таблица №1|Таблица №2|Точки|Таблица№1|Таблица №2|Закрыть|"
    "Файл|Открыть|Сохранить|Обнулить таблицу|Замена 1 к 1 |Да!";

void Row(const char* name, const QVariant& observed, const QVariant& expected) {
  QTest::newRow(name) << observed << expected;
}

// A menu item as "parent/name caption", "+" after a submenu's, then its state.
QString Item(const QString& parent, const QString& name, const QString& caption, bool menu,
             int state) {
  static const char* const kStates[] = {"", " off", " hidden"};
  return parent + '/' + name + ' ' + caption + (menu ? "+" : "") + kStates[state];
}
// The items of a built menu named name, each submenu's after its own.
QStringList Items(const QWidget& menu, const QString& name) {
  QStringList items;
  for (const QAction* item : menu.actions()) {
    // Qt disables a hidden item.
    const int state = !item->isVisible()  ? MenuRow::kHidden
                      : item->isEnabled() ? MenuRow::kEnabled
                                          : MenuRow::kDisabled;
    items << (item->isSeparator()
                  ? name + "/-"
                  : Item(name, item->objectName(), item->text(), item->menu(), state));
    if (item->menu()) items << Items(*item->menu(), item->objectName());
  }
  return items;
}
// The same as a window's table declares them: the table's caption (the
// program's own where it has none) and state; another menu's items as that
// menu holds them.
QStringList Items(const WindowShell& shell, std::span<const MenuRow> rows) {
  QStringList items;
  for (const MenuRow& row : rows) {
    const QString parent = QString::fromLatin1(*row.parent ? row.parent : "MainMenu1");
    if (row.kind == MenuRow::kSeparator) items << parent + "/-";
    if (row.kind == MenuRow::kItemsOf) items << Items(*shell.findChild<QMenu*>(row.name), parent);
    if (row.kind != MenuRow::kItem && row.kind != MenuRow::kMenu) continue;
    const QString caption =
        *row.caption ? QString::fromUtf8(row.caption) : shell.Action(row.name)->text();
    items << Item(parent, row.name, caption, row.kind == MenuRow::kMenu, row.state);
  }
  return items;
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

  // The windows as the program starts: the figures and texts that nothing
  // in the program states twice are written here; the menus and the
  // language file's caption lines come from the program's own tables.
  void conformance_data() {
    QTest::addColumn<QVariant>("observed");
    QTest::addColumn<QVariant>("expected");
    testing::ScriptedDialogs dialogs;
    const Windows windows = StartUp({});
    TForm1& form = *windows.form1;
    QTabWidget* tabs = form.PageControl1();
    auto font = [](const QWidget& window) {
      return QStringLiteral("%1 %2 px").arg(window.font().family()).arg(window.font().pixelSize());
    };
    auto* timer1 = form.findChild<QTimer*>(QStringLiteral("Timer1"));
    auto* timer2 = form.findChild<QTimer*>(QStringLiteral("Timer2"));
    QStringList names, settings;
    for (int i = 0; i < tabs->count(); ++i) names << tabs->widget(i)->objectName();
    for (int k = 0; k < 6; ++k) settings << form.Grid().SettingEdit(k)->text();
    int zeros = 0;
    for (int i = 0; i < 256; ++i) zeros += form.Table().CellText(i) == QLatin1String("0");

    Row("client area", form.centralWidget()->size(), QSize(971, 539));
    Row("fixed size", form.minimumSize() == form.maximumSize(), true);
    Row("maximise button", form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint), false);
    Row("font", font(form), "Arial 13 px");
    Row("comparison window's font", font(*windows.form2), "Arial 13 px");
    Row("caption", form.windowTitle(), Caption());
    Row("Timer1 interval", timer1->interval(), 10);
    Row("Timer2 interval", timer2->interval(), 100);
    Row("timers running", timer1->isActive() || timer2->isActive(), false);
    Row("tabs along the bottom", tabs->tabPosition() == QTabWidget::South, true);
    Row("tabs", names,
        QStringList{"TabSheet1", "TabTableGraph", "TabSheet3", "TabSheet2", "TabSheet4"});
    Row("first tab's header", tabs->tabText(0), QString());
    Row("tab headers bold", tabs->tabBar()->font().bold(), true);
    Row("tab in front", tabs->currentWidget()->objectName(), "TabSheet4");
    for (const char* dialog : {"FileOpenDLG", "FileSaveDLG"})
      Row(dialog, form.findChild<FileDialog*>(QString::fromLatin1(dialog))->Filter(),
          "Файлы таблицы замены|*.tab|Все файлы|*.*");
    Row("port", QString::fromStdString(form.Converter().ComPort1().PortName()), "COM1");
    Row("port open", form.Converter().ComPort1().IsOpen(), false);
    Row("port chosen", form.Converter().PortChosen(), false);
    Row("port box", form.findChild<QComboBox*>(QStringLiteral("COM"))->currentIndex(), -1);
    Row("cells zero", zeros, 256);
    Row("settings", settings, QStringList{"4", "5", "0", "50", "100", "100"});
    Row("files", form.CurrentFiles().table + form.CurrentFiles().log, QString());
    Row("points per frame", form.LogChartControl().Page().Frame().pointsPerFrame, 430);
    Row("firmware label hidden", form.Grid().VersionLabel()->isHidden(), true);
    Row("comparison window shown", windows.form2->isVisible(), false);
    Row("progress window shown", windows.form3->isVisible(), false);
    Row("messages", int(dialogs.messages.size()), 0);
    const QAction* n22 = form.Action("N22");
    Row("N22 a command on the bar", form.menuBar()->actions().contains(n22) && !n22->menu(), true);

    Row("main menu", Items(*form.menuBar(), "MainMenu1"), Items(form, kMainMenu));
    Row("comparison menu", Items(*windows.form2->menuBar(), "MainMenu1"),
        Items(*windows.form2, kCompareMenu));
    // What the language file replaces, line by line: lines 52 to 70 are the
    // main menu's items that have a caption, in the menu's order.
    QStringList expected = QString::fromUtf8(kLines1To51).split('|');
    for (const MenuRow& row : kMainMenu)
      if (*row.caption) expected << QString::fromUtf8(row.caption);
    expected << QString::fromUtf8(kLines71To84).split('|');
    QStringList lines;
    for (int line = 1; line <= kMainCaptionLineCount; ++line) lines << CaptionOfLine(form, line);
    lines << windows.form3->windowTitle();
    for (const char* name : TForm2::kCaptionTargets)
      lines << windows.form2->Caption(QString::fromLatin1(name));
    Row("caption lines", lines, expected);
  }
  void conformance() {
    QFETCH(QVariant, observed);
    QFETCH(QVariant, expected);
    // A list compares entry by entry, and names the first that differs.
    if (expected.typeId() == QMetaType::QStringList)
      QCOMPARE(observed.toStringList(), expected.toStringList());
    else
      QCOMPARE(observed, expected);
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
    form.Action("N112")->trigger();
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
    QCOMPARE(testing::PanelControls(form).Tab->dataCount(), 256);
    QCOMPARE(testing::PanelControls(form).Tab->data()->at(77)->value, 77.0);

    form.Table().SetSetting(0, 99);
    form.Action("N14")->trigger();
    for (int i = 0; i < 256; ++i) QCOMPARE(form.Table().CellText(i), QStringLiteral("0"));
    QCOMPARE(form.Grid().SettingEdit(0)->text(), QStringLiteral("4"));
    QCOMPARE(form.windowTitle(), Caption());
    QCOMPARE(series->data()->at(200)->value, 0.0);
  }

  void settingsAreClampedIntoTheirRanges() {
    GridPage& grid = windows_.form1->Grid();
    TableModel& table = windows_.form1->Table();
    table.SetSetting(0, 0);
    QCOMPARE(grid.SettingEdit(0)->text(), QStringLiteral("1"));
    table.SetSetting(2, 150);
    QCOMPARE(grid.SettingEdit(2)->text(), QStringLiteral("99"));
    table.SetSetting(3, -7);
    QCOMPARE(grid.SettingEdit(3)->text(), QStringLiteral("1"));
    table.SetSetting(5, 255);
    QCOMPARE(grid.SettingEdit(5)->text(), QStringLiteral("100"));
    QVERIFY(!grid.SettingEdit(0)->isEnabled());
    QVERIFY(grid.SettingEdit(0)->isReadOnly());
  }

  void gridHint() {
    TForm1& form = *windows_.form1;
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet3"));
    form.Action("N112")->trigger();
    QTableWidget* grid = form.Grid().Grid();
    const QRect topRight = grid->visualRect(grid->model()->index(0, 15));
    QTest::mouseMove(grid->viewport(), topRight.center());
    QCOMPARE(form.findChild<QLabel*>(QStringLiteral("StatusBar1Panel1"))->text(),
             QStringLiteral("MAF=255      Конв.Вых.=255"));
    form.Table().SetCellText(3, QStringLiteral("abc"));
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
    form.Action("N112")->trigger();
    form.Table().SetCellText(100, QStringLiteral("abc"));
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet1"));
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabTableGraph"));
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'abc' is not a valid integer value"});
    QCOMPARE(form.Chart().Series1()->dataCount(), 100);  // points before it stay
    // The panel chart reads numbers: the same cell stops it with its own text.
    form.PageControl1()->setCurrentWidget(form.TabSheet("TabSheet4"));
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'abc' is not a valid floating point value"});
    QCOMPARE(testing::PanelControls(form).Tab->dataCount(), 100);
    // The program runs on: a valid table rebuilds fully.
    form.Table().SetCellText(100, QStringLiteral("12.5"));
    form.TabSheet4Show();
    QCOMPARE(testing::PanelControls(form).Tab->dataCount(), 256);
    QCOMPARE(testing::PanelControls(form).Tab->data()->at(100)->value, 12.5);
  }

  // Whichever command meets a cell that is not a number, its message comes
  // with the cell alone selected in its grid and the grid's tab in front;
  // the other window's tab stays as it was.
  void badCellIsShownInItsGrid() {
    TForm1& form = *windows_.form1;
    TForm2& compare = *windows_.form2;
    QTemporaryDir dir;
    auto save = [&](WindowShell& window, const char* item) {
      dialogs_->Answer(dir.filePath("t.tab"));
      window.Action(item)->trigger();
    };
    auto show = [&](const char* tab) { form.PageControl1()->setCurrentWidget(form.TabSheet(tab)); };
    const QString integer = QStringLiteral("'1o5' is not a valid integer value");
    const QString number = QStringLiteral("'1o5' is not a valid floating point value");
    const struct {
      const char* command;
      int table;  // 0: the main window's, else the comparison window's table
      int cell;
      std::function<void()> run;
      QString message;
    } cases[] = {
        {"save", 0, 37, [&] { save(form, "N13"); }, integer},
        {"table chart", 0, 200, [&] { show("TabTableGraph"); }, integer},
        {"panel chart", 0, 3, [&] { show("TabSheet4"); }, number},
        {"correction", 0, 255, [&] { Guarded(&form, [&] { form.Button1Click(); }); }, integer},
        {"tool", 0, 17, [&] { form.Grid().ToolItems().add->trigger(); }, integer},
        {"compare save", 2, 100, [&] { save(compare, "N4"); }, integer},
        {"compare chart", 1, 9, [&] { compare.PageControl()->setCurrentIndex(0); }, number},
    };
    for (const auto& c : cases) {
      show("TabSheet1");
      compare.PageControl()->setCurrentWidget(compare.TableTab(c.table == 1 ? 2 : 1));
      QTableWidget* grid = c.table ? compare.Grid(c.table) : form.Grid().Grid();
      grid->setRangeSelected(QTableWidgetSelectionRange(14, 0, 14, 2), true);  // 16..18
      SetGridCellText(grid, c.cell, QStringLiteral("1o5"));
      c.run();
      QVERIFY2(dialogs_->TakeMessages() == QStringList{c.message}, c.command);
      QVERIFY2(form.PageControl1()->currentWidget() ==
                   form.TabSheet(c.table ? "TabSheet1" : "TabSheet3"),
               c.command);
      QVERIFY2(compare.PageControl()->currentWidget() == compare.TableTab(c.table ? c.table : 1),
               c.command);
      QVERIFY2(grid->selectedItems() == QList{grid->item(CellRow(c.cell), CellColumn(c.cell))},
               c.command);
      SetGridCellText(grid, c.cell, QStringLiteral("0"));
    }
  }

  void refreshInsertCellChartDrawsTheCorrectionRange() {
    TForm1& form = *windows_.form1;
    const testing::PanelControls panel(form);
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
    const testing::PanelControls panel(*windows_.form1);
    for (QLineEdit* box : {panel.MAFTextBox, panel.VAFTextBox, panel.KonvTextBox, panel.O2TextBox})
      QCOMPARE(box->text(), QStringLiteral("255N 5.00V"));
    for (BarGauge* gauge : {panel.MAF, panel.VAF, panel.Konv, panel.O2})
      QCOMPARE(gauge->Progress(), 128);
    QCOMPARE(panel.MAF->Color(), QColor(0, 128, 255));
    QCOMPARE(panel.O2->Color(), QColor(0, 221, 0));
    QVERIFY(panel.CheckBoxKonvMaf->isChecked());
    QVERIFY(!panel.CheckBoxInsertCell->isChecked());
    QVERIFY(!panel.WBO->isChecked());
    QCOMPARE(windows_.form1->Panel().LearningMode(), 0);
    QVERIFY(!panel.GroupBox1->isEnabled());
    panel.MAF->SetProgress(400);
    QCOMPARE(panel.MAF->Progress(), 255);
    panel.MAF->SetProgress(-3);
    QCOMPARE(panel.MAF->Progress(), 0);
  }

  void noPortChosen() {
    TForm1& form = *windows_.form1;
    form.Grid().VersionLabel()->show();
    form.Action("N8")->trigger();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Вы не выбрали COM порт!"});
    QVERIFY(form.Grid().VersionLabel()->isVisibleTo(form.TabSheet("TabSheet3")));
    form.Action("N7")->trigger();
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
    form.Action("N7")->trigger();
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
    form.Action("N22")->trigger();
    QVERIFY(windows_.form2->isVisible());
    QVERIFY(!windows_.form2->isModal());
    windows_.form2->close();
    form.Action("N22")->trigger();
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

  // "Окно" > "Руководство" shows the Russian guide in one window, every
  // picture it names found and readable, every link of its contents leading
  // to a heading, a picture clicked at its own size; without a guide, its own message naming where
  // it looked, and no window.
  void guideOpensWithItsPictures() {
    TForm1& form = *windows_.form1;
    QAction* item = form.Action("Guide");
    QCOMPARE(item->text(), QStringLiteral("Руководство"));
    item->trigger();
    item->trigger();
    const QList<QTextBrowser*> opened =
        form.findChildren<QTextBrowser*>(QStringLiteral("GuideWindow"));
    QCOMPARE(opened.size(), 1);
    QTextBrowser* guide = opened.front();
    QVERIFY(guide->isVisible());
    QCOMPARE(guide->windowTitle(), QStringLiteral("Руководство"));
    QVERIFY2(guide->source().toLocalFile().endsWith(QStringLiteral("/docs/ru/guide.md")),
             qPrintable(guide->source().toString()));
    QVERIFY(guide->toPlainText().contains(QStringLiteral("Коррекция по лямбде")));
    QStringList pictures, links, anchors;
    int widest = -1;  // the widest picture's place in the text
    QImage widestImage;
    for (QTextBlock block = guide->document()->begin(); block.isValid(); block = block.next()) {
      for (auto part = block.begin(); !part.atEnd(); ++part) {
        const QTextCharFormat format = part.fragment().charFormat();
        if (format.anchorHref().startsWith(u'#')) links << format.anchorHref().mid(1);
        anchors << format.anchorNames();
        if (!format.isImageFormat()) continue;
        const QString name = format.toImageFormat().name();
        pictures << name;
        const QVariant bytes = guide->loadResource(QTextDocument::ImageResource, QUrl(name));
        const QImage image = QImage::fromData(bytes.toByteArray());
        QVERIFY2(!image.isNull(), qPrintable(name));
        if (image.width() > widestImage.width()) {
          widest = part.fragment().position();
          widestImage = image;
        }
      }
    }
    // Every picture of the Markdown, none lost on the way.
    QFile source(guide->source().toLocalFile());
    QVERIFY(source.open(QIODevice::ReadOnly));
    QCOMPARE(pictures.size(), int(source.readAll().count("](../screenshots/")));
    QCOMPARE(links.size(), 8);
    for (const QString& link : links) QVERIFY2(anchors.contains(link), qPrintable(link));
    // The last link of the contents, as the window passes on a click on it.
    QUrl last = guide->source();
    last.setFragment(links.back());
    QCOMPARE(guide->verticalScrollBar()->value(), 0);
    emit guide->anchorClicked(last);
    QVERIFY(guide->verticalScrollBar()->value() > 0);
    QVERIFY(dialogs_->messages.isEmpty());

    // A click on a picture, narrowed in the guide, shows it at its own size.
    QTextCursor at(guide->document());
    at.setPosition(widest);
    guide->setTextCursor(at);
    guide->ensureCursorVisible();
    const QRect start = guide->cursorRect(at);
    QTest::mouseClick(guide->viewport(), Qt::LeftButton, {},
                      start.topLeft() + QPoint(40, start.height() / 2));
    auto* shown = guide->findChild<QWidget*>(QStringLiteral("GuidePicture"));
    QVERIFY(shown && shown->isVisible());
    QLabel* picture = shown->findChild<QLabel*>();
    QVERIFY(picture);
    QCOMPARE(picture->pixmap().toImage().convertToFormat(widestImage.format()), widestImage);
    QTest::mouseClick(picture, Qt::LeftButton);
    QVERIFY(!shown->isVisible());

    delete guide;
    QTemporaryDir empty;
    QVERIFY(!OpenGuide(&form, form.Messages(), {empty.path()}));
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY2(dialogs_->messages[0].startsWith(QStringLiteral("Руководство не найдено")) &&
                 dialogs_->messages[0].contains(QDir::toNativeSeparators(empty.path())),
             qPrintable(dialogs_->messages[0]));
    QVERIFY(!form.findChild<QTextBrowser*>(QStringLiteral("GuideWindow")));
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
    form.Action("N19")->trigger();
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
    QVERIFY(!form.Action("N19")->isEnabled());
    QVERIFY(form.Action("N20")->isEnabled());

    form.Action("N20")->trigger();
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
    QVERIFY(form.Action("N19")->isEnabled());
    QVERIFY(!form.Action("N20")->isEnabled());
  }

 private:
  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  Windows windows_;
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
