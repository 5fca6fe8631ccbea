#pragma once
// A file written at its end and put on the disk on request: the journal's
// store. Writes go straight to the system (no buffer of the process), so a
// program that is killed loses nothing it has written; Sync puts them on the
// disk, so that a power loss loses nothing written before it. One file per
// platform (AppendFilePosix.cpp, AppendFileWin32.cpp), picked in
// core/CMakeLists.txt.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace zelor {

class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();  // Close()
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Creates the file empty (a file of that name is replaced) and opens it
  // for writing; false when it cannot be created.
  bool Create(const std::filesystem::path& path);
  // Opens the file for writing again after a failed write, cut to its first
  // size bytes (what it holds whole; a missing file is made when size is 0);
  // false when it cannot be opened or holds fewer bytes.
  bool Resume(const std::filesystem::path& path, std::uint64_t size);
  // Writes all of the bytes at the end of the file; false when they could
  // not all be written.
  bool Append(const void* bytes, std::size_t size);
  // Puts what was written on the disk; false when the system refused.
  bool Sync();
  void Close();
  bool IsOpen() const { return handle_ != kNone; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;  // the descriptor, or the Windows handle
};

}  // namespace zelor
