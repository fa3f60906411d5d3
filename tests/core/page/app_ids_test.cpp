// Programs known by identifier: the other platform's bundle identifiers beside Linux desktop
// entry and Flatpak ids, and the cleaner's modes they switch on.
#include "core/page/app_ids.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/page/cleaner_stages.h"

namespace orvak {
namespace {

TEST(AppIds, DesktopIdsMatchInAnyCaseWithOrWithoutTheirEnding) {
  const struct {
    const char* id;
    const char* known;
    bool same;
  } cases[] = {
      {"chromium", "chromium", true},
      {"Chromium", "chromium", true},
      {"chromium.desktop", "chromium", true},
      {"org.chromium.Chromium.desktop", "org.chromium.Chromium", true},
      {"ORG.GNOME.EVINCE.DESKTOP", "org.gnome.Evince", true},
      {"org.keepassxc.KeePassXC", "org.keepassxc.keepassxc", true},
      {"chromium-browser", "chromium", false},
      {"chromium.desktop.bak", "chromium", false},
      {"", "chromium", false},
  };
  for (const auto& c : cases) EXPECT_EQ(AppIds::same(c.id, c.known), c.same) << c.id << " / " << c.known;
  EXPECT_FALSE(AppIds::isOneOf(std::nullopt, AppIds::chromiumBrowsers));
}

TEST(AppIds, EachProgramGetsTheCleanersModesOfItsKind) {
  struct Modes {
    bool pdf, mailApp, pageReader, quotedReplyCut;
    bool operator==(const Modes&) const = default;
  };
  constexpr Modes browser{false, false, true, false};
  constexpr Modes pdf{true, false, true, false};
  constexpr Modes mail{false, true, false, true};
  constexpr Modes none{false, false, false, false};
  const struct {
    std::optional<std::string> id;
    Modes modes;
  } cases[] = {
      // The other platform's identifiers keep their modes.
      {"com.google.Chrome", browser},
      {"com.apple.Safari", browser},
      {"com.apple.Preview", pdf},
      {"com.apple.mail", mail},
      {"com.microsoft.Outlook", {false, false, false, true}},
      // Browsers on Linux, as packages, Flatpaks and window classes name them.
      {"chromium", browser},
      {"chromium-browser", browser},
      {"org.chromium.Chromium", browser},
      {"google-chrome", browser},
      {"firefox-esr", browser},
      {"firefox", browser},
      {"org.mozilla.firefox", browser},
      {"brave-browser", browser},
      {"com.brave.Browser", browser},
      {"microsoft-edge", browser},
      {"org.gnome.Epiphany", browser},
      {"Chromium.desktop", browser},
      // PDF viewers.
      {"org.gnome.Evince", pdf},
      {"evince", pdf},
      {"org.kde.okular", pdf},
      {"okular", pdf},
      {"org.gnome.Papers", pdf},
      {"xreader", pdf},
      {"atril", pdf},
      {"qpdfview", pdf},
      {"org.pwmt.zathura", pdf},
      {"zathura", pdf},
      // Mail clients.
      {"org.mozilla.Thunderbird", mail},
      {"thunderbird", mail},
      {"org.gnome.Evolution", mail},
      {"evolution", mail},
      {"org.kde.kmail2", mail},
      {"org.gnome.Geary", mail},
      {"geary", mail},
      // Everything else.
      {"org.gnome.TextEditor", none},
      {"mousepad", none},
      {"evince-previewer", none},
      {std::nullopt, none},
  };
  for (const auto& c : cases) {
    const auto m = Cleaner::detail::PageModes::from(c.id, std::nullopt);
    EXPECT_EQ((Modes{m.pdf, m.mailApp, m.pageReader, m.quotedReplyCut}), c.modes) << c.id.value_or("(none)");
  }
}

}  // namespace
}  // namespace orvak
