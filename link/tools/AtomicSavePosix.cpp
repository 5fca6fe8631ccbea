#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "link/tools/AtomicSave.h"

namespace zelor::tools {
namespace {

std::string Reason(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

// The folder that holds path, for its own flush after the rename.
std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode the saved file gets: the target's when it exists, else what a new
// file gets under the process's umask.
mode_t ModeFor(const std::string& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::string> SaveAtomically(const std::string& path,
                                          std::span<const std::uint8_t> bytes) {
  std::string temporary = path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Reason("cannot create a temporary file beside it", errno);
  const auto fail = [&](const char* what) {
    const int error = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    return Reason(what, error);
  };
  if (::fchmod(fd, ModeFor(path)) != 0) return fail("cannot set the temporary file's mode");
  if (!WriteAll(fd, bytes)) return fail("cannot write the temporary file");
  if (::fsync(fd) != 0) return fail("cannot flush the temporary file to the disk");
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return Reason("cannot close the temporary file", error);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    return Reason("cannot put the temporary file in its place", error);
  }
  // The rename itself lasts through a power loss only once the folder is
  // flushed; the file is saved either way, so a folder that cannot be
  // flushed is no failure.
  const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return std::nullopt;
}

}  // namespace zelor::tools
