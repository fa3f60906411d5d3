#include "core/base/json.h"
#include "platform/sim/sim_desktop.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/base/dispatch.h"
#include "platform/sim/sim_events.h"
#include "platform/sim/sim_workspace.h"
#include "tests/platform/inline_scene.h"
#include "tests/support/temp_home.h"

namespace ax = orvak::ax;
namespace json = orvak::json;
using orvak::sim::SceneError;
using orvak::sim::SimDesktop;
using orvak::test::scene;

namespace {

const char* kArticle = "tests/fixtures/scenes/article.scene.json";

template <class T>
T get(const ax::Element& e, std::string_view attribute) {
  auto r = e.attribute(attribute);
  EXPECT_TRUE(r.ok()) << attribute << " failed with " << ax::code(r.error);
  const T* v = r.value.as<T>();
  EXPECT_NE(v, nullptr) << attribute << " has another type";
  return v ? *v : T{};
}

// One text element inside a window, 10 points per character and 20 per line.
const char* kTextScene = R"({
  "layout": {"charWidth": 10, "lineHeight": 20},
  "applications": [{"pid": 7, "name": "Editor", "windows": [{
    "ref": "win", "frame": [0, 0, 400, 300],
    "children": [
      {"ref": "para", "role": "AXStaticText", "frame": [100, 100, 100, 200], "value": "one two three\nfour", "caret": 4},
      {"ref": "emoji", "role": "AXStaticText", "text": "a😀b", "frame": [0, 0, 50, 20]},
      {"ref": "far", "role": "AXStaticText", "value": "far below", "frame": [0, 900, 100, 20]}
    ]}]}]})";

}  // namespace

TEST(SimDesktopTest, LoadsTheArticleSceneAndAnswersWithStableIdentity) {
  auto desktop = SimDesktop::load(kArticle);
  ASSERT_TRUE(desktop->frontmost());
  EXPECT_EQ(desktop->frontmost()->bundleId, "org.mozilla.firefox");
  EXPECT_EQ(desktop->frontmost()->frameworks.size(), 2u);

  const ax::Element app = desktop->application(4100);
  EXPECT_EQ(get<std::string>(app, "AXRole"), "AXApplication");
  const auto window = get<ax::Element>(app, "AXFocusedWindow");
  EXPECT_EQ(window, desktop->element("win"));
  EXPECT_EQ(window.hash(), desktop->element("win").hash());
  EXPECT_EQ(get<ax::Element>(app, "AXMainWindow"), window) << "a missing key means the first window";
  EXPECT_EQ(get<std::string>(window, "AXSubrole"), "AXStandardWindow");
  EXPECT_EQ(get<ax::Point>(window, "AXPosition"), (ax::Point{0, 30}));
  EXPECT_EQ(get<ax::Size>(window, "AXSize"), (ax::Size{1200, 800}));

  // Handles reached by different roads are the same element.
  const auto article = desktop->element("article");
  const auto kids = get<ax::ElementList>(article, "AXChildren");
  ASSERT_EQ(kids.size(), 8u);
  EXPECT_EQ(kids[2], desktop->element("p1"));
  EXPECT_NE(kids[2], kids[5]);
  EXPECT_EQ(get<ax::Element>(kids[2], "AXParent"), article);
  EXPECT_EQ(get<ax::Element>(kids[2], "AXWindow"), window);
  EXPECT_EQ(get<std::string>(article, "AXDOMIdentifier"), "story");
  EXPECT_EQ(get<ax::Url>(desktop->element("page"), "AXURL").absolute, "https://fieldnotes.example.org/rivers/meander");
  EXPECT_EQ(kids[2].pid().value, 4100);

  EXPECT_EQ(article.attribute("AXValue").error, ax::Error::noValue);
  EXPECT_EQ(ax::Element().attribute("AXRole").error, ax::Error::illegalArgument);
  EXPECT_EQ(desktop->application(999).attribute("AXRole").error, ax::Error::invalidUIElement);
}

TEST(SimDesktopTest, BatchedReadsKeepErrorsInPlaceAndFailWhole) {
  auto desktop = SimDesktop::load(kArticle);
  const auto p1 = desktop->element("p1");
  const std::string_view names[] = {"AXRole", "AXTitle", "AXValue"};

  desktop->setError("p1", "AXRole", ax::Error::cannotComplete);
  auto batch = p1.attributes(names);
  ASSERT_TRUE(batch.ok());
  ASSERT_EQ(batch.value.size(), 3u);
  EXPECT_EQ(batch.value[0], ax::Value(ax::Error::cannotComplete));
  EXPECT_EQ(batch.value[1], ax::Value(ax::Error::noValue));
  EXPECT_TRUE(batch.value[2].is<std::string>());

  desktop->setBatchError("p1", ax::Error::failure);
  EXPECT_EQ(p1.attributes(names).error, ax::Error::failure);
  desktop->setBatchError("p1", ax::Error::success);
  EXPECT_TRUE(p1.attributes(names).ok());

  desktop->remove("p1");
  EXPECT_EQ(p1.attributes(names).error, ax::Error::invalidUIElement);
  EXPECT_EQ(p1.attribute("AXRole").error, ax::Error::invalidUIElement);
  EXPECT_EQ(get<ax::ElementList>(desktop->element("article"), "AXChildren").size(), 7u);
}

TEST(SimDesktopTest, TextQueriesCountUtf16AndFollowTheLayout) {
  auto desktop = scene(kTextScene);
  const auto para = desktop->element("para");
  const auto emoji = desktop->element("emoji");

  EXPECT_EQ(get<double>(emoji, "AXNumberOfCharacters"), 4) << "the emoji is two UTF-16 units";
  EXPECT_EQ(emoji.attribute("AXValue").error, ax::Error::noValue) << "range-only text has no value";
  EXPECT_EQ(emoji.parameterizedAttribute("AXStringForRange", ax::Range{1, 2}).value, ax::Value("😀"));
  EXPECT_EQ(emoji.parameterizedAttribute("AXStringForRange", ax::Range{2, 3}).error, ax::Error::illegalArgument);
  EXPECT_EQ(para.parameterizedAttribute("AXStringForRange", ax::Value("0")).error, ax::Error::illegalArgument);
  EXPECT_EQ(para.parameterizedAttribute("AXNoSuchQuery", ax::Range{0, 1}).error,
            ax::Error::parameterizedAttributeUnsupported);

  // 10 columns: "one two " | "three\n" | "four".
  struct Case {
    ax::Range range;
    ax::Rect bounds;
  };
  const Case cases[] = {
      {{0, 3}, {100, 100, 30, 20}},   // "one"
      {{8, 5}, {100, 120, 50, 20}},   // "three", wrapped to the second line
      {{14, 4}, {100, 140, 40, 20}},  // "four", after the line feed
      {{4, 6}, {100, 100, 80, 40}},   // "two th" spans two lines
      {{4, 0}, {140, 100, 0, 20}},    // a caret
  };
  for (const auto& c : cases) {
    EXPECT_EQ(para.parameterizedAttribute("AXBoundsForRange", c.range).value, ax::Value(c.bounds))
        << c.range.location << "," << c.range.length;
  }
  EXPECT_EQ(para.parameterizedAttribute("AXBoundsForRange", ax::Range{15, 9}).error, ax::Error::illegalArgument);
  EXPECT_EQ(para.parameterizedAttribute("AXRangeForPosition", ax::Point{125, 125}).value, ax::Value(ax::Range{10, 1}));
  EXPECT_EQ(para.parameterizedAttribute("AXRangeForPosition", ax::Point{190, 145}).value, ax::Value(ax::Range{18, 0}));
  EXPECT_EQ(para.parameterizedAttribute("AXLineForIndex", 9).value, ax::Value(1));
  EXPECT_EQ(para.parameterizedAttribute("AXLineForIndex", 99).error, ax::Error::illegalArgument);

  EXPECT_EQ(get<ax::Range>(para, "AXSelectedTextRange"), (ax::Range{4, 0}));
  desktop->apply(json::parse(R"([{"set": "para", "attributes": {"selection": [4, 3]}}])"));
  EXPECT_EQ(get<std::string>(para, "AXSelectedText"), "two");
}

TEST(SimDesktopTest, HitTestingFindsTheDeepestElementOfTheFrontApplication) {
  auto desktop = SimDesktop::load(kArticle);
  const auto system = desktop->systemWide();
  auto hit = system.elementAtPosition(300, 210);
  ASSERT_TRUE(hit.ok());
  EXPECT_EQ(hit.value, desktop->element("p1"));
  EXPECT_EQ(hit.value.pid().value, 4100);
  EXPECT_EQ(system.elementAtPosition(300, 10).error, ax::Error::noValue) << "above the window";
  EXPECT_EQ(system.pid().error, ax::Error::illegalArgument);
}

TEST(SimDesktopTest, ScrollingMovesContentAndScrollToVisibleBringsAnElementIn) {
  auto desktop = scene(kTextScene);
  const auto far = desktop->element("far");
  EXPECT_EQ(get<ax::Point>(far, "AXPosition"), (ax::Point{0, 900}));
  EXPECT_EQ(far.performAction("AXScrollToVisible"), ax::Error::success);
  EXPECT_EQ(desktop->scrollOffset("win"), 620);
  EXPECT_EQ(get<ax::Point>(far, "AXPosition"), (ax::Point{0, 280})) << "its bottom meets the window's";
  EXPECT_EQ(get<ax::Point>(desktop->element("win"), "AXPosition"), (ax::Point{0, 0})) << "the window stays put";
  EXPECT_EQ(desktop->element("para").performAction("AXScrollToVisible"), ax::Error::success);
  EXPECT_EQ(desktop->scrollOffset("win"), 100);
  desktop->scroll("win", -500);
  EXPECT_EQ(desktop->scrollOffset("win"), 0) << "never above the top";
  EXPECT_EQ(far.performAction("AXPress"), ax::Error::actionUnsupported);
  EXPECT_EQ(desktop->performedActions(), (std::vector<std::string>{"far AXScrollToVisible", "para AXScrollToVisible"}));
}

TEST(SimDesktopTest, LatencyAndTimeOutsRunOnTheDispatchClock) {
  orvak::dispatch::VirtualTime vt;
  auto desktop = SimDesktop::load(kArticle);
  const auto p1 = desktop->element("p1");
  const auto t0 = orvak::dispatch::monotonicNanos();
  desktop->setLatency("p1", 0.3);
  EXPECT_TRUE(p1.attribute("AXRole").ok());
  EXPECT_EQ(orvak::dispatch::monotonicNanos() - t0, 300'000'000u);

  // The process-wide time-out bounds it; an element's own time-out wins over that.
  EXPECT_EQ(desktop->systemWide().setMessagingTimeout(0.25), ax::Error::success);
  EXPECT_EQ(desktop->messagingTimeout(), 0.25);
  EXPECT_EQ(p1.attribute("AXRole").error, ax::Error::cannotComplete);
  EXPECT_EQ(orvak::dispatch::monotonicNanos() - t0, 550'000'000u);
  EXPECT_EQ(p1.setMessagingTimeout(1.0), ax::Error::success);
  EXPECT_TRUE(p1.attribute("AXRole").ok());
  EXPECT_EQ(orvak::dispatch::monotonicNanos() - t0, 850'000'000u);
  EXPECT_EQ(p1.setMessagingTimeout(-1), ax::Error::illegalArgument);
}

TEST(SimDesktopTest, ScriptsChangeTheSceneAfterWalksTimeChordsAndSettings) {
  orvak::dispatch::VirtualTime vt;
  auto desktop = scene(R"({
    "applications": [{"ref": "app", "pid": 9, "windows": [{"ref": "w", "children": [{"ref": "area", "role": "AXWebArea"}]}]}],
    "script": [
      {"when": {"walks": 2, "window": "w"}, "do": [{"appendChildren": "area", "children": [{"ref": "late", "value": "Loaded"}]}]},
      {"when": {"keyChord": {"keyCode": 4, "flags": ["option", "command"]}, "app": "app", "count": 2},
       "do": [{"set": "area", "attributes": {"title": "Braille support enabled"}}]},
      {"when": {"setAttribute": "AXManualAccessibility"}, "do": [{"set": "w", "attributes": {"title": "Enabled"}}]},
      {"when": {"seconds": 1.5}, "do": [{"remove": "area"}]}
    ]})");
  const auto w = desktop->element("w");
  const auto area = desktop->element("area");
  const std::string_view batch[] = {"AXChildren"};
  auto children = [&] { return get<ax::ElementList>(area, "AXChildren").size(); };

  for (int walk = 1; walk <= 2; ++walk) ASSERT_TRUE(w.attributes(batch).ok());
  EXPECT_EQ(children(), 0u) << "nothing yet after two walks";
  ASSERT_TRUE(w.attributes(batch).ok());
  EXPECT_EQ(children(), 1u) << "the third walk sees the new content";
  EXPECT_EQ(desktop->walkCount("w"), 3);

  desktop->postKeyChord(9, 4, {"command", "option"});
  EXPECT_EQ(area.attribute("AXTitle").error, ax::Error::noValue);
  desktop->postKeyChord(9, 4, {"command", "option"});
  EXPECT_EQ(get<std::string>(area, "AXTitle"), "Braille support enabled");
  EXPECT_EQ(desktop->postedKeyChords().size(), 2u);

  EXPECT_EQ(desktop->application(9).setAttribute("AXManualAccessibility", true), ax::Error::success);
  EXPECT_EQ(get<bool>(desktop->application(9), "AXManualAccessibility"), true);
  EXPECT_EQ(get<std::string>(w, "AXTitle"), "Enabled");

  vt.advance(1.4);
  EXPECT_TRUE(area.attribute("AXRole").ok());
  vt.advance(0.1);
  EXPECT_EQ(area.attribute("AXRole").error, ax::Error::invalidUIElement);
}

TEST(SimDesktopTest, TrustCanBeAskedForWithAPrompt) {
  auto desktop = scene(R"({"trusted": false})");
  EXPECT_FALSE(desktop->isProcessTrusted());
  EXPECT_FALSE(desktop->isProcessTrusted(true));
  EXPECT_EQ(desktop->trustPrompts(), 1);
  desktop->setTrusted(true);
  EXPECT_TRUE(desktop->isProcessTrusted(true));
  EXPECT_EQ(desktop->trustPrompts(), 1) << "no prompt once trusted";
  EXPECT_FALSE(desktop->frontmost()) << "an empty desktop has nothing in front";
}

TEST(SimDesktopTest, CaptureDumpNodesReplayAsAWindow) {
  auto desktop = scene(R"({
    "meta": {"appName": "Notes", "bundleId": "?", "timestamp": "2026-03-01T10:00:00.000Z",
             "windowTitle": "Shopping", "url": "https://example.com/list"},
    "clean": {},
    "nodes": [
      {"id": 0, "role": "AXWindow", "frame": [10, 20, 300, 400], "childCount": 2, "secureSkipped": false},
      {"id": 1, "parent": 0, "depth": 1, "role": "AXWebArea", "childCount": 1},
      {"id": 2, "parent": 1, "depth": 2, "role": "AXTextArea", "text": "Milk, eggs", "textSource": "value", "caret": 4},
      {"id": 3, "parent": 0, "depth": 1, "role": "AXStaticText", "text": "Hidden", "textSource": "stringForRange"},
      {"id": 4, "parent": 0, "depth": 1, "role": "AXButton", "text": "Save", "textSource": "description"}
    ]})");
  const auto app = desktop->frontmost();
  ASSERT_TRUE(app);
  EXPECT_EQ(app->name, "Notes");
  EXPECT_FALSE(app->bundleId) << "\"?\" stands for no bundle identifier";
  const auto window = get<ax::Element>(desktop->application(app->pid), "AXFocusedWindow");
  EXPECT_EQ(get<std::string>(window, "AXTitle"), "Shopping");
  EXPECT_EQ(get<ax::Size>(window, "AXSize"), (ax::Size{300, 400}));
  const auto kids = get<ax::ElementList>(window, "AXChildren");
  ASSERT_EQ(kids.size(), 3u);
  EXPECT_EQ(get<ax::Url>(kids[0], "AXURL").absolute, "https://example.com/list");
  const auto area = get<ax::ElementList>(kids[0], "AXChildren").at(0);
  EXPECT_EQ(get<std::string>(area, "AXValue"), "Milk, eggs");
  EXPECT_EQ(get<ax::Range>(area, "AXSelectedTextRange"), (ax::Range{4, 0}));
  EXPECT_EQ(kids[1].attribute("AXValue").error, ax::Error::noValue);
  EXPECT_EQ(get<double>(kids[1], "AXNumberOfCharacters"), 6);
  EXPECT_EQ(get<std::string>(kids[2], "AXDescription"), "Save");
}

TEST(SimDesktopTest, MalformedScenesNameTheFileThePlaceAndTheProblem) {
  struct Case {
    const char* scene;
    const char* message;
  };
  const Case cases[] = {
      {R"([])", "a scene is a JSON object"},
      {R"({"aplications": []})", "unknown key \"aplications\""},
      {R"({"applications": [{"name": "X"}]})", "applications[0]: an application needs a \"pid\""},
      {R"({"applications": [{"pid": 1}, {"pid": 1}]})", "applications[1].pid: duplicate process id"},
      {R"({"applications": [{"pid": 1, "windows": [{"children": [{"role": 5}]}]}]})",
       "applications[0].windows[0].children[0].role: expected a string"},
      {R"({"applications": [{"pid": 1, "windows": [{"frame": [0, 0, 10]}]}]})", "expected an array of 4 numbers"},
      {R"({"applications": [{"pid": 1, "windows": [{"ref": "a"}, {"ref": "a"}]}]})", "duplicate ref \"a\""},
      {R"({"applications": [{"pid": 1, "focusedWindow": "nope", "windows": [{}]}]})", "no element has ref \"nope\""},
      {R"({"applications": [{"pid": 1, "windows": [{"errors": {"AXTitle": -1}}]}]})", "unknown error -1"},
      {R"({"applications": [{"pid": 1, "windows": [{"attributes": {"AXFoo": {"colour": 1}}}]}]})",
       "unknown value kind \"colour\""},
      {R"({"applications": [{"pid": 1, "windows": [{"nodes": [{"id": 0, "role": "AXWindow"},
          {"id": 1, "parent": 2, "role": "AXGroup"}, {"id": 2, "parent": 0, "role": "AXGroup"}]}]}]})",
       "windows[0].nodes[1]: parent 2 is not an earlier node"},
      {R"({"applications": [{"pid": 1, "windows": [{"nodes": [{"id": 0}]}]}]})", "\"role\": missing"},
      {R"({"script": [{"when": {"walks": 1, "window": "w"}, "do": []}]})", "no element has ref \"w\""},
      {R"({"modifiers": ["command", "hyper"]})", "modifiers: unknown modifier \"hyper\""},
  };
  for (const auto& c : cases) {
    try {
      scene(c.scene);
      ADD_FAILURE() << "loaded: " << c.scene;
    } catch (const SceneError& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.rfind("test.scene.json: ", 0), 0u) << what;
      EXPECT_NE(what.find(c.message), std::string::npos) << what << "\n  expected: " << c.message;
    }
  }

  const auto dir = orvak::test::freshDir("scenes");
  std::ofstream(dir / "broken.scene.json") << R"({"applications": [)";
  EXPECT_THROW(
      {
        try {
          SimDesktop::load(dir / "broken.scene.json");
        } catch (const SceneError& e) {
          EXPECT_NE(std::string(e.what()).find("broken.scene.json: not valid JSON"), std::string::npos) << e.what();
          throw;
        }
      },
      SceneError);
  EXPECT_THROW(SimDesktop::load(dir / "missing.scene.json"), SceneError);
}

TEST(SimDesktopTest, FilesTooDeepOrTooLargeGetClearErrors) {
  const auto dir = orvak::test::freshDir("scenes");
  std::string deep = R"({"applications": [{"pid": 1, "windows": [)";
  for (int i = 0; i < 200'000; ++i) deep += R"({"children": [)";
  for (int i = 0; i < 200'000; ++i) deep += "]}";
  deep += "]}]}";
  std::ofstream(dir / "deep.scene.json") << deep;
  // Larger than the limit without taking the room: the size is checked before any byte is read.
  { std::ofstream(dir / "huge.scene.json") << "{}"; }
  std::filesystem::resize_file(dir / "huge.scene.json", SimDesktop::maxFileBytes + 1);
  std::ofstream(dir / "bad-number.scene.json") << R"({"latency": 1e400})";

  const std::pair<const char*, const char*> cases[] = {
      {"deep.scene.json", "deep.scene.json: not valid JSON: nested deeper than 512 levels"},
      {"huge.scene.json", "huge.scene.json: too large (a scene or dump may hold at most 64 MB)"},
      {"bad-number.scene.json", "bad-number.scene.json: not valid JSON"},
  };
  for (const auto& [file, message] : cases) {
    try {
      SimDesktop::load(dir / file);
      ADD_FAILURE() << "loaded: " << file;
    } catch (const SceneError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
}

TEST(SimDesktopTest, WorkspaceAndEventsComeFromTheDesktop) {
  orvak::dispatch::VirtualTime vt;
  const auto desktop = scene(R"({
    "frontmost": "b", "self": "a", "modifiers": ["shift", "command"],
    "applications": [{"ref": "a", "pid": 1, "name": "Orvak", "windows": [{"ref": "w"}]},
                     {"ref": "b", "pid": 2, "bundleId": "org.example.b", "frameworks": ["Electron Framework.framework"]}],
    "script": [{"when": {"seconds": 0.5}, "do": [{"modifiers": []}, {"relaunch": "b"}]},
               {"when": {"keyChord": {"keyCode": 4, "flags": ["command", "option"]}, "app": "b"},
                "do": [{"frontmost": "a"}]}]})");
  orvak::sim::SimWorkspace workspace(desktop);
  orvak::sim::SimEvents events(desktop);
  using orvak::platform::Modifiers;

  EXPECT_THROW(desktop->apply(json::parse(R"([{"relaunch": "w"}])")), SceneError) << "only applications relaunch";
  EXPECT_EQ(workspace.ownPid(), 1);
  const auto front = workspace.frontmostApplication();
  ASSERT_TRUE(front);
  EXPECT_EQ(front->pid, 2);
  EXPECT_FALSE(front->name);
  EXPECT_EQ(front->bundleId, "org.example.b");
  EXPECT_EQ(front->frameworks, std::vector<std::string>{"Electron Framework.framework"});
  EXPECT_EQ(events.modifierFlags(), (Modifiers{Modifiers::command, Modifiers::shift}));

  vt.advance(0.5);
  EXPECT_TRUE(events.modifierFlags().empty()) << "asking for the modifiers fires the scripts due by the clock";
  const auto relaunched = workspace.frontmostApplication();
  ASSERT_TRUE(relaunched);
  EXPECT_EQ(relaunched->pid, 2);
  EXPECT_NE(relaunched->launchedAt, front->launchedAt) << "a relaunch under the same pid is a new process";

  events.postKeyChord(2, 4, Modifiers{Modifiers::option, Modifiers::command});
  EXPECT_EQ(desktop->postedKeyChords(), (std::vector<orvak::sim::KeyChord>{{2, 4, {"command", "option"}}}));
  EXPECT_EQ(workspace.frontmostApplication()->pid, 1) << "the chord's script ran";

  std::vector<ax::Point> clicks;
  ASSERT_TRUE(events.addLeftMouseDownMonitor([&](ax::Point p) { clicks.push_back(p); }));
  events.click({3, 4});
  EXPECT_TRUE(clicks.empty()) << "monitors hear of clicks on the main queue";
  vt.drain();
  EXPECT_EQ(clicks, (std::vector<ax::Point>{{3, 4}}));
}
