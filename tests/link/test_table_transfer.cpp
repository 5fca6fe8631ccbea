// Reading, writing and verifying the table through the real serial layer,
// against the converter simulator on a pseudo-terminal.

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/StartUp.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "link/ConverterTransfer.h"
#include "link/Protocol.h"
#include "link/StatusBlock.h"
#include "support/PortBox.h"
#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"
#include "support/SimWindow.h"
#include "support/WriteVerification.h"
#include "table/GridPage.h"
#include "table/TableChart.h"
#include "table/TableModel.h"
#include "widgets/PortComboBox.h"

using namespace zelor;
using testing::SimProcess;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString ReadFailure(const char* code, int received) {
  return QStringLiteral("Ошибка ") + code + kCrLf + "Получено байт: " + QString::number(received) +
         kCrLf + "из необходимых: 257" + kCrLf + kCrLf + kCrLf +
         "Невозможно считать  таблицу из конвертера." + kCrLf +
         QString::fromUtf8(
             "Проверьте наличие питающего напряжения\r\n и убедитесь в иcправности Com порта.");
}

QString Mismatch(int index) {
  return QStringLiteral("Ошибка #3") + kCrLf + "Ошибка верификации данных" + kCrLf +
         "Индекс массива: " + QString::number(index) + kCrLf + kCrLf + kCrLf +
         "Внимание!!!\r\nТаблица не записалась! Попробуйте еще раз.";
}

// How many times the byte sequence needle stands in haystack.
int Occurrences(const std::vector<std::uint8_t>& haystack,
                const std::vector<std::uint8_t>& needle) {
  int count = 0;
  for (auto it = haystack.begin();
       (it = std::search(it, haystack.end(), needle.begin(), needle.end())) != haystack.end(); ++it)
    ++count;
  return count;
}

}  // namespace

class TestTableTransfer : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  void pickingThePortReadsTableAndVersion() {
    Launch({});
    Pick();
    QVERIFY(form().Converter().PortChosen());
    QVERIFY(dialogs_->messages.isEmpty());
    for (int i = 0; i < 256; ++i) QCOMPARE(form().Table().CellText(i), QString::number(i));
    QLabel* version = form().Grid().VersionLabel();
    QVERIFY(version->isVisibleTo(form().TabSheet("TabSheet3")));
    QCOMPARE(version->text(), QStringLiteral("FirmWare:  V_3.2"));
    QCOMPARE(form().Chart().Series1()->data()->at(200)->value, 200.0);
    QCOMPARE(form().windowTitle(), QStringLiteral("ZelorConfigurator "));
    QCOMPARE(form().Converter().TableMirror()[255], std::uint8_t(255));
    QCOMPARE(sim_->Received(), (std::vector<std::uint8_t>{'s', 'r', 'v'}));
  }

  void pickingTheOpenPortAgainReopensAndReadsAgain() {
    Launch({});
    Pick();
    form().N14Click();
    Pick();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(form().Table().CellText(77), QStringLiteral("77"));
    QCOMPARE(sim_->Received(), (std::vector<std::uint8_t>{'s', 'r', 'v', 's', 'r', 'v'}));
  }

  // The port list is read again as the box opens: a port that came since is
  // offered, the chosen one stays chosen (also once the system no longer
  // names it) and is neither reopened nor read again; the list is as wide
  // as its longest name while the box keeps its width, which shows the
  // name chosen whole; each entry's tooltip names its adapter.
  void portBoxReadsItsListAgainAsItOpens() {
    Launch({});
    Pick();
    form().Table().SetCell(5, 55);  // a read would put 5 back
    auto* box = form().findChild<PortComboBox*>(QStringLiteral("COM"));
    const QString chosen = sim_->Port();
    const QString plugged =
        QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    const QStringList lists[] = {{plugged, chosen}, {plugged}};
    const int width = box->width();
    for (const QStringList& list : lists) {
      box->SetSource([list] { return list; });
      box->showPopup();
      QCOMPARE(box->itemText(0), plugged);
      QCOMPARE(box->currentText(), chosen);
      QVERIFY(box->view()->viewport()->width() >=
              box->view()->fontMetrics().horizontalAdvance(plugged));
      QCOMPARE(box->width(), width);
      box->hidePopup();
    }
    QCOMPARE(box->count(), 2);
    // The adapters' names are asked anew each time, also for names that
    // stayed: another adapter may have taken a port's name.
    const QString adapter = QStringLiteral("USB-SERIAL CH340");
    for (const QString& described : {plugged, chosen}) {
      box->SetDescriptions([=] { return QHash<QString, QString>{{described, adapter}}; });
      box->showPopup();
      for (int i = 0; i < box->count(); ++i)
        QCOMPARE(box->itemData(i, Qt::ToolTipRole).toString(),
                 box->itemText(i) == described ? adapter : QString());
      box->hidePopup();
    }
    QCOMPARE(form().Table().CellText(5), QStringLiteral("55"));
    QVERIFY(dialogs_->messages.isEmpty());
    // The box shows the chosen names whole, the long one too.
    for (const QString& name : {chosen, plugged}) {
      box->setCurrentIndex(box->findText(name));
      QStyleOptionComboBox option;
      option.initFrom(box);
      const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, box);
      QVERIFY(field.width() >= box->fontMetrics().horizontalAdvance(name));
    }
  }

  void silentConverter() {
    Launch({"--fault", "silent"});
    form().N112Click();
    form().Table().SetCell(5, 99);
    QElapsedTimer clock;
    clock.start();
    Pick();
    QVERIFY(clock.elapsed() >= 900);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{ReadFailure("#1", 0)});
    QCOMPARE(form().Table().CellText(5), QStringLiteral("99"));  // grid unchanged
    QVERIFY(!form().Grid().VersionLabel()->isVisibleTo(form().TabSheet("TabSheet3")));
  }

  void shortTable() {
    Launch({"--fault", "short-table"});
    Pick();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{ReadFailure("#1", 256)});
    QCOMPARE(form().Table().CellText(100), QStringLiteral("0"));
  }

  void surplusBytesAreDrained() {
    // However long the tail, none of it is taken for the version (255 is a
    // value neither tail holds).
    for (const char* fault : {"extra-bytes", "tail=1100"}) {
      Launch({"--fault", fault, "--version", "255"});
      Pick();
      QVERIFY2(dialogs_->messages.isEmpty(), fault);
      QCOMPARE(form().Table().CellText(100), QStringLiteral("100"));
      QCOMPARE(form().Grid().VersionLabel()->text(), QStringLiteral("FirmWare:  V_25.5"));
      windows_ = Windows();
    }
  }

  void aConverterThatKeepsTalkingIsRefusedAfterTheTimeBound() {
    Launch({"--fault", "keep-talking"});
    form().Table().SetCell(100, 77);
    QElapsedTimer clock;
    clock.start();
    Pick();
    // It gave up while the converter was still talking, not at a silence.
    QVERIFY(clock.elapsed() >= protocol::kDrainTimeLimitMs);
    QCOMPARE(dialogs_->TakeMessages(),
             QStringList{"Конвертер не замолчал после ответа, поэтому считанные таблица и "
                         "версия могут быть неверны.\r\nТаблица не принята. Считайте таблицу "
                         "ещё раз."});
    // Neither the table nor a byte of the chatter as the version.
    QCOMPARE(form().Table().CellText(100), QStringLiteral("77"));
    QVERIFY(!form().Grid().VersionLabel()->isVisibleTo(form().TabSheet("TabSheet3")));
  }

  void versionZeroAndMissingVersion() {
    const std::pair<QStringList, QString> cases[] = {
        {{"--fault", "version-zero"}, "FirmWare:  V_0.0"},
        {{"--fault", "no-version"}, "FirmWare:  V1.00"},
        {{"--version", "255"}, "FirmWare:  V_25.5"},
    };
    for (const auto& [simArgs, label] : cases) {
      windows_ = Windows();
      Launch(simArgs);
      Pick();
      // A failed read shows why before the label is compared.
      QVERIFY2(dialogs_->messages.isEmpty(), qPrintable(dialogs_->messages.join(" | ")));
      QCOMPARE(form().Grid().VersionLabel()->text(), label);
    }
  }

  void writeThenGoodReadBack() {
    Launch({"--flash-ms", "0"});
    Pick();
    for (int i = 0; i < 256; ++i) form().Table().SetCell(i, (i * 7) % 256);
    const std::size_t before = sim_->Received().size();
    form().N8Click();
    QVERIFY(form().findChild<QTimer*>(QStringLiteral("Timer2"))->isActive());
    QVERIFY(windows_.form3->isVisible());
    QCOMPARE(windows_.form3->ProgressBar1()->value(), 0);
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();  // the ticks are run by hand below
    QVERIFY(WriteFrameTaken(before));
    const QList<int> progress = RunVerificationTicks();
    QCOMPARE(progress.mid(0, 5), (QList<int>{1, 3, 5, 6, 8}));
    QCOMPARE(progress.last(), 100);
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Запись прошла успешно"});
    QVERIFY(dialogs_->questions.isEmpty());
    QCOMPARE(dialogs_->coveredAtMessage.last(), false);  // the table was read from the port
    QVERIFY(!windows_.form3->isVisible());
    QVERIFY(!form().findChild<QTimer*>(QStringLiteral("Timer2"))->isActive());
    // The frame went out byte for byte: "sw", the cells, 0x00.
    std::vector<std::uint8_t> frame{'s', 'w'};
    for (int i = 0; i < 256; ++i) frame.push_back(static_cast<std::uint8_t>((i * 7) % 256));
    frame.push_back(0);
    QCOMPARE(Occurrences(sim_->Received(), frame), 1);
    QCOMPARE(form().Converter().TableMirror()[3], std::uint8_t(21));
  }

  void readBackWithAChangedByte() {
    Launch({"--fault", "corrupt-readback=17", "--flash-ms", "0"});
    Pick();
    const std::size_t before = sim_->Received().size();
    form().N8Click();
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
    QVERIFY(WriteFrameTaken(before));
    RunVerificationTicks();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{Mismatch(17)});
    QVERIFY(!windows_.form3->isVisible());
    QCOMPARE(dialogs_->coveredAtMessage.last(), false);
  }

  void converterThatIgnoresTheWrite() {
    Launch({});
    Pick();
    windows_ = Windows();
    sim_.reset();
    Launch({"--fault", "ignore-write"});
    Pick();
    form().Table().SetCell(40, 200);  // the converter keeps 40
    const std::size_t before = sim_->Received().size();
    form().N8Click();
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
    QVERIFY(WriteFrameTaken(before));
    RunVerificationTicks();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{Mismatch(40)});
  }

  // The converter gone before the write or during the wait before its
  // read-back: the serial error's box, shown once the progress window went,
  // then the status bar and the status block say that the table is not in
  // the converter (or not verified there), and the two cells changed stay
  // marked as not in it.
  void converterGoneDuringAWriteLeavesTheCellsMarked_data() {
    QTest::addColumn<bool>("beforeTheWrite");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("detail");  // the status bar's tooltip
    QTest::addColumn<QString>("cellsLine");
    QTest::newRow("before the write")
        << true << "Таблица не записана"
        << "Таблица не записана в конвертер: отмеченных ячеек в нём нет."
        << "Не записано в конвертер: 2 яч.; последняя запись не выполнена";
    QTest::newRow("before the read-back")
        << false << "Запись не проверена"
        << "Запись таблицы не проверена: конвертер не ответил на чтение. Отмеченные ячейки могут "
           "отсутствовать в нём: запишите таблицу ещё раз."
        << "Не записано в конвертер: 2 яч.; последняя запись не проверена";
  }
  void converterGoneDuringAWriteLeavesTheCellsMarked() {
    QFETCH(bool, beforeTheWrite);
    QFETCH(QString, status);
    QFETCH(QString, detail);
    QFETCH(QString, cellsLine);
    Launch({"--flash-ms", "0"});
    Pick();
    form().Table().SetCell(3, 200);
    form().Table().SetCell(40, 7);
    const std::size_t before = sim_->Received().size();
    if (beforeTheWrite) QVERIFY(sim_->Terminate());
    Trigger("N8");
    if (!beforeTheWrite) {
      form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
      QVERIFY(WriteFrameTaken(before));
      QVERIFY(sim_->Terminate());
      RunVerificationTicks();
    }
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"PurgeComm function failed (Error: 5)"});
    QCOMPARE(dialogs_->coveredAtMessage, QList<bool>{false});
    QVERIFY(!windows_.form3->isVisible());
    QCOMPARE(form().FirstPanel()->text(), status);
    QCOMPARE(form().FirstPanel()->toolTip(), detail);
    QCOMPARE(form().Status().CellsText(), cellsLine);
    QCOMPARE(form().Grid().Marks().Count(CellMark::kDiffers), 2);
  }

  // While the table has not been read from the port chosen (here the
  // converter talks on after its reply, so the read is refused), a write asks
  // first, No by default; a verified write, like a read, ends the question
  // until a port is chosen again.
  void aTableNotReadFromThePortIsWrittenOnlyWhenConfirmed() {
    Launch({"--fault", "keep-talking", "--flash-ms", "0"});
    Pick();
    QCOMPARE(dialogs_->TakeMessages().size(), 1);  // the read refused
    const QString question = form().Messages().Own(OwnMessage::kWriteUnreadTable);
    const std::size_t before = sim_->Received().size();
    Trigger("N8");  // no reply given: the default
    QCOMPARE(dialogs_->questions, QStringList{question});
    QVERIFY(!form().findChild<QTimer*>(QStringLiteral("Timer2"))->isActive());
    QVERIFY(!windows_.form3->isVisible());
    dialogs_->Reply(true);
    Trigger("N8");
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
    QCOMPARE(dialogs_->questions.size(), 2);
    QVERIFY(WriteFrameTaken(before));
    RunVerificationTicks();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Запись прошла успешно"});
    // The grid's zeros went out once: the refused write sent nothing.
    std::vector<std::uint8_t> zeros{'s', 'w'};
    zeros.resize(2 + 256 + 1, 0);
    QCOMPARE(Occurrences(sim_->Received(), zeros), 1);

    Trigger("N8");  // verified: no question
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
    QCOMPARE(dialogs_->questions.size(), 2);
    QVERIFY(windows_.form3->isVisible());
    Pick();  // chosen anew, its read refused again
    dialogs_->TakeMessages();
    Trigger("N8");
    QCOMPARE(dialogs_->questions, (QStringList{question, question, question}));
  }

  // The progress window stays on top of the others: while it is up, the
  // question before a write and a write's refusal go over it, not under it.
  void boxesDuringTheVerificationGoOverTheProgressWindow() {
    Launch({"--fault", "silent"});
    Pick();  // the read failed: every write asks
    dialogs_->TakeMessages();
    QWidget* progress = windows_.form3.get();
    dialogs_->Reply(true);
    Trigger("N8");
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
    QVERIFY(progress->isVisible());
    Trigger("N8");  // asked again, answered No
    form().Table().SetCellText(9, QStringLiteral("256"));
    Trigger("N8");
    QCOMPARE(dialogs_->questionOwners, (QList<QWidget*>{&form(), progress}));
    QCOMPARE(dialogs_->TakeMessages().size(), 1);
    QCOMPARE(dialogs_->owners.last(), progress);
    QCOMPARE(dialogs_->coveredAtMessage.last(), false);
  }

  void readBackShortShowsMessage2() {
    Launch({"--fault", "short-table"});
    Pick();
    dialogs_->TakeMessages();
    dialogs_->Reply(true);  // the table was not read: write all the same
    form().N8Click();
    form().findChild<QTimer*>(QStringLiteral("Timer2"))->stop();
    RunVerificationTicks();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{ReadFailure("#2", 256)});
    QVERIFY(!windows_.form3->isVisible());
    QCOMPARE(dialogs_->coveredAtMessage.last(), false);
  }

  void outOfRangeCellIsRefusedBeforeAnythingIsSent() {
    Launch({});
    Pick();
    const std::vector<std::uint8_t> before = sim_->Received();
    for (const QString& text : {QStringLiteral("256"), QStringLiteral("-1")}) {
      form().Table().SetCellText(9, text);
      Trigger("N8");
      QCOMPARE(dialogs_->TakeMessages(),
               QStringList{"Ячейка MAF=9 содержит '" + text +
                           "': значение вне диапазона 0..255. Таблица не записана."});
      QVERIFY(!form().findChild<QTimer*>(QStringLiteral("Timer2"))->isActive());
      QVERIFY(!windows_.form3->isVisible());
      // The cell is shown in its grid.
      QCOMPARE(form().PageControl1()->currentWidget(), form().TabSheet("TabSheet3"));
      QCOMPARE(form().Grid().SelectedIndices(), std::vector<int>{9});
    }
    form().Table().SetCellText(9, QStringLiteral("x1"));
    Trigger("N8");
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"'x1' is not a valid integer value"});
    QCOMPARE(form().Converter().TableMirror()[9], std::uint8_t(9));
    // Not one byte more: whatever the refusals had sent would reach the
    // converter before the next read's commands, which it has all taken once
    // the read is done.
    Pick();
    std::vector<std::uint8_t> expected = before;
    expected.insert(expected.end(), {'s', 'r', 'v'});
    QCOMPARE(sim_->Received(), expected);
  }

  void englishTwinOfTheRangeMessage() {
    Launch({});
    Pick();
    form().Messages().SwitchToEnglish();
    form().Table().SetCellText(200, QStringLiteral("300"));
    Trigger("N8");
    QCOMPARE(
        dialogs_->TakeMessages(),
        QStringList{
            "Cell MAF=200 holds '300': the value is outside 0..255. The table was not written."});
  }

  void busyCursorEndsWithEachExchange() {
    Launch({"--fault", "short-table"});
    Pick();
    dialogs_->Reply(true);  // the table was not read: write all the same
    form().N8Click();
    RunVerificationTicks();
    sim_.reset();  // the converter gone: a serial error inside the read
    Trigger("N7");
    const QStringList messages = dialogs_->TakeMessages();
    QCOMPARE(messages.size(), 3);
    QCOMPARE(messages.mid(0, 2), (QStringList{ReadFailure("#1", 256), ReadFailure("#2", 256)}));
    // Every message, the serial error's too, came after the cursor was back.
    QCOMPARE(dialogs_->busyAtMessage, (QList<bool>{false, false, false}));
    QVERIFY(!QGuiApplication::overrideCursor());
  }

  void twoWritesWithinSixSecondsVerifyOnce() {
    Launch({"--flash-ms", "0"});
    Pick();
    const std::size_t before = sim_->Received().size();
    const auto tick = [this] { Guarded(&form(), [this] { form().Timer2Timer(); }); };
    auto* timer2 = form().findChild<QTimer*>(QStringLiteral("Timer2"));
    form().Table().SetCell(1, 11);
    Trigger("N8");
    timer2->stop();                    // its ticks are driven here
    QVERIFY(WriteFrameTaken(before));  // the next write's purge would drop what is still unsent
    for (int t = 0; t < 20; ++t) tick();
    // A second write a third of the way through starts the count anew.
    form().Table().SetCell(2, 22);
    Trigger("N8");
    QVERIFY(timer2->isActive());
    timer2->stop();
    QVERIFY(WriteFrameTaken(before + protocol::kTableWriteSize));
    for (int t = 1; t < protocol::kVerifyTicks; ++t) tick();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(Occurrences(sim_->Received(), {'s', 'r'}), 1);
    tick();
    QCOMPARE(dialogs_->TakeMessages(), QStringList{"Запись прошла успешно"});
    const std::vector<std::uint8_t> received = sim_->Received();
    QCOMPARE(Occurrences(received, {'s', 'w'}), 2);
    // After the two frames exactly one read-back: "sr" once more.
    QCOMPARE(Occurrences(received, {'s', 'r'}), 2);
    QVERIFY(!timer2->isActive());
  }

 private:
  bool WriteFrameTaken(std::size_t before) { return testing::WriteFrameTaken(*sim_, before); }

  QList<int> RunVerificationTicks() {
    return testing::RunVerificationTicks(form(), *windows_.form3);
  }
};

QTEST_MAIN(TestTableTransfer)
#include "test_table_transfer.moc"
