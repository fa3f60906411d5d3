// The General and Advanced pages' logic: the frame per page, the captions, and the never-read list.
#include "app/settings/general_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "app/prefs.h"
#include "core/page/privacy.h"
#include "tests/support/temp_home.h"

namespace fs = std::filesystem;
using namespace orvak;
using namespace orvak::GeneralSettings;
using P = MainModel::Page;

namespace {

TEST(SettingsFrame, EyebrowHeadlineAndContentPerPage) {
  struct Case {
    P page;
    GeneralSettings::Frame expected;
  };
  const std::vector<Case> cases{
      {P::account, {"Account", "Your", "account.", Content::account}},
      {P::general, {"Settings", "General", std::nullopt, Content::general}},
      {P::voice, {"Settings", "The", "voice.", Content::voice}},
      {P::pronunciation, {"Settings", "Say it", "right.", Content::pronunciation}},
      {P::keys, {"Settings", "Voice service", "keys.", Content::keys}},
      {P::advanced, {"Settings", "Advanced", std::nullopt, Content::advanced}},
      {P::help, {"Help", "Everything you can", "say.", Content::help}},
      {P::listened, {"Orvak", "Library", std::nullopt, Content::general}},
      {P::library, {"Orvak", "Library", std::nullopt, Content::general}},
  };
  for (const auto& c : cases) EXPECT_EQ(GeneralSettings::frame(c.page), c.expected) << MainModel::raw(c.page);
}

TEST(SettingsCaptions, LastRead) {
  auto read = [](std::optional<double> ms) {
    ReadTiming t;
    t.engine = "inworld";
    t.firstAudioSampleMs = ms;
    return std::optional<ReadTiming>(t);
  };
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<std::optional<ReadTiming>, std::string>> cases{
      {std::nullopt, "Nothing read yet"},
      {read(std::nullopt), "Nothing read yet"},
      {read(812.7), "First sound after 812 ms · inworld"},
      {read(0.4), "First sound after 0 ms · inworld"},
      {read(nan), "Nothing read yet"},
      {read(inf), "Nothing read yet"},
      {read(-5), "Nothing read yet"},
      {read(1e300), "Nothing read yet"},
  };
  for (const auto& [last, text] : cases) EXPECT_EQ(lastReadCaption(last), text);
}

TEST(SettingsCaptions, FollowTheirSettings) {
  EXPECT_EQ(listenCaption(false, 60), "Off. Hold Right Shift and speak.");
  EXPECT_EQ(listenCaption(false, 61), "Off. Hold Right Alt and speak.");
  EXPECT_EQ(listenCaption(true, 61), "Best in a quiet room. Speech nearby (TV, people, a call) pauses reading.");
  EXPECT_EQ(loginCaption(true), "So the key always works.");
  EXPECT_EQ(loginCaption(false), "Takes effect once Orvak is installed.");
  EXPECT_EQ(capturesCaption("/home/ada/.local/state/Orvak/captures", "/home/ada"),
            "Includes the screen text. For improving the reading rules. Stays in ~/.local/state/Orvak/captures on "
            "this computer.");
  // Only a whole folder name counts as the home folder.
  EXPECT_NE(capturesCaption("/home/adam/logs", "/home/ada").find("Stays in /home/adam/logs on"), std::string::npos);
  EXPECT_EQ(micText(platform::MicAccess::granted), "On");
  EXPECT_EQ(micText(platform::MicAccess::denied), "Off");
  EXPECT_EQ(micText(platform::MicAccess::notAsked), "Not asked");
  EXPECT_FALSE(showsOpenSetup(true, platform::MicAccess::granted));
  EXPECT_TRUE(showsOpenSetup(false, platform::MicAccess::granted));
  EXPECT_TRUE(showsOpenSetup(true, platform::MicAccess::notAsked));
}

class NeverReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::freshDir("never");
    const char* old = std::getenv("XDG_DATA_HOME");
    saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    fs::create_directories(dir / "data" / "applications");
    prefs = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(dir / "defaults.json"));
    prefs->onChange = [this] { ++stores; };
  }
  void TearDown() override {
    if (saved)
      ::setenv("XDG_DATA_HOME", saved->c_str(), 1);
    else
      ::unsetenv("XDG_DATA_HOME");
    Privacy::setUserNeverRead({});
  }
  fs::path entry(const std::string& id, const std::string& name, const fs::path& folder = {}) {
    const auto file = (folder.empty() ? dir / "data" / "applications" : folder) / (id + ".desktop");
    std::ofstream(file) << "# made by the test\n\n[Desktop Entry]\nType=Application\nName=" << name << "\nExec=x\n";
    return file;
  }
  fs::path dir;
  std::optional<std::string> saved;
  std::unique_ptr<Prefs> prefs;
  int stores = 0;
};

TEST_F(NeverReadTest, DisplayNamesComeFromDesktopEntries) {
  entry("org.example.Vault", "Secret Vault");
  EXPECT_EQ(displayName("org.example.Vault"), "Secret Vault");
  EXPECT_EQ(displayName("com.gone.App"), "com.gone.App");
}

TEST_F(NeverReadTest, RemoveDropsEveryEqualIdInOneStore) {
  prefs->setNeverReadApps({"a", "b", "a", "c"});
  stores = 0;
  removeNeverRead(*prefs, "a");
  EXPECT_EQ(prefs->neverReadApps(), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(stores, 1);
  removeNeverRead(*prefs, "com.gone.App");  // not installed, not listed: still one store, nothing lost
  EXPECT_EQ(prefs->neverReadApps(), (std::vector<std::string>{"b", "c"}));
}

TEST_F(NeverReadTest, AddingChosenFilesAppendsNewEntriesInOrder) {
  const auto chosen = dir / "chosen";
  fs::create_directories(chosen);
  prefs->setNeverReadApps({"org.example.Listed"});
  stores = 0;
  const auto listed = entry("org.example.Listed", "Listed", chosen);
  const auto first = entry("org.example.First", "First", chosen);
  const auto notEntry = chosen / "notes.desktop";
  std::ofstream(notEntry) << "just some text\n[Desktop Entry]\n";
  const auto wrongName = chosen / "readme.txt";
  std::ofstream(wrongName) << "[Desktop Entry]\nName=Readme\n";
  const auto second = entry("org.example.Second", "Second", chosen);

  const auto added = addNeverRead(*prefs, {listed, first, notEntry, wrongName, chosen / "missing.desktop", second});
  EXPECT_EQ(added, (std::vector<std::string>{"org.example.First", "org.example.Second"}));
  EXPECT_EQ(prefs->neverReadApps(),
            (std::vector<std::string>{"org.example.Listed", "org.example.First", "org.example.Second"}));
  EXPECT_EQ(stores, 2) << "one store per addition";
  // Choosing the same again changes nothing.
  EXPECT_TRUE(addNeverRead(*prefs, {first}).empty());
  EXPECT_EQ(stores, 2);
}

}  // namespace
