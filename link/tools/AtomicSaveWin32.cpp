#include <windows.h>

#include <string>

#include "link/tools/AtomicSave.h"

namespace zelor::tools {
namespace {

std::string Reason(const char* what, DWORD error) {
  return std::string(what) + " (Error: " + std::to_string(error) + ")";
}

// Makes a temporary file beside path that did not exist before; returns its
// handle and name, or INVALID_HANDLE_VALUE.
HANDLE CreateTemporary(const std::string& path, std::string& name) {
  const std::string stem = path + "." + std::to_string(GetCurrentProcessId()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + std::to_string(attempt) + ".tmp";
    const HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                   nullptr) ||
        written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

std::optional<std::string> SaveAtomically(const std::string& path,
                                          std::span<const std::uint8_t> bytes) {
  std::string temporary;
  const HANDLE file = CreateTemporary(path, temporary);
  if (file == INVALID_HANDLE_VALUE)
    return Reason("cannot create a temporary file beside it", GetLastError());
  const auto fail = [&](const char* what) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    DeleteFileA(temporary.c_str());
    return Reason(what, error);
  };
  if (!WriteAll(file, bytes)) return fail("cannot write the temporary file");
  if (!FlushFileBuffers(file)) return fail("cannot flush the temporary file to the disk");
  if (!CloseHandle(file)) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary.c_str());
    return Reason("cannot close the temporary file", error);
  }
  // Write-through: the call returns once the rename is on the disk.
  if (!MoveFileExA(temporary.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary.c_str());
    return Reason("cannot put the temporary file in its place", error);
  }
  return std::nullopt;
}

}  // namespace zelor::tools
