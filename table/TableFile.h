#pragma once
// Reading the bytes of a table file, shared by the main window and the
// comparison window. Both save through SaveWholeFile (core/FileSave.h), which
// never loses the previous file.

#include <QByteArray>
#include <QString>

#include "core/FileSave.h"

namespace zelor {

// The file dialogs' filters for table files, as the dialogs take them: the
// main window opens with the first and saves with the second; the
// comparison window uses the second for both.
inline constexpr char kTableOpenFilter[] = "Tab files|*.tab|All|*.*";
inline constexpr char kTableSaveFilter[] = "Tab Files|*.tab|All|*.*";

// name with ".tab" appended unless its last four characters are ".tab" as
// this platform's file names compare them (TableFileName).
QString WithTabExtension(const QString& name);

// The lengths of the table files the program writes: 256 bytes (the cells
// alone), 257 (the comparison window's) and 262 (the cells and settings).
// Any other file opens only once the user has said so.
bool IsTableFileLength(qint64 size);

// The start of a file, and the file's whole length.
struct FileStart {
  QByteArray bytes;
  qint64 size = 0;
};

// At most maxBytes bytes from the start of the file; the rest is not read.
// Throws FileOpenError when the file cannot be opened.
FileStart ReadFileStart(const QString& name, qint64 maxBytes);

}  // namespace zelor
