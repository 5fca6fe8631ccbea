// ZelorConfigurator: the desktop configurator of the Zelor air-flow signal
// converter. Port names given on the command line are offered in the port box
// beside the system's serial ports (for a converter on a pseudo-terminal).

#include <QApplication>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ZelorConfigurator"));
  QStringList ports = QApplication::arguments();
  ports.removeFirst();
  zelor::Windows windows = zelor::StartUp(ports);
  // Closing the main window ends the program (TForm1::closeEvent).
  return application.exec();
}
