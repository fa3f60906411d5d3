// A GTK text editor with tabs (mousepad) read through the AT-SPI backend: the capture reads the
// open document, which GTK keeps inside the notebook's page tab, and none of its closed menus.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "app/capture/ax_walker.h"
#include "app/capture/capturer.h"
#include "core/base/dispatch.h"
#include "core/base/json.h"
#include "core/base/timing.h"
#include "platform/linux/atspi_desktop.h"
#include "platform/linux/proc_apps.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_events.h"
#include "tests/desktop/child_process.h"
#include "tests/desktop/program_in_front.h"
#include "tests/support/temp_home.h"

namespace orvak {
namespace {

const std::string kDocument =
    "The keeper climbed the tower at dusk to light the lamp.\n\n"
    "All night the beam swept across the water, and the ships kept their distance from the rocks.\n\n"
    "At dawn he put the flame out and wrote the night's weather in the log.\n";

std::string dropped(const CleanResult& clean) {
  std::string out;
  for (const auto& [reason, chars] : clean.droppedCharsByReason) out += reason + "=" + std::to_string(chars) + " ";
  return out;
}

TEST(GtkEditor, CaptureReadsTheOpenDocument) {
  // Its own home: no settings and no session of an earlier run to restore.
  const auto home = test::freshDir("mousepad-home");
  const auto file = home / "lighthouse.txt";
  std::ofstream(file) << kDocument;
  test::ChildProcess editor({"mousepad", "--disable-server", file.string()},
                            {"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
                             "XDG_DATA_HOME=" + (home / ".local/share").string()},
                            true);

  auto desktop = std::make_shared<atspi::AtspiDesktop>();
  // The editor registers with the accessibility bus some time after it starts.
  ASSERT_TRUE(test::pollUntil(60, [&] {
    auto windows = desktop->application(editor.pid()).attribute("AXWindows");
    return windows.ok() && !windows.value.as<ax::ElementList>()->empty();
  }));

  // The editor as the X11 workspace describes it from its window's class.
  const auto front = x11::describeProcess(editor.pid(), std::pair<std::string, std::string>{"mousepad", "Mousepad"});
  ASSERT_TRUE(front);
  auto sim = sim::SimDesktop::fromJson(json::Json::parse(R"({"applications": []})"));
  auto capturer = Capturer::make(desktop, std::make_shared<test::ProgramInFront>(*front),
                                 std::make_shared<sim::SimEvents>(sim));
  std::optional<Capture> capture;
  std::string last;
  ASSERT_TRUE(test::pollUntil(30, [&] {
    std::optional<CaptureOutcome> outcome;
    capturer->capture(Clock::now(), [&](CaptureOutcome o) { outcome = std::move(o); });
    if (!dispatch::mainloop::runUntil([&] { return outcome.has_value(); }, 30)) return false;
    if (auto* c = std::get_if<Capture>(&*outcome)) {
      last = c->clean.text + " | dropped: " + dropped(c->clean);
      if (c->clean.text.find("At dawn") != std::string::npos) capture = *c;
    } else {
      last = std::get<CaptureError>(*outcome).description();
    }
    return capture.has_value();
  })) << "last capture: " << last;

  const std::string& text = capture->clean.text;
  for (const char* sentence : {"The keeper climbed the tower at dusk to light the lamp.",
                               "All night the beam swept across the water, and the ships kept their distance from the rocks.",
                               "At dawn he put the flame out and wrote the night's weather in the log."}) {
    EXPECT_NE(text.find(sentence), std::string::npos) << sentence << "\nin: " << text;
  }

  // The menus and the file type chooser stay in GTK's tree while closed, placed nowhere: none of
  // their entries is walked or read.
  ASSERT_TRUE(capture->window);
  const auto live = AXWalker::walk(*capture->window, {.readAhead = false});
  const auto ahead = AXWalker::walk(*capture->window);
  for (const char* hidden : {"New Window", "Save As...", "Find and Replace...", "Color Scheme", "Plain Text",
                             "Markdown", ".desktop"}) {
    EXPECT_EQ(text.find(hidden), std::string::npos) << hidden << "\nin: " << text;
    for (const auto* walk : {&live, &ahead}) {
      EXPECT_FALSE(std::any_of(walk->nodes.begin(), walk->nodes.end(), [&](const AXNode& n) {
        for (const auto* t : {&n.title, &n.text, &n.desc}) {
          if (*t && (*t)->find(hidden) != std::string::npos) return true;
        }
        return false;
      })) << hidden << (walk == &live ? " walked one element at a time" : " walked fetched ahead");
    }
  }
  // Fetched ahead, the walk records what it records one element at a time.
  ASSERT_EQ(ahead.nodes.size(), live.nodes.size());
  for (std::size_t i = 0; i < live.nodes.size(); ++i) {
    EXPECT_EQ(ahead.nodes[i], live.nodes[i]) << "node " << i << " fetched ahead:\n"
                                             << json::Json(ahead.nodes[i]).dump() << "\none element at a time:\n"
                                             << json::Json(live.nodes[i]).dump();
  }
}

}  // namespace
}  // namespace orvak
