// Whatever the page, the result must hold together: offsets inside the text, spans in order and
// on their nodes' text, counters consistent. Random pages built from a fixed seed.
#include <gtest/gtest.h>

#include <random>

#include "core/base/json.h"
#include "core/page/cleaner.h"
#include "core/text/text.h"
#include "tests/core/page/cleaner_page.h"

namespace Cleaner = orvak::Cleaner;
using orvak::AXNode;
using orvak::Frame;

namespace {

const char* kRoles[] = {"AXGroup", "AXStaticText", "AXWebArea", "AXHeading", "AXLink", "AXList", "AXTextArea",
                        "AXButton", "AXImage", "AXFigure"};
const char* kSubroles[] = {"AXDocumentArticle", "AXLandmarkMain", "AXSectionHeader", "AXLandmarkNavigation"};
const char* kTexts[] = {"Hello world.", "  spaced\u00a0\u00a0out\t", "e\u0301te\u0301", "\U0001F1EB\U0001F1F7 flag",
                        "line\n\nline", "x\r\ny", "By Ann Lee", "Photo: someone", "3:45 PM", "1.2K", "Reply",
                        "References", "Sent from my iPhone", "On Mon, 3 Jun 2024, Ann wrote:", "\u200b", "(",
                        "The quick brown fox jumps over the lazy dog and keeps running.", "\u0011live", "A\nb",
                        "emoji \U0001F600\U0001F600 end", "\u0301accent first", "x\r\n\ny", "x\r \n\ny", "end\r"};

std::vector<AXNode> randomPage(std::mt19937& rng) {
  orvak::testing::Page page;
  const int count = 1 + int(rng() % 60);
  for (int i = 1; i < count; ++i) {
    const int parent = int(rng() % std::uint32_t(i));
    orvak::testing::N n;
    n.role = kRoles[rng() % std::size(kRoles)];
    if (rng() % 4 == 0) n.subrole = kSubroles[rng() % std::size(kSubroles)];
    if (rng() % 3 != 0) n.text = kTexts[rng() % std::size(kTexts)];
    if (rng() % 2 == 0) n.frame = Frame{double(rng() % 900), double(rng() % 1200), double(rng() % 600), double(rng() % 80)};
    if (rng() % 8 == 0) n.classes = std::vector<std::string>{rng() % 2 ? "sidebar" : "promo-box"};
    if (rng() % 10 == 0) n.caret = std::int64_t(rng() % 40);
    if (n.role == "AXTextArea" && rng() % 3 == 0) n.title = "Document content";
    page.add(parent, n);
  }
  return page.nodes();
}

}  // namespace

TEST(CleanerInvariantsTest, RandomPagesGiveConsistentResults) {
  std::mt19937 rng(20240603);
  const std::optional<std::string> bundles[] = {std::nullopt, "com.apple.Safari", "com.apple.Preview",
                                                "com.apple.mail", "com.microsoft.Outlook"};
  for (int round = 0; round < 400; ++round) {
    const auto nodes = randomPage(rng);
    const auto& bundle = bundles[rng() % std::size(bundles)];
    const std::optional<Frame> window = rng() % 2 ? std::optional<Frame>(Frame{0, 0, 1000, 700}) : std::nullopt;
    const auto r = Cleaner::clean(nodes, window, bundle, "https://mail.google.com/mail/u/0/");
    SCOPED_TRACE("round " + std::to_string(round));

    ASSERT_EQ(r.chars, orvak::text::graphemeCount(r.text));
    ASSERT_LE(0, r.start.offset);
    ASSERT_LE(r.start.offset, r.chars);
    int previous = 0;
    for (const auto& s : r.spans) {
      ASSERT_LE(previous, s.start);
      ASSERT_LT(s.start, s.end);
      ASSERT_LE(s.end, r.chars);
      ASSERT_TRUE(nodes.at(std::size_t(s.node)).text.has_value());
      previous = s.end;
    }
    for (const auto& [start, end] : r.visibleSpans) {
      ASSERT_LE(0, start);
      ASSERT_LE(start, end);
      ASSERT_LE(end, r.chars);
    }
    // Every paragraph starts at the top or right after a blank line.
    const orvak::text::GraphemeMap map(r.text);
    const auto startsParagraph = [&](int offset) {
      return offset == 0 ||
             (offset >= 2 && r.text.substr(std::size_t(map.utf8Offset(offset - 2)), 2) == "\n\n");
    };
    for (int h : r.headingStarts) {
      ASSERT_LE(h, r.chars);
      ASSERT_TRUE(startsParagraph(h)) << h;
    }
    for (const auto& [start, end] : r.visibleSpans) ASSERT_TRUE(startsParagraph(start)) << start;
    for (const auto& [reason, pieces] : r.droppedPiecesByReason) {
      ASSERT_TRUE(r.droppedCharsByReason.contains(reason)) << reason;
      ASSERT_GE(pieces, 0);
    }
    for (const auto& [reason, chars] : r.droppedCharsByReason) ASSERT_GE(chars, 0) << reason;
    ASSERT_EQ(orvak::json::decode<orvak::CleanResult>(orvak::json::encode(r)), r);
  }
}
