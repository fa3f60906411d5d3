// The parts of the X11 backends that need no X server: key numbering, the server clock, and what
// /proc and desktop entries tell about a program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/events.h"
#include "platform/linux/proc_apps.h"
#include "platform/linux/x11_keys.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

TEST(X11Keys, PhysicalKeysTakeTheNumberingOfTheTriggerKeys) {
  struct Case {
    unsigned x;
    std::uint16_t code;
    std::optional<platform::Modifiers::Key> modifier;
  };
  using M = platform::Modifiers;
  const Case cases[] = {
      {62, 60, M::shift},
      {108, 61, M::option},
      {134, 54, M::command},
      {105, 62, M::control},
      {37, 59, M::control},
      {64, 58, M::option},
      {50, 56, M::shift},
      {133, 55, M::command},
      {66, 57, std::nullopt},                       // Caps Lock is a lock, not a held modifier
      {43, x11::kOtherKeyBase + 43, std::nullopt},  // the H key
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(x11::keyCodeOfX(c.x), c.code);
    EXPECT_EQ(platform::modifierOfKey(x11::keyCodeOfX(c.x)), c.modifier);
    if (c.code < x11::kOtherKeyBase) {
      EXPECT_EQ(x11::xKeyOfModifier(c.code), c.x);
    }
  }
  // No ordinary key lands on a modifier's number, whatever its X code.
  for (unsigned x = 8; x < 256; ++x) {
    const auto code = x11::keyCodeOfX(x);
    if (!x11::xKeyOfModifier(code)) {
      EXPECT_FALSE(platform::modifierOfKey(code)) << x;
    }
  }
  EXPECT_EQ(x11::xKeyOfModifier(x11::kOtherKeyBase + 43), std::nullopt);
}

TEST(X11Keys, ChordKeysNameTheirSymbols) {
  EXPECT_EQ(x11::keySymOfChordKey(4), 0x68UL);     // H
  EXPECT_EQ(x11::keySymOfChordKey(0), 0x61UL);     // A
  EXPECT_EQ(x11::keySymOfChordKey(36), 0xff0dUL);  // Return
  EXPECT_EQ(x11::keySymOfChordKey(10), std::nullopt);
  EXPECT_EQ(x11::keySymOfChordKey(-1), std::nullopt);
}

TEST(X11ServerClock, StampsBecomeMonotonicTimeAcrossTheWrap) {
  constexpr std::uint64_t s = 1'000'000'000;
  struct Step {
    std::uint32_t server;
    std::uint64_t arrivedNs;
    double expected;
  };
  // The server's clock runs 1000 s behind ours. The first event arrives 20 ms late; the second
  // 2 ms late, which is the better estimate from then on; the third comes after the 32-bit wrap;
  // the fourth was stamped before the third and arrives after it.
  const std::uint32_t nearWrap = 0xffffff00u;                                 // 256 ms before the wrap
  const std::uint64_t base = 1000 * s + std::uint64_t(nearWrap) * 1'000'000;  // nearWrap on our clock
  constexpr std::uint64_t ms = 1'000'000;
  const Step steps[] = {
      {nearWrap - 1000, base - 1000 * ms + 20 * ms, (base - 1000 * ms + 20 * ms) / 1e9},
      {nearWrap, base + 2 * ms, (base + 2 * ms) / 1e9},
      {44, base + 310 * ms, (base + 300 * ms + 2 * ms) / 1e9},
      {40, base + 320 * ms, (base + 296 * ms + 2 * ms) / 1e9},
  };
  x11::ServerClock clock;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.server);
    EXPECT_NEAR(clock.toMonotonic(step.server, step.arrivedNs), step.expected, 1e-6);
  }
}

TEST(X11ServerClock, NeverReportsAFutureTime) {
  x11::ServerClock clock;
  clock.toMonotonic(5000, 10'000'000'000);  // learns an offset of 5 s
  // A stamp far ahead of the learnt offset (the server's clock jumped) is held at the arrival.
  EXPECT_DOUBLE_EQ(clock.toMonotonic(9000, 11'000'000'000), 11.0);
}

TEST(ProcApps, LaunchStampsTellProcessesApart) {
  const auto own = x11::launchStamp(getpid());
  ASSERT_TRUE(own);
  EXPECT_EQ(x11::launchStamp(getpid()), own);
  const pid_t child = fork();
  if (child == 0) {
    pause();
    _exit(0);
  }
  ASSERT_GT(child, 0);
  const auto childStamp = x11::launchStamp(child);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  ASSERT_TRUE(childStamp);
  EXPECT_GE(*childStamp, *own);
  EXPECT_EQ(x11::launchStamp(child), std::nullopt);  // gone
}

TEST(ProcApps, AProcessRunsUntilItEndsEvenBeforeItIsReaped) {
  const auto own = x11::launchStamp(getpid());
  ASSERT_TRUE(own);
  const pid_t child = fork();
  if (child == 0) {
    pause();
    _exit(0);
  }
  ASSERT_GT(child, 0);
  const auto childStamp = x11::launchStamp(child);
  ASSERT_TRUE(childStamp);
  EXPECT_TRUE(x11::processRunning(getpid(), *own));
  EXPECT_FALSE(x11::processRunning(getpid(), *own + 1));  // the id, but another launch
  EXPECT_TRUE(x11::processRunning(child, *childStamp));
  kill(child, SIGKILL);
  // Ended and not reaped: its /proc entry and stamp are still there.
  siginfo_t info{};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
  EXPECT_EQ(x11::launchStamp(child), childStamp);
  EXPECT_FALSE(x11::processRunning(child, *childStamp));
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(x11::processRunning(child, *childStamp));
}

TEST(ProcApps, FrameworksCarryTheBrowserAndElectronMarks) {
  const auto dir = test::freshDir("exe");
  test::writeFile(dir / "chrome_100_percent.pak", "");
  test::writeFile(dir / "editor", "");
  test::writeFile(dir / "resources" / "app.asar", "");
  EXPECT_EQ(x11::frameworksIn(dir),
            (std::vector<std::string>{"chrome_100_percent.pak", "editor", "resources", "resources/app.asar"}));
  EXPECT_TRUE(x11::frameworksIn(dir / "missing").empty());
}

TEST(ProcApps, DesktopEntriesByNameThenByWindowClass) {
  const auto data = test::freshDir("data");
  const std::string oldHome = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  setenv("XDG_DATA_HOME", data.c_str(), 1);
  setenv("XDG_DATA_DIRS", (data / "none").c_str(), 1);
  const auto apps = data / "applications";
  test::writeFile(apps / "org.example.Notes.desktop",
                  "[Desktop Entry]\nType=Application\nName=Notes\nStartupWMClass=QuickNotes\n"
                  "[Desktop Action New]\nName=New note\n");
  test::writeFile(apps / "viewer.desktop", "# comment\n[Desktop Entry]\nName=Picture Viewer\n");
  test::writeFile(apps / "hidden.desktop", "[Desktop Entry]\nName=Hidden\nNoDisplay=true\n");
  struct Case {
    std::string instance, cls, exe;
    std::optional<platform::DesktopEntry> expected;
  };
  const Case cases[] = {
      {"viewer", "Viewer", "", platform::DesktopEntry{"viewer", "Picture Viewer"}},  // file named after the class, any case
      {"", "", "viewer", platform::DesktopEntry{"viewer", "Picture Viewer"}},        // after the executable
      {"quicknotes", "QuickNotes", "qn", platform::DesktopEntry{"org.example.Notes", "Notes"}},  // StartupWMClass
      {"hidden", "Hidden", "hidden", std::nullopt},                                         // entries hiding themselves
      {"x", "Unknown", "../viewer", std::nullopt},  // no paths out of the folder
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cls + "/" + c.exe);
    EXPECT_EQ(platform::findDesktopEntry(c.instance, c.cls, c.exe), c.expected);
  }
  unsetenv("XDG_DATA_DIRS");
  setenv("XDG_DATA_HOME", oldHome.c_str(), 1);
}

}  // namespace
}  // namespace orvak
