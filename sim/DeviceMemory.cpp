#include "sim/DeviceMemory.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace zelor::sim {

DeviceMemory::DeviceMemory() : table(IdentityTable()), settings(DefaultSettings()) {}

Settings DeviceMemory::DefaultSettings() { return Settings{4, 5, 128, 64, 128, 128}; }

Table DeviceMemory::IdentityTable() {
  Table t{};
  for (std::size_t i = 0; i < kTableSize; ++i) t[i] = static_cast<std::uint8_t>(i);
  return t;
}

DeviceMemory DeviceMemory::FromImage(const std::vector<std::uint8_t>& bytes) {
  DeviceMemory m;
  std::uint8_t last = 0;
  for (std::size_t i = 0; i < kTableSize; ++i) {
    if (i < bytes.size()) last = bytes[i];
    m.table[i] = last;
  }
  for (std::size_t s = 0; s < kSettingsSize; ++s) {
    if (kTableSize + s < bytes.size()) m.settings[s] = bytes[kTableSize + s];
  }
  return m;
}

bool DeviceMemory::LoadTabFile(const std::string& path, DeviceMemory& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open table file " + path + ": " + std::strerror(errno);
    return false;
  }
  // Only the first 262 bytes matter; do not slurp an arbitrarily large file.
  std::vector<std::uint8_t> bytes(kImageSize);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) {
    error = "cannot read table file " + path;
    return false;
  }
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  out = FromImage(bytes);
  return true;
}

std::uint8_t DeviceMemory::Checksum(const Table& table) {
  unsigned sum = 0;
  for (std::uint8_t b : table) sum += b;
  return static_cast<std::uint8_t>(sum & 0xFFu);
}

}  // namespace zelor::sim
