#include "app/StartUp.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include "app/DialogLanguage.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareTables.h"

namespace zelor {

Windows::Windows() = default;
Windows::Windows(Windows&&) noexcept = default;

Windows& Windows::operator=(Windows&& other) noexcept {
  if (this != &other) {
    form3.reset();
    form2.reset();
    form1.reset();
    form1 = std::move(other.form1);
    form2 = std::move(other.form2);
    form3 = std::move(other.form3);
  }
  return *this;
}

Windows::~Windows() {
  form3.reset();
  form2.reset();
  form1.reset();
}

Windows StartUp(const QStringList& extraPorts) {
  // Russian is the program's language; the panel's voltages still use the
  // user's own decimal separator (QLocale::system()).
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  // Arial 13 px throughout, menus and message boxes included.
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  QApplication::setFont(font);
  // Qt's own dialogs speak Russian too, until the language file says
  // otherwise (TForm3).
  UseRussianDialogs();
  Windows windows;
  windows.form1 = std::make_unique<TForm1>(extraPorts);
  windows.form1->show();
  // The comparison window's caption repeats the current caption of the main
  // window's command that shows it.
  const QAction* compareCommand = windows.form1->findChild<QAction*>(QStringLiteral("N22"));
  windows.form2 = std::make_unique<TForm2>(windows.form1->Messages(), [compareCommand] {
    return compareCommand ? compareCommand->text() : QString();
  });
  windows.form1->SetCompareWindow(windows.form2.get());
  windows.form3 = std::make_unique<TForm3>(*windows.form1, *windows.form2);
  windows.form1->SetProgressWindow(windows.form3.get());
  return windows;
}

void QuitOnceStarted(const Windows& windows) {
  const TForm1* form = windows.form1.get();
  QTimer::singleShot(0, form, [form] {
    QStringList headers;
    if (const auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"))) {
      for (int i = 0; i < tabs->count(); ++i) headers << tabs->tabText(i);
    }
    QTextStream out(stdout);
    out << "ZelorConfigurator started: tabs \"" << headers.join(u'|') << "\", dialog button \""
        << QCoreApplication::translate("QPlatformTheme", "Cancel") << "\"\n";
    out.flush();
    QCoreApplication::exit(form->isVisible() ? 0 : 1);
  });
}

}  // namespace zelor
