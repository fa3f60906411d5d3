// The AT-SPI backend against a Qt window of ours on a private headless desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "app/capture/ax_walker.h"
#include "core/base/json.h"
#include "platform/linux/atspi_desktop.h"
#include "tests/desktop/child_process.h"

namespace orvak {
namespace {

using test::ChildProcess;
using test::pollUntil;

class QtWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture_ = std::make_unique<ChildProcess>(std::vector<std::string>{ORVAK_FIXTURE_WINDOW});
    ASSERT_EQ(fixture_->readLine(20), "ready");
    // The window registers with the accessibility bus a moment after it is shown.
    ASSERT_TRUE(pollUntil(10, [&] {
      app_ = desktop_.application(fixture_->pid());
      auto windows = app_.attribute("AXWindows");
      return windows.ok() && !windows.value.as<ax::ElementList>()->empty();
    }));
    const auto window = AXWalker::pickWindow(app_);
    ASSERT_TRUE(window);
    window_ = *window;
    // The layout settles after the first show: wait until the field has its place.
    ASSERT_TRUE(pollUntil(10, [&] {
      walk_ = AXWalker::walk(window_);
      const auto i = find("AXTextField", "select these words");
      return i && walk_.nodes[*i].frame && (*walk_.nodes[*i].frame)[2] > 0;
    }));
  }

  // The first walked node with that role (and that text, when given).
  std::optional<std::size_t> find(std::string_view role, std::optional<std::string> text = std::nullopt) const {
    for (std::size_t i = 0; i < walk_.nodes.size(); ++i) {
      const auto& n = walk_.nodes[i];
      if (n.role == role && (!text || n.text == text)) return i;
    }
    return std::nullopt;
  }
  ax::Element element(std::string_view role, std::optional<std::string> text = std::nullopt) const {
    const auto i = find(role, std::move(text));
    return i ? walk_.elements[*i] : ax::Element();
  }

  atspi::AtspiDesktop desktop_;
  std::unique_ptr<ChildProcess> fixture_;
  ax::Element app_;
  ax::Element window_;
  WalkResult walk_;
};

TEST_F(QtWindow, WalkReadsTheWindowInOrderAndNeverThePassword) {
  EXPECT_EQ(walk_.windowTitle, "Orvak Fixture");
  EXPECT_EQ(walk_.nodes.front().role, "AXWindow");
  struct Expected {
    std::string role;
    std::string text;
  };
  // Qt 6.4 gives headings, paragraphs and links of its own widgets to the desktop as labels.
  const std::vector<Expected> expected = {
      {"AXStaticText", "Harbour Lights"},
      {"AXStaticText", "The first lamp was lit in 1820."},
      {"AXStaticText", "Keepers trimmed the wicks at dusk."},
      {"AXStaticText", "Read the logbook"},
      {"AXTextArea", "first line\nsecond line\nthird line"},
      {"AXTextField", "select these words"},
  };
  std::size_t last = 0;
  for (const auto& e : expected) {
    SCOPED_TRACE(e.role + " " + e.text);
    const auto i = find(e.role, e.text);
    ASSERT_TRUE(i);
    EXPECT_GT(*i, last) << "out of reading order";
    last = *i;
  }
  const auto secure = find("AXSecureTextField");
  ASSERT_TRUE(secure);
  EXPECT_TRUE(walk_.nodes[*secure].secureSkipped);
  for (const auto& n : walk_.nodes) {
    for (const auto& t : {n.text, n.title, n.desc}) {
      if (!t) continue;
      EXPECT_EQ(t->find("hunter2"), std::string::npos);
      EXPECT_EQ(t->find("\u2022"), std::string::npos) << "the password's bullets were read";
    }
  }
  const ax::Element password = element("AXSecureTextField");
  EXPECT_FALSE(password.attribute("AXValue").ok());
  EXPECT_FALSE(password.attribute("AXNumberOfCharacters").ok());
  EXPECT_FALSE(password.parameterizedAttribute("AXStringForRange", ax::Range{0, 3}).ok());
}

// Qt answers the accessibility bus with an adaptor of its own, which leaves out of its property
// lists what at-spi2's bridge gives: a walk fetched ahead asks for the rest and records what a
// walk one element at a time records.
TEST_F(QtWindow, AWalkFetchedAheadRecordsWhatAWalkOneElementAtATimeRecords) {
  const auto live = AXWalker::walk(window_, {.readAhead = false});
  const auto ahead = AXWalker::walk(window_);
  EXPECT_EQ(ahead.windowTitle, live.windowTitle);
  EXPECT_EQ(ahead.windowFrame, live.windowFrame);
  ASSERT_EQ(ahead.nodes.size(), live.nodes.size());
  for (std::size_t i = 0; i < live.nodes.size(); ++i) {
    EXPECT_EQ(ahead.nodes[i], live.nodes[i]) << "node " << i << " fetched ahead:\n"
                                             << json::Json(ahead.nodes[i]).dump() << "\none element at a time:\n"
                                             << json::Json(live.nodes[i]).dump();
  }
}

TEST_F(QtWindow, SelectionOfTheField) {
  const ax::Element field = element("AXTextField", "select these words");
  const auto range = field.attribute("AXSelectedTextRange");
  ASSERT_TRUE(range.ok());
  EXPECT_EQ(*range.value.as<ax::Range>(), (ax::Range{7, 5}));
  const auto selected = field.attribute("AXSelectedText");
  ASSERT_TRUE(selected.ok());
  EXPECT_EQ(*selected.value.as<std::string>(), "these");
}

TEST_F(QtWindow, ARangeAtTheEndOfATextIsMeasuredWithoutAQtWarning) {
  std::optional<std::size_t> lines;
  for (std::size_t i = 0; i < walk_.nodes.size(); ++i) {
    if (walk_.nodes[i].text && walk_.nodes[i].text->starts_with("first line")) lines = i;
  }
  ASSERT_TRUE(lines);
  const ax::Element text = walk_.elements[*lines];
  // "third line" ends the text; "third" is the same line's start.
  const auto whole = text.parameterizedAttribute("AXBoundsForRange", ax::Range{23, 10});
  const auto start = text.parameterizedAttribute("AXBoundsForRange", ax::Range{23, 5});
  const auto last = text.parameterizedAttribute("AXBoundsForRange", ax::Range{32, 1});
  ASSERT_TRUE(whole.ok()) << ax::errorName(whole.error);
  ASSERT_TRUE(start.ok());
  ASSERT_TRUE(last.ok());
  const auto w = *whole.value.as<ax::Rect>();
  const auto s = *start.value.as<ax::Rect>();
  const auto e = *last.value.as<ax::Rect>();
  EXPECT_EQ(w.x, s.x);
  EXPECT_EQ(w.y, s.y);
  EXPECT_GT(w.width, s.width) << "the whole line is wider than its first word";
  EXPECT_GE(w.x + w.width, e.x + e.width) << "and reaches over its last character";
  fixture_->send("warnings");
  EXPECT_EQ(fixture_->readLine(10), "warnings: 0");
}

TEST_F(QtWindow, TextGeometry) {
  // The read-only text of three lines: "first line\nsecond line\nthird line".
  std::optional<std::size_t> lines;
  for (std::size_t i = 0; i < walk_.nodes.size(); ++i) {
    if (walk_.nodes[i].text && walk_.nodes[i].text->starts_with("first line")) lines = i;
  }
  ASSERT_TRUE(lines);
  const ax::Element text = walk_.elements[*lines];

  struct LineCase {
    double index;
    double line;
  };
  for (const auto& c : std::vector<LineCase>{{0, 0}, {9, 0}, {11, 1}, {17, 1}, {23, 2}, {32, 2}}) {
    SCOPED_TRACE(c.index);
    const auto r = text.parameterizedAttribute("AXLineForIndex", c.index);
    ASSERT_TRUE(r.ok()) << ax::errorName(r.error);
    EXPECT_EQ(*r.value.as<double>(), c.line);
  }

  // "second" lies below "first" and inside the element; the point in its middle gives a range
  // inside it back.
  const auto first = text.parameterizedAttribute("AXBoundsForRange", ax::Range{0, 5});
  const auto second = text.parameterizedAttribute("AXBoundsForRange", ax::Range{11, 6});
  ASSERT_TRUE(first.ok());
  ASSERT_TRUE(second.ok());
  const auto a = *first.value.as<ax::Rect>();
  const auto b = *second.value.as<ax::Rect>();
  EXPECT_GT(a.width, 0) << a.x << "," << a.y << " " << a.width << "x" << a.height << " / " << b.x << "," << b.y << " " << b.width << "x" << b.height;
  EXPECT_GT(b.y, a.y) << a.x << "," << a.y << " " << a.width << "x" << a.height << " / " << b.x << "," << b.y << " " << b.width << "x" << b.height;
  const auto frame = *walk_.nodes[*lines].frame;
  EXPECT_TRUE((ax::Rect{frame[0], frame[1], frame[2], frame[3]}.contains({b.x + 1, b.y + 1})));
  const auto at = text.parameterizedAttribute("AXRangeForPosition", ax::Point{b.x + b.width / 2, b.y + b.height / 2});
  ASSERT_TRUE(at.ok());
  const auto hit = *at.value.as<ax::Range>();
  EXPECT_GE(hit.location, 11);
  EXPECT_LT(hit.location, 17);
  EXPECT_EQ(hit.length, 1);

  const auto words = text.parameterizedAttribute("AXStringForRange", ax::Range{11, 6});
  ASSERT_TRUE(words.ok());
  EXPECT_EQ(*words.value.as<std::string>(), "second");
  EXPECT_EQ(text.parameterizedAttribute("AXStringForRange", ax::Range{30, 10}).error, ax::Error::illegalArgument);
}

TEST_F(QtWindow, ElementAtAPoint) {
  const auto i = find("AXTextField", "select these words");
  ASSERT_TRUE(i);
  const auto f = *walk_.nodes[*i].frame;
  const double x = f[0] + f[2] / 2;
  const double y = f[1] + f[3] / 2;
  for (const ax::Element& from : {desktop_.systemWide(), app_}) {
    const auto hit = from.elementAtPosition(x, y);
    ASSERT_TRUE(hit.ok());
    EXPECT_EQ(hit.value, walk_.elements[*i]);
    EXPECT_EQ(hit.value.pid().value, fixture_->pid());
  }
  EXPECT_EQ(app_.elementAtPosition(-5000, -5000).error, ax::Error::noValue);
}

TEST_F(QtWindow, ClosedWindowsElementsAreInvalid) {
  const ax::Element field = element("AXTextField", "select these words");
  ASSERT_TRUE(field.attribute("AXRole").ok());
  fixture_->send("close");
  ASSERT_EQ(fixture_->readLine(10), "closed");
  EXPECT_TRUE(pollUntil(5, [&] { return field.attribute("AXRole").error == ax::Error::invalidUIElement; }));
  EXPECT_EQ(window_.attributes(AXWalker::batchedAttributes).error, ax::Error::invalidUIElement);
}

TEST_F(QtWindow, AHungRequestEndsAtItsTimeOut) {
  const ax::Element field = element("AXTextField", "select these words");
  ASSERT_EQ(field.setMessagingTimeout(0.3), ax::Error::success);
  fixture_->stop();
  // The parameterised read is never answered from what an earlier read learnt.
  EXPECT_EQ(field.parameterizedAttribute("AXBoundsForRange", ax::Range{0, 3}).error, ax::Error::cannotComplete);
  fixture_->resume();
  // Once it answers again, so do its elements (with the usual time-out: it has a backlog).
  ASSERT_EQ(field.setMessagingTimeout(0), ax::Error::success);
  const auto after = field.parameterizedAttribute("AXBoundsForRange", ax::Range{0, 3});
  EXPECT_TRUE(after.ok()) << ax::errorName(after.error);
}

}  // namespace
}  // namespace orvak
