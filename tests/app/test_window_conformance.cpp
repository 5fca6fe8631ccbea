// The windows as the program starts, row by row: the figures and texts that
// nothing in the program states twice are written here; the menus and the
// language file's caption lines are read from the program's own tables and
// checked against what was built from them.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "app/MainCaptions.h"
#include "app/MainMenu.h"
#include "app/StartUp.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareMenu.h"
#include "compare/CompareTables.h"
#include "log/LogChartPage.h"
#include "support/ScriptedDialogs.h"
#include "table/GridPage.h"
#include "widgets/FileDialog.h"

using namespace zelor;

namespace {

const QStringList kTabNames = {"TabSheet1", "TabTableGraph", "TabSheet3", "TabSheet2", "TabSheet4"};
const QStringList kTabHeaders = {"", "График таблицы ", "Таблица Замены", "Графики Лога",
                                 "Панель приборов"};
const QString kTableFilter = QStringLiteral("Файлы таблицы замены|*.tab|Все файлы|*.*");
// The language file's caption lines that name no item of a menu table, in
// the file's order: line 1, lines 6 to 51, then 71 to 75.
const char kLines1To51[] =
    "Порт|Выход Конвертера|Конв.Вых.|Сглаживание сигнала |\"Ускорительный насос\"|"
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

void Row(const QByteArray& name, const QVariant& observed, const QVariant& expected) {
  QTest::newRow(name.constData()) << observed << expected;
}

// A menu item as "parent/name caption", "+" after a submenu's, its state.
QString Item(const QString& parent, const QString& name, const QString& caption, bool menu,
             MenuRow::State state) {
  return parent + '/' + name + ' ' + caption + (menu ? "+" : "") +
         (state == MenuRow::kHidden ? " hidden" : state == MenuRow::kDisabled ? " off" : "");
}
QString Item(const QString& parent, const QAction& item) {
  // Qt disables a hidden item.
  const auto state = !item.isVisible()  ? MenuRow::kHidden
                     : item.isEnabled() ? MenuRow::kEnabled
                                        : MenuRow::kDisabled;
  return item.isSeparator() ? parent + "/-"
                            : Item(parent, item.objectName(), item.text(), item.menu(), state);
}
// The items of a built menu, each submenu's after its own.
QStringList Items(const QWidget& menu) {
  QStringList items;
  for (const QAction* item : menu.actions()) {
    items << Item(menu.objectName(), *item);
    if (item->menu()) items << Items(*item->menu());
  }
  return items;
}

// A window's menu as built against its table: every item where the table
// puts it, with the table's caption (the program's own where it has none)
// and state; the items of another menu as that menu holds them.
void MenuRows(const char* window, const WindowShell& shell, std::span<const MenuRow> rows) {
  QStringList declared;
  for (const MenuRow& row : rows) {
    const QString parent = QString::fromLatin1(*row.parent ? row.parent : "MainMenu1");
    const QString name = QString::fromLatin1(row.name);
    switch (row.kind) {
      case MenuRow::kSeparator: declared << parent + "/-"; break;
      case MenuRow::kItemsOf:
        for (const QAction* item : shell.findChild<QMenu*>(name)->actions())
          declared << Item(parent, *item);
        break;
      default:
        declared << Item(parent, name,
                         *row.caption ? QString::fromUtf8(row.caption) : shell.Action(row.name)->text(),
                         row.kind == MenuRow::kMenu, row.state);
    }
  }
  const QStringList built = Items(*shell.menuBar());
  Row(QByteArray(window) + " menu items", int(built.size()), int(declared.size()));
  for (int i = 0; i < std::min(built.size(), declared.size()); ++i)
    Row(QByteArray(window) + ' ' + declared[i].toUtf8(), built[i], declared[i]);
}

}  // namespace

class TestWindowConformance : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    dialogs_ = std::make_unique<testing::ScriptedDialogs>();
    windows_ = StartUp({});
  }
  void cleanupTestCase() {
    windows_ = Windows();
    dialogs_.reset();
  }

  void conformance_data() {
    QTest::addColumn<QVariant>("observed");
    QTest::addColumn<QVariant>("expected");
    TForm1& form = *windows_.form1;
    QTabWidget* tabs = form.PageControl1();
    auto font = [](const QWidget& window) {
      return QStringLiteral("%1 %2 px").arg(window.font().family()).arg(window.font().pixelSize());
    };
    auto timer = [&](const char* name) {
      const QTimer* timer = form.findChild<QTimer*>(QString::fromLatin1(name));
      return QStringLiteral("%1 ms%2").arg(timer->interval()).arg(timer->isActive() ? "" : ", off");
    };
    QStringList names, headers, settings;
    for (int i = 0; i < tabs->count(); ++i) {
      names << tabs->widget(i)->objectName();
      headers << tabs->tabText(i);
    }
    for (int k = 0; k < 6; ++k) settings << form.Grid().SettingEdit(k)->text();
    int zeros = 0;
    for (int i = 0; i < 256; ++i) zeros += form.Grid().CellText(i) == QLatin1String("0");

    Row("client area", form.centralWidget()->size(), QSize(971, 539));
    Row("fixed size", form.minimumSize() == form.maximumSize(), true);
    Row("maximise button", form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint), false);
    Row("font", font(form), "Arial 13 px");
    Row("comparison window's font", font(*windows_.form2), "Arial 13 px");
    Row("caption", form.windowTitle(), "ZelorConfigurator ");
    Row("Timer1", timer("Timer1"), "10 ms, off");
    Row("Timer2", timer("Timer2"), "100 ms, off");
    Row("tabs along the bottom", tabs->tabPosition() == QTabWidget::South, true);
    Row("tabs", names, kTabNames);
    Row("tab headers", headers, kTabHeaders);
    Row("tab headers bold", tabs->tabBar()->font().bold(), true);
    Row("tab in front", tabs->currentWidget()->objectName(), "TabSheet4");
    for (const char* dialog : {"FileOpenDLG", "FileSaveDLG"})
      Row(dialog, form.findChild<FileDialog*>(QString::fromLatin1(dialog))->Filter(), kTableFilter);
    Row("port", QString::fromStdString(form.Converter().ComPort1().PortName()), "COM1");
    Row("port open", form.Converter().ComPort1().IsOpen(), false);
    Row("port chosen", form.Converter().PortChosen(), false);
    Row("port box", form.findChild<QComboBox*>(QStringLiteral("COM"))->currentIndex(), -1);
    Row("cells zero", zeros, 256);
    Row("settings", settings, QStringList{"4", "5", "0", "50", "100", "100"});
    Row("files", form.CurrentFiles().table + form.CurrentFiles().log, QString());
    Row("points per frame", form.LogPage().Frame().pointsPerFrame, 430);
    Row("firmware shown", form.Grid().VersionLabel()->isVisible(), false);
    Row("comparison window shown", windows_.form2->isVisible(), false);
    Row("progress window shown", windows_.form3->isVisible(), false);
    Row("messages", int(dialogs_->messages.size()), 0);

    const QAction* n22 = form.Action("N22");
    Row("N22 a command on the bar", form.menuBar()->actions().contains(n22) && !n22->menu(), true);
    MenuRows("TForm1", form, kMainMenu);
    MenuRows("TForm2", *windows_.form2, kCompareMenu);

    // Line by line what the language file replaces: lines 2 to 5 are tab
    // headers, 52 to 70 the captioned items of the main menu in its order.
    QStringList expected = QString::fromUtf8(kLines1To51).split('|');
    for (int i = 1; i <= 4; ++i) expected.insert(i, kTabHeaders[i]);
    for (const MenuRow& row : kMainMenu)
      if (*row.caption) expected << QString::fromUtf8(row.caption);
    expected << QString::fromUtf8(kLines71To84).split('|');
    QStringList observed;
    for (int line = 1; line <= kMainCaptionLineCount; ++line) observed << CaptionOfLine(form, line);
    observed << windows_.form3->windowTitle();
    for (const char* name : TForm2::kCaptionTargets)
      observed << windows_.form2->Caption(QString::fromLatin1(name));
    Row("caption lines", int(observed.size()), int(expected.size()));
    for (int i = 0; i < std::min(observed.size(), expected.size()); ++i)
      Row("caption line " + QByteArray::number(i + 1), observed[i], expected[i]);
  }
  void conformance() {
    QFETCH(QVariant, observed);
    QFETCH(QVariant, expected);
    QCOMPARE(observed, expected);
  }

 private:
  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  Windows windows_;
};

QTEST_MAIN(TestWindowConformance)
#include "test_window_conformance.moc"
