// The main window's end and the session's journal: the close question, the
// system's request to end, and the start-up's offer of what an earlier run
// left (app/LeftWork), handed to the run's controller and the table's open.

#include <QCloseEvent>
#include <QCoreApplication>

#include "app/LeftWork.h"
#include "app/Unit3.h"
#include "app/ZelorConfigurator.h"
#include "core/SessionJournal.h"
#include "log/RunController.h"
#include "table/GridPage.h"
#include "table/TableHistory.h"
#include "ui/HandlerGuard.h"
#include "ui/UserDialogs.h"

namespace zelor {

void TForm1::closeEvent(QCloseEvent* event) {
  if (!endBySystem_ && !ConfirmClose()) {
    event->ignore();
    return;
  }
  // A normal end keeps nothing; the system's request keeps what would be
  // lost, for the next start to offer.
  const bool keepRecording = endBySystem_ && run_->RecordingAtRisk();
  const bool keepTable = endBySystem_ && grid_->Marks().Unwritten() > 0;
  run_->End(endBySystem_);
  journal_->End(keepRecording, keepTable);
  QMainWindow::closeEvent(event);
  // The main window's end is the program's end, whatever else is open.
  QCoreApplication::quit();
}

bool TForm1::ConfirmClose() {
  const QString question =
      CloseQuestion(messages_, run_->RecordingAtRisk(), grid_->Marks().Unwritten() > 0);
  if (question.isEmpty()) return true;
  // Over the progress window while that always-on-top window is up.
  QWidget* owner = windows_.progress && windows_.progress->isVisible()
                       ? static_cast<QWidget*>(windows_.progress)
                       : this;
  return Dialogs().Ask(owner, question);
}

void TForm1::EndAtSystemRequest() {
  endBySystem_ = true;
  close();
}

void TForm1::OfferLeftWork() {
  Guarded(this, [this] {
    zelor::OfferLeftWork(*journal_, messages_,
                         {this,
                          [this](const QString& path, const QDateTime& start) {
                            return run_->RecoverRecording(path, start);
                          },
                          [this](const QByteArray& image) {
                            const TableStepScope step([this] { CommitTableStep(); });
                            LoadTableImage(image);
                            RefreshInsertCellChart();
                            TabTableGraphShow();
                          }});
  });
}

}  // namespace zelor
