// The main window's table file commands: open and save a .tab file.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "app/FileDialog.h"
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

  // The image goes to a temporary file beside the target, which replaces the
  // target only once it is complete: a failed save leaves the old file. The
  // three messages name where it failed: the temporary file could not be
  // created, the image could not be written into it, or it could not replace
  // the old file. Unbuffered, so that a short write (a full disk) is seen
  // here rather than lost in a flush that reports nothing.
  const bool existed = QFileInfo::exists(name);
  QSaveFile file(name);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    Message(QStringLiteral("Can't create file before saving"));
    return;
  }
  const qint64 size = static_cast<qint64>(image.size());
  if (file.write(reinterpret_cast<const char*>(image.data()), size) != size) {
    file.cancelWriting();
    Message(QStringLiteral("Can't open file before saving"));
    return;
  }
  if (!file.commit()) {
    Message(existed ? QStringLiteral("Can't delete file before saving")
                    : QStringLiteral("Can't create file before saving"));
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
      Message(QStringLiteral("Cannot open file \"%1\". %2")
                  .arg(QDir::toNativeSeparators(QFileInfo(file.fileName()).absoluteFilePath()),
                       file.errorString()));
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
