#include "sim/RecordFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>

namespace zelor::sim {

namespace {

// Parses "<decimal> <two hex digits>" exactly.
bool ParseLine(const std::string& line, RecordedByte& out) {
  const auto space = line.find(' ');
  if (space == std::string::npos || space == 0) return false;
  const char* p = line.data();
  const char* end = p + space;
  std::int64_t micros = 0;
  auto r1 = std::from_chars(p, end, micros);
  if (r1.ec != std::errc() || r1.ptr != end || micros < 0) return false;
  const char* h = p + space + 1;
  const char* hend = p + line.size();
  if (hend - h != 2) return false;
  unsigned value = 0;
  auto r2 = std::from_chars(h, hend, value, 16);
  if (r2.ec != std::errc() || r2.ptr != hend || value > 0xFF) return false;
  out.at = SimTime{micros};
  out.value = static_cast<std::uint8_t>(value);
  return true;
}

}  // namespace

bool RecordFile::Parse(std::istream& in, std::vector<RecordedByte>& out, std::string& error) {
  out.clear();
  std::string line;
  std::size_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (in.eof()) break;  // no newline after it: still being written
    RecordedByte b;
    if (!ParseLine(line, b)) {
      error = "record line " + std::to_string(number) + " is malformed: '" + line + "'";
      return false;
    }
    out.push_back(b);
  }
  return true;
}

bool RecordFile::Load(const std::string& path, std::vector<RecordedByte>& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open record file " + path + ": " + std::strerror(errno);
    return false;
  }
  return Parse(in, out, error);
}

std::vector<std::uint8_t> RecordFile::Bytes(const std::vector<RecordedByte>& record) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(record.size());
  for (const RecordedByte& b : record) bytes.push_back(b.value);
  return bytes;
}

}  // namespace zelor::sim
