#include "link/PortList.h"

#include <algorithm>

namespace zelor {
namespace {

unsigned char FoldCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool PortNameLess(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = FoldCase(static_cast<unsigned char>(a[i]));
    const unsigned char y = FoldCase(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // equal ignoring case: a fixed order all the same
}

std::vector<std::string> MergePortNames(std::vector<std::string> osNames,
                                        const std::vector<std::string>& extraNames) {
  std::sort(osNames.begin(), osNames.end(), PortNameLess);
  for (const std::string& extra : extraNames) {
    if (extra.empty()) continue;
    if (std::find(osNames.begin(), osNames.end(), extra) == osNames.end()) {
      osNames.push_back(extra);
    }
  }
  return osNames;
}

std::vector<std::string> ListPorts(const std::vector<std::string>& extraNames) {
  return MergePortNames(SystemPortNames(), extraNames);
}

}  // namespace zelor
