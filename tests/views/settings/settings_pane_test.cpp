// The settings pane's General and Advanced pages over fakes, offscreen.
#include "app/views/settings/settings_pane.h"

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/prefs.h"
#include "app/settings/settings_host.h"
#include "app/views/look/appearance.h"
#include "app/views/look/controls.h"
#include "app/views/look/ink_label.h"
#include "app/views/look/pieces.h"
#include "app/views/settings/fitted_text.h"
#include "app/views/settings/rows.h"
#include "core/page/privacy.h"
#include "tests/support/temp_home.h"
#include "tests/views/look_test.h"

namespace fs = std::filesystem;

namespace orvak::views::settings {
namespace {

class FakeHost final : public SettingsHost {
 public:
  bool ax = true;
  platform::MicAccess micAccess = platform::MicAccess::granted;
  bool canRegister = true;
  std::optional<ReadTiming> last;
  std::vector<fs::path> toChoose;
  int onboarding = 0, logsOpened = 0;
  std::function<void()> permissionsChanged;

  bool accessibility() const override { return ax; }
  platform::MicAccess mic() const override { return micAccess; }
  std::uint64_t observePermissions(std::function<void()> changed) override {
    permissionsChanged = std::move(changed);
    return 7;
  }
  void unobservePermissions(std::uint64_t token) override {
    EXPECT_EQ(token, 7u);
    permissionsChanged = nullptr;
  }
  void showOnboarding() override { ++onboarding; }
  void showFeedback(std::optional<std::string>) override {}
  std::optional<std::string> signedInEmail() const override { return std::nullopt; }
  std::optional<ReadTiming> lastRead() const override { return last; }
  bool loginItemCanRegister() const override { return canRegister; }
  void chooseApplications(std::function<void(std::vector<fs::path>)> done) override { done(toChoose); }
  void openLogsFolder() override { ++logsOpened; }
};

class SettingsPaneTest : public test::LookTest {
 protected:
  void SetUp() override {
    look::setAppearance(look::Appearance::light);
    dir = test::freshDir("pane");
    prefs = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(dir / "defaults.json"));
    prefs->onChange = [this] { ++stores; };
  }
  void TearDown() override { Privacy::setUserNeverRead({}); }

  std::unique_ptr<SettingsPane> pane(MainModel::Page page = MainModel::Page::general) {
    return std::make_unique<SettingsPane>(host, *prefs, page);
  }
  static std::vector<QString> labels(SettingsPane& p, const QString& section) {
    std::vector<QString> out;
    for (auto* r : p.rows(p.section(section))) out.push_back(r->label()->text());
    return out;
  }
  static look::OrbitSwitch* switchOf(MRow* row) { return dynamic_cast<look::OrbitSwitch*>(row->trailing()); }

  fs::path dir;
  FakeHost host;
  std::unique_ptr<Prefs> prefs;
  int stores = 0;
};

TEST_F(SettingsPaneTest, HeaderFollowsThePage) {
  auto voice = pane(MainModel::Page::voice);
  EXPECT_EQ(voice->eyebrow()->run(), "SETTINGS");
  EXPECT_EQ(voice->headline()->run(), "The voice.");
  auto library = pane(MainModel::Page::pages);
  EXPECT_EQ(library->eyebrow()->run(), "ORVAK");
  EXPECT_EQ(library->headline()->run(), "Library");
  EXPECT_NE(library->section("Reading"), nullptr) << "a library page shows the General content";
  auto help = pane(MainModel::Page::help);
  EXPECT_EQ(help->eyebrow()->run(), "HELP");
  EXPECT_NE(help->section("Everything you can say"), nullptr);
}

TEST_F(SettingsPaneTest, ReadingRowsFollowHighlighting) {
  prefs->setHighlightWords(false);
  prefs->setFocusMode(true);
  prefs->setHighlightAsItReads(false);
  auto p = pane();
  EXPECT_EQ(labels(*p, "Reading"), std::vector<QString>{"Highlight as it reads"});
  switchOf(p->row("Highlight as it reads"))->click();
  EXPECT_TRUE(prefs->highlightAsItReads());
  EXPECT_EQ(labels(*p, "Reading"), (std::vector<QString>{"Highlight as it reads", "Follow each word", "Focus mode"}));
  EXPECT_FALSE(switchOf(p->row("Follow each word"))->isChecked()) << "stored values come back";
  EXPECT_TRUE(switchOf(p->row("Focus mode"))->isChecked());
  // A switch stores its own setting.
  switchOf(p->row("Follow each word"))->click();
  EXPECT_TRUE(prefs->highlightWords());
}

TEST_F(SettingsPaneTest, ListeningCaptionFollowsSwitchAndKey) {
  auto p = pane();
  auto caption = [&] { return p->row("Listen without holding the key")->caption()->text(); };
  EXPECT_EQ(caption(), "Off. Hold Right Shift and speak.");
  prefs->setHotkeyCode(61);
  EXPECT_EQ(caption(), "Off. Hold Right Alt and speak.");
  switchOf(p->row("Listen without holding the key"))->click();
  EXPECT_TRUE(prefs->alwaysOnListening());
  EXPECT_EQ(caption(), "Best in a quiet room. Speech nearby (TV, people, a call) pauses reading.");
}

TEST_F(SettingsPaneTest, AppearanceCapsulesStoreTheirValues) {
  auto p = pane();
  ASSERT_EQ(p->capsules().size(), 3u);
  const std::vector<std::pair<int, std::string>> taps{{1, "dark"}, {2, "system"}, {0, "light"}};
  for (const auto& [i, value] : taps) {
    QTest::mouseClick(p->capsules()[i], Qt::LeftButton);
    EXPECT_EQ(prefs->appearance(), value);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(p->capsules()[j]->selected(), j == i) << value << " capsule " << j;
  }
  EXPECT_EQ(p->capsules()[2]->text(), "Match System");
}

TEST_F(SettingsPaneTest, LoginCaptionByTheRule) {
  host.canRegister = true;
  EXPECT_EQ(pane()->row("Open at login")->caption()->text(), "So the key always works.");
  host.canRegister = false;
  EXPECT_EQ(pane()->row("Open at login")->caption()->text(), "Takes effect once Orvak is installed.");
}

TEST_F(SettingsPaneTest, NeverReadRowsRemoveAndAdd) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  fs::create_directories(dir / "data" / "applications");
  auto writeEntry = [](const fs::path& file, const char* name) {
    std::ofstream(file) << "[Desktop Entry]\nType=Application\nName=" << name << "\n";
  };
  writeEntry(dir / "data" / "applications" / "org.example.Vault.desktop", "Secret Vault");
  prefs->setNeverReadApps({"org.example.Vault", "com.gone.App", "org.example.Vault"});
  auto p = pane();
  EXPECT_EQ(
      labels(*p, "Apps Orvak never reads"),
      (std::vector<QString>{"Password managers and the keyring", "Secret Vault", "com.gone.App", "Secret Vault"}));

  stores = 0;
  static_cast<look::MarginButton*>(p->row("Secret Vault")->trailing())->click();
  EXPECT_EQ(prefs->neverReadApps(), std::vector<std::string>{"com.gone.App"});
  EXPECT_EQ(stores, 1);
  EXPECT_EQ(labels(*p, "Apps Orvak never reads"),
            (std::vector<QString>{"Password managers and the keyring", "com.gone.App"}));

  const fs::path chosen = dir / "chosen";
  fs::create_directories(chosen);
  writeEntry(chosen / "org.example.New.desktop", "New");
  std::ofstream(chosen / "plain.desktop") << "not an entry\n";
  writeEntry(chosen / "com.gone.App.desktop", "Gone");
  host.toChoose = {chosen / "com.gone.App.desktop", chosen / "plain.desktop", chosen / "org.example.New.desktop"};
  stores = 0;
  p->addAppButton()->click();
  EXPECT_EQ(prefs->neverReadApps(), (std::vector<std::string>{"com.gone.App", "org.example.New"}));
  EXPECT_EQ(stores, 1);
  EXPECT_EQ(labels(*p, "Apps Orvak never reads"),
            (std::vector<QString>{"Password managers and the keyring", "com.gone.App", "org.example.New"}));

  if (saved)
    ::setenv("XDG_DATA_HOME", saved->c_str(), 1);
  else
    ::unsetenv("XDG_DATA_HOME");
}

TEST_F(SettingsPaneTest, PermissionRowsAndSetup) {
  auto value = [](SettingsPane& p, const QString& row) {
    return dynamic_cast<look::InkLabel*>(p.row(row)->trailing());
  };
  host.ax = true;
  host.micAccess = platform::MicAccess::granted;
  auto p = pane();
  EXPECT_EQ(value(*p, "Accessibility")->text(), "On");
  EXPECT_EQ(value(*p, "Microphone")->text(), "On");
  EXPECT_EQ(p->openSetupButton(), nullptr);

  host.ax = false;
  host.micAccess = platform::MicAccess::denied;
  host.permissionsChanged();
  EXPECT_EQ(value(*p, "Accessibility")->text(), "Off");
  EXPECT_EQ(value(*p, "Accessibility")->colour(), look::Margin::redPencil);
  EXPECT_EQ(value(*p, "Microphone")->text(), "Off");
  EXPECT_EQ(value(*p, "Microphone")->colour(), look::Margin::ink2);
  ASSERT_NE(p->openSetupButton(), nullptr);
  p->openSetupButton()->click();
  EXPECT_EQ(host.onboarding, 1);

  host.ax = true;
  host.micAccess = platform::MicAccess::notAsked;
  host.permissionsChanged();
  EXPECT_EQ(value(*p, "Microphone")->text(), "Not asked");
  EXPECT_NE(p->openSetupButton(), nullptr);
  p.reset();
  EXPECT_FALSE(host.permissionsChanged) << "the pane stops listening when it goes";
}

TEST_F(SettingsPaneTest, AdvancedPage) {
  ReadTiming t;
  t.engine = "cartesia";
  t.firstAudioSampleMs = 812.7;
  host.last = t;
  auto p = pane(MainModel::Page::advanced);
  EXPECT_EQ(p->row("Last read")->caption()->text(), "First sound after 812 ms · cartesia");
  static_cast<look::MarginButton*>(p->row("Last read")->trailing())->click();
  EXPECT_EQ(host.logsOpened, 1);
  switchOf(p->row("Save each capture to the logs folder"))->click();
  EXPECT_TRUE(prefs->saveCaptures());
  EXPECT_TRUE(p->row("Save each capture to the logs folder")->caption()->text().contains("Stays in ~/"));
}

}  // namespace
}  // namespace orvak::views::settings
