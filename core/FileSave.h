#pragma once
// Saving a whole file so that a failed save never loses the file it was to
// replace, and the message and error of a file that cannot be read. The
// table, log and language files share them.

#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

namespace zelor {

// Writes bytes as the whole content of path. The bytes go to a temporary file
// beside the target, which replaces the target only once it is complete, so
// the old file stays as it was after every failure. Returns nullopt when the
// file was saved, otherwise the message that names where it failed:
//   "Can't create file before saving"  the temporary file could not be
//                                      created, or could not take the place
//                                      of a file that did not exist;
//   "Can't open file before saving"    the bytes could not all be written;
//   "Can't delete file before saving"  the old file could not be replaced.
std::optional<QString> SaveWholeFile(const QString& path, std::span<const std::uint8_t> bytes);

// The message of a file that cannot be opened for reading:
// "Cannot open file "<full path>". <reason>".
QString CannotOpenFileMessage(const QString& path, const QString& reason);

// A file that could not be read, raised where the default error handler is to
// show it. The message is CannotOpenFileMessage's.
class FileOpenError : public std::runtime_error {
 public:
  explicit FileOpenError(const QString& message)
      : std::runtime_error(message.toUtf8().toStdString()) {}
};

}  // namespace zelor
