// Manual correction and the beeper in the main window, through the real
// serial layer against the converter simulator, whose record shows exactly
// which bytes reached the converter.

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <functional>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "link/ConverterTransfer.h"
#include "link/Correction.h"
#include "link/SerialPort.h"
#include "log/PanelPage.h"
#include "log/StreamRun.h"
#include "support/PanelControls.h"
#include "support/PortBox.h"
#include "support/RecordingTones.h"
#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"
#include "support/SimWindow.h"
#include "table/CellText.h"
#include "table/GridPage.h"
#include "table/TableHistoryController.h"
#include "table/TableModel.h"
#include "ui/HandlerGuard.h"
#include "widgets/UpDown.h"

using namespace zelor;
using testing::RecordingTones;
using testing::SimProcess;
using Bytes = std::vector<std::uint8_t>;

namespace {

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& frame) {
  return Bytes(frame.begin(), frame.end());
}

Bytes Joined(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace

class TestCorrection : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void init() { InitWindow(); }
  void cleanup() { CleanupWindow(); }

  void framesByteForByte() {
    // The range and positive steps are checked in the converter's record below.
    QCOMPARE(ToBytes(CorrectionStepFrame(-1)), (Bytes{'c', 1, 1}));
    QCOMPARE(ToBytes(CorrectionStepFrame(-255)), (Bytes{'c', 255, 1}));
    std::array<std::uint8_t, 256> cells{};
    for (int i = 0; i < 256; ++i) cells[i] = std::uint8_t(255 - i);
    const auto t = LiveTableUpdateFrame(cells, TableSettings{});
    QCOMPARE(t[0], std::uint8_t('t'));
    QVERIFY(std::equal(cells.begin(), cells.end(), t.begin() + 1));
    // 4, 5, 0 % as 128, 50 % as 64, 100 % as 128 twice.
    QCOMPARE(Bytes(t.begin() + 257, t.end()), (Bytes{4, 5, 128, 64, 128, 128}));
  }

  void applyCorrectsTheRangeAndSendsTheTable() {
    struct Row {
      int begin, end, step;
      std::vector<std::pair<int, int>> cells;     // set beforehand over a 1:1 table
      std::vector<std::pair<int, int>> expected;  // cells that differ from 1:1 after
    };
    std::vector<std::pair<int, int>> plusTen;
    for (int m = 100; m <= 120; ++m) plusTen.push_back({m, m == 110 ? 255 : m + 10});
    const Row rows[] = {
        {100, 120, 10, {{110, 250}, {121, 250}}, plusTen},  // 250 inside becomes 255
        {30, 30, -255, {}, {{30, 0}}},
        {100, 120, 0, {{5, 77}}, {{5, 77}}},  // c = 0: the table is sent all the same
    };
    Connect();
    StartStream();
    const testing::PanelControls panel(form());
    for (const Row& row : rows) {
      form().N112Click();
      for (const auto& [m, v] : row.cells) form().Table().SetCell(m, v);
      panel.TrackBarMafKon->setValue(row.end);
      panel.TrackBarMafNach->setValue(row.begin);
      panel.UpDown1->SetPosition(row.step);
      std::array<std::uint8_t, 256> expected{};
      for (int m = 0; m < 256; ++m) expected[m] = std::uint8_t(m);
      for (const auto& [m, v] : row.cells) expected[m] = std::uint8_t(v);
      for (const auto& [m, v] : row.expected) expected[m] = std::uint8_t(v);

      const Bytes sent = SentBy([&] { QTest::keyClick(&form(), Qt::Key_Return); });
      const Bytes stepReset = row.step != 0 ? Bytes{'c', 0, 0} : Bytes{};
      QCOMPARE(sent, Joined({stepReset, ToBytes(LiveTableUpdateFrame(expected, {}))}));
      for (int m = 0; m < 256; ++m) QCOMPARE(form().Table().CellText(m).toInt(), int(expected[m]));
      QCOMPARE(panel.EditCorrection->text(), QStringLiteral("0"));
      QCOMPARE(panel.Tab->data()->at(row.begin)->value, double(expected[row.begin]));
    }
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // A cell outside 0..255 would reach the engine as its low 8 bits: the
  // apply is refused whole, before anything is sent or changed.
  void cellOutsideTheByteRangeRefusesTheWholeApply() {
    Connect();
    StartStream();
    const testing::PanelControls panel(form());
    form().Table().SetCellText(5, QStringLiteral("300"));  // would reach the engine as 44
    panel.TrackBarMafKon->setValue(120);
    panel.TrackBarMafNach->setValue(100);
    panel.UpDown1->SetPosition(10);
    const QString before = form().Table().CellText(110);
    form().CommitTableStep();  // the typed-in 300 is a step of its own
    const std::size_t steps = form().History().Steps().UndoCount();
    // Pressed again after the language switch: the refusal in English.
    const QString refusals[] = {
        QString::fromUtf8("Ячейка MAF=5 содержит '300': значение вне диапазона 0..255. "
                          "Коррекция не внесена."),
        QStringLiteral(
            "Cell MAF=5 holds '300': the value is outside 0..255. The correction was not applied."),
    };
    for (const QString& refusal : refusals) {
      QCOMPARE(SentBy([&] { QTest::keyClick(&form(), Qt::Key_Return); }), Bytes{});
      QCOMPARE(dialogs_->TakeMessages(), QStringList{refusal});
      QCOMPARE(form().Table().CellText(110), before);
      QCOMPARE(panel.EditCorrection->text(), QStringLiteral("10"));
      QCOMPARE(form().History().Steps().UndoCount(), steps);
      form().Messages().SwitchToEnglish();
    }
    form().Table().SetCell(5, 5);
    const Bytes sent = SentBy([&] { QTest::keyClick(&form(), Qt::Key_Return); });
    QCOMPARE(sent.size(), std::size_t(3 + 263));  // the step back to 0, then the table
    QCOMPARE(sent[3 + 1 + 5], std::uint8_t(5));
    QCOMPARE(sent[3 + 1 + 110], std::uint8_t(before.toInt() + 10));
  }

  // A step the converter did not take ends "Старт" and the apply at that
  // write: neither the start command nor the table follows it, and the one
  // message is the write's. The line fails for that write alone: the port is
  // closed before it and opened again by the step box's next listener.
  void aStepNotSentEndsStartAndTheApply() {
    Connect();
    const testing::PanelControls panel(form());
    SerialPort& port = form().Converter().ComPort1();
    bool closeAtRangeEnd = false;
    QObject listeners;  // connected after the window's handlers, so run after them
    connect(panel.TrackBarMafKon, &QSlider::valueChanged, &listeners, [&](int end) {
      if (closeAtRangeEnd && end == 0) port.Close();
    });
    connect(panel.EditCorrection, &QLineEdit::textChanged, &listeners, [&] {
      if (!port.IsOpen()) port.Open();
    });

    panel.TrackBarMafKon->setValue(60);
    panel.TrackBarMafNach->setValue(40);
    panel.UpDown1->SetPosition(5);
    closeAtRangeEnd = true;
    QCOMPARE(SentBy([&] { Click("ButtonStart"); }), (Bytes{'g', 0, 60, 'g', 0, 0}));
    closeAtRangeEnd = false;
    QVERIFY(!form().Stream().Streaming());
    QVERIFY(!form().Stream().ReaderRunning());
    QCOMPARE(dialogs_->TakeMessages().size(), 1);

    form().N112Click();
    panel.TrackBarMafKon->setValue(20);
    panel.TrackBarMafNach->setValue(10);
    panel.UpDown1->SetPosition(5);
    const Bytes sent = SentBy([&] {
      port.Close();
      Guarded(&form(), [&] { form().Button1Click(); });  // as the button runs it
    });
    QCOMPARE(sent, Bytes{});
    QCOMPARE(dialogs_->TakeMessages().size(), 1);
  }

  void keysMoveTheRangeAndStepTheCorrection() {
    struct Row {
      const char* name;
      int begin, end, step;
      Qt::Key key;
      Qt::KeyboardModifiers modifiers;
      int presses;
      int endBegin, endEnd, endStep;
      Bytes sent;
    };
    Bytes upToTop;
    for (int c = 1; c <= 255; ++c) upToTop = Joined({upToTop, {'c', std::uint8_t(c), 0}});
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Row rows[] = {
        {"Right", 10, 20, 0, Qt::Key_Right, none, 1, 11, 21, 0, {'g', 10, 21, 'g', 11, 21}},
        {"Left", 11, 21, 0, Qt::Key_Left, none, 1, 10, 20, 0, {'g', 10, 21, 'g', 10, 20}},
        {"Right at the top", 250, 255, 0, Qt::Key_Right, none, 1, 250, 255, 0, {}},
        {"Left at the bottom", 0, 5, 0, Qt::Key_Left, none, 1, 0, 5, 0, {}},
        {"Ctrl+Left drags the start",
         80,
         80,
         0,
         Qt::Key_Left,
         ctrl,
         1,
         79,
         79,
         0,
         {'g', 79, 79, 'g', 79, 79}},
        {"Ctrl+Right", 80, 80, 0, Qt::Key_Right, ctrl, 1, 80, 81, 0, {'g', 80, 81}},
        {"Ctrl+Down is swallowed", 80, 80, 3, Qt::Key_Down, ctrl, 1, 80, 80, 3, {}},
        {"Ctrl+Up still steps", 80, 80, 0, Qt::Key_Up, ctrl, 1, 80, 80, 1, {'c', 1, 0}},
        {"Up 300 times", 0, 0, 0, Qt::Key_Up, none, 300, 0, 0, 255, upToTop},
        {"Down at the bottom", 0, 0, -255, Qt::Key_Down, none, 3, 0, 0, -255, {}},
    };
    Connect();
    StartStream();
    const testing::PanelControls panel(form());
    for (const Row& row : rows) {
      panel.TrackBarMafKon->setValue(255);
      panel.TrackBarMafNach->setValue(row.begin);
      panel.TrackBarMafKon->setValue(row.end);
      panel.UpDown1->SetPosition(row.step);
      const Bytes sent = SentBy([&] {
        for (int k = 0; k < row.presses; ++k) QTest::keyClick(&form(), row.key, row.modifiers);
      });
      QVERIFY2(sent == row.sent, row.name);
      QVERIFY2(panel.TrackBarMafNach->value() == row.endBegin, row.name);
      QVERIFY2(panel.TrackBarMafKon->value() == row.endEnd, row.name);
      QVERIFY2(panel.UpDown1->Position() == row.endStep, row.name);
      QCOMPARE(panel.EditMafNach->text(), QString::number(row.endBegin));
      QCOMPARE(panel.EditMafKon->text(), QString::number(row.endEnd));
      QCOMPARE(panel.CorrEnd->data()->at(0)->key, double(row.endEnd));
    }
  }

  void keysIdleWhileStoppedButCtrlStillSwallows() {
    Connect();
    const testing::PanelControls panel(form());
    panel.TrackBarMafKon->setValue(20);
    panel.TrackBarMafNach->setValue(10);
    const Bytes sent = SentBy([&] {
      for (Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Left, Qt::Key_Return}) {
        QKeyEvent plain(QEvent::KeyPress, key, Qt::NoModifier);
        QVERIFY(!form().FormKeyDown(&plain));
        QKeyEvent withCtrl(QEvent::KeyPress, key, Qt::ControlModifier);
        QVERIFY(form().FormKeyDown(&withCtrl));
      }
      QKeyEvent ctrlA(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
      QVERIFY(form().FormKeyDown(&ctrlA));
    });
    QCOMPARE(sent, Bytes{});
    QCOMPARE(panel.TrackBarMafNach->value(), 10);
    QCOMPARE(panel.TrackBarMafKon->value(), 20);
    QCOMPARE(panel.UpDown1->Position(), 0);
  }

  void beeperBelongsToItsRun() {
    Connect();
    const testing::PanelControls panel(form());
    // The switch is the user's: enabled, beside the disabled group.
    QVERIFY(!panel.GroupBox1->isEnabled());
    QVERIFY(panel.BeepCheckBox->isEnabled());
    QVERIFY(panel.BeepCheckBox->parentWidget() != panel.GroupBox1);
    QVERIFY(panel.BeepCheckBox->geometry().left() >= panel.GroupBox1->geometry().right());

    auto owned = std::make_unique<RecordingTones>(std::numeric_limits<std::size_t>::max(), true);
    RecordingTones& tones = *owned;
    form().Stream().SetToneOutput(std::move(owned));
    StartStream();
    QVERIFY(form().Stream().BeeperRunning());
    // Switched off: rests only, even with MAF inside the range.
    panel.TrackBarMafKon->setValue(255);
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Flags().MafInRange.load(), 10000);
    const std::size_t inRange = tones.Calls().size();
    QTRY_VERIFY_WITH_TIMEOUT(tones.Calls().size() >= inRange + 2, 10000);
    const auto played = [&tones] {
      const auto calls = tones.Calls();
      return std::count_if(calls.begin(), calls.end(), [](auto& c) { return c.frequencyHz > 0; });
    };
    QCOMPARE(played(), 0);
    QTest::mouseClick(panel.BeepCheckBox, Qt::LeftButton);
    QVERIFY(form().Stream().Flags().BeeperOn.load());
    QTRY_VERIFY_WITH_TIMEOUT(played() > 0, 10000);  // the panel tick runs meanwhile

    // "Стоп" ends it (a run's own beeper is StreamRun's, tested there).
    Click("ButtonStop");
    QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().BeeperRunning(), 5000);
    Click("ButtonStart");
    QVERIFY(form().Stream().BeeperRunning());
    dialogs_->Reply(true);  // the recording would be lost
    form().close();
    QVERIFY(!form().Stream().BeeperRunning());
    QCOMPARE(TBeepThread::LiveCount(), 0);
  }

 private:
  void Connect() {
    settled_ = 0;
    Launch({});
    Pick();
    QVERIFY(dialogs_->TakeMessages().isEmpty());
  }

  void StartStream() {
    Click("ButtonStart");
    QVERIFY(form().Stream().Streaming());
  }

  // The bytes the converter received because of action.
  Bytes SentBy(const std::function<void()>& action) {
    const std::size_t from = Settle().size();
    action();
    const Bytes all = Settle();
    return Bytes(all.begin() + from, all.end() - kMarkSize);
  }

  // The step and then the range, sent once more by their handlers (which
  // change nothing), close what went before: once they have arrived, so has
  // everything before them. No action or set-up here ends with a step
  // followed by a range, so the mark is never taken for what preceded it.
  // Returns all received bytes, the mark included.
  static constexpr std::size_t kMarkSize = 6;
  Bytes Settle() {
    form().EditCorrectionChange();
    form().TrackBarMafNachChange();
    const testing::PanelControls panel(form());
    const Bytes mark = Joined({ToBytes(CorrectionStepFrame(panel.UpDown1->Position())),
                               ToBytes(CorrectionRangeFrame(panel.TrackBarMafNach->value(),
                                                            panel.TrackBarMafKon->value()))});
    Bytes received;
    const auto closed = [&] {
      received = sim_->Received();
      return received.size() >= settled_ + mark.size() &&
             std::equal(mark.rbegin(), mark.rend(), received.rbegin());
    };
    if (!QTest::qWaitFor(closed, 10000)) {
      const QString shown = dialogs_->messages.join(QStringLiteral(" | "));
      QTest::qFail(qPrintable("the closing step and range never arrived; shown: " + shown),
                   __FILE__, __LINE__);
      return Bytes(settled_ + kMarkSize);
    }
    settled_ = received.size();
    return received;
  }

  std::size_t settled_ = 0;  // bytes received up to the last mark
};

QTEST_MAIN(TestCorrection)
#include "test_correction.moc"
