#pragma once
// The main window with scripted dialogs, started on its own or against a
// recording converter simulator: the fixture the window tests share. A test
// class derives from it beside QObject and calls InitWindow() and
// CleanupWindow() from its init() and cleanup() slots.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <memory>

#include "app/StartUp.h"
#include "app/ZelorConfigurator.h"
#include "support/PortBox.h"
#include "support/ScriptedDialogs.h"
#include "support/SimProcess.h"
#include "table/CellIndex.h"
#include "table/GridPage.h"
#include "table/TableModel.h"

namespace zelor::testing {

class SimWindow {
 protected:
  void InitWindow() { dialogs_ = std::make_unique<ScriptedDialogs>(); }
  // The windows go first, while the simulators still hold their lines.
  void CleanupWindow() {
    windows_ = Windows();
    sim_.reset();
    second_.reset();
    dialogs_.reset();
  }

  TForm1& form() { return *windows_.form1; }

  // Starts the simulator, recording what it receives, then the windows with
  // its port in the port list, followed by morePorts.
  void Launch(const QStringList& simArgs, const QStringList& morePorts = {}) {
    sim_ = std::make_unique<SimProcess>();
    QVERIFY(sim_->StartRecording(simArgs));
    windows_ = StartUp(QStringList{sim_->Port()} + morePorts);
  }

  // As Launch, with a second converter (recording too, no options) on a port
  // of its own in the list after the first.
  void LaunchTwo(const QStringList& simArgs) {
    second_ = std::make_unique<SimProcess>();
    QVERIFY(second_->StartRecording({}));
    Launch(simArgs, {second_->Port()});
  }

  // Picks the simulator's port in the port box, as a user does; or the
  // second converter's.
  void Pick() { QVERIFY(PickPort(form(), sim_->Port())); }
  void PickSecond() { QVERIFY(PickPort(form(), second_->Port())); }
  // Pick, for a test that goes on from the table read: a read that failed
  // (a machine too busy for the simulator to answer in time) says so here.
  void PickAndRead() {
    Pick();
    QVERIFY2(!form().Grid().VersionLabel()->isHidden(), qPrintable(dialogs_->messages.join(u'|')));
  }

  QAction* Item(const char* name) { return form().findChild<QAction*>(QString::fromLatin1(name)); }
  void Trigger(const char* action) { Item(action)->trigger(); }
  // The grid's 256 cell texts in MAF order.
  QStringList Cells() {
    QStringList cells;
    for (int index = 0; index < 256; ++index) cells << form().Table().CellText(index);
    return cells;
  }
  void Click(const char* button) {
    form().findChild<QPushButton*>(QString::fromLatin1(button))->click();
  }

  // Opens the editor of the grid's cell index and types text into it, not
  // yet confirmed; nullptr when no editor opened.
  QLineEdit* StartTyping(int index, const QString& text) {
    form().PageControl1()->setCurrentWidget(form().TabSheet("TabSheet3"));
    QTableWidget* grid = form().Grid().Grid();
    QTableWidgetItem* item = grid->item(CellRow(index), CellColumn(index));
    grid->setCurrentItem(item);
    grid->editItem(item);
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->indexFromItem(item)));
    if (!editor) return nullptr;
    editor->selectAll();
    QTest::keyClicks(editor, text);
    return editor;
  }

  // The open editor of the grid's cell index, if any.
  QWidget* EditorOf(int index) {
    QTableWidget* grid = form().Grid().Grid();
    return grid->indexWidget(grid->model()->index(CellRow(index), CellColumn(index)));
  }

  // Types text into the grid's cell index as a user does: opens the cell's
  // editor, replaces its text and confirms with Enter, then waits until the
  // grid has closed the editor (queued) and taken the text.
  void Type(int index, const QString& text) {
    QLineEdit* editor = StartTyping(index, text);
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!EditorOf(index));
    QCOMPARE(form().Table().CellText(index), text);
  }

  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<SimProcess> sim_;
  std::unique_ptr<SimProcess> second_;
  Windows windows_;
};

}  // namespace zelor::testing
