#include "ui/WindowShell.h"

#include <QAction>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <stdexcept>
#include <string>

#include "core/Scaling.h"
#include "ui/HandlerGuard.h"
#include "ui/WindowScaling.h"

namespace zelor {
namespace {

constexpr int kStatusBarHeight = 20;
constexpr int kFirstPanelWidth = 175;
constexpr int kHintPanelMinimumWidth = 50;

}  // namespace

WindowShell::WindowShell(const char* name, QSize client, const char* statusBar, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName(QString::fromLatin1(name));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  setFont(font);

  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("ClientArea"));
  client_->setFixedSize(client);
  setCentralWidget(client_);

  auto* bar = new QStatusBar(client_);
  const QString barName = QString::fromLatin1(statusBar);
  bar->setObjectName(barName);
  bar->setSizeGripEnabled(false);
  bar->setGeometry(0, client.height() - kStatusBarHeight, client.width(), kStatusBarHeight);
  firstPanel_ = new QLabel(bar);
  firstPanel_->setObjectName(barName + QStringLiteral("Panel0"));
  firstPanel_->setFixedWidth(kFirstPanelWidth);
  hintPanel_ = new QLabel(bar);
  hintPanel_->setObjectName(barName + QStringLiteral("Panel1"));
  hintPanel_->setMinimumWidth(kHintPanelMinimumWidth);
  bar->addWidget(firstPanel_);
  bar->addWidget(hintPanel_, 1);
}

QAction* WindowShell::Action(const char* name) const {
  const QList<QAction*> found = findChildren<QAction*>(QString::fromLatin1(name));
  if (found.size() != 1)
    throw std::logic_error(std::string("window item ") + name + " found " +
                           std::to_string(found.size()) + " times");
  return found.front();
}

void WindowShell::BuildMenu(std::span<const MenuRow> rows) {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  QHash<QString, QMenu*> menus;
  for (const MenuRow& row : rows) {
    const QString name = QString::fromLatin1(row.name);
    const QString caption = QString::fromUtf8(row.caption);
    QMenu* parent = *row.parent ? menus.value(QString::fromLatin1(row.parent)) : nullptr;
    if (*row.parent && !parent)
      throw std::logic_error(std::string("menu ") + row.parent + " comes after its items");
    QAction* action = nullptr;
    switch (row.kind) {
      case MenuRow::kItem:
        action = parent ? parent->addAction(caption) : bar->addAction(caption);
        break;
      case MenuRow::kMenu: {
        QMenu* menu = parent ? parent->addMenu(caption) : bar->addMenu(caption);
        menu->setObjectName(name);
        menus.insert(name, menu);
        action = menu->menuAction();
        break;
      }
      case MenuRow::kSeparator: parent ? parent->addSeparator() : bar->addSeparator(); break;
      case MenuRow::kItemsOf: {
        const auto* source = findChild<QMenu*>(name);
        if (!source) throw std::logic_error(std::string("menu ") + row.name + " not found");
        (parent ? static_cast<QWidget*>(parent) : bar)->addActions(source->actions());
        break;
      }
    }
    if (!action) continue;
    action->setObjectName(name);
    action->setEnabled(row.state != MenuRow::kDisabled);
    action->setVisible(row.state != MenuRow::kHidden);
  }
}

void WindowShell::Bind(const char* name, std::function<void()> handler) {
  connect(Action(name), &QAction::triggered, this, [this, handler = std::move(handler)] {
    // The first panel tells the outcome of one command (a count of cells
    // changed, a write that failed): the next command's start clears it.
    firstPanel_->clear();
    firstPanel_->setToolTip(QString());
    Guarded(this, handler);
  });
}

void WindowShell::BindOwnMark(const char* name, std::function<void()> handler) {
  QAction* action = Action(name);
  Bind(name, [action, handler = std::move(handler)] {
    if (action->isCheckable()) action->setChecked(!action->isChecked());
    handler();
  });
}

void WindowShell::FitWindowToClient() {
  setFixedSize(client_->width(), client_->height() + menuBar()->sizeHint().height());
}

void WindowShell::ScaleClient(int multiplier, int divisor) {
  // The window's own font too, which its menu and every control inherit.
  QFont windowFont = font();
  windowFont.setPixelSize(MulDiv(windowFont.pixelSize(), multiplier, divisor));
  setFont(windowFont);
  ScaleWidgetTree(client_, multiplier, divisor);
  FitWindowToClient();
}

}  // namespace zelor
