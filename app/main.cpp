// ZelorConfigurator: the desktop configurator of the Zelor air-flow signal
// converter. Port names given on the command line are offered in the port box
// beside the system's serial ports (for a converter on a pseudo-terminal).
// With ZELOR_START_CHECK set in the environment the program reports its start
// and ends at once (see QuitOnceStarted), as the install test runs it.

#include <QApplication>

#include "app/StartUp.h"
#include "app/TerminationSignals.h"
#include "app/ZelorConfigurator.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ZelorConfigurator"));
  QStringList ports = QApplication::arguments();
  ports.removeFirst();
  zelor::Windows windows = zelor::StartUp(ports);
  // A logout, `kill` or Ctrl+C ends the program as closing its window does.
  zelor::CloseOnTerminationSignals(*windows.form1);
  if (qEnvironmentVariableIsSet("ZELOR_START_CHECK")) zelor::QuitOnceStarted(windows);
  // Closing the main window ends the program (TForm1::closeEvent).
  return application.exec();
}
