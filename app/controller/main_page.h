// The main window's pages, in the order of its sidebar, with their raw names.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace orvak::MainPage {

enum class Page { library, pages, listened, documents, account, general, voice, pronunciation, keys, advanced, help };

inline constexpr std::array<std::string_view, 11> kRawNames{
    "library", "pages", "listened", "documents", "account", "general", "voice", "pronunciation", "keys", "advanced", "help"};

inline std::string_view raw(Page p) { return kRawNames[static_cast<std::size_t>(p)]; }

// The four pages of the library pane.
inline constexpr bool isLibrary(Page p) { return p <= Page::documents; }
// The pages shown only while the defaults flag "developer" is on.
inline constexpr bool developerOnly(Page p) { return p == Page::keys || p == Page::advanced; }

// The page of a raw name; nothing for any other name (exact, lower case).
inline std::optional<Page> fromRaw(std::string_view name) {
  for (std::size_t i = 0; i < kRawNames.size(); ++i) {
    if (kRawNames[i] == name) return static_cast<Page>(i);
  }
  return std::nullopt;
}

}  // namespace orvak::MainPage
