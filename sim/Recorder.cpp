#include "sim/Recorder.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

namespace zelor::sim {

Recorder::~Recorder() { Close(); }

bool Recorder::Open(const std::string& path, std::string& error) {
  Close();
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) {
    error = "cannot create record file " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool Recorder::Record(const std::uint8_t* data, std::size_t size, SimTime at) {
  if (file_ == nullptr || size == 0) return true;
  bool ok = true;
  const auto stamp = static_cast<std::int64_t>(at.count());
  for (std::size_t i = 0; i < size; ++i) {
    if (std::fprintf(file_, "%" PRId64 " %02x\n", stamp, static_cast<unsigned>(data[i])) < 0)
      ok = false;
  }
  if (std::fflush(file_) != 0) ok = false;
  return ok;
}

void Recorder::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace zelor::sim
