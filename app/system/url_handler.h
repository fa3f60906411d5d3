// Makes the desktop hand orvak:// links to this executable: a per-user desktop entry,
// $XDG_DATA_HOME/applications/orvak.desktop, naming the scheme's MIME type and starting this
// executable with the link, written when missing or stale, then registered as the scheme's
// default handler with xdg-mime.
#pragma once

#include <filesystem>
#include <string>

namespace orvak::UrlHandler {

inline constexpr const char* kFileName = "orvak.desktop";
inline constexpr const char* kMimeType = "x-scheme-handler/orvak";

// $XDG_DATA_HOME/applications (default ~/.local/share/applications).
std::filesystem::path applicationsDir();
// The entry that starts `executable` for a link.
std::string entry(const std::filesystem::path& executable);

enum class Outcome { current, written, failed };
// Writes the entry into `dir` unless it already holds exactly that; when written, asks xdg-mime
// to make it the scheme's default (a missing xdg-mime is logged, not fatal).
Outcome install(const std::filesystem::path& executable, const std::filesystem::path& dir = applicationsDir());

}  // namespace orvak::UrlHandler
