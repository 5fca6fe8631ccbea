// The journal's store on POSIX systems: a descriptor opened for writing,
// fdatasync for the disk.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/AppendFile.h"

namespace zelor {

AppendFile::~AppendFile() { Close(); }

bool AppendFile::Create(const std::filesystem::path& path) {
  Close();
  // The user's own: a recording is nobody else's business.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  handle_ = fd;
  return true;
}

bool AppendFile::Resume(const std::filesystem::path& path, std::uint64_t size) {
  Close();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  struct stat file {};
  const auto at = static_cast<off_t>(size);
  if (::fstat(fd, &file) != 0 || file.st_size < at || ::ftruncate(fd, at) != 0 ||
      ::lseek(fd, at, SEEK_SET) != at) {
    ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

bool AppendFile::Append(const void* bytes, std::size_t size) {
  if (!IsOpen()) return false;
  const auto* at = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t written = ::write(static_cast<int>(handle_), at, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    at += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool AppendFile::Sync() {
  if (!IsOpen()) return false;
  int result = 0;
  do {
    result = ::fdatasync(static_cast<int>(handle_));
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

void AppendFile::Close() {
  if (!IsOpen()) return;
  ::close(static_cast<int>(handle_));
  handle_ = kNone;
}

}  // namespace zelor
