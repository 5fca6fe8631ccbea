// The port list on POSIX systems, as libserialport finds the ports.

#include <libserialport.h>

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

}  // namespace zelor
