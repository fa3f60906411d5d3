// The X11 workspace and input backends on a private X server without a window manager: key
// presses, clicks and scroll steps made with XTest, windows of our own and of a fixture program.
// gtest before Xlib: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/capture/capturer.h"
#include "app/hotkey/modifier_tap.h"
#include "core/base/dispatch.h"
#include "core/base/timing.h"
#include "platform/linux/atspi_desktop.h"
#include "tests/desktop/child_process.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

// clang-format off
#include "platform/linux/proc_apps.h"
#include "platform/linux/x11_events.h"
#include "platform/linux/x11_keys.h"
#include "platform/linux/x11_workspace.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
// clang-format on

namespace orvak {
namespace {

using test::ChildProcess;

// Runs the main queue until a condition holds, looking every 20 ms. The bound only ends a test
// that has already failed: a loaded machine may take many seconds to start a program.
constexpr double kPatience = 30;
bool waitFor(const std::function<bool()>& done, double seconds = kPatience) {
  return test::pollUntil(seconds, [&] {
    dispatch::mainloop::drain();
    return done();
  });
}

class X11 : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr) << "no X display";
    events_ = x11::X11Events::open();
    workspace_ = x11::X11Workspace::open();
    ASSERT_TRUE(events_ && workspace_);
  }
  void TearDown() override {
    for (Window w : windows_) XDestroyWindow(display_, w);
    if (display_) XCloseDisplay(display_);
  }

  // A mapped top-level window of ours, owned by `pid` as far as the window list knows.
  Window makeWindow(int x, int y, int width, int height, pid_t pid, const char* cls) {
    const Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, width, height, 0, 0, 0xffffff);
    const unsigned long owner = static_cast<unsigned long>(pid);
    XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&owner), 1);
    XClassHint hint{const_cast<char*>(cls), const_cast<char*>(cls)};
    XSetClassHint(display_, w, &hint);
    XMapRaised(display_, w);
    XSync(display_, False);
    windows_.push_back(w);
    return w;
  }
  void key(unsigned code, bool down) {
    XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
    XFlush(display_);
  }
  void button(int x, int y, unsigned b) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, b, True, CurrentTime);
    XTestFakeButtonEvent(display_, b, False, CurrentTime);
    XFlush(display_);
  }

  Display* display_ = nullptr;
  std::vector<Window> windows_;
  std::shared_ptr<x11::X11Events> events_;
  std::shared_ptr<x11::X11Workspace> workspace_;
};

TEST_F(X11, RightShiftPressesBecomeOneDoubleTapAndOneHold) {
  auto tap = ModifierTap::make(events_, ModifierTap::Choice::with(60));
  int doubleTaps = 0, holds = 0, holdEnds = 0;
  std::optional<bool> cancelled;
  tap->onDoubleTap = [&](double) { ++doubleTaps; };
  tap->start();
  ASSERT_TRUE(tap->isWatching());
  // Every Right Shift event as the key monitor reports it, heard after the tap has heard it.
  std::vector<platform::KeyEvent> shifts;
  std::vector<platform::KeyEvent> seen;
  ASSERT_TRUE(events_->addKeyMonitor([&](const platform::KeyEvent& e) {
    if (e.keyCode == 60) shifts.push_back(e);
    seen.push_back(e);
  }));
  // The reader thread selects its events a moment after the monitor is installed: press an
  // unrelated key until the monitor hears it.
  ASSERT_TRUE(waitFor([&] {
    key(38, true);  // A
    key(38, false);
    return !seen.empty();
  }));
  EXPECT_EQ(seen.front().kind, platform::KeyEvent::Kind::keyDown);
  EXPECT_EQ(seen.front().keyCode, x11::kOtherKeyBase + 38);

  // Two taps. Their lengths and the gap are judged on the X server's stamps, which a loaded
  // machine can stretch past the limits; such an attempt is rightly no double tap, so it is made
  // again (after a press of A, which forgets any half-made tap), but an attempt whose stamps are
  // within the limits must give one. The hold is not listened for yet: it starts on our own clock
  // when the press has been handed over, which a loaded machine can leave later than the release.
  for (int attempt = 0; attempt < 5 && doubleTaps == 0; ++attempt) {
    SCOPED_TRACE(attempt);
    const std::size_t from = shifts.size();
    key(38, true);
    key(38, false);
    key(62, true);
    key(62, false);
    key(62, true);
    key(62, false);
    ASSERT_TRUE(waitFor([&] { return shifts.size() >= from + 4; }));
    const auto& t = shifts;
    const double firstTap = t[from + 1].time - t[from].time;
    const double gap = t[from + 2].time - t[from + 1].time;
    // A millisecond clear of each limit: the stamps count whole milliseconds.
    if (firstTap < ModifierTap::kMaxTapSeconds - 0.001 && gap < ModifierTap::kMaxGapSeconds - 0.001) {
      EXPECT_EQ(doubleTaps, 1) << "tap " << firstTap << " s, gap " << gap << " s";
    }
  }
  ASSERT_EQ(doubleTaps, 1);

  // Held (waiting, key down, until the hold starts), then released.
  tap->onHoldStart = [&] { ++holds; };
  tap->onHoldEnd = [&](bool c) {
    ++holdEnds;
    cancelled = c;
  };
  key(62, true);
  ASSERT_TRUE(waitFor([&] { return holds > 0; }));
  EXPECT_TRUE(events_->modifierFlags().has(platform::Modifiers::shift));
  key(62, false);
  ASSERT_TRUE(waitFor([&] { return holdEnds > 0; }));
  EXPECT_EQ(cancelled, false);
  EXPECT_EQ(doubleTaps, 1);
  EXPECT_EQ(holds, 1);
  EXPECT_FALSE(events_->modifierFlags().has(platform::Modifiers::shift));
  tap->stop();
}

TEST_F(X11, ClicksAndScrollsInOtherWindowsAreHeardAndOursAreNot) {
  makeWindow(0, 0, 200, 200, getpid(), "ours");
  makeWindow(300, 0, 200, 200, getpid() + 100000, "theirs");
  std::vector<ax::Point> clicks;
  std::vector<platform::ScrollEvent> scrolls;
  std::vector<platform::KeyEvent> keys;
  ASSERT_TRUE(events_->addLeftMouseDownMonitor([&](ax::Point p) { clicks.push_back(p); }));
  ASSERT_TRUE(events_->addScrollMonitor([&](const platform::ScrollEvent& e) { scrolls.push_back(e); }));
  ASSERT_TRUE(events_->addKeyMonitor([&](const platform::KeyEvent& e) { keys.push_back(e); }));
  // Clicking until the reader thread listens.
  ASSERT_TRUE(waitFor([&] {
    button(350, 50, 1);
    return !clicks.empty();
  }));
  EXPECT_EQ(clicks.back(), (ax::Point{350, 50}));
  // The pointer is looked at when an event is read: a key press made with the pointer still in
  // place marks when the events before it have been read.
  const auto settle = [&] {
    keys.clear();
    key(56, true);  // B
    key(56, false);
    ASSERT_TRUE(waitFor([&] { return !keys.empty(); }));
  };
  settle();
  clicks.clear();
  scrolls.clear();

  button(50, 50, 1);  // our own window: not heard
  button(50, 50, 5);  // nor scrolled
  settle();
  button(700, 500, 3);  // a right click on the desktop: not a left click
  button(700, 500, 1);  // the bare desktop: heard
  settle();
  EXPECT_EQ(clicks, (std::vector<ax::Point>{{700, 500}}));
  EXPECT_TRUE(scrolls.empty());

  ASSERT_TRUE(events_->postScroll({400, 100}, 3));
  ASSERT_TRUE(events_->postScroll({400, 100}, -1));
  settle();
  const platform::ScrollEvent down{{400, 100}, 1, false};
  const platform::ScrollEvent up{{400, 100}, -1, false};
  EXPECT_EQ(scrolls, (std::vector<platform::ScrollEvent>{down, down, down, up}));
}

TEST_F(X11, WindowListFrontApplicationAndActivations) {
  ChildProcess fixture({ORVAK_FIXTURE_WINDOW});
  ASSERT_EQ(fixture.readLine(kPatience), "ready");
  makeWindow(700, 600, 300, 200, getpid(), "orvak-test");

  // While the focus follows the pointer, the window under it is in front.
  XSetInputFocus(display_, PointerRoot, RevertToPointerRoot, CurrentTime);
  XTestFakeMotionEvent(display_, -1, 800, 650, CurrentTime);
  XSync(display_, False);
  const auto underPointer = workspace_->frontmostApplication();
  ASSERT_TRUE(underPointer);
  EXPECT_EQ(underPointer->pid, getpid());
  EXPECT_EQ(underPointer->name, "orvak-test");

  std::vector<platform::RunningApplication> activated;
  const auto token =
      workspace_->addActivationObserver([&](const platform::RunningApplication& a) { activated.push_back(a); });
  ASSERT_TRUE(token);

  // Both in the list, front to back, with their places and owners.
  std::optional<platform::WindowInfo> fixtureWindow, ownWindow;
  ASSERT_TRUE(test::pollUntil(kPatience, [&] {
    for (const auto& w : workspace_->onScreenWindows()) {
      if (w.ownerPid == fixture.pid()) fixtureWindow = w;
      if (w.ownerPid == getpid()) ownWindow = w;
    }
    return fixtureWindow && ownWindow;
  }));
  EXPECT_EQ(ownWindow->bounds, (ax::Rect{700, 600, 300, 200}));
  EXPECT_EQ(ownWindow->alpha, 1.0);
  EXPECT_EQ(ownWindow->owner, "orvak-test");
  ASSERT_TRUE(fixtureWindow->bounds);
  EXPECT_GT(fixtureWindow->bounds->width, 0);

  // An application already in front is not activated again: start with the other one.
  const auto first = workspace_->frontmostApplication();
  const pid_t a = first && first->pid == fixture.pid() ? getpid() : fixture.pid();
  const pid_t b = a == getpid() ? fixture.pid() : getpid();
  for (pid_t pid : {a, b, a}) {
    SCOPED_TRACE(pid);
    activated.clear();
    ASSERT_TRUE(workspace_->activate(pid));
    ASSERT_TRUE(waitFor([&] { return !activated.empty(); }));
    EXPECT_EQ(activated.back().pid, pid);
    const auto front = workspace_->frontmostApplication();
    ASSERT_TRUE(front);
    EXPECT_EQ(front->pid, pid);
    EXPECT_GT(front->launchedAt, 0u);
    // The front window comes first in the list.
    const auto list = workspace_->onScreenWindows();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front().ownerPid, pid);
  }
  EXPECT_FALSE(workspace_->activate(getpid() + 100000));
  workspace_->removeActivationObserver(*token);
}

TEST_F(X11, AProgramWithoutWindowsStillRunsUntilItEnds) {
  const pid_t child = fork();
  if (child == 0) {
    pause();
    _exit(0);
  }
  ASSERT_GT(child, 0);
  const auto stamp = x11::launchStamp(child);
  ASSERT_TRUE(stamp);
  for (const auto& a : workspace_->runningApplications()) EXPECT_NE(a.pid, child);
  EXPECT_TRUE(workspace_->isRunning(child, *stamp));
  EXPECT_FALSE(workspace_->isRunning(child, *stamp + 1));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_FALSE(workspace_->isRunning(child, *stamp));
}

TEST_F(X11, ACaptureReadsTheProgramTheWorkspacePutsInFront) {
  ChildProcess fixture({ORVAK_FIXTURE_WINDOW});
  ASSERT_EQ(fixture.readLine(kPatience), "ready");
  auto ax = std::make_shared<atspi::AtspiDesktop>();
  ASSERT_TRUE(test::pollUntil(kPatience, [&] {
    auto windows = ax->application(fixture.pid()).attribute("AXWindows");
    return windows.ok() && !windows.value.as<ax::ElementList>()->empty();
  }));
  ASSERT_TRUE(workspace_->activate(fixture.pid()));
  ASSERT_TRUE(test::pollUntil(kPatience, [&] {
    const auto front = workspace_->frontmostApplication();
    return front && front->pid == fixture.pid();
  }));
  auto capturer = Capturer::make(ax, workspace_, events_);
  std::optional<CaptureOutcome> outcome;
  capturer->capture(Clock::now(), [&](CaptureOutcome o) { outcome = std::move(o); });
  ASSERT_TRUE(dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 60));
  const auto* capture = std::get_if<Capture>(&*outcome);
  ASSERT_NE(capture, nullptr) << std::get<CaptureError>(*outcome).description();
  EXPECT_EQ(capture->pid, fixture.pid());
  EXPECT_GT(capture->launchedAt, 0u);
  EXPECT_EQ(capture->windowTitle, "Orvak Fixture");
  EXPECT_NE(capture->clean.text.find("The first lamp was lit in 1820."), std::string::npos) << capture->clean.text;
  EXPECT_EQ(capture->clean.text.find("hunter2"), std::string::npos);
}

TEST_F(X11, ChordsGoOnlyToTheProcessInFront) {
  const Window ours = makeWindow(0, 0, 200, 200, getpid(), "orvak-test");
  std::vector<platform::KeyEvent> seen;
  ASSERT_TRUE(events_->addKeyMonitor([&](const platform::KeyEvent& e) { seen.push_back(e); }));
  XSetInputFocus(display_, ours, RevertToParent, CurrentTime);
  XSync(display_, False);
  ASSERT_TRUE(waitFor([&] {
    key(38, true);
    key(38, false);
    return !seen.empty();
  }));
  // Once a press of B is heard, every press before it has been heard too.
  seen.clear();
  key(56, true);
  key(56, false);
  ASSERT_TRUE(waitFor([&] { return !seen.empty() && seen.back().keyCode == x11::kOtherKeyBase + 56; }));
  seen.clear();

  events_->postKeyChord(getpid() + 100000, 4, {platform::Modifiers::control});  // not in front: nothing
  events_->postKeyChord(getpid(), 4, {platform::Modifiers::control, platform::Modifiers::option});
  ASSERT_TRUE(waitFor([&] { return seen.size() >= 5; }));
  using K = platform::KeyEvent::Kind;
  using M = platform::Modifiers;
  std::vector<std::tuple<K, std::uint16_t, M>> got;
  for (const auto& e : seen) got.emplace_back(e.kind, e.keyCode, e.flags);
  const std::uint16_t h = x11::kOtherKeyBase + 43;
  EXPECT_EQ(got, (std::vector<std::tuple<K, std::uint16_t, M>>{
                     {K::flagsChanged, 59, M{M::control}},
                     {K::flagsChanged, 58, M{M::control, M::option}},
                     {K::keyDown, h, M{M::control, M::option}},
                     {K::flagsChanged, 58, M{M::control}},
                     {K::flagsChanged, 59, M{}},
                 }));
}

TEST_F(X11, XdgOpenHandsAnAddressToItsHandler) {
  const auto dir = test::freshDir("xdg");
  const auto out = dir / "opened.txt";
  const auto handler = dir / "handler.sh";
  test::writeFile(handler, "#!/bin/sh\nprintf '%s' \"$1\" > '" + out.string() + "'\n");
  ASSERT_EQ(chmod(handler.c_str(), 0755), 0);
  test::writeFile(dir / "data/applications/orvak-test-handler.desktop",
                  "[Desktop Entry]\nType=Application\nName=Test handler\nExec=" + handler.string() +
                      " %u\nMimeType=x-scheme-handler/orvaktest;\n");
  test::writeFile(dir / "config/mimeapps.list",
                  "[Default Applications]\nx-scheme-handler/orvaktest=orvak-test-handler.desktop\n");
  setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);

  EXPECT_TRUE(workspace_->openUrl("orvaktest://page?id=7"));
  EXPECT_TRUE(test::pollUntil(kPatience, [&] { return test::readFile(out) == "orvaktest://page?id=7"; }));
  EXPECT_FALSE(workspace_->openUrl("--help"));
  EXPECT_FALSE(workspace_->openUrl("no scheme"));
}

}  // namespace
}  // namespace orvak
