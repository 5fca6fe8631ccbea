#pragma once

#include <map>
#include <string>
#include <vector>

namespace zelor {

// Orders port names as text ignoring ASCII case, so "COM10" comes before
// "COM2"; names equal but for case keep a fixed order.
bool PortNameLess(const std::string& a, const std::string& b);

// Sorts the operating system's names with PortNameLess and appends, in their
// order, the extra names not yet in the list (empty names are skipped).
std::vector<std::string> MergePortNames(std::vector<std::string> osNames,
                                        const std::vector<std::string>& extraNames);

// The names of the serial ports the operating system reports, in its own
// order; empty when it cannot be asked. Each platform has its own file
// (PortListPosix.cpp, PortListWin32.cpp).
std::vector<std::string> SystemPortNames();

// The names the operating system gives the adapters behind its serial ports
// ("USB-SERIAL CH340", as the Device Manager shows it on Windows), by port
// name; a port it names nothing, or only by the port's own name, is left
// out. Empty when the system cannot be asked. In the platform's file too.
std::map<std::string, std::string> SystemPortDescriptions();

// The serial ports the operating system reports, sorted, followed by the
// extra names not among them. Without extra names this is exactly the
// system's list; an empty list when the system cannot be asked.
std::vector<std::string> ListPorts(const std::vector<std::string>& extraNames = {});

}  // namespace zelor
