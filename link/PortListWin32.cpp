// The port list on Windows: the values of the registry's map of serial
// devices, HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM. Each value names
// a driver's device ("\Device\Serial0") and its data is the port name
// ("COM1").

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string_view>

#include "link/PortList.h"

namespace zelor {
namespace {

// The longest value name the registry allows, and its terminating null.
constexpr DWORD kValueNameChars = 16384;
// A port name of at most 255 characters, and its terminating null.
constexpr DWORD kPortNameChars = 256;

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size,
                        nullptr, nullptr);
  return narrow;
}

// Closes the key when the list is done.
class Key {
 public:
  explicit Key(HKEY key) : key_(key) {}
  ~Key() { ::RegCloseKey(key_); }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_;
};

}  // namespace

std::vector<std::string> SystemPortNames() {
  std::vector<std::string> names;
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &opened) != ERROR_SUCCESS) {
    return names;  // no serial device has ever been mapped
  }
  const Key key(opened);
  std::wstring valueName(kValueNameChars, L'\0');
  wchar_t data[kPortNameChars];
  for (DWORD index = 0;; ++index) {
    DWORD nameChars = kValueNameChars;
    DWORD type = 0;
    DWORD dataBytes = sizeof(data);
    // The end of the values ends the list, and so does a value that cannot
    // be read: the names read so far are kept.
    if (::RegEnumValueW(key.Get(), index, valueName.data(), &nameChars, nullptr, &type,
                        reinterpret_cast<BYTE*>(data), &dataBytes) != ERROR_SUCCESS) {
      break;
    }
    if (type != REG_SZ) continue;
    // The data need not end in a null, and may hold more than one.
    std::wstring_view text(data, dataBytes / sizeof(wchar_t));
    text = text.substr(0, text.find(L'\0'));
    std::string name = Narrow(text);
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

}  // namespace zelor
