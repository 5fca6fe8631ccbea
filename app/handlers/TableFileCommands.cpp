// The main window's table file commands: open and save a .tab file. The
// bytes go through table/TableFile, which keeps the previous file on a
// failed save.

#include "app/ZelorConfigurator.h"
#include "core/SessionJournal.h"
#include "table/GridPage.h"
#include "table/TableFile.h"
#include "table/TableGrid.h"
#include "table/TableHistory.h"
#include "table/TableImage.h"
#include "table/TableModel.h"
#include "ui/UserDialogs.h"
#include "widgets/FileDialog.h"

namespace zelor {

void TForm1::N13Click() {
  // What a cell's open editor shows is what is saved.
  EndCellEditing(grid_->Grid());
  FileDialog& dialog = *shell_.fileSaveDLG;
  dialog.SetFilter(QString::fromLatin1(kTableSaveFilter));
  if (!dialog.Execute(this)) return;
  const QString name = WithTabExtension(dialog.FileName());
  dialog.SetFileName(name);

  // Every cell and setting is read before the file is touched: a bad one
  // stops the save with its message and the old file stays as it was.
  const std::array<std::uint8_t, 256> cells = table_->CellBytes(messages_.English());
  const auto image = EncodeTableImage(cells, table_->Settings());
  if (const std::optional<QString> failure = SaveWholeFile(name, image)) {
    Message(*failure);
    return;
  }
  files_.table = name;
  ShowFileCaption(files_.table);
  // The session's journal keeps no table this file holds.
  journal_->SetTableFile(image);
}

void TForm1::N12Click() {
  const TableStepScope step([this] { CommitTableStep(); });
  FileDialog& dialog = *shell_.fileOpenDLG;
  dialog.SetFilter(QString::fromLatin1(kTableOpenFilter));
  const QString before = dialog.FileName();
  if (dialog.Execute(this)) {
    // A file that cannot be read stops the command with its message.
    const FileStart file = ReadFileStart(dialog.FileName(), static_cast<qint64>(kTableImageSize));
    // Any other file would fill the table from its first bytes: only when
    // the user says so. No leaves everything, the name the dialog keeps too.
    if (!IsTableFileLength(file.size) &&
        !Dialogs().Ask(this, messages_.FileQuestion(OwnMessage::kNotTableFile, dialog.FileName(),
                                                    file.size))) {
      dialog.SetFileName(before);
      return;
    }
    LoadTableImage(file.bytes);
    // The session's journal keeps no table this file holds: the cells and
    // settings it gave.
    journal_->SetTableFile(
        EncodeTableImage(table_->CellBytes(messages_.English()), table_->Settings()));
  }
  RefreshInsertCellChart();
  files_.table = dialog.FileName();
  ShowFileCaption(files_.table);
  TabTableGraphShow();
}

}  // namespace zelor

namespace zelor {

void TForm1::LoadTableImage(const QByteArray& image) {
  const DecodedTable table =
      DecodeTableImage(std::vector<std::uint8_t>(image.begin(), image.end()));
  table_->SetBytes(table.cells);
  table_->SetSettings(table.settings);
  grid_->Page()->update();
}

}  // namespace zelor
