#include "app/capture/capture_dump.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "core/base/json.h"
#include "core/base/paths.h"
#include "tests/app/capture/capture_test_support.h"
#include "tests/support/files.h"

namespace orvak {
namespace {

using test::CaptureHarness;
using test::Json;
using test::para;
using test::sceneWith;

// 2026-03-14T09:26:53.589Z
constexpr std::int64_t kWhen = 1773480413589;

// Runs the body with the local time zone set to `tz`.
class LocalZone {
 public:
  explicit LocalZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~LocalZone() {
    if (old_) {
      ::setenv("TZ", old_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST(CaptureDump, BaseNameIsLocalTimeAndTheNameWithPunctuationRunsAsHyphens) {
  LocalZone utc("UTC");
  const struct {
    const char* app;
    const char* base;
  } cases[] = {
      {"Safari Technology Preview", "20260314-092653-589-Safari-Technology-Preview"},
      {"Mail", "20260314-092653-589-Mail"},
      {"App.", "20260314-092653-589-App-"},
      {"!? ...", "20260314-092653-589--"},
      {"Café Zürich", "20260314-092653-589-Caf-Z-rich"},
  };
  for (const auto& c : cases) EXPECT_EQ(CaptureDump::baseName(c.app, kWhen), c.base) << c.app;

  LocalZone berlin("Europe/Berlin");
  EXPECT_EQ(CaptureDump::baseName("Mail", kWhen), "20260314-102653-589-Mail") << "the user's own time zone";
  EXPECT_EQ(CaptureDump::baseName("Mail", kWhen - 589), "20260314-102653-000-Mail");
}

struct DumpFiles {
  std::string json;
  std::string txt;
  bool exist = false;
};

DumpFiles dumpOf(const std::string& app, std::int64_t when) {
  const auto base = OrvakPaths::captures() / CaptureDump::baseName(app, when);
  DumpFiles f;
  f.exist = std::filesystem::exists(base.string() + ".json") && std::filesystem::exists(base.string() + ".txt");
  f.json = test::readFile(base.string() + ".json");
  f.txt = test::readFile(base.string() + ".txt");
  return f;
}

TEST(CaptureDump, CaptureWritesTheDumpThatReplaysToTheSameText) {
  Json page = test::webArea(Json::array({para(test::kRiver), para(test::kLake),
                                         {{"role", "AXSecureTextField"}, {"value", "hunter2 is the password"}}}),
                            "https://example.org/a/b");
  std::string dumpFile;
  std::string text;
  {
    CaptureHarness h(sceneWith({{"name", "Dump Reader"}, {"bundleId", "org.example.reader"}}, {page}));
    h.vt.setWallMillis(kWhen);
    h.capturer->saveDumps = true;
    const Capture c = h.page();
    text = c.clean.text;
    for (const auto& t : c.nodeTexts) EXPECT_EQ(t.value_or("").find("hunter2"), std::string::npos);
    const DumpFiles f = dumpOf("Dump Reader", kWhen);
    ASSERT_TRUE(f.exist);
    EXPECT_EQ(f.txt, c.clean.text);
    EXPECT_TRUE(f.json.starts_with(R"({"clean":{)")) << "keys sorted: clean, meta, nodes";
    EXPECT_EQ(f.json.find('\n'), std::string::npos) << "one line";
    EXPECT_NE(f.json.find("https://example.org/a/b"), std::string::npos) << "slashes not escaped";
    EXPECT_EQ(f.json.find("hunter2"), std::string::npos) << "a password never reaches a dump";
    const Json j = json::parse(f.json);
    EXPECT_EQ(j["meta"], (Json{{"appName", "Dump Reader"},
                               {"bundleId", "org.example.reader"},
                               {"timestamp", "2026-03-14T09:26:53.589Z"},
                               {"url", "https://example.org/a/b"},
                               {"windowFrame", {0.0, 0.0, 1000.0, 800.0}},
                               {"windowTitle", "Rivers"}}));
    EXPECT_EQ(j["clean"].get<CleanResult>(), c.clean);
    EXPECT_EQ(j["nodes"].size(), std::size_t(c.nodes));
    dumpFile = (OrvakPaths::captures() / (CaptureDump::baseName("Dump Reader", kWhen) + ".json")).string();
  }
  // The dump is a scene: capturing it again reads the same page.
  dispatch::VirtualTime vt;
  const auto desktop = sim::SimDesktop::load(dumpFile);
  auto capturer = Capturer::make(desktop, std::make_shared<sim::SimWorkspace>(desktop),
                                 std::make_shared<sim::SimEvents>(desktop));
  std::optional<CaptureOutcome> again;
  capturer->capture(Clock::now(), [&](CaptureOutcome o) { again = std::move(o); });
  vt.drain();
  ASSERT_TRUE(again && std::holds_alternative<Capture>(*again));
  EXPECT_EQ(std::get<Capture>(*again).clean.text, text);
  EXPECT_EQ(std::get<Capture>(*again).bundleId, "org.example.reader");
}

TEST(CaptureDump, MetaLeavesOutWhatTheWindowDidNotHave) {
  Json scene = {{"applications",
                 Json::array({{{"pid", 5},
                               {"name", "Bare"},
                               {"windows", Json::array({{{"ref", "win"}, {"children", {para(test::kRiver)}}}})}}})}};
  CaptureHarness h(scene);
  h.vt.setWallMillis(kWhen + 1);
  h.capturer->saveDumps = true;
  h.page();
  const Json j = json::parse(dumpOf("Bare", kWhen + 1).json);
  EXPECT_EQ(j["meta"], (Json{{"appName", "Bare"}, {"bundleId", "?"}, {"timestamp", "2026-03-14T09:26:53.590Z"}}));
}

TEST(CaptureDump, WrittenOnlyWhenAskedAndNeverOfAPrivateWindow) {
  const struct {
    const char* name;
    const char* app;
    bool saveDumps;
    const char* title;
    Json children;
    bool dumped;
  } cases[] = {
      {"dumps off", "Off Reader", false, "Rivers", Json::array({para(test::kRiver)}), false},
      {"private window", "Private Reader", true, "Rivers (Private)", Json::array({para(test::kRiver)}), false},
      {"empty page: dumped before the error", "Empty Reader", true, "Rivers",
       Json::array({{{"role", "AXButton"}, {"desc", "OK"}}}), true},
  };
  std::int64_t when = kWhen + 100;
  for (const auto& c : cases) {
    Json scene = sceneWith({{"name", c.app}}, c.children);
    scene["applications"][0]["windows"][0]["title"] = c.title;
    CaptureHarness h(scene);
    h.vt.setWallMillis(++when);
    h.capturer->saveDumps = c.saveDumps;
    h.capture();
    const DumpFiles f = dumpOf(c.app, when);
    EXPECT_EQ(f.exist, c.dumped) << c.name;
    if (f.exist) {
      EXPECT_EQ(f.txt, "") << c.name;
    }
  }
}

}  // namespace
}  // namespace orvak
