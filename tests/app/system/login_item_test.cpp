// The login item as an XDG autostart entry in a temporary configuration folder.
#include "app/system/login_item.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/core/library/library_fixtures.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

namespace {

using orvak::LoginItem;
namespace fs = std::filesystem;

LoginItem::Place place(fs::path exe) {
  const fs::path dir = orvak::test::freshDir("autostart");
  return {std::move(exe), dir / "autostart", "/home/ann"};
}

}  // namespace

TEST(LoginItemTest, InstalledLocationsAreThoseUnderUsrOptAndTheUsersLocalFolder) {
  const std::vector<std::pair<const char*, bool>> cases{
      {"/usr/bin/orvak", true},
      {"/usr/local/bin/orvak", true},
      {"/opt/Orvak/bin/orvak", true},
      {"/home/ann/.local/bin/orvak", true},
      {"/home/ann/.local/share/orvak/app/orvak", true},
      {"/usrlocal/orvak", false},
      {"/home/ann/src/orvak/build/bin/orvak", false},
      {"/home/ann/.localx/orvak", false},
      {"/tmp/orvak", false},
      {"/usr/../tmp/orvak", false},
      {"usr/bin/orvak", false},
      {"/usr", false},
  };
  for (const auto& [exe, installed] : cases) {
    EXPECT_EQ(LoginItem::isInstalled(exe, "/home/ann"), installed) << exe;
  }
}

TEST(LoginItemTest, OnRegistersOnceOffRemovesAndEachLogsTheStatus) {
  orvak::test::LogTail log;
  const auto p = place("/opt/Orvak/bin/orvak");
  const fs::path file = p.autostartDir / "orvak.desktop";

  LoginItem::apply(true, p);
  ASSERT_TRUE(fs::exists(file));
  EXPECT_EQ(LoginItem::status(p), LoginItem::Status::enabled);
  const auto written = fs::last_write_time(file);
  LoginItem::apply(true, p);
  EXPECT_EQ(fs::last_write_time(file), written) << "an enabled item is not written again";
  EXPECT_EQ(log.count("login item: on → 1"), 2);

  LoginItem::apply(false, p);
  EXPECT_FALSE(fs::exists(file));
  LoginItem::apply(false, p);
  EXPECT_EQ(log.count("login item: off → 0"), 2);
}

TEST(LoginItemTest, AnEntryForAnotherCopyIsReplacedWhenOnAndRemovedWhenOff) {
  const auto p = place("/usr/bin/orvak");
  fs::create_directories(p.autostartDir);
  orvak::test::writeFile(p.autostartDir / "orvak.desktop", LoginItem::entry("/opt/old/orvak"));
  EXPECT_EQ(LoginItem::status(p), LoginItem::Status::notRegistered);
  LoginItem::apply(true, p);
  EXPECT_EQ(orvak::test::readFile(p.autostartDir / "orvak.desktop"), LoginItem::entry("/usr/bin/orvak"));

  orvak::test::writeFile(p.autostartDir / "orvak.desktop", LoginItem::entry("/opt/old/orvak"));
  LoginItem::apply(false, p);
  EXPECT_FALSE(fs::exists(p.autostartDir / "orvak.desktop"));
}

TEST(LoginItemTest, AnUninstalledCopyNeverTouchesTheAutostartFolder) {
  orvak::test::LogTail log;
  const auto p = place("/home/ann/src/orvak/build/bin/orvak");
  LoginItem::apply(true, p);
  LoginItem::apply(false, p);
  EXPECT_FALSE(fs::exists(p.autostartDir));
  EXPECT_EQ(log.count("login item: on (not registered: not running from an installed location)"), 1);
  EXPECT_EQ(log.count("login item: off (not registered: not running from an installed location)"), 1);
}

TEST(LoginItemTest, TheEntryStartsThisExecutableQuotedWhenItMustBe) {
  EXPECT_EQ(LoginItem::entry("/usr/bin/orvak"),
            "[Desktop Entry]\nType=Application\nName=Orvak\nComment=Reads windows aloud\nExec=/usr/bin/orvak\n"
            "Terminal=false\nX-GNOME-Autostart-enabled=true\n");
  const std::vector<std::pair<const char*, const char*>> execs{
      {"/home/ann/.local/bin/my orvak", R"(Exec="/home/ann/.local/bin/my orvak")"},
      {"/opt/a$b/orvak", R"(Exec="/opt/a\\$b/orvak")"},
      {"/opt/100%/orvak", R"(Exec="/opt/100%%/orvak")"},
  };
  for (const auto& [exe, line] : execs) {
    EXPECT_NE(LoginItem::entry(exe).find(std::string(line) + "\n"), std::string::npos) << LoginItem::entry(exe);
  }
}
