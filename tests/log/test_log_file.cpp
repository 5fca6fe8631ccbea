// .log files over the LogBuffer: the bytes written, whole records only, the
// cap of the buffer, the name rule, and saves that must never lose the file
// they replace.

#include <sys/resource.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <memory>

#include "link/LogBuffer.h"
#include "log/LogFile.h"

using namespace zelor;

namespace {

// Record k of a recording: every byte differs from its neighbours, the
// marker byte is 128 or 0.
LogSample SampleOf(std::int32_t k) {
  LogSample s;
  for (int c = 0; c < kLogChannelCount; ++c)
    s.bytes[c] = static_cast<std::uint8_t>(k * 11 + c * 37);
  s.bytes[static_cast<int>(LogChannel::Marker)] = k % 3 == 0 ? LogBuffer::kMarkerOn : 0;
  return s;
}

QByteArray Records(std::int32_t first, std::int32_t n) {
  QByteArray bytes;
  for (std::int32_t k = first; k < first + n; ++k) {
    const LogSample s = SampleOf(k);
    bytes.append(reinterpret_cast<const char*>(s.bytes.data()), kLogRecordSize);
  }
  return bytes;
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class TestLogFile : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_.emplace();
    buffer_ = std::make_unique<LogBuffer>();
  }

  void savedFileReopensByteForByte() {
    // Lengths around the 16-record blocks of the spread.
    for (std::int32_t n : {1, 15, 16, 17, 118, 1003}) {
      LogBuffer& log = *buffer_;
      for (std::int32_t k = 0; k < n; ++k) log.Store(k, SampleOf(k));
      log.SetCount(n);
      const QString path = dir_->filePath(QStringLiteral("r%1.log").arg(n));
      QCOMPARE(SaveLogFile(log, path), std::nullopt);
      QCOMPARE(ReadAll(path), Records(0, n));

      auto reopened = std::make_unique<LogBuffer>();
      QCOMPARE(OpenLogFile(*reopened, path), std::nullopt);
      QCOMPARE(reopened->Count(), n);
      for (std::int32_t k = 0; k < n; ++k) QCOMPARE(reopened->SampleAt(k), SampleOf(k));
    }
  }

  void onlyWholeRecordsLoadAndHigherSlotsKeepTheirBytes() {
    const struct {
      int size;
      std::int32_t count;
    } cases[] = {{0, 0}, {7, 0}, {16, 2}, {20, 2}, {8 * 40 + 3, 40}};
    for (const auto& c : cases) {
      LogBuffer& log = *buffer_;
      for (std::int32_t k = 0; k < 50; ++k) log.Store(k, SampleOf(1000 + k));
      log.SetCount(50);
      const QByteArray bytes = Records(0, 41).left(c.size);
      QCOMPARE(SpreadLogRecords(log, bytes.constData(), bytes.size()), c.count);
      QCOMPARE(log.Count(), c.count);
      for (std::int32_t k = 0; k < c.count; ++k) QCOMPARE(log.SampleAt(k), SampleOf(k));
      for (std::int32_t k = c.count; k < 50; ++k) QCOMPARE(log.SampleAt(k), SampleOf(1000 + k));
    }
  }

  void fileLongerThanTheBufferKeepsItsLastRecordInTheLastSlot() {
    // A sparse file of a terabyte: ten records, zeros, and a last record. Only
    // what the cap keeps may be read; reading it whole cannot even allocate.
    const std::int32_t cap = LogBuffer::kCapacity;
    const qint64 size = qint64(1) << 40;
    const QString path = dir_->filePath(QStringLiteral("long.log"));
    {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      QCOMPARE(file.write(Records(0, 10)), 80);
      if (!file.resize(size)) QSKIP("no sparse files here");
      QVERIFY(file.seek(size - kLogRecordSize));
      QCOMPARE(file.write(Records(77, 1)), kLogRecordSize);
    }
    QCOMPARE(OpenLogFile(*buffer_, path), std::nullopt);
    QCOMPARE(buffer_->Count(), cap);
    for (std::int32_t k = 0; k < 10; ++k) QCOMPARE(buffer_->SampleAt(k), SampleOf(k));
    QCOMPARE(buffer_->SampleAt(cap - 1), LogSample{});
    QCOMPARE(buffer_->SampleAt(cap), SampleOf(77));
    QVERIFY_THROWS_EXCEPTION(
        std::out_of_range,
        buffer_->StoreRecords(cap, reinterpret_cast<const std::uint8_t*>(Records(0, 2).constData()),
                              2));
  }

  void extensionIsAddedCaseSensitively() {
    const std::pair<const char*, const char*> names[] = {{"run", "run.log"},
                                                         {"run.LOG", "run.LOG.log"},
                                                         {"run.log", "run.log"},
                                                         {"a.Log", "a.Log.log"},
                                                         {"/tmp/x.log.bak", "/tmp/x.log.bak.log"}};
    for (const auto& [chosen, saved] : names) QCOMPARE(LogFileName(chosen), QString(saved));
  }

  void failedSaveLeavesTheOldFileAndNoTemporaryOne() {
    LogBuffer& log = *buffer_;
    for (std::int32_t k = 0; k < 500; ++k) log.Store(k, SampleOf(k));
    log.SetCount(500);
    const QString path = dir_->filePath(QStringLiteral("old.log"));
    const QByteArray old = Records(7000, 300);
    WriteAll(path, old);
    // A file-size limit makes the disk refuse the new file part way, as a
    // full disk would; it binds root too.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<QString> error = SaveLogFile(log, path);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
    QCOMPARE(error, std::optional<QString>("Can't open file before saving"));
    QCOMPARE(ReadAll(path), old);
    QCOMPARE(QDir(dir_->path()).entryList(QDir::Files), QStringList{"old.log"});
    // With room again the same save replaces it.
    QCOMPARE(SaveLogFile(log, path), std::nullopt);
    QCOMPARE(ReadAll(path), Records(0, 500));
    QCOMPARE(SaveLogFile(log, dir_->filePath("no/such/folder/x.log")),
             std::optional<QString>("Can't create file before saving"));
  }

  void unreadableFileLeavesTheRecordingAlone() {
    LogBuffer& log = *buffer_;
    log.Store(0, SampleOf(5));
    log.SetCount(1);
    const QString missing = dir_->filePath(QStringLiteral("missing.log"));
    const std::optional<QString> error = OpenLogFile(log, missing);
    QVERIFY(error);
    QVERIFY2(error->contains(missing) && error->contains("No such file"), qPrintable(*error));
    QCOMPARE(log.Count(), 1);
    QCOMPARE(log.SampleAt(0), SampleOf(5));
  }

 private:
  std::optional<QTemporaryDir> dir_;
  std::unique_ptr<LogBuffer> buffer_;
};

QTEST_GUILESS_MAIN(TestLogFile)
#include "test_log_file.moc"
