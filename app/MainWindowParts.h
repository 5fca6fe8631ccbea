#pragma once
// The main window's parts that are only controls: its frame with the
// non-visual parts, the menu items it changes, the first tab, the other
// windows it talks to, and the files named in its caption.

#include <QString>
#include <QStringList>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QTimer;

namespace zelor {

class FileDialog;
class PortComboBox;
class StatusBlock;
class TForm2;
class TForm3;

struct MainShell {
  QTabWidget* pageControl1 = nullptr;
  FileDialog* fileOpenDLG = nullptr;
  FileDialog* fileSaveDLG = nullptr;
  FileDialog* csvSaveDLG = nullptr;  // the CSV export's, apart from the shared ones
  QTimer* timer2 = nullptr;          // the write's verification ticks
};

struct MainMenuItems {
  QAction* n19 = nullptr;
  QAction* n20 = nullptr;
  QAction* undoTable = nullptr;
  QAction* redoTable = nullptr;
  QAction* exportCsv = nullptr;
  QMenu* unsavedRecordings = nullptr;  // "Лог" > "Несохранённые записи"
  QAction* lambdaFix = nullptr;        // "Лог" > "Коррекция по лямбде"
  QAction* guide = nullptr;            // "Окно" > "Руководство"
};

// The port box (with the ports named on the command line), the status block
// below it and the web address.
struct PortTab {
  QStringList extraPorts;
  PortComboBox* com = nullptr;
  StatusBlock* status = nullptr;
  QLabel* label7 = nullptr;
};

struct OtherWindows {
  TForm2* compare = nullptr;
  TForm3* progress = nullptr;
};

// The files shown in the caption: the table's and the recording's.
struct OpenFiles {
  QString table;
  QString log;
};

}  // namespace zelor
