#pragma once
// The name a table file is saved under, as both windows and the console
// companion save it. No Qt: the companion builds it too.

#include <string>
#include <string_view>

namespace zelor {

// How the file system compares names: Linux's tells upper from lower case,
// Windows' does not.
enum class NameCase { kSensitive, kInsensitive };

// The rule of the platform being built for (one file per platform, picked in
// table/TableFileName.cmake).
NameCase PlatformNameCase();

// name with ".tab" appended unless its last four characters are ".tab" as
// names compares them: exactly, or in any case (".TAB" then ends the name).
std::string TableFileName(std::string_view name, NameCase names);

}  // namespace zelor
