// Writing desktop entry files (the autostart entry, the link handler).
#pragma once

#include <string>

namespace orvak::desktopEntry {

// A program path as one argument of an Exec value: quoted when it holds anything the format
// reserves, with the characters special inside quotes escaped, and "%" doubled (it starts a
// field code).
std::string execArgument(const std::string& path);

}  // namespace orvak::desktopEntry
