#pragma once
// The one seam through which the program shows message boxes, asks yes-or-no
// questions, asks for whole numbers and for file names. The real
// implementation shows modal Qt dialogs; tests install their own to see each
// message in order and to answer each question, number and file dialog.
//
// The real file dialog is a QFileDialog made as its static functions make
// it, sized to at least kFileDialogWidth x kFileDialogHeight, its detail
// view's columns widened to their contents whenever a folder is listed.
// While Qt's Russian translation is not installed (RussianDialogs(),
// ui/DialogLanguage), its type column names a file by its extension ("LOG
// File"), for Qt's own names come from the MIME database in the program's
// Russian locale. While the progress window is shown it is the owner of
// every box and dialog asked for, whoever asks (KeepBoxesAbove).

#include <QString>
#include <optional>

class QWidget;

namespace zelor {

enum class FileDialogKind { Open, Save };

// The least size of the real file dialogs, so that no column of their
// detail view is cut (the screen allowing).
inline constexpr int kFileDialogWidth = 800;
inline constexpr int kFileDialogHeight = 480;

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;
  // Shows text in a modal box with an OK button and returns once it is closed.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // Asks a question in a modal box with the buttons Yes and No, No being the
  // default (Enter and Escape take it); true for Yes.
  virtual bool Ask(QWidget* parent, const QString& question) = 0;
  // Asks for a whole number within min..max in a small modal dialog titled
  // title, prompt above its spin box, which starts at value; OK takes it,
  // Cancel gives nullopt.
  virtual std::optional<int> AskInteger(QWidget* parent, const QString& title,
                                        const QString& prompt, int value, int min, int max) = 0;
  // Asks for a file name in a dialog opened at start (the file last chosen,
  // or a folder); nullopt when the user cancels.
  virtual std::optional<QString> AskFileName(QWidget* parent, FileDialogKind kind,
                                             const QString& filter, const QString& start) = 0;
  // Asks the desktop to open a web address; failures are not reported.
  virtual void OpenAddress(const QString& address) = 0;
};

// The dialogs in force: the installed ones, else the real Qt dialogs. While
// the window given to KeepBoxesAbove is shown, every box and dialog asked
// for is owned by it, whatever owner its caller names.
UserDialogs& Dialogs();

// window stays on top of the others (the progress window): a box of another
// owner would open under it. nullptr for none; a window destroyed counts as
// none.
void KeepBoxesAbove(QWidget* window);

// Installs dialogs for the whole program; nullptr brings back the real ones.
// The caller keeps ownership.
void InstallDialogs(UserDialogs* dialogs);

}  // namespace zelor
