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
#include "support/SimWindow.h"
#include "support/WriteVerification.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"
#include "table/TableModel.h"

using namespace zelor;
using testing::SimProcess;

class TestUnwrittenGrid : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  void typedCellsAreTintedAndCounted() {
    Launch({});
    Pick();  // the simulator holds 0..255, which the grid now shows
    Type(100, "150");
    Type(101, "abc");
    Type(102, "300");
    Type(104, "150");
    Type(104, "104");                                               // typed back
    QCOMPARE(form().Table().CellText(100), QStringLiteral("150"));  // the text stays as typed
    QCOMPARE(Background(100), GridPage::MarkColour(CellMark::kDiffers));
    QCOMPARE(Background(101), GridPage::MarkColour(CellMark::kInvalid));
    QCOMPARE(Background(102), GridPage::MarkColour(CellMark::kInvalid));
    QCOMPARE(Background(104), QColor());
    ShowFirstTab();
    QTRY_COMPARE(Status().CellsText(),
                 QStringLiteral("Не записано в конвертер: 1 яч., ошибочных: 2"));

    // Commands change the whole table: the marks follow each cell.
    form().N14Click();
    QCOMPARE(Marks().Count(CellMark::kDiffers), 255);  // all but cell 0
    QCOMPARE(Marks().Count(CellMark::kInvalid), 0);
    QCOMPARE(Background(0), QColor());
    QCOMPARE(Background(255), GridPage::MarkColour(CellMark::kDiffers));
    form().N112Click();
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
    form().Table().SetCell(17, 99);
    form().Table().SetCell(40, 200);
    const std::size_t before = sim_->Received().size();
    form().N8Click();
    QVERIFY(testing::WriteFrameTaken(*sim_, before));
    // Sent but not yet read back: still unwritten.
    QCOMPARE(Marks().Count(CellMark::kDiffers), 2);
    testing::RunVerificationTicks(form(), *windows_.form3);
    QCOMPARE(dialogs_->TakeMessages().size(), 1);
    QCOMPARE(Marks().Count(CellMark::kDiffers), stillDiffering);
    QCOMPARE(Background(40), QColor());
    QCOMPARE(Background(17), stillDiffering ? GridPage::MarkColour(CellMark::kDiffers) : QColor());
  }

  void statusNamesPortFirmwareAndStream() {
    const QString missing = QStringLiteral("/dev/zelor-no-such-port");
    Launch({}, {missing});
    ShowFirstTab();
    QTRY_COMPARE(Status().PortText(), QStringLiteral("Порт: не открыт"));
    QCOMPARE(Status().FirmwareText(), QStringLiteral("Прошивка: не считана"));
    QCOMPARE(Status().StreamText(), QStringLiteral("Поток: остановлен"));
    QCOMPARE(Status().CellsText(),
             QStringLiteral("Не записано в конвертер: таблица конвертера не считана"));

    Pick();
    QTRY_COMPARE(Status().PortText(), "Порт: " + sim_->Port());
    QCOMPARE(form().findChild<QComboBox*>(QStringLiteral("COM"))->toolTip(), sim_->Port());
    QTRY_COMPARE(Status().FirmwareText(), QStringLiteral("Прошивка: 3.2"));
    Click("ButtonStart");
    QTRY_COMPARE(Status().StreamText(), QStringLiteral("Поток: идёт"));
    Click("ButtonStop");
    QTRY_COMPARE(Status().StreamText(), QStringLiteral("Поток: остановлен"));

    form().Messages().SwitchToEnglish();
    QTRY_COMPARE(Status().PortText(), "Port: " + sim_->Port());
    QCOMPARE(Status().FirmwareText(), QStringLiteral("Firmware: 3.2"));
    QCOMPARE(Status().StreamText(), QStringLiteral("Stream: stopped"));
    QCOMPARE(Status().CellsText(), QStringLiteral("Not in the converter: 0 cells"));
    QVERIFY(dialogs_->messages.isEmpty());

    // A port that does not open: the firmware of the converter left goes.
    QVERIFY(testing::PickPort(form(), missing));
    QCOMPARE(dialogs_->TakeMessages().size(), 1);
    QTRY_COMPARE(Status().FirmwareText(), QStringLiteral("Firmware: not read"));
    // Nor is the table of the converter left compared with the grid any more.
    QTRY_COMPARE(Status().CellsText(),
                 QStringLiteral("Not in the converter: converter's table not read"));
    QVERIFY(!Marks().HasCopy());
  }

 private:
  StatusBlock& Status() { return form().Status(); }
  const CellMarks& Marks() { return form().Grid().Marks(); }

  void ShowTab(const char* name) { form().PageControl1()->setCurrentWidget(form().TabSheet(name)); }
  void ShowFirstTab() { ShowTab("TabSheet1"); }

  QTableWidgetItem* Item(int index) {
    return form().Grid().Grid()->item(CellRow(index), CellColumn(index));
  }

  QColor Background(int index) { return Item(index)->data(Qt::BackgroundRole).value<QColor>(); }
};

QTEST_MAIN(TestUnwrittenGrid)
#include "test_unwritten_grid.moc"
