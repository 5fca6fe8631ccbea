#pragma once
// A converter-sim process for tests: started with the given options, it
// announces its port on the first line; destroyed, it is killed. With a
// record file, the test sees exactly which bytes reached the converter.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "sim/RecordFile.h"

namespace zelor::testing {

// Path of the simulator executable: $ZELOR_SIM, else the one built beside.
inline QString SimPath() {
  const QString env = qEnvironmentVariable("ZELOR_SIM");
#ifdef ZELOR_SIM_PATH
  return env.isEmpty() ? QStringLiteral(ZELOR_SIM_PATH) : env;
#else
  return env;
#endif
}

struct SimProcess {
  // Starts the simulator; true once it announced its port.
  bool Start(const QStringList& args) {
    proc.setProgram(SimPath());
    proc.setArguments(args);
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    proc.start();
    if (!proc.waitForStarted(5000)) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!proc.canReadLine() && std::chrono::steady_clock::now() < deadline) {
      if (proc.state() != QProcess::Running) return false;
      proc.waitForReadyRead(200);
    }
    if (!proc.canReadLine()) return false;
    port = QString::fromLocal8Bit(proc.readLine()).trimmed().toStdString();
    return !port.empty();
  }

  // Starts it recording every received byte into a file of its own.
  bool StartRecording(QStringList args) {
    if (!recordDir.isValid()) return false;
    recordPath = recordDir.filePath(QStringLiteral("record.txt"));
    args << QStringLiteral("--record") << recordPath;
    return Start(args);
  }

  // The bytes received so far, in order (empty without a record).
  std::vector<std::uint8_t> Received() const {
    std::vector<sim::RecordedByte> record;
    std::string error;
    if (recordPath.isEmpty() || !sim::RecordFile::Load(recordPath.toStdString(), record, error))
      return {};
    return sim::RecordFile::Bytes(record);
  }

  // The bytes received so far with their times.
  std::vector<sim::RecordedByte> Record() const {
    std::vector<sim::RecordedByte> record;
    std::string error;
    if (!recordPath.isEmpty()) sim::RecordFile::Load(recordPath.toStdString(), record, error);
    return record;
  }

  QString Port() const { return QString::fromStdString(port); }

  // Sends SIGTERM; true when the process ended (within a hang guard).
  bool Terminate() {
    if (proc.state() == QProcess::NotRunning) return true;
    ::kill(static_cast<pid_t>(proc.processId()), SIGTERM);
    return proc.waitForFinished(10000);
  }

  ~SimProcess() {
    if (proc.state() != QProcess::NotRunning) {
      proc.kill();
      proc.waitForFinished(5000);
    }
  }

  QProcess proc;
  std::string port;
  QTemporaryDir recordDir;
  QString recordPath;
};

}  // namespace zelor::testing
