// The session's journal without a window: its files and their ends, the
// claim on what a gone program left, the recording's journal over a
// LogBuffer, the table image of a history state and the questions' texts.
// The journal of a real run, killed and offered again, is tested with the
// program (tests/app/test_journal_session.cpp).

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/MessageTexts.h"
#include "core/SessionJournal.h"
#include "core/UnsavedRecordings.h"
#include "link/LogBuffer.h"
#include "log/RecordingJournal.h"
#include "table/TableHistory.h"

using namespace zelor;

namespace {

QStringList Files(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestJournal : public QObject {
  Q_OBJECT

 private slots:
  // An end leaves exactly what it keeps, never the lock; a normal end
  // nothing, not even the folder.
  void endsKeepExactlyWhatTheyKeep() {
    const QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("data"));
    for (const auto& [keepRecording, keepTable] :
         {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
      SessionJournal journal(folder);
      QVERIFY(!QDir(folder).exists());  // nothing before a file is asked for
      Write(journal.RecordingPath(), "12345678");
      QVERIFY(journal.KeepTable(std::array<std::uint8_t, 262>{}));
      const QString base = journal.BaseName();
      QCOMPARE(Files(folder), (QStringList{base + ".lock", base + ".log", base + ".tab"}));
      journal.End(keepRecording, keepTable);
      QStringList kept;
      if (keepRecording) kept << base + ".log";
      if (keepTable) kept << base + ".tab";
      QCOMPARE(Files(folder), kept);
      QCOMPARE(QDir(folder).exists(), keepRecording || keepTable);
      QVERIFY(journal.RecordingPath().isEmpty());  // ended
      QDir(folder).removeRecursively();
    }
  }

  // A running program's files are never claimed; a gone program's are
  // claimed by one program at a time, and a stray lock goes.
  void leftFilesAreClaimedByOneProgramAtATime() {
    const QTemporaryDir scratch;
    const QString folder = scratch.path();
    SessionJournal running(folder);
    Write(running.RecordingPath(), QByteArray(16, 'r'));
    SessionJournal gone(folder);
    Write(gone.RecordingPath(), QByteArray(24, 'g'));
    QVERIFY(gone.KeepTable(std::array<std::uint8_t, 262>{7}));
    const QString goneBase = gone.BaseName();
    SessionJournal me(folder);
    QVERIFY(me.ClaimLeft().empty());  // both run
    gone.End(true, true);
    Write(QDir(folder).filePath("journal-1-2.lock"), "1\nx\n\n");  // a stray lock of a gone pid

    std::vector<LeftJournal> left = me.ClaimLeft();
    QCOMPARE(left.size(), std::size_t(1));
    QCOMPARE(left[0].recording, QDir(folder).filePath(goneBase + ".log"));
    QCOMPARE(left[0].table, QDir(folder).filePath(goneBase + ".tab"));
    QVERIFY(!QFile::exists(QDir(folder).filePath("journal-1-2.lock")));
    SessionJournal other(folder);
    QVERIFY(other.ClaimLeft().empty());  // claimed by me

    QVERIFY(me.AdoptRecording(left[0]));
    QVERIFY(left[0].recording.isEmpty());
    QCOMPARE(Read(me.RecordingPath()), QByteArray(24, 'g'));
    left.clear();  // the claim goes: the table is left for a later start
    std::vector<LeftJournal> again = other.ClaimLeft();
    QCOMPARE(again.size(), std::size_t(1));
    QVERIFY(again[0].recording.isEmpty());
    QCOMPARE(Read(again[0].table).size(), 262);
  }

  // The journal appends only the samples it does not hold, as a .log save
  // writes them, and stops at the recording's cap.
  void recordingJournalAppendsTheNewSamplesUpToTheCap() {
    const QTemporaryDir scratch;
    const QString path = scratch.filePath(QStringLiteral("run.log"));
    auto buffer = std::make_unique<LogBuffer>();
    RecordingJournal journal;
    QVERIFY(journal.Begin(path));
    QByteArray expected;
    for (int n = 0; n < 300; ++n) {
      const std::uint8_t frame[8] = {std::uint8_t(n), 99, 2, std::uint8_t(n * 7), 4, 5, 6, 7};
      buffer->Append(frame, n % 3 == 0);
      if (n % 50 == 49) {
        QVERIFY(journal.Append(*buffer));
        QVERIFY(journal.Sync());
      }
      const LogSample sample = buffer->SampleAt(n);
      expected.append(reinterpret_cast<const char*>(sample.bytes.data()), 8);
    }
    QVERIFY(journal.Append(*buffer));  // nothing new
    QCOMPARE(journal.Records(), 300);
    QCOMPARE(Read(path), expected);
    QCOMPARE(expected[1], char(LogBuffer::kMarkerOn));  // the marker, not frame byte 1

    QVERIFY(journal.Begin(path));  // a new run replaces it
    QCOMPARE(Read(path).size(), 0);
    buffer->SetCount(LogBuffer::kCapacity);
    const std::uint8_t frame[8] = {};
    buffer->Append(frame, false);  // past the cap: not counted
    QVERIFY(journal.Append(*buffer));
    QVERIFY(journal.Append(*buffer));
    QCOMPARE(QFileInfo(path).size(), qint64(LogBuffer::kCapacity) * 8);

    journal.Close();
    QVERIFY(!journal.Append(*buffer));
    QVERIFY(!journal.Begin(scratch.filePath(QStringLiteral("missing/run.log"))));
  }

  // The table image is kept only while neither the converter (its cells) nor
  // the last .tab file (its image) holds it, weighed again as either changes.
  void tableImageIsKeptOnlyWhereNothingElseHoldsIt() {
    const QTemporaryDir scratch;
    SessionJournal journal(scratch.path());
    std::array<std::uint8_t, 262> image{};
    image[3] = 9;
    std::array<std::uint8_t, 256> cells{};
    QVERIFY(journal.KeepTable(image));
    const QString path = journal.TablePath();
    QCOMPARE(Read(path).at(3), char(9));
    journal.SetConverterCells(cells);  // another table
    QVERIFY(QFile::exists(path));
    cells[3] = 9;
    journal.SetConverterCells(cells);  // the converter holds it
    QVERIFY(!QFile::exists(path));
    image[260] = 1;  // a setting alone: the converter holds the cells
    QVERIFY(journal.KeepTable(image));
    QVERIFY(!QFile::exists(path));
    image[4] = 1;
    QVERIFY(journal.KeepTable(image));
    QCOMPARE(Read(path).at(4), char(1));
    journal.SetTableFile(image);  // saved or opened as a .tab
    QVERIFY(!QFile::exists(path));
  }

  // The newest five kept recordings always stay; older ones while there are
  // at most ten and 32 MiB; once one goes, every older one goes too.
  void unsavedRecordingsKeepTheNewestWithinBounds_data() {
    QTest::addColumn<QList<int>>("kilobytes");  // the oldest first
    QTest::addColumn<int>("kept");
    QTest::newRow("twelve short") << QList<int>(12, 8) << 10;
    QTest::newRow("seven long, a short oldest") << (QList<int>{8} + QList<int>(7, 6144)) << 5;
    QTest::newRow("a long one among short") << QList<int>{8, 8, 33000, 8, 8, 8, 8, 8} << 5;
    QTest::newRow("within both") << QList<int>{8, 8000, 8000, 8000, 8000, 8, 8} << 7;
  }
  void unsavedRecordingsKeepTheNewestWithinBounds() {
    QFETCH(QList<int>, kilobytes);
    QFETCH(int, kept);
    const QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("data"));
    const QDateTime first(QDate(2026, 12, 9), QTime(3, 0));
    for (int k = 0; k < kilobytes.size(); ++k) {
      QFile file(scratch.filePath(QStringLiteral("journal.log")));
      QVERIFY(file.open(QIODevice::WriteOnly));
      QVERIFY(file.resize(qint64(kilobytes[k]) * 1024));  // sparse: no disk taken
      file.close();
      const QDateTime start = first.addSecs(60 * k);
      QVERIFY(KeepUnsavedRecording(folder, file.fileName(), start));
    }
    const std::vector<UnsavedRecording> left = UnsavedRecordings(folder);
    QCOMPARE(int(left.size()), kept);
    for (int n = 0; n < kept; ++n) {
      const int k = int(kilobytes.size()) - 1 - n;  // the newest first
      QCOMPARE(left[n].start, first.addSecs(60 * k));
      QCOMPARE(left[n].samples, qint64(kilobytes[k]) * 128);
    }
    MessageTexts messages;
    QCOMPARE(UnsavedRecordingCaption(messages, left.back()),
             first.addSecs(60 * (int(kilobytes.size()) - kept)).toString("dd.MM.yyyy HH:mm") +
                 QStringLiteral(" — %1 с").arg(std::lround(left.back().samples / 100.0)));
  }

  // The table image of a history state, or none while a cell is no byte.
  void tableStateImage() {
    TableState state;
    for (int i = 0; i < 256; ++i) state.cells[i] = QString::number(255 - i);
    std::array<std::uint8_t, 256> cells{};
    for (int i = 0; i < 256; ++i) cells[i] = std::uint8_t(255 - i);
    QCOMPARE(TableStateImage(state), std::optional(EncodeTableImage(cells, state.settings)));
    for (const char* bad : {"12a", "256", ""}) {
      state.cells[9] = QString::fromLatin1(bad);
      QVERIFY(!TableStateImage(state));
    }
  }

  // A left recording is told by its length and its start: the last sample
  // written less the recording's length. The close question in English (the
  // Russian ones: tests/app/test_journal_session).
  void questionsInBothLanguages() {
    MessageTexts messages;
    const QDateTime written(QDate(2026, 12, 9), QTime(3, 10, 30));
    QCOMPARE(LeftRecordingQuestion(messages, 6000 * 10 + 60, written),
             QStringLiteral("Найдена несохранённая запись лога длиной 601 с от 09.12.2026 03:00, "
                            "оставшаяся от прошлого запуска программы.\r\nОткрыть её? (Нет — "
                            "оставить её в «Лог» → «Несохранённые записи».)"));
    messages.SwitchToEnglish();
    QCOMPARE(LeftTableQuestion(messages, written),
             QStringLiteral("An unsaved table from 2026-12-09 03:10 was found, left by an "
                            "earlier run of the program.\r\nLoad it? (No deletes it.)"));
    QCOMPARE(CloseQuestion(messages, true, true),
             QStringLiteral("The log recording is not saved.\r\nThe table is not written to the "
                            "converter.\r\nClose the program all the same?"));
    QVERIFY(CloseQuestion(messages, false, false).isEmpty());
  }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
