#include "app/capture/capturer.h"

#include <gtest/gtest.h>

#include "tests/app/capture/capture_test_support.h"

namespace orvak {
namespace {

using test::CaptureHarness;
using test::chromium;
using test::Json;
using test::para;
using test::sceneWith;
using test::webArea;

TEST(Capturer, EachRefusalGivesItsError) {
  const Json page = Json::array({para(test::kRiver)});
  const struct {
    const char* name;
    Json scene;
    CaptureError expected;
  } cases[] = {
      {"not trusted, whatever is in front", sceneWith(Json::object(), page, {{"trusted", false}}),
       CaptureError::notTrusted()},
      {"nothing in front", sceneWith(Json::object(), page, {{"frontmost", nullptr}}), CaptureError::noFrontApp()},
      {"our own window in front", sceneWith(Json::object(), page, {{"self", "app"}}), CaptureError::frontIsOrvak()},
      {"a password manager", sceneWith({{"name", "1Password"}, {"bundleId", "com.1password.1password"}}, page),
       CaptureError::neverRead("1Password")},
      {"an application named Passwords without a bundle id", sceneWith({{"name", "Passwords"}}, page),
       CaptureError::neverRead("Passwords")},
      {"a nameless application without windows",
       Json{{"applications", Json::array({{{"pid", 7}, {"windows", Json::array()}}})}}, CaptureError::noWindow("App")},
      {"nothing readable behind a dialog",
       sceneWith(Json::object(), Json::array({{{"role", "AXGroup"}, {"subrole", "AXDialog"}, {"children",
                                                Json::array({{{"role", "AXButton"}, {"desc", "OK"}}})}}})),
       CaptureError::nothingReadable("Reader", true)},
      {"nothing readable, no dialog", sceneWith(Json::object(), Json::array({{{"role", "AXButton"}, {"desc", "OK"}}})),
       CaptureError::nothingReadable("Reader", false)},
  };
  for (const auto& c : cases) {
    CaptureHarness h(c.scene);
    EXPECT_EQ(h.error(), c.expected) << c.name;
  }
}

TEST(Capturer, CapturesTheFrontWindowIntoACapture) {
  Json page = webArea(Json::array({para(test::kRiver, "p1"), para(test::kLake)}));
  CaptureHarness h(sceneWith({{"name", "Firefox"}, {"bundleId", "org.mozilla.firefox"}, {"pid", 4100}}, {page}));
  const std::uint64_t handler = Clock::now();
  h.vt.advance(0.05);  // the event came 50 ms before the capture starts
  std::optional<CaptureOutcome> out;
  h.capturer->capture(handler, [&](CaptureOutcome o) { out = std::move(o); });
  EXPECT_FALSE(out) << "the answer comes on the main queue, later";
  h.vt.drain();
  ASSERT_TRUE(out && std::holds_alternative<Capture>(*out));
  const Capture& c = std::get<Capture>(*out);
  EXPECT_EQ(c.appName, "Firefox");
  EXPECT_EQ(c.bundleId, "org.mozilla.firefox");
  EXPECT_EQ(c.pid, 4100);
  EXPECT_EQ(c.windowTitle, "Rivers");
  EXPECT_EQ(c.url, "https://example.org/rivers");
  EXPECT_EQ(c.clean.text, test::kRiver + " " + test::kLake);
  EXPECT_EQ(c.attempts, 1);
  EXPECT_EQ(c.nodes, 4);
  EXPECT_EQ(c.elements.size(), 4u);
  ASSERT_EQ(c.nodeTexts.size(), 4u);
  EXPECT_EQ(c.nodeTexts[2], test::kRiver);
  EXPECT_EQ(c.elements[2], h.desktop->element("p1"));
  EXPECT_EQ(c.window, h.desktop->element("win"));
  EXPECT_EQ(c.windowFrame, (Frame{0, 0, 1000, 800}));
  EXPECT_DOUBLE_EQ(c.hotkeyToTextMs, 50.0);
  EXPECT_FALSE(c.isPrivate);
  EXPECT_FALSE(c.docsSetup);
  EXPECT_FALSE(c.cutAtNodes);
  EXPECT_EQ(h.desktop->messagingTimeout(), 1.0) << "the capturer bounds every request of the process";
}

TEST(Capturer, APageCutAtTheWalksNodeLimitSaysSo) {
  // A group that lists itself twice: a tree without end after the page's first paragraph.
  const Json endless = {{"ref", "g"}, {"role", "AXGroup"}, {"attributes", {{"AXChildren", {{"elements", {"g", "g"}}}}}}};
  CaptureHarness h(sceneWith({{"name", "Firefox"}, {"pid", 4100}}, {webArea(Json::array({para(test::kRiver), endless}))}));
  const auto out = h.capture();
  ASSERT_TRUE(std::holds_alternative<Capture>(out));
  const Capture& c = std::get<Capture>(out);
  EXPECT_EQ(c.cutAtNodes, static_cast<std::int64_t>(AXWalker::maxNodes));
  EXPECT_EQ(c.clean.text, test::kRiver) << "what was walked is still read";
}

TEST(Capturer, APageCutAtTheWalksTimeBudgetIsReadAsFarAsItWasWalked) {
  // The browser answers each element of the comments slowly: the walk runs out of time there.
  Json slow = Json::array();
  for (int i = 0; i < 60; ++i) slow.push_back({{"role", "AXGroup"}, {"latency", 0.1}});
  CaptureHarness h(sceneWith(chromium(), {webArea(Json::array({para(test::kRiver), para(test::kLake),
                                                               {{"role", "AXGroup"}, {"children", slow}}}))}));
  const auto out = h.capture();
  ASSERT_TRUE(std::holds_alternative<Capture>(out)) << std::get<CaptureError>(out).description();
  const Capture& c = std::get<Capture>(out);
  EXPECT_EQ(c.clean.text, test::kRiver + " " + test::kLake);
  EXPECT_TRUE(c.cutByTime);
  EXPECT_FALSE(c.cutAtNodes);
  EXPECT_EQ(c.attempts, 1) << "a cut walk is not walked again for more of the page";
}

TEST(Capturer, APageWhoseStoryIsInAFrameReadsTheStoryNotTheAddressBar) {
  // The browser's tool bar shows the address; the page itself is a wrapper around one frame.
  const Json toolbar = {{"role", "AXToolbar"},
                        {"children", Json::array({{{"role", "AXTextField"}, {"value", "https://example.org/rivers"}}})}};
  Json story = webArea(Json::array({para(test::kRiver), para(test::kLake)}), "https://example.org/story");
  story.erase("ref");
  const Json page = webArea(Json::array({{{"role", "AXGroup"}, {"children", Json::array({story})}}}));
  CaptureHarness h(sceneWith(chromium(), {toolbar, page}));
  const auto out = h.capture();
  ASSERT_TRUE(std::holds_alternative<Capture>(out)) << std::get<CaptureError>(out).description();
  EXPECT_EQ(std::get<Capture>(out).clean.text, test::kRiver + " " + test::kLake);
}

TEST(Capturer, OwnWindowIsReadOnlyWhileAllowed) {
  CaptureHarness h(sceneWith(Json::object(), Json::array({para(test::kRiver)}), {{"self", "app"}}));
  EXPECT_EQ(h.error(), CaptureError::frontIsOrvak());
  h.capturer->allowSelf = true;
  EXPECT_EQ(h.page().clean.text, test::kRiver);
}

// A page whose text appears after `walks` walks of the window.
Json lateWebPage(Json app, int walks, const std::string& text = test::kRiver) {
  Json scene = sceneWith(std::move(app), {webArea(Json::array())});
  scene["script"] = Json::array({{{"when", {{"walks", walks}, {"window", "win"}}},
                                  {"do", Json::array({{{"appendChildren", "page"}, {"children", {para(text)}}}})}}});
  return scene;
}

TEST(Capturer, WebContentIsWaitedForWalkByWalk) {
  const struct {
    const char* name;
    Json scene;
    int attempts;
  } cases[] = {
      {"a browser's empty web area, text after 3 walks", lateWebPage(chromium(), 3), 4},
      {"text that never comes: 8 more walks, then go on", lateWebPage(chromium(), 100), 9},
      {"no web area at all: one walk", sceneWith(chromium(), Json::array({para(test::kRiver)})), 1},
      {"not a browser: no wait", lateWebPage({{"bundleId", "org.example.reader"}}, 3), 1},
      {"a Linux browser known by the pak files beside its executable",
       lateWebPage({{"frameworks", {"chromium", "chrome_100_percent.pak", "locales"}}}, 3), 4},
      {"pak files of another name are no sign", lateWebPage({{"frameworks", {"resources.pak", "locales"}}}, 3), 1},
      {"Safari waits for 200 characters, 150 are not enough",
       lateWebPage({{"bundleId", "com.apple.Safari"}}, 2, std::string(150, 'a') + " " + std::string(60, 'b')), 3},
      // Linux browsers by desktop entry or Flatpak id: a sandboxed Chromium shows no pak files.
      {"a Flatpak Chromium known by its id", lateWebPage({{"bundleId", "org.chromium.Chromium"}}, 3), 4},
      {"a desktop id in another case, with its ending", lateWebPage({{"bundleId", "Google-Chrome.desktop"}}, 3), 4},
      {"Firefox on Linux: a web area with no text yet", lateWebPage({{"bundleId", "firefox-esr"}}, 3), 4},
      {"GNOME Web waits for 200 characters as Safari does",
       lateWebPage({{"bundleId", "org.gnome.Epiphany"}}, 2, std::string(150, 'a') + " " + std::string(60, 'b')), 3},
  };
  for (const auto& c : cases) {
    CaptureHarness h(c.scene);
    const auto out = h.capture();
    // A page that never shows text ends as nothing readable; the walks are counted all the same.
    if (const auto* cap = std::get_if<Capture>(&out)) {
      EXPECT_EQ(cap->attempts, c.attempts) << c.name;
    }
    EXPECT_EQ(h.desktop->walkCount("win"), c.attempts) << c.name;
  }
}

TEST(Capturer, SafariWithTooLittleTextIsWalkedNineTimesTwoTenthsOfASecondApart) {
  Json scene = sceneWith({{"bundleId", "com.apple.Safari"}}, {webArea(Json::array({para(std::string(150, 'x'))}))});
  CaptureHarness h(scene);
  const Capture c = h.page();
  EXPECT_EQ(c.attempts, 9);
  EXPECT_DOUBLE_EQ(c.axWalkTotalMs, 8 * 200.0);
}

// An Electron app of these files, with 100 characters of web text: enough for the general test,
// not for a newly enabled app.
Json electronScene(Json frameworks) {
  Json app = {{"name", "Notes"}, {"frameworks", std::move(frameworks)}};
  return sceneWith(app, {webArea(Json::array({para(std::string(100, 'e'))}))});
}

// The first capture switches the app's accessibility on and waits for 300 characters.
void expectSwitchedOnByTheFirstCapture(CaptureHarness& h) {
  EXPECT_EQ(h.page().attempts, 9) << "first capture waits for 300 characters";
  const auto flag = h.desktop->element("app").attribute("AXManualAccessibility");
  ASSERT_TRUE(flag);
  EXPECT_EQ(flag.value, ax::Value(true));
}

TEST(Capturer, ElectronIsSwitchedOnAndWaitedForOnlyOnItsFirstCapture) {
  CaptureHarness h(electronScene({"Electron Framework.framework", "Squirrel.framework"}));
  expectSwitchedOnByTheFirstCapture(h);
  EXPECT_EQ(h.page().attempts, 1) << "already switched on: the general test";

  h.desktop->apply(Json::array({{{"relaunch", "app"}}}));
  EXPECT_EQ(h.page().attempts, 9) << "a new process under the same pid is switched on afresh";
}

TEST(Capturer, ElectronOnLinuxIsKnownByItsApplicationArchive) {
  CaptureHarness h(electronScene({"chrome_100_percent.pak", "notes", "resources/app.asar"}));
  expectSwitchedOnByTheFirstCapture(h);
}

// A document-editor page: a Chromium browser on a document whose text is not exposed yet.
Json documentScene(Json script, const std::string& url = "https://docs.google.com/document/d/1x/edit") {
  Json page = webArea(Json::array({{{"ref", "doc"}, {"role", "AXGroup"}, {"children", {para("Untitled document")}}}}), url);
  Json scene = sceneWith(chromium(), {page});
  scene["script"] = std::move(script);
  return scene;
}

Json onChord(int count, Json changes) {
  return {{"when", {{"keyChord", {{"keyCode", 4}, {"flags", {"control", "option"}}}}, {"app", "app"}, {"count", count}}},
          {"do", std::move(changes)}};
}

Json exposeDocument() {
  return Json::array({{{"appendChildren", "doc"},
                       {"children", {{{"role", "AXTextArea"}, {"title", "Document content"},
                                      {"value", test::kRiver + " " + test::kLake}}}}}});
}

Json announce(const std::string& text) {
  return Json::array({{{"appendChildren", "doc"}, {"children", {para(text)}}}});
}

TEST(Capturer, DocumentEditorPagesGetTheBrailleChord) {
  const struct {
    const char* name;
    Json scene;
    std::optional<std::string> docsSetup;
    int chords;
    int attempts;
  } cases[] = {
      {"one chord exposes the text", documentScene(Json::array({onChord(1, exposeDocument())})), "⌘⌥H → ready", 1, 2},
      {"the chord switched braille off: sent again",
       documentScene(Json::array({onChord(1, announce("Braille support disabled")), onChord(2, exposeDocument())})),
       "⌘⌥H ×2 → ready", 2, 3},
      {"braille on but the area still empty",
       documentScene(Json::array({onChord(1, announce("Braille support enabled"))})), "⌘⌥H → brailleOnButEmpty", 1, 2},
      {"the user went to another page",
       documentScene(Json::array(
           {onChord(1, Json::array({{{"set", "page"}, {"attributes", {{"url", "https://example.org/elsewhere"}}}}}))})),
       "⌘⌥H → left-doc", 1, 2},
      {"nothing ever changes: 14 tries", documentScene(Json::array()), "⌘⌥H → off", 1, 15},
      {"the editor's path in another site's query is no document",
       documentScene(Json::array({onChord(1, exposeDocument())}),
                     "https://example.org/login?continue=https://docs.google.com/document/d/1x"),
       std::nullopt, 0, 1},
  };
  for (const auto& c : cases) {
    CaptureHarness h(c.scene);
    const Capture cap = h.page();
    EXPECT_EQ(cap.docsSetup, c.docsSetup) << c.name;
    EXPECT_EQ(cap.attempts, c.attempts) << c.name;
    const auto chords = h.desktop->postedKeyChords();
    ASSERT_EQ(chords.size(), std::size_t(c.chords)) << c.name;
    for (const auto& k : chords) {
      EXPECT_EQ(k, (sim::KeyChord{100, 4, {"control", "option"}})) << c.name;
    }
  }
}

TEST(Capturer, DocumentAlreadyReadyNeedsNoChord) {
  Json scene = documentScene(Json::array());
  scene["applications"][0]["windows"][0]["children"][0]["children"][0]["children"].push_back(
      exposeDocument()[0]["children"][0]);
  CaptureHarness h(scene);
  const Capture c = h.page();
  EXPECT_FALSE(c.docsSetup);
  EXPECT_TRUE(h.desktop->postedKeyChords().empty());
  EXPECT_NE(c.clean.text.find(test::kLake), std::string::npos);
}

TEST(Capturer, ChordWaitsForTheHotkeysModifiersToBeReleased) {
  // Held for 0.3 s: the chord follows the release, and the summary says how long it waited.
  Json released = documentScene(Json::array({onChord(1, exposeDocument()),
                                             {{"when", {{"seconds", 0.3}}}, {"do", {{{"modifiers", Json::array()}}}}}}));
  released["modifiers"] = {"command", "shift"};
  {
    CaptureHarness h(released);
    EXPECT_EQ(h.page().docsSetup, "⌘⌥H → ready (waited 300 ms for key release)");
  }
  // Never released: it gives up after 0.8 s and sends the chord anyway.
  Json stuck = documentScene(Json::array({onChord(1, exposeDocument())}));
  stuck["modifiers"] = {"function"};
  CaptureHarness h(stuck);
  const Capture c = h.page();
  EXPECT_EQ(c.docsSetup, "⌘⌥H → ready (waited 800 ms for key release)");
  EXPECT_DOUBLE_EQ(c.axWalkTotalMs, 800.0 + 250.0);
  EXPECT_EQ(h.desktop->postedKeyChords().size(), 1u);
}

TEST(Capturer, PrivateWindowIsMarked) {
  Json scene = sceneWith(chromium(), {webArea(Json::array({para(test::kRiver)}))});
  scene["applications"][0]["windows"][0]["title"] = "Rivers - Google Chrome (Incognito)";
  CaptureHarness h(scene);
  EXPECT_TRUE(h.page().isPrivate);
}

TEST(Capturer, SelectionIsReadUnlessSecureOrASingleWord) {
  const struct {
    const char* name;
    Json focused;
    std::optional<std::string> selected;
  } cases[] = {
      {"two words or more, trimmed", {{"role", "AXTextArea"}, {"value", "say hello world now"}, {"selection", {3, 13}}},
       "hello world"},
      {"a single word", {{"role", "AXTextArea"}, {"value", "say hello"}, {"selection", {4, 5}}}, std::nullopt},
      {"a password field",
       {{"role", "AXSecureTextField"}, {"value", "correct horse battery"}, {"selection", {0, 21}}}, std::nullopt},
      {"a field whose subrole says secure",
       {{"role", "AXTextField"}, {"subrole", "AXSecureTextField"}, {"value", "correct horse"}, {"selection", {0, 13}}},
       std::nullopt},
  };
  for (const auto& c : cases) {
    Json field = c.focused;
    field["ref"] = "field";
    Json app = {{"focusedElement", "field"}};
    CaptureHarness h(sceneWith(app, Json::array({para(test::kRiver), field})));
    const Capture cap = h.page();
    EXPECT_EQ(cap.selectedText, c.selected) << c.name;
    EXPECT_EQ(cap.clean.text.find("horse"), std::string::npos) << c.name;
  }
}

TEST(Capturer, SelectionIsNotReadWhenTheFieldsKindCannotBeTold) {
  // The focused field (in a second window, so the walk does not meet it) is a password field, but
  // the question that would tell so goes unanswered.
  const struct {
    const char* name;
    Json field;
    std::optional<std::string> selected;
  } cases[] = {
      {"subrole timed out",
       {{"role", "AXTextField"}, {"subrole", "AXSecureTextField"}, {"errors", {{"AXSubrole", "cannotComplete"}}}},
       std::nullopt},
      {"role failed", {{"role", "AXSecureTextField"}, {"errors", {{"AXRole", "failure"}}}}, std::nullopt},
      {"no subrole at all: an ordinary field", {{"role", "AXTextField"}, {"subrole", nullptr}}, "correct horse"},
  };
  for (const auto& c : cases) {
    Json scene = sceneWith({{"focusedElement", "field"}, {"focusedWindow", "win"}, {"mainWindow", "win"}},
                           Json::array({para(test::kRiver)}));
    Json field = c.field;
    field.update({{"ref", "field"}, {"value", "correct horse"}, {"selection", {0, 13}}});
    scene["applications"][0]["windows"].push_back({{"ref", "login"}, {"children", Json::array({field})}});
    CaptureHarness h(scene);
    EXPECT_EQ(h.page().selectedText, c.selected) << c.name;
  }
}

TEST(Capturer, SelectionFromAnotherProcessArrivesAsValidUtf8) {
  Json field = {{"ref", "field"}, {"role", "AXTextArea"}, {"value", "say hello world now"}, {"selection", {3, 13}}};
  CaptureHarness h(sceneWith({{"focusedElement", "field"}}, Json::array({para(test::kRiver), field})));
  h.desktop->setAttribute("field", "AXSelectedText", std::string("caf\xe9 au lait"));
  EXPECT_EQ(h.page().selectedText, "caf\uFFFD au lait");
}

TEST(Capturer, CapturesRunOneAtATimeInOrder) {
  CaptureHarness h(lateWebPage(chromium(), 100));
  std::vector<int> order;
  h.capturer->capture(Clock::now(), [&](const CaptureOutcome&) { order.push_back(1); });
  h.capturer->capture(Clock::now(), [&](const CaptureOutcome&) { order.push_back(2); });
  h.vt.drain();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(h.desktop->walkCount("win"), 18);
}

}  // namespace
}  // namespace orvak
