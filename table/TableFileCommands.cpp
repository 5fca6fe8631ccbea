// The main window's table file commands: open and save a .tab file.

#include <QFile>

#include "app/FileDialog.h"
#include "app/FileSave.h"
#include "app/ZelorConfigurator.h"
#include "table/GridPage.h"
#include "table/TableImage.h"

namespace zelor {

void TForm1::N13Click() {
  FileDialog& dialog = *fileSaveDLG_;
  dialog.SetFilter(QStringLiteral("Tab Files|*.tab|All|*.*"));
  if (!dialog.Execute(this)) return;
  QString name = dialog.FileName();
  if (!name.endsWith(QLatin1String(".tab"), Qt::CaseSensitive)) name += QLatin1String(".tab");
  dialog.SetFileName(name);

  // Every cell and setting is read before the file is touched: a bad one
  // stops the save with its message and the old file stays as it was.
  const std::array<std::uint8_t, 256> cells = grid_->CellBytes(messages_.English());
  const auto image = EncodeTableImage(cells, grid_->Settings());

  // A failed save leaves the old file as it was.
  if (const auto error = SaveWholeFile(name, reinterpret_cast<const char*>(image.data()),
                                       static_cast<qint64>(image.size()))) {
    Message(*error);
    return;
  }
  currentTableFile_ = name;
  ShowFileCaption(currentTableFile_);
}

void TForm1::N12Click() {
  FileDialog& dialog = *fileOpenDLG_;
  dialog.SetFilter(QStringLiteral("Tab files|*.tab|All|*.*"));
  if (dialog.Execute(this)) {
    QFile file(dialog.FileName());
    if (!file.open(QIODevice::ReadOnly)) {
      Message(CannotOpenFileMessage(file.fileName(), file.errorString()));
      return;
    }
    // Bytes past the image are ignored, so a huge file is not read whole.
    const QByteArray bytes = file.read(static_cast<qint64>(kTableImageSize));
    file.close();
    const DecodedTable table =
        DecodeTableImage(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    for (int index = 0; index < 256; ++index) grid_->SetCell(index, table.cells[index]);
    grid_->SetSettings(table.settings);
    grid_->Page()->update();
  }
  RefreshInsertCellChart();
  currentTableFile_ = dialog.FileName();
  ShowFileCaption(currentTableFile_);
  TabTableGraphShow();
}

}  // namespace zelor
