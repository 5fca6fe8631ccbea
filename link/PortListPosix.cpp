// The port list on POSIX systems, as libserialport finds the ports.

#include <libserialport.h>

#include <string_view>

#include "link/PortList.h"

namespace zelor {

std::vector<std::string> SystemPortNames() {
  std::vector<std::string> names;
  sp_port** ports = nullptr;
  if (sp_list_ports(&ports) != SP_OK) return names;
  for (sp_port** p = ports; p != nullptr && *p != nullptr; ++p) {
    const char* name = sp_get_port_name(*p);
    if (name != nullptr && *name != '\0') names.emplace_back(name);
  }
  sp_free_port_list(ports);
  return names;
}

std::map<std::string, std::string> SystemPortDescriptions() {
  std::map<std::string, std::string> descriptions;
  sp_port** ports = nullptr;
  if (sp_list_ports(&ports) != SP_OK) return descriptions;
  for (sp_port** p = ports; p != nullptr && *p != nullptr; ++p) {
    const char* name = sp_get_port_name(*p);
    const char* description = sp_get_port_description(*p);
    if (name == nullptr || description == nullptr || *description == '\0') continue;
    // A port without an adapter of its own is described by its name alone
    // ("ttyS0" for /dev/ttyS0).
    const std::string_view path(name);
    if (path.substr(path.rfind('/') + 1) == description) continue;
    descriptions.emplace(name, description);
  }
  sp_free_port_list(ports);
  return descriptions;
}

}  // namespace zelor
