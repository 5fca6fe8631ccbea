#pragma once
// The frame that the main window and the comparison window share: a client
// area of fixed size in Arial 13 px, a status bar of two panels at its bottom
// (a first panel and the hint panel), a menu bar built from a table of rows,
// the binding of the window's items to its handlers, and fitting and scaling
// the window to its client.

#include <QMainWindow>
#include <functional>
#include <span>

class QAction;
class QLabel;

namespace zelor {

// One row of a window's menu; the rows come in the menu's order.
struct MenuRow {
  enum Kind {
    kItem,       // a command
    kMenu,       // a submenu (its menu and its item carry the name)
    kSeparator,  // a line between parent's items
    kItemsOf,    // the items of the window's menu of that name, the same actions
  };
  enum State { kEnabled, kDisabled, kHidden };
  const char* name;     // objectName; empty for a separator
  const char* parent;   // the submenu it goes into; empty: the menu bar itself
  const char* caption;  // UTF-8; empty where the program sets its own later
  Kind kind = kItem;
  State state = kEnabled;
};

class WindowShell : public QMainWindow {
  Q_OBJECT
 public:
  // The first panel of the status bar and the hint panel beside it.
  QLabel* FirstPanel() const { return firstPanel_; }
  QLabel* HintPanel() const { return hintPanel_; }
  // The one action of the window named name; a missing or repeated name is
  // a fault of the window's tables (std::logic_error).
  QAction* Action(const char* name) const;

 protected:
  // The window name, its client area's size and the status bar's name (its
  // panels are that name with "Panel0" and "Panel1").
  WindowShell(const char* name, QSize client, const char* statusBar, QWidget* parent = nullptr);

  QWidget* Client() const { return client_; }
  // The menu bar "MainMenu1" with rows, in their order.
  void BuildMenu(std::span<const MenuRow> rows);
  // Runs handler through Guarded() whenever the action named name is
  // triggered.
  void Bind(const char* name, std::function<void()> handler);
  template <class Window>
  void Bind(const char* name, void (Window::*handler)()) {
    auto* window = static_cast<Window*>(this);
    Bind(name, [window, handler] { (window->*handler)(); });
  }
  // As Bind, for an item whose handler turns its check mark over itself:
  // the turn Qt makes before it reports the click is taken back first.
  void BindOwnMark(const char* name, std::function<void()> handler);
  template <class Window>
  void BindOwnMark(const char* name, void (Window::*handler)()) {
    auto* window = static_cast<Window*>(this);
    BindOwnMark(name, [window, handler] { (window->*handler)(); });
  }
  // The window as large as its client and the menu bar above it, fixed.
  void FitWindowToClient();
  // The window font and every control of the client by multiplier / divisor,
  // then the window fitted to the client again.
  void ScaleClient(int multiplier, int divisor);

 private:
  QWidget* client_ = nullptr;
  QLabel* firstPanel_ = nullptr;
  QLabel* hintPanel_ = nullptr;
};

}  // namespace zelor
