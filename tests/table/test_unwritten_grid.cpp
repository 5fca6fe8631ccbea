// The grid's marks of cells the converter does not hold, and the first
// tab's status block, against the converter simulator.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "app/StartUp.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "link/StatusBlock.h"
#include "support/PortBox.h"
#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"
#include "support/WriteVerification.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"

using namespace zelor;
using testing::SimProcess;

class TestUnwrittenGrid : public QObject {
  Q_OBJECT

 private slots:
  void init() { dialogs_ = std::make_unique<testing::ScriptedDialogs>(); }
  void cleanup() {
    windows_ = Windows();
    sim_.reset();
    dialogs_.reset();
  }

  void typedCellsAreTintedAndCounted() {
    Launch({});
    Pick();  // the simulator holds 0..255, which the grid now shows
    Type(100, "150");
    Type(101, "abc");
    Type(102, "300");
    Type(104, "150");
    Type(104, "104");                                              // typed back
    QCOMPARE(Form().Grid().CellText(100), QStringLiteral("150"));  // the text stays as typed
    QCOMPARE(Background(100), GridPage::MarkColour(CellMark::kDiffers));
    QCOMPARE(Background(101), GridPage::MarkColour(CellMark::kInvalid));
    QCOMPARE(Background(102), GridPage::MarkColour(CellMark::kInvalid));
    QCOMPARE(Background(104), QColor());
    ShowFirstTab();
    QTRY_COMPARE(Status().CellsText(),
                 QStringLiteral("Не записано в конвертер: 1 яч., ошибочных: 2"));

    // Commands change the whole table: the marks follow each cell.
    Form().N14Click();
    QCOMPARE(Marks().Count(CellMark::kDiffers), 255);  // all but cell 0
    QCOMPARE(Marks().Count(CellMark::kInvalid), 0);
    QCOMPARE(Background(0), QColor());
    QCOMPARE(Background(255), GridPage::MarkColour(CellMark::kDiffers));
    Form().N112Click();
    QCOMPARE(Marks().Count(CellMark::kUnchanged), 256);
    QTRY_COMPARE(Status().CellsText(), QStringLiteral("Не записано в конвертер: 0 яч."));
  }

  void aWriteClearsTheTintOfWhatTheReadBackShows_data() {
    QTest::addColumn<QStringList>("fault");
    QTest::addColumn<int>("stillDiffering");
    QTest::newRow("read-back matches") << QStringList{} << 0;
    // The converter gives back another byte 17: it does not hold that cell.
    QTest::newRow("byte 17 differs") << QStringList{"--fault", "corrupt-readback=17"} << 1;
  }

  void aWriteClearsTheTintOfWhatTheReadBackShows() {
    QFETCH(QStringList, fault);
    QFETCH(int, stillDiffering);
    Launch(QStringList{"--flash-ms", "0"} + fault);
    Pick();
    Form().Grid().SetCell(17, 99);
    Form().Grid().SetCell(40, 200);
    const std::size_t before = sim_->Received().size();
    Form().N8Click();
    QVERIFY(testing::WriteFrameTaken(*sim_, before));
    // Sent but not yet read back: still unwritten.
    QCOMPARE(Marks().Count(CellMark::kDiffers), 2);
    testing::RunVerificationTicks(Form(), *windows_.form3);
    QCOMPARE(dialogs_->TakeMessages().size(), 1);
    QCOMPARE(Marks().Count(CellMark::kDiffers), stillDiffering);
    QCOMPARE(Background(40), QColor());
    QCOMPARE(Background(17), stillDiffering ? GridPage::MarkColour(CellMark::kDiffers) : QColor());
  }

  void statusNamesPortFirmwareAndStream() {
    Launch({});
    ShowFirstTab();
    QTRY_COMPARE(Status().PortText(), QStringLiteral("Порт: не открыт"));
    QCOMPARE(Status().FirmwareText(), QStringLiteral("Прошивка: не считана"));
    QCOMPARE(Status().StreamText(), QStringLiteral("Поток: остановлен"));
    QCOMPARE(Status().CellsText(),
             QStringLiteral("Не записано в конвертер: таблица конвертера не считана"));

    Pick();
    QTRY_COMPARE(Status().PortText(), "Порт: " + sim_->Port());
    QCOMPARE(Form().findChild<QComboBox*>(QStringLiteral("COM"))->toolTip(), sim_->Port());
    QTRY_COMPARE(Status().FirmwareText(), QStringLiteral("Прошивка: 3.2"));
    Click("ButtonStart");
    QTRY_COMPARE(Status().StreamText(), QStringLiteral("Поток: идёт"));
    Click("ButtonStop");
    QTRY_COMPARE(Status().StreamText(), QStringLiteral("Поток: остановлен"));

    Form().Messages().SwitchToEnglish();
    QTRY_COMPARE(Status().PortText(), "Port: " + sim_->Port());
    QCOMPARE(Status().FirmwareText(), QStringLiteral("Firmware: 3.2"));
    QCOMPARE(Status().StreamText(), QStringLiteral("Stream: stopped"));
    QCOMPARE(Status().CellsText(), QStringLiteral("Not in the converter: 0 cells"));
    QVERIFY(dialogs_->messages.isEmpty());
  }

 private:
  TForm1& Form() { return *windows_.form1; }
  StatusBlock& Status() { return Form().Status(); }
  const CellMarks& Marks() { return Form().Grid().Marks(); }

  void Launch(const QStringList& args) {
    sim_ = std::make_unique<SimProcess>();
    QVERIFY(sim_->StartRecording(args));
    windows_ = StartUp({sim_->Port()});
  }

  void Pick() { QVERIFY(testing::PickPort(Form(), sim_->Port())); }

  void ShowTab(const char* name) { Form().PageControl1()->setCurrentWidget(Form().TabSheet(name)); }
  void ShowFirstTab() { ShowTab("TabSheet1"); }

  void Click(const char* name) {
    Form().findChild<QPushButton*>(QString::fromLatin1(name))->click();
  }

  QTableWidgetItem* Item(int index) {
    return Form().Grid().Grid()->item(CellRow(index), CellColumn(index));
  }

  QColor Background(int index) { return Item(index)->data(Qt::BackgroundRole).value<QColor>(); }

  // Types text into cell index as a user does: opens the cell's editor,
  // replaces its text and confirms with Enter (which the grid carries out
  // from its event queue).
  void Type(int index, const QString& text) {
    ShowTab("TabSheet3");
    QTableWidget* grid = Form().Grid().Grid();
    grid->setCurrentItem(Item(index));
    grid->editItem(Item(index));
    auto* editor = qobject_cast<QLineEdit*>(
        grid->indexWidget(grid->model()->index(CellRow(index), CellColumn(index))));
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(Form().Grid().CellText(index), text);
  }

  std::unique_ptr<testing::ScriptedDialogs> dialogs_;
  std::unique_ptr<SimProcess> sim_;
  Windows windows_;
};

QTEST_MAIN(TestUnwrittenGrid)
#include "test_unwritten_grid.moc"
