#include "core/page/privacy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace Privacy = orvak::Privacy;
using orvak::AXNode;

namespace {

// Restores the process-wide switches whatever a test did.
class PrivacyTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Privacy::setUserNeverRead({});
    Privacy::setKeepTextInLogs(false);
  }
};

TEST(PrivacyDigest, KnownVectors) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", "cbf29ce48422232584222325cbf29ce4"},
      {"abc", "e71fa2190541574b81757be9a849390c"},
      // The first half alone is standard 64-bit FNV-1a ("a" -> af63dc4c8601ec8c).
      {"a", "af63dc4c8601ec8c789e3e3a49ce0433"},
      // Byte by byte over UTF-8, without normalising: precomposed and decomposed differ.
      {"\u00e9", "0ac21707b7181e01c49b230d49dd133b"},
      {"e\u0301", "c0c9d418ee802e1f31aeb5d9a9a6dda8"},
      {"https://example.com/a#b", "36bf4f336ae10952833248ab00af2099"},
  };
  for (const auto& [text, hex] : cases) EXPECT_EQ(Privacy::digest(text), hex) << text;
}

TEST(PrivacyDigest, HandlesBytesThatAreNotText) {
  const std::string withNul("a\0b", 3);
  const std::string d = Privacy::digest(withNul);
  EXPECT_EQ(d.size(), 32u);
  EXPECT_NE(d, Privacy::digest("ab")) << "an embedded NUL is digested, not a terminator";
  EXPECT_EQ(Privacy::digest("\xff\xfe").size(), 32u);
}

TEST_F(PrivacyTest, NeverReadTable) {
  Privacy::setUserNeverRead({"com.example.diary"});
  struct Case {
    std::optional<std::string> bundleId;
    std::optional<std::string> appName;
    bool expected;
  };
  const Case cases[] = {
      {"com.1password.1password", std::nullopt, true},
      {"org.keepassxc.keepassxc", "Anything", true},
      {"COM.1PASSWORD.1PASSWORD", std::nullopt, true},   // identifiers match in any letter case
      {"com.example.diary", "Diary", true},               // the user's own list
      {"com.example.Diary", std::nullopt, false},
      {std::nullopt, "1Password 7", true},
      {std::nullopt, "KeePassXC", true},
      {std::nullopt, "bitwarden", true},                  // fragments ignore letter case
      {std::nullopt, "PROTON PASS", true},
      {std::nullopt, "Keychain Access", true},
      {"com.apple.Safari", "Safari", false},
      {std::nullopt, "Passwords", true},                  // exact name
      {std::nullopt, "My Passwords", false},              // not a fragment
      {std::nullopt, "passwords", false},
      {std::nullopt, std::nullopt, false},
      {"com.example.diary", std::nullopt, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Privacy::neverRead(c.bundleId, c.appName), c.expected)
        << c.bundleId.value_or("(none)") << " / " << c.appName.value_or("(none)");
  }
}

// Linux names password managers and keyrings by desktop entry or Flatpak id, and several carry no
// password manager's name for the name fragments to catch.
TEST_F(PrivacyTest, LinuxPasswordManagersAreNeverReadByTheirIds) {
  const struct {
    const char* id;
    const char* name;
  } managers[] = {
      {"org.keepassxc.KeePassXC", "KeePassXC"},
      {"keepassxc", "KeePassXC"},
      {"org.gnome.seahorse.Application", "Passwords and Keys"},
      {"seahorse", "Passwords and Keys"},
      {"org.gnome.World.Secrets", "Secrets"},
      {"org.gnome.PasswordSafe", "Password Safe"},
      {"org.kde.kwalletmanager5", "KWalletManager"},
      {"kwalletmanager5", "KWalletManager"},
      {"bitwarden", "Bitwarden"},
      {"com.bitwarden.desktop", "Bitwarden"},
      {"1password", "1Password"},
      {"org.keepassxc.KeePassXC.desktop", "KeePassXC"},
  };
  for (const auto& m : managers) {
    EXPECT_TRUE(Privacy::neverRead(m.id, std::nullopt)) << m.id << ": the id alone is enough";
    EXPECT_TRUE(Privacy::neverRead(m.id, m.name)) << m.id;
  }
  for (const char* other : {"org.gnome.TextEditor", "org.gnome.Settings", "secrets-notes"}) {
    EXPECT_FALSE(Privacy::neverRead(other, std::nullopt)) << other;
  }
}

TEST_F(PrivacyTest, UserListIsReplacedWhole) {
  Privacy::setUserNeverRead({"com.example.a", "com.example.b"});
  EXPECT_TRUE(Privacy::neverRead("com.example.b", std::nullopt));
  Privacy::setUserNeverRead({"com.example.c"});
  EXPECT_FALSE(Privacy::neverRead("com.example.a", std::nullopt));
  EXPECT_FALSE(Privacy::neverRead("com.example.b", std::nullopt));
  EXPECT_TRUE(Privacy::neverRead("com.example.c", std::nullopt));
}

TEST_F(PrivacyTest, ReadersOnOtherThreadsSeeOneWholeSetOrTheOther) {
  Privacy::BundleSet first;
  Privacy::BundleSet second;
  for (int i = 0; i < 40; ++i) {
    first.insert("first." + std::to_string(i));
    second.insert("second." + std::to_string(i));
  }
  Privacy::setUserNeverRead(first);
  std::atomic<bool> stop{false};
  std::atomic<int> mixtures{0};
  std::thread reader([&] {
    while (!stop.load()) {
      const auto seen = Privacy::userNeverRead();
      if (*seen != first && *seen != second) mixtures.fetch_add(1);
      (void)Privacy::keepTextInLogs();
    }
  });
  for (int i = 0; i < 2000; ++i) {
    Privacy::setUserNeverRead(i % 2 ? first : second);
    Privacy::setKeepTextInLogs(i % 2 == 0);
  }
  stop = true;
  reader.join();
  EXPECT_EQ(mixtures.load(), 0);
}

TEST_F(PrivacyTest, KeepTextInLogsStartsOffAndFollowsAssignments) {
  EXPECT_FALSE(Privacy::keepTextInLogs());
  Privacy::setKeepTextInLogs(true);
  bool seenElsewhere = false;
  std::thread([&] { seenElsewhere = Privacy::keepTextInLogs(); }).join();
  EXPECT_TRUE(seenElsewhere);
}

AXNode node(std::int64_t id, std::string role, std::optional<std::vector<std::string>> classes,
            std::optional<std::string> title, std::optional<std::string> desc) {
  AXNode n;
  n.id = id;
  n.role = std::move(role);
  n.domClasses = std::move(classes);
  n.title = std::move(title);
  n.desc = std::move(desc);
  return n;
}

TEST(PrivacyWindow, TitleRules) {
  const std::pair<std::optional<std::string>, bool> cases[] = {
      {"Example (Private)", true},
      {"New Tab - Google Chrome (Incognito)", true},
      {"InPrivate - Microsoft Edge", true},
      {"Firefox Private Browsing", true},
      // Firefox on Linux, before and after it moved the words to the end.
      {"Rivers \u2014 Mozilla Firefox Private Browsing", true},
      {"Rivers - Mozilla Firefox (Private Browsing)", true},
      {"Rivers \u2014 Mozilla Firefox", false},
      {"Rivers - Chromium (Incognito)", true},
      {"Private notes", false},
      {"Example (private)", false},  // case-sensitive
      {"(Incognito) at the start", false},
      {"", false},
      {std::nullopt, false},
  };
  for (const auto& [title, expected] : cases) {
    EXPECT_EQ(Privacy::isPrivateWindow(title, {}), expected) << title.value_or("(none)");
  }
}

TEST(PrivacyWindow, ProfileButtonRules) {
  const std::vector<std::string> avatar{"toolbar", "AvatarToolbarButton"};
  struct Case {
    const char* what;
    AXNode button;
    bool expected;
  };
  const Case cases[] = {
      {"description says Private", node(1, "AXButton", avatar, std::nullopt, "Private"), true},
      {"title says Incognito", node(1, "AXButton", avatar, "Incognito", std::nullopt), true},
      {"InPrivate", node(1, "AXButton", avatar, "Work", "InPrivate"), true},
      {"a guest profile", node(1, "AXButton", avatar, "Guest", std::nullopt), false},
      {"label not exact", node(1, "AXButton", avatar, "Private browsing", std::nullopt), false},
      {"not a button", node(1, "AXGroup", avatar, "Private", std::nullopt), false},
      {"without the class", node(1, "AXButton", std::vector<std::string>{"Avatar"}, "Private", std::nullopt), false},
      {"no class list", node(1, "AXButton", std::nullopt, "Private", std::nullopt), false},
  };
  for (const auto& c : cases) {
    const std::vector<AXNode> nodes{node(0, "AXWindow", std::nullopt, std::nullopt, std::nullopt), c.button};
    EXPECT_EQ(Privacy::isPrivateWindow("Some page", nodes), c.expected) << c.what;
  }
}

TEST(PrivacyWindow, OnlyTheFirst400NodesAreLookedAt) {
  const auto button = node(0, "AXButton", std::vector<std::string>{"AvatarToolbarButton"}, "Private", std::nullopt);
  std::vector<AXNode> nodes(400, node(0, "AXGroup", std::nullopt, std::nullopt, std::nullopt));
  nodes[399] = button;
  EXPECT_TRUE(Privacy::isPrivateWindow(std::nullopt, nodes)) << "the 400th node counts";
  nodes[399] = nodes[0];
  nodes.push_back(button);
  EXPECT_FALSE(Privacy::isPrivateWindow(std::nullopt, nodes)) << "the 401st does not";
}

}  // namespace
