#pragma once
// Reading and writing the bytes of a table file, shared by the main window and
// the comparison window. A save never loses the previous file: the new bytes
// go to a temporary file beside it, which replaces it only once complete.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

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

// Writes bytes as the whole content of the file name. Returns nothing on
// success, otherwise the message of the failure, the previous file (if any)
// being left as it was: "Can't create file before saving" when the
// temporary file cannot be made (or, without a previous file, cannot take
// the name), "Can't open file before saving" when the bytes cannot all be
// written (a full disk), "Can't delete file before saving" when the
// previous file cannot be replaced.
std::optional<QString> SaveWholeFile(const QString& name, std::span<const std::uint8_t> bytes);

}  // namespace zelor
