// Reading a whole file at once.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvak {

// The file's bytes; nullopt when it does not exist or cannot be read to its end.
std::optional<std::string> readWholeFile(const std::filesystem::path& file);

}  // namespace orvak
