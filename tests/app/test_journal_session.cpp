// The session's journal with the program: the real program streaming from
// the simulator, killed or ended by the system, leaves a journal that the
// next start offers and opens as the samples received, or keeps among the
// unsaved recordings; two programs keep two journals; the close question; a
// normal end, a save and an open leave no journal; "Старт" keeps the
// recording it replaces; a full disk is told. Each test has a data folder of
// its own.

#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <csignal>

#include "core/SessionJournal.h"
#include "core/UnsavedRecordings.h"
#include "link/LogBuffer.h"
#include "link/StatusBlock.h"
#include "log/LogChartController.h"
#include "log/LogChartPage.h"
#include "log/LogFile.h"
#include "log/StreamRun.h"
#include "sim/ConverterDevice.h"
#include "support/SimWindow.h"
#include "table/TableHistoryController.h"

using namespace zelor;
using testing::SimProcess;

namespace {

const QString kAnyway = QStringLiteral("Всё равно закрыть программу?");
const QString kRecordingUnsaved = QStringLiteral("Запись лога не сохранена.\r\n");
const QString kTableUnwritten = QStringLiteral("Таблица не записана в конвертер.\r\n");

// The installed program's start check, streaming: the real program picks
// the port, presses "Старт" and streams until it is ended.
struct StreamingProgram {
  bool Start(const QString& port) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("ZELOR_START_CHECK"), QStringLiteral("1"));
    environment.insert(QStringLiteral("ZELOR_START_CHECK_PORT"), port);
    environment.insert(QStringLiteral("ZELOR_START_CHECK_STREAM"), QStringLiteral("1"));
    proc.setProcessEnvironment(environment);
    proc.start(QStringLiteral(ZELOR_PROGRAM_PATH), {port});
    if (!proc.waitForStarted(10000)) return false;
    QByteArray out;
    QDeadlineTimer deadline(60000);
    while (!out.contains("streaming from") && proc.state() == QProcess::Running &&
           !deadline.hasExpired()) {
      if (proc.waitForReadyRead(1000)) out += proc.readAllStandardOutput();
    }
    if (!out.contains("streaming from")) {
      qWarning("the program did not stream: %s%s", out.constData(),
               proc.readAllStandardError().constData());
      return false;
    }
    return true;
  }
  qint64 Pid() const { return proc.processId(); }
  ~StreamingProgram() {
    if (proc.state() != QProcess::NotRunning) {
      proc.kill();
      proc.waitForFinished(10000);
    }
  }
  QProcess proc;
};

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The frames the simulator streamed after the last start command it
// received, as a device given the same bytes at the same times makes them.
std::vector<std::array<std::uint8_t, 8>> StreamedFrames(
    const std::vector<sim::RecordedByte>& record, std::size_t count, std::uint32_t seed) {
  std::size_t start = record.size();
  for (std::size_t i = 1; i < record.size(); ++i) {
    if (record[i - 1].value == 's' && (record[i].value == 'l' || record[i].value == 'a')) start = i;
  }
  std::vector<std::array<std::uint8_t, 8>> frames;
  if (start == record.size()) return frames;
  sim::DeviceConfig config;
  config.seed = seed;
  sim::ConverterDevice device{config};
  for (std::size_t i = 0; i <= start; ++i) device.Receive(&record[i].value, 1, record[i].at);
  device.TakeOutput();  // the replies before the stream
  std::vector<std::uint8_t> bytes;
  for (sim::SimTime at = record[start].at; bytes.size() < count * 8; at += sim::SimTime{10'000}) {
    device.Advance(at);
    const std::vector<std::uint8_t> out = device.TakeOutput();
    bytes.insert(bytes.end(), out.begin(), out.end());
  }
  for (std::size_t k = 0; k < count; ++k) {
    std::array<std::uint8_t, 8> frame{};
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(k * 8), 8, frame.begin());
    frames.push_back(frame);
  }
  return frames;
}

// True when the journal's records are the first frames streamed, each with
// the marker (off) in the place of the frame's byte 1.
bool HoldsTheStream(const QByteArray& journal, const SimProcess& sim, std::uint32_t seed = 1) {
  const std::size_t records = static_cast<std::size_t>(journal.size()) / 8;
  const auto frames = StreamedFrames(sim.Record(), records, seed);
  if (frames.size() != records || journal.size() % 8 != 0) return false;
  for (std::size_t k = 0; k < records; ++k) {
    std::array<std::uint8_t, 8> expected = frames[k];
    expected[1] = 0;
    if (std::memcmp(journal.constData() + k * 8, expected.data(), 8) != 0) {
      qWarning("record %zu differs from frame %zu", k, k);
      return false;
    }
  }
  return true;
}

}  // namespace

class TestJournalSession : public QObject, private testing::SimWindow {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The program's data folder, as the real program names it.
    QCoreApplication::setApplicationName(QStringLiteral("ZelorConfigurator"));
  }
  void init() {
    data_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", data_->path().toLocal8Bit());
    InitWindow();
  }
  void cleanup() {
    CleanupWindow();
    data_.reset();
  }

  // Killed during a run, the program leaves its recording in the journal,
  // but not the table it only read (the converter holds it): the next start
  // offers the recording and a table image left beside it, Yes opens the
  // recording byte for byte as the simulator streamed it, framed on the log
  // chart, and loads the table as one step. Its journal is this program's
  // from then on; a normal end removes it.
  void killedProgramLeavesAJournalTheNextStartOpens() {
    SimProcess sim;
    QVERIFY(sim.StartRecording({}));
    StreamingProgram program;
    QVERIFY(program.Start(sim.Port()));
    const QString left = JournalOf(program.Pid());
    QTRY_VERIFY_WITH_TIMEOUT(Read(left + ".log").size() >= 300 * 8, 30000);
    QVERIFY(!QFile::exists(left + ".tab"));
    ::kill(static_cast<pid_t>(program.Pid()), SIGKILL);
    QVERIFY(program.proc.waitForFinished(10000));
    const QByteArray journal = Read(left + ".log");
    QVERIFY(HoldsTheStream(journal, sim));
    // As a program that edited the table read leaves it.
    QByteArray reversed(262, 0);
    for (int i = 0; i < 256; ++i) reversed[i] = char(255 - i);
    Write(left + ".tab", reversed);

    windows_ = StartUp({});
    dialogs_->Reply(true);
    dialogs_->Reply(true);
    form().OfferLeftWork();
    QCOMPARE(dialogs_->questions.size(), 2);
    QVERIFY2(dialogs_->questions[0].startsWith(
                 QStringLiteral("Найдена несохранённая запись лога длиной %1 с от ")
                     .arg(std::lround(journal.size() / 800.0))),
             qPrintable(dialogs_->questions[0]));
    QVERIFY(dialogs_->questions[1].startsWith(QStringLiteral("Найдена несохранённая таблица от ")));
    const LogBuffer& log = form().Stream().Log();
    QCOMPARE(EncodeLogRecords(log, log.Count()), journal);
    const LogFrame& frame = form().LogChartControl().Page().Frame();
    QVERIFY(frame.drawn);
    QCOMPARE(frame.end, log.Count());
    QStringList cells;
    for (int i = 0; i < 256; ++i) cells << QString::number(255 - i);
    QCOMPARE(Cells(), cells);
    QCOMPARE(form().History().Steps().UndoCount(), std::size_t(1));
    QVERIFY(dialogs_->messages.isEmpty());
    // The left files are gone; the recording is this program's journal.
    const QString own = form().Journal().BaseName();
    QCOMPARE(FilesLeft(), (QStringList{own + ".lock", own + ".log", own + ".tab"}));
    QCOMPARE(Read(form().Journal().RecordingPath()), journal);

    // Opened from a journal, the recording is saved nowhere else.
    dialogs_->Reply(true);
    form().close();
    QCOMPARE(dialogs_->questions.last(), kRecordingUnsaved + kAnyway);
    QVERIFY(!form().isVisible());
    QCOMPARE(FilesLeft(), QStringList());
  }

  // A program killed during a run leaves the converter streaming: the next
  // program's port pick stops the stream before it asks for the table, and
  // the grid holds the converter's own table, not one shifted by the frames
  // still in flight.
  void portPickAfterAKilledRunReadsTheConverterTable() {
    QTemporaryDir tables;
    const QString tab = tables.filePath(QStringLiteral("odd.tab"));
    QStringList odd;
    {
      QFile file(tab);
      QVERIFY(file.open(QIODevice::WriteOnly));
      for (int i = 0; i < 256; ++i) {
        const char cell = static_cast<char>((i * 7 + 3) % 256);
        file.write(&cell, 1);
        odd << QString::number(static_cast<std::uint8_t>(cell));
      }
    }
    SimProcess sim;
    QVERIFY(sim.StartRecording({"--table", tab}));
    StreamingProgram program;
    QVERIFY(program.Start(sim.Port()));
    QTRY_VERIFY_WITH_TIMEOUT(Read(JournalOf(program.Pid()) + ".log").size() >= 100 * 8, 30000);
    ::kill(static_cast<pid_t>(program.Pid()), SIGKILL);
    QVERIFY(program.proc.waitForFinished(10000));

    windows_ = StartUp({sim.Port()});
    const std::size_t before = sim.Received().size();
    QVERIFY(testing::PickPort(form(), sim.Port()));
    QCOMPARE(Cells(), odd);
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(form().FirstPanel()->text(), QStringLiteral("Остановлен старый поток"));
    QCOMPARE(form().FirstPanel()->toolTip(),
             form().Messages().Own(OwnMessage::kStreamStoppedBeforeRead));
    const auto sentSince = [&sim, before] {
      const std::vector<std::uint8_t> all = sim.Received();
      return std::vector<std::uint8_t>(all.begin() + static_cast<std::ptrdiff_t>(before),
                                       all.end());
    };
    QTRY_COMPARE(sentSince(), (std::vector<std::uint8_t>{'s', 's', 'r', 'v'}));
  }

  // SIGTERM during a run asks nothing and ends with exit code 0, also when
  // the converter has gone meanwhile (no box about the failing "s" waits for
  // a click), keeping the recording (it would be lost) but not the table
  // the converter holds; the next start offers the recording, and No keeps
  // it among the unsaved recordings.
  void systemEndKeepsTheRecordingForTheNextStart_data() {
    QTest::addColumn<bool>("converterGone");
    QTest::newRow("converter there") << false;
    QTest::newRow("converter gone") << true;
  }
  void systemEndKeepsTheRecordingForTheNextStart() {
    QFETCH(bool, converterGone);
    SimProcess sim;
    QVERIFY(sim.StartRecording({}));
    StreamingProgram program;
    QVERIFY(program.Start(sim.Port()));
    const QString left = JournalOf(program.Pid());
    QTRY_VERIFY_WITH_TIMEOUT(Read(left + ".log").size() >= 150 * 8, 30000);
    if (converterGone) QVERIFY(sim.Terminate());  // the "s" then fails
    ::kill(static_cast<pid_t>(program.Pid()), SIGTERM);
    QVERIFY(program.proc.waitForFinished(20000));
    QCOMPARE(program.proc.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.proc.exitCode(), 0);
    QCOMPARE(FilesLeft(), QStringList{QFileInfo(left).fileName() + ".log"});
    const QByteArray journal = Read(left + ".log");
    QVERIFY(HoldsTheStream(journal, sim));

    windows_ = StartUp({});
    form().OfferLeftWork();  // No, the default
    QCOMPARE(dialogs_->questions.size(), 1);
    const std::vector<UnsavedRecording> kept = UnsavedRecordings(Folder());
    QCOMPARE(kept.size(), std::size_t(1));
    QCOMPARE(FilesLeft(), QStringList{QFileInfo(kept[0].path).fileName()});
    QCOMPARE(Read(kept[0].path), journal);
    QCOMPARE(form().Stream().Log().Count(), 0);
  }

  // A lock that names this program's own process id (ids come round again)
  // was left by a gone program: its recording is offered.
  void lockWithTheProgramsOwnIdIsStale() {
    QVERIFY(QDir().mkpath(Folder()));
    const QString left = QDir(Folder()).filePath(
        QStringLiteral("journal-%1-1").arg(QCoreApplication::applicationPid()));
    {
      QLockFile lock(data_->filePath(QStringLiteral("any.lock")));
      QVERIFY(lock.tryLock(0));
      QVERIFY(QFile::copy(lock.fileName(), left + ".lock"));  // no one holds the copy
    }
    Write(left + ".log", QByteArray(200 * 8, 7));
    windows_ = StartUp({});
    dialogs_->Reply(true);
    form().OfferLeftWork();
    QCOMPARE(dialogs_->questions.size(), 1);
    QCOMPARE(form().Stream().Log().Count(), 200);
  }

  // "Старт" keeps the unsaved recording it replaces among the unsaved ones:
  // "Лог" → "Несохранённые записи" tells its length and opens it as a .log
  // (the recording it replaces kept in turn); saved, it leaves the list.
  void startKeepsTheUnsavedRecording() {
    Launch({});
    Pick();
    const LogBuffer& log = form().Stream().Log();
    QByteArray runs[2];
    for (QByteArray& run : runs) {
      Click("ButtonStart");
      QTRY_VERIFY_WITH_TIMEOUT(log.Count() > 150, 10000);
      Click("ButtonStop");
      QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().ReaderRunning(), 5000);
      run = EncodeLogRecords(log, log.Count());
    }
    std::vector<UnsavedRecording> kept = UnsavedRecordings(Folder());
    QCOMPARE(kept.size(), std::size_t(1));
    QCOMPARE(Read(kept[0].path), runs[0]);

    auto* menu = form().findChild<QMenu*>(QStringLiteral("UnsavedRecordings"));
    emit menu->aboutToShow();
    QCOMPARE(menu->actions().size(), 1);
    QVERIFY(menu->actions()[0]->text().endsWith(
        QStringLiteral(" — %1 с").arg(std::lround(runs[0].size() / 800.0))));
    menu->actions()[0]->trigger();
    QCOMPARE(EncodeLogRecords(log, log.Count()), runs[0]);
    QCOMPARE(form().CurrentFiles().log, kept[0].path);
    kept = UnsavedRecordings(Folder());
    QCOMPARE(kept.size(), std::size_t(2));
    QCOMPARE(Read(kept[0].path), runs[1]);  // the newest

    dialogs_->Answer(data_->filePath(QStringLiteral("first.log")));
    Trigger("N4");
    QCOMPARE(UnsavedRecordings(Folder()).size(), std::size_t(1));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // A journal that cannot be written (a full disk) is told once in the
  // status block, without a box, and so is its end; what it missed
  // meanwhile goes in then.
  void fullDiskIsTold() {
    Launch({});
    Pick();
    form().PageControl1()->setCurrentWidget(form().TabSheet("TabSheet1"));
    const StatusBlock& status = form().Status();
    QCOMPARE(status.JournalText(), QString());
    const QString journal = form().Journal().RecordingPath();
    QVERIFY(QFile::link(QStringLiteral("/dev/full"), journal));
    Click("ButtonStart");
    QTRY_COMPARE_WITH_TIMEOUT(status.JournalText(),
                              QStringLiteral("Журнал: не записывается (диск полон?), записи и "
                                             "таблица не защищены от сбоя"),
                              10000);
    QVERIFY(QFile::remove(journal));
    QTRY_COMPARE_WITH_TIMEOUT(status.JournalText(), QStringLiteral("Журнал: снова записывается"),
                              10000);
    Click("ButtonStop");
    const LogBuffer& log = form().Stream().Log();
    QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().ReaderRunning(), 5000);
    QTRY_COMPARE(Read(journal), EncodeLogRecords(log, log.Count()));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  // Two programs on two converters keep a journal each, of their own
  // converter's stream; a program started meanwhile offers neither.
  void twoProgramsKeepTwoJournals() {
    SimProcess sims[2];
    StreamingProgram programs[2];
    QString journals[2];
    for (int k = 0; k < 2; ++k) {
      QVERIFY(sims[k].StartRecording({"--seed", QString::number(k + 5)}));
      QVERIFY(programs[k].Start(sims[k].Port()));
      journals[k] = JournalOf(programs[k].Pid()) + ".log";
    }
    QVERIFY(journals[0] != journals[1]);
    for (const QString& journal : journals)
      QTRY_VERIFY_WITH_TIMEOUT(Read(journal).size() >= 200 * 8, 30000);
    windows_ = StartUp({});
    form().OfferLeftWork();
    QVERIFY(dialogs_->questions.isEmpty());
    for (int k = 0; k < 2; ++k) {
      ::kill(static_cast<pid_t>(programs[k].Pid()), SIGKILL);
      QVERIFY(programs[k].proc.waitForFinished(10000));
      const QByteArray journal = Read(journals[k]);
      QVERIFY(HoldsTheStream(journal, sims[k], k + 5));
      QVERIFY(!HoldsTheStream(journal, sims[1 - k], 1 - k + 5));
    }
  }

  // Closing asks once, naming what would be lost: the recording while the
  // run streams and after it until it is saved, the table while the
  // converter does not hold a cell. No keeps the window; a save and an
  // opened .log take the journal away; Yes leaves nothing on disk.
  void closeQuestionNamesWhatWouldBeLost() {
    Launch({});
    PickAndRead();
    Click("ButtonStart");
    QTRY_VERIFY_WITH_TIMEOUT(form().Stream().Log().Count() > 150, 10000);
    const QString journal = form().Journal().RecordingPath();
    QTRY_VERIFY(Read(journal).size() >= 100 * 8);
    form().close();  // No
    QCOMPARE(dialogs_->questions, QStringList{kRecordingUnsaved + kAnyway});
    QVERIFY(form().isVisible());
    QVERIFY(form().Stream().Streaming());

    Click("ButtonStop");
    QTRY_VERIFY_WITH_TIMEOUT(!form().Stream().ReaderRunning(), 5000);
    const LogBuffer& log = form().Stream().Log();
    QTRY_COMPARE(Read(journal).size(), log.Count() * 8);
    QCOMPARE(Read(journal), EncodeLogRecords(log, log.Count()));
    Type(5, QStringLiteral("77"));
    QCOMPARE(Read(form().Journal().TablePath()).at(5), char(77));
    form().close();
    QCOMPARE(dialogs_->questions.last(), kRecordingUnsaved + kTableUnwritten + kAnyway);
    QVERIFY(form().isVisible());

    const QString saved = data_->filePath(QStringLiteral("run.log"));
    dialogs_->Answer(saved);
    Trigger("N4");
    QVERIFY(!QFile::exists(journal));
    form().close();
    QCOMPARE(dialogs_->questions.last(), kTableUnwritten + kAnyway);

    // A new run journals again; a .log opened replaces its recording, which
    // goes among the unsaved ones when long enough.
    Click("ButtonStart");
    QTRY_VERIFY_WITH_TIMEOUT(Read(journal).size() > 0, 10000);
    Click("ButtonStop");
    dialogs_->Answer(saved);
    Trigger("N3");
    QVERIFY(!QFile::exists(journal));
    QCOMPARE(dialogs_->questions.size(), 3);

    dialogs_->Reply(true);
    form().close();
    QCOMPARE(dialogs_->questions.last(), kTableUnwritten + kAnyway);
    QVERIFY(!form().isVisible());
    QCOMPARE(FilesLeft().filter(QStringLiteral("journal-")), QStringList());
  }

 private:
  QString Folder() const { return JournalFolder(); }
  // The journal of a program by its process id, without its suffix.
  QString JournalOf(qint64 pid) {
    const QString prefix = QStringLiteral("journal-%1-").arg(pid);
    QString found;
    [&] {
      QTRY_VERIFY_WITH_TIMEOUT(!QDir(Folder()).entryList({prefix + "*.log"}).isEmpty(), 30000);
    }();
    const QString name = QDir(Folder()).entryList({prefix + "*.log"}).value(0);
    return QDir(Folder()).filePath(name.chopped(4));
  }
  QStringList FilesLeft() const { return QDir(Folder()).entryList(QDir::Files, QDir::Name); }

  std::unique_ptr<QTemporaryDir> data_;
};

QTEST_MAIN(TestJournalSession)
#include "test_journal_session.moc"
