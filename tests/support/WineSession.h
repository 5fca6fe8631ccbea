#pragma once
// A console program's Windows build run under Wine (Debian's wine64 loader,
// named by ZELOR_WINE) in a private prefix (ZELOR_WINE_PREFIX), made on the
// first run: the environment, wine64 and its wineserver. Without ZELOR_WINE
// the test runs the program built for this platform.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

namespace zelor::testing {

struct WineSession {
  QString wine = qEnvironmentVariable("ZELOR_WINE");
  QString prefix = qEnvironmentVariable("ZELOR_WINE_PREFIX");

  bool UnderWine() const { return !wine.isEmpty(); }

  QProcessEnvironment Environment() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), prefix);
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    // No Mono or Gecko to offer, no window: a console program needs none.
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
  }

  // Runs wine64 or its wineserver with the arguments; true on exit code 0.
  bool RunWine(const QString& program, const QStringList& args, int timeoutMs) const {
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok =
        p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok) qWarning().noquote() << program << args << p.readAll();
    return ok;
  }
  QString Server() const { return QFileInfo(wine).dir().filePath(QStringLiteral("wineserver")); }
  // Ends the prefix's Wine session, if one runs, and waits until it has.
  void StopServer() const {
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(Server(), {QStringLiteral("-k")});
    p.waitForFinished(30000);
    p.start(Server(), {QStringLiteral("-w")});
    p.waitForFinished(30000);
  }

  // The prefix as Wine's first start makes it; one left unfinished by an
  // earlier run is made again.
  bool PreparePrefix() const {
    const QString ready = QDir(prefix).filePath(QStringLiteral("zelor-ready"));
    if (QFile::exists(ready)) return true;
    StopServer();
    QDir(prefix).removeRecursively();
    if (!RunWine(wine, {QStringLiteral("wineboot"), QStringLiteral("--init")}, 240000))
      return false;
    QFile marker(ready);
    return marker.open(QIODevice::WriteOnly);
  }
};

}  // namespace zelor::testing
