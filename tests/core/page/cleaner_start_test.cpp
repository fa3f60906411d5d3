// Where reading starts, and the stretch lists of the result.
#include <gtest/gtest.h>

#include "core/page/cleaner_stages.h"
#include "core/text/text.h"
#include "tests/core/page/cleaner_page.h"

namespace detail = orvak::Cleaner::detail;
using orvak::ReadStart;
using orvak::testing::prose;
using Reason = ReadStart::Reason;

namespace {

detail::Para para(int length, bool visible = false, double minX = 0, double maxX = 0, bool heading = false) {
  detail::Para p;
  p.text = prose(length, length);
  p.length = length;
  p.visible = visible;
  p.heading = heading;
  if (visible) {
    p.minX = minX;
    p.maxX = maxX;
    p.framedChars = p.visibleChars = length;
  }
  return p;
}

ReadStart startOf(const std::vector<detail::Para>& paras, bool hasGeometry = true) {
  return detail::finish(paras, detail::layout(paras), hasGeometry).start;
}

}  // namespace

TEST(CleanerStartTest, CursorStartsAtTheBeginningOfItsLine) {
  // A paragraph at offset 150 whose third line begins `lineStart` characters in.
  for (const auto& [lineStart, expected] : {std::pair{60, ReadStart{210, Reason::cursor, {}}},
                                            std::pair{40, ReadStart{}}}) {
    detail::Para caretPara;
    caretPara.text = prose(20) + "\n" + prose(lineStart - 22, 1) + "\n" + prose(100, 2);
    caretPara.length = orvak::text::graphemeCount(caretPara.text);
    caretPara.caret = lineStart + 30;
    const std::vector<detail::Para> paras{para(148), caretPara};
    EXPECT_EQ(startOf(paras, false), expected) << lineStart;
  }
}

TEST(CleanerStartTest, OffScreenCaretGivesWayToTheViewport) {
  auto caretPara = para(300);
  caretPara.caret = 250;
  const std::vector<detail::Para> paras{caretPara, para(300, true, 0, 800)};
  EXPECT_EQ(startOf(paras), (ReadStart{302, Reason::viewport, {}}));
  // With nothing on screen the caret decides after all.
  const std::vector<detail::Para> hidden{para(300), caretPara};
  EXPECT_EQ(startOf(hidden), (ReadStart{302, Reason::cursor, {}}));
}

TEST(CleanerStartTest, ViewportRules) {
  struct Case {
    const char* what;
    std::vector<detail::Para> paras;
    bool hasGeometry;
    ReadStart start;
  };
  auto halfSeen = para(300, true, 0, 800);
  halfSeen.framedChars = 300;
  halfSeen.visibleChars = 100;  // a third on screen
  const Case cases[] = {
      {"no geometry", {para(500), para(300, true, 0, 800)}, false, {}},
      {"near the top", {para(150), para(300, true, 0, 800)}, true, {}},
      {"first wide visible paragraph", {para(500), para(40, true, 0, 200), para(300, true, 0, 800)}, true,
       {544, Reason::viewport, {}}},
      {"a heading just below short text",
       {para(498), para(300, true, 0, 800), para(100, true, 0, 800), para(20, true, 0, 300, true)}, true,
       {904, Reason::viewport, {}}},
      {"a heading below 701 characters",
       {para(498), para(400, true, 0, 800), para(301, true, 0, 800), para(20, true, 0, 300, true)}, true,
       {500, Reason::viewport, {}}},
      {"mostly hidden paragraph passed over", {para(498), halfSeen, para(300, true, 0, 800)}, true,
       {802, Reason::viewport, {}}},
      {"nothing qualifies: first visible", {para(498), para(10, true, 0, 0), para(10, true, 0, 0)}, true,
       {500, Reason::viewport, {}}},
  };
  for (const Case& c : cases) EXPECT_EQ(startOf(c.paras, c.hasGeometry), c.start) << c.what;
}

TEST(CleanerStartTest, StretchLists) {
  auto subject = para(10, true);
  subject.framedChars = subject.visibleChars = 0;  // a mail subject: visible, never framed
  subject.heading = true;
  subject.spans.clear();
  auto body = para(20, true, 0, 100);
  body.spans = {{4, 0, 12}, {5, 13, 20}};
  const std::vector<detail::Para> paras{subject, body, para(5)};
  const auto out = detail::finish(paras, detail::layout(paras), true);
  EXPECT_EQ(out.visibleSpans, (std::vector<std::array<int, 2>>{{12, 32}}));
  EXPECT_EQ(out.spans, (std::vector<orvak::TextSpan>{{4, 12, 24}, {5, 25, 32}}));
  EXPECT_EQ(out.headingStarts, (std::vector<int>{0}));
}
