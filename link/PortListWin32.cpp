// The port list on Windows: the values of the registry's map of serial
// devices, HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM. Each value names
// a driver's device ("\Device\Serial0") and its data is the port name
// ("COM1"). The adapters' names are those of the devices of the class
// "Ports (COM & LPT)" present, each with its port name in its device key, as
// the Device Manager lists them.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <setupapi.h>

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

// The device class "Ports (COM & LPT)", GUID_DEVCLASS_PORTS.
constexpr GUID kPortsClass = {
    0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// A string value of at most kPortNameChars - 1 characters; empty when there
// is none.
std::wstring StringValue(HKEY key, const wchar_t* name) {
  wchar_t data[kPortNameChars];
  DWORD type = 0;
  DWORD dataBytes = sizeof(data) - sizeof(wchar_t);
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &dataBytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  data[dataBytes / sizeof(wchar_t)] = L'\0';
  return data;
}

// A device's text property (SPDRP_DEVICEDESC, SPDRP_FRIENDLYNAME); empty when
// it has none.
std::wstring DeviceText(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[kPortNameChars] = {};
  DWORD type = 0;
  if (!::SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type,
                                           reinterpret_cast<BYTE*>(text),
                                           sizeof(text) - sizeof(wchar_t), nullptr) ||
      type != REG_SZ) {
    return {};
  }
  return text;
}

// Destroys the device list when the descriptions are done.
class DeviceList {
 public:
  explicit DeviceList(HDEVINFO devices) : devices_(devices) {}
  ~DeviceList() { ::SetupDiDestroyDeviceInfoList(devices_); }
  DeviceList(const DeviceList&) = delete;
  DeviceList& operator=(const DeviceList&) = delete;
  HDEVINFO Get() const { return devices_; }

 private:
  HDEVINFO devices_;
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

std::map<std::string, std::string> SystemPortDescriptions() {
  std::map<std::string, std::string> descriptions;
  const HDEVINFO listed = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (listed == INVALID_HANDLE_VALUE) return descriptions;
  const DeviceList devices(listed);
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices.Get(), index, &device); ++index) {
    const HKEY opened = ::SetupDiOpenDevRegKey(devices.Get(), &device, DICS_FLAG_GLOBAL, 0,
                                               DIREG_DEV, KEY_QUERY_VALUE);
    if (opened == INVALID_HANDLE_VALUE) continue;
    const Key key(opened);
    const std::string port = Narrow(StringValue(key.Get(), L"PortName"));
    // The device's own description ("USB-SERIAL CH340"); its friendly name
    // repeats the port ("USB-SERIAL CH340 (COM3)") and stands in without it.
    std::wstring text = DeviceText(devices.Get(), device, SPDRP_DEVICEDESC);
    if (text.empty()) text = DeviceText(devices.Get(), device, SPDRP_FRIENDLYNAME);
    const std::string description = Narrow(text);
    if (!port.empty() && !description.empty() && description != port)
      descriptions.emplace(port, description);
  }
  return descriptions;
}

}  // namespace zelor
