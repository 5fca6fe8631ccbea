#include "app/StartUp.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextStream>
#include <QTimer>

#include "app/GuideWindow.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "compare/CompareTables.h"
#include "link/LogBuffer.h"
#include "log/StreamRun.h"
#include "table/GridPage.h"
#include "table/TableModel.h"
#include "ui/DialogLanguage.h"
#include "ui/UserDialogs.h"

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

namespace {

// The start check's user of the dialogs: tells where each file dialog
// starts, chooses `file` in an open dialog (in the spelling Qt's dialog gives,
// '/' between names) and cancels a save, answers Yes to every question, and
// prints each question and message.
class CheckDialogs final : public UserDialogs {
 public:
  CheckDialogs(QTextStream& out, QString file) : out_(out), file_(std::move(file)) {
    InstallDialogs(this);
  }
  ~CheckDialogs() override { InstallDialogs(nullptr); }
  CheckDialogs(const CheckDialogs&) = delete;
  CheckDialogs& operator=(const CheckDialogs&) = delete;

  void ShowMessage(QWidget*, const QString& text) override { Say("message", text); }
  bool Ask(QWidget*, const QString& question) override {
    Say("question", question);
    return true;
  }
  std::optional<int> AskInteger(QWidget*, const QString&, const QString&, int, int, int) override {
    return std::nullopt;
  }
  std::optional<QString> AskFileName(QWidget*, FileDialogKind kind, const QString&,
                                     const QString& start) override {
    const bool open = kind == FileDialogKind::Open;
    out_ << (open ? "open" : "save") << " dialog starts in " << QDir::toNativeSeparators(start)
         << "\n";
    out_.flush();
    if (!open || file_.isEmpty()) return std::nullopt;
    return QDir::fromNativeSeparators(file_);
  }
  void OpenAddress(const QString&) override {}

 private:
  // The first line of text, which names what is asked or told.
  void Say(const char* what, const QString& text) {
    out_ << what << " " << text.section(QRegularExpression(QStringLiteral("[\r\n]")), 0, 0) << "\n";
    out_.flush();
  }

  QTextStream& out_;
  QString file_;
};

// Picks port in the port box as the user does, which reads the table and the
// firmware, and prints what the window then shows, and the port box's
// tooltip (the port and its adapter's name). False when the box does
// not offer the port or the firmware label is hidden (the read failed).
bool PickPortAndReport(TForm1& form, const QString& port, QTextStream& out) {
  // A failed read's message is printed, not left in a box no one closes.
  const CheckDialogs dialogs(out, QString());
  auto* box = form.findChild<QComboBox*>(QStringLiteral("COM"));
  const int index = box ? box->findText(port) : -1;
  if (index < 0) {
    out << "picked " << port << ": not in the port box\n";
    return false;
  }
  box->setCurrentIndex(index);
  emit box->activated(index);
  const QLabel* version = form.Grid().VersionLabel();
  int checksum = 0;
  for (int cell = 0; cell < 256; ++cell) checksum += form.Table().CellText(cell).toInt();
  out << "picked " << port << ": firmware \"" << (version->isHidden() ? QString() : version->text())
      << "\", table checksum " << checksum << "\n";
  out << "port box tooltip \"" << box->toolTip() << "\"\n";
  out.flush();
  return !version->isHidden();
}

// Chooses "Окно" > "Руководство" and prints "guide FILE", the file its
// window shows; false when no window came. Without a guide it prints "guide
// none" instead of choosing the item, whose message box no one would close.
bool ReportGuide(TForm1& form, QTextStream& out) {
  const QTextBrowser* guide = nullptr;
  if (!FindGuide(GuideFolders(), form.Messages().English()).isEmpty()) {
    form.Action("Guide")->trigger();
    guide = form.findChild<QTextBrowser*>(QStringLiteral("GuideWindow"));
  }
  out << "guide " << (guide ? guide->source().toLocalFile() : QStringLiteral("none")) << "\n";
  out.flush();
  return guide != nullptr;
}

// Where the table's dialogs start in both windows (a save cancelled, file
// opened), and the captions and the file label that then name file.
void ReportFiles(TForm1& form, TForm2& compare, const QString& file, QTextStream& out) {
  const CheckDialogs dialogs(out, file);
  for (const char* command : {"N13", "N12"}) {
    if (auto* action = form.findChild<QAction*>(QString::fromLatin1(command))) action->trigger();
  }
  out << "caption " << form.windowTitle() << "\n";
  if (auto* open = compare.findChild<QAction*>(QStringLiteral("N12"))) open->trigger();
  const auto* label = compare.findChild<QLabel*>(QStringLiteral("Label1"));
  out << "comparison caption " << compare.windowTitle() << "\n"
      << "comparison label " << (label ? label->text() : QString()) << "\n";
  out.flush();
}

// Offers what an earlier run left as the start-up does, answering Yes, and
// prints the questions and the samples of the recording then held; false
// when no recording came.
bool ReportLeftWork(TForm1& form, QTextStream& out) {
  {
    const CheckDialogs dialogs(out, QString());
    form.OfferLeftWork();
  }
  const std::int64_t samples = form.Stream().Log().Count();
  out << "recording of " << samples << " samples\n";
  out.flush();
  return samples > 0;
}

}  // namespace

void QuitOnceStarted(const Windows& windows) {
  TForm1* form = windows.form1.get();
  TForm2* compare = windows.form2.get();
  QTimer::singleShot(0, form, [form, compare] {
    QStringList headers;
    if (const auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("PageControl1"))) {
      for (int i = 0; i < tabs->count(); ++i) headers << tabs->tabText(i);
    }
    QTextStream out(stdout);
    out << "ZelorConfigurator started: tabs \"" << headers.join(u'|') << "\", dialog button \""
        << QCoreApplication::translate("QPlatformTheme", "Cancel") << "\"\n";
    out.flush();
    int exitCode = form->isVisible() ? 0 : 1;
    if (qEnvironmentVariableIsSet("ZELOR_START_CHECK_GUIDE") && !ReportGuide(*form, out))
      exitCode = 1;
    if (qEnvironmentVariableIsSet("ZELOR_START_CHECK_FILES"))
      ReportFiles(*form, *compare, qEnvironmentVariable("ZELOR_START_CHECK_FILES"), out);
    if (qEnvironmentVariableIsSet("ZELOR_START_CHECK_LEFT") && !ReportLeftWork(*form, out))
      exitCode = 1;
    const QString port = qEnvironmentVariable("ZELOR_START_CHECK_PORT");
    if (!port.isEmpty() && !PickPortAndReport(*form, port, out)) exitCode = 1;
    if (exitCode == 0 && !port.isEmpty() && qEnvironmentVariableIsSet("ZELOR_START_CHECK_STREAM")) {
      // Streams on as after "Старт", until the program is ended.
      if (auto* start = form->findChild<QPushButton*>(QStringLiteral("ButtonStart")))
        start->click();
      out << "streaming from " << port << "\n";
      out.flush();
      return;
    }
    QCoreApplication::exit(exitCode);
  });
}

}  // namespace zelor
