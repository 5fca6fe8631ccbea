// The journal's store on Windows: a file handle opened for writing (others
// may read it and remove it), FlushFileBuffers for the disk.

#include <windows.h>

#include <limits>

#include "core/AppendFile.h"

namespace zelor {
namespace {

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

AppendFile::~AppendFile() { Close(); }

bool AppendFile::Create(const std::filesystem::path& path) {
  Close();
  const HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

bool AppendFile::Resume(const std::filesystem::path& path, std::uint64_t size) {
  Close();
  const HANDLE file =
      ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER length{};
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size);
  if (!::GetFileSizeEx(file, &length) || length.QuadPart < at.QuadPart ||
      !::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) {
    ::CloseHandle(file);
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

bool AppendFile::Append(const void* bytes, std::size_t size) {
  if (!IsOpen()) return false;
  const auto* at = static_cast<const char*>(bytes);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(
        size < std::numeric_limits<DWORD>::max() ? size : std::numeric_limits<DWORD>::max());
    DWORD written = 0;
    if (!::WriteFile(Handle(handle_), at, chunk, &written, nullptr) || written == 0) return false;
    at += written;
    size -= written;
  }
  return true;
}

bool AppendFile::Sync() { return IsOpen() && ::FlushFileBuffers(Handle(handle_)) != 0; }

void AppendFile::Close() {
  if (!IsOpen()) return;
  ::CloseHandle(Handle(handle_));
  handle_ = kNone;
}

}  // namespace zelor
