// Other programs that the page pipeline, the capture and the privacy rules treat apart, known by
// identifier.
//
// On the other platform a program is named by its bundle identifier. On Linux the workspace names
// it by its desktop entry id (the name of its .desktop file, which Flatpak programs share with
// their application id), or by its window class in lower case when no entry is found; packagers
// spell these in any letter case, and some hand them on with the ".desktop" ending. The tables
// list both kinds side by side and are matched through `AppIds::same` alone.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace orvak::AppIds {

// The identifier as the tables compare it: in lower case, a ".desktop" ending left off.
std::string normalized(std::string_view id);

// Whether two identifiers name the same program.
bool same(std::string_view a, std::string_view b);

// Whether `id` names one of the programs of `table`; an absent identifier names none.
bool isOneOf(const std::optional<std::string>& id, std::span<const std::string_view> table);

// Browsers built on Chromium. The capture knows them by the marks of their executable's folder
// too; a sandboxed browser's folder cannot be seen from outside (Flatpak, Snap).
inline constexpr std::array<std::string_view, 18> chromiumBrowsers = {
    "com.google.Chrome", "company.thebrowser.Browser", "com.microsoft.edgemac", "com.brave.Browser",
    // Linux
    "chromium", "chromium-browser", "org.chromium.Chromium", "google-chrome", "google-chrome-stable",
    "google-chrome-beta", "brave-browser", "microsoft-edge", "microsoft-edge-stable", "com.microsoft.Edge",
    "vivaldi-stable", "com.vivaldi.Vivaldi", "io.github.ungoogled_software.ungoogled_chromium",
    "ungoogled-chromium"};

// Browsers built on WebKit, whose pages the capture waits on for 200 characters of text.
inline constexpr std::array<std::string_view, 5> webkitBrowsers = {
    "com.apple.Safari", "com.apple.SafariTechnologyPreview",
    // Linux
    "org.gnome.Epiphany", "epiphany", "epiphany-browser"};

// Browsers built on Gecko. (The Flatpak id of Firefox is its bundle identifier.)
inline constexpr std::array<std::string_view, 5> geckoBrowsers = {
    "org.mozilla.firefox",
    // Linux
    "firefox", "firefox-esr", "librewolf", "io.gitlab.librewolf-community"};

inline constexpr std::array<std::string_view, 12> pdfViewers = {
    "com.apple.Preview",
    // Linux
    "org.gnome.Evince", "evince", "org.kde.okular", "okular", "org.gnome.Papers", "papers", "xreader", "atril",
    "qpdfview", "org.pwmt.zathura", "zathura"};

inline constexpr std::array<std::string_view, 11> mailClients = {
    "com.apple.mail",
    // Linux
    "org.mozilla.Thunderbird", "thunderbird", "org.gnome.Evolution", "evolution", "org.kde.kmail2", "kmail2",
    "kmail", "org.gnome.Geary", "geary", "claws-mail"};

}  // namespace orvak::AppIds
