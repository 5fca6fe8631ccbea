// ZelorConfigurator: the desktop configurator of the Zelor air-flow signal
// converter. Port names given on the command line are offered in the port box
// beside the system's serial ports (for a converter on a pseudo-terminal).
// With ZELOR_START_CHECK set in the environment the program reports its start
// and ends at once (see QuitOnceStarted), as the install test runs it, and
// offers what an earlier run left only when its check asks.

#include <QApplication>
#include <QTimer>

#include "app/StartUp.h"
#include "app/TerminationSignals.h"
#include "app/ZelorConfigurator.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ZelorConfigurator"));
  QStringList ports = QApplication::arguments();
  ports.removeFirst();
  zelor::Windows windows = zelor::StartUp(ports);
  // A logout, `kill` or Ctrl+C ends the program as closing its window does,
  // without a question.
  zelor::TForm1* form1 = windows.form1.get();
  zelor::CloseOnTerminationSignals(*form1, [form1] { form1->EndAtSystemRequest(); });
  if (qEnvironmentVariableIsSet("ZELOR_START_CHECK")) {
    zelor::QuitOnceStarted(windows);
  } else {
    // What an earlier run left is offered once the window is up.
    QTimer::singleShot(0, form1, [form1] { form1->OfferLeftWork(); });
  }
  // Closing the main window ends the program (TForm1::closeEvent).
  return application.exec();
}
