#pragma once
// Reading the bytes of a table file, shared by the main window and the
// comparison window. Both save through SaveWholeFile (app/FileSave.h), which
// never loses the previous file.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include "app/FileSave.h"

namespace zelor {

// A table file that could not be opened for reading. The message names the
// file's full path and the system's reason.
class FileOpenError : public std::runtime_error {
 public:
  explicit FileOpenError(const QString& message)
      : std::runtime_error(message.toUtf8().toStdString()) {}
};

// name with ".tab" appended unless its last four characters are exactly
// ".tab" (case-sensitive).
QString WithTabExtension(const QString& name);

// At most maxBytes bytes from the start of the file; the rest is not read.
// Throws FileOpenError when the file cannot be opened.
QByteArray ReadFileStart(const QString& name, qint64 maxBytes);

}  // namespace zelor
