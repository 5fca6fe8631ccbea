#include "table/TableFileName.h"

#include <algorithm>

namespace zelor {

std::string TableFileName(std::string_view name, NameCase names) {
  constexpr std::string_view kExtension = ".tab";
  const auto sameLetter = [names](char a, char b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return names == NameCase::kSensitive ? a == b : lower(a) == lower(b);
  };
  if (name.size() >= kExtension.size() &&
      std::equal(kExtension.begin(), kExtension.end(), name.end() - kExtension.size(), sameLetter))
    return std::string(name);
  return std::string(name) + std::string(kExtension);
}

}  // namespace zelor
