#pragma once
// Saving a file whole for the console tool, which has no Qt: the bytes go to
// a temporary file in the target's folder, are flushed to the disk, and only
// then is the temporary file renamed over the target. After any failure the
// target is as it was and the temporary file is gone, so a half-written file
// never takes its name. One platform file implements it (AtomicSavePosix.cpp,
// AtomicSaveWin32.cpp), picked in this folder's CMakeLists.txt.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zelor::tools {

// Writes bytes as the whole content of path. Returns nullopt when the file was
// saved, otherwise what failed, with the system's reason.
std::optional<std::string> SaveAtomically(const std::string& path,
                                          std::span<const std::uint8_t> bytes);

}  // namespace zelor::tools
