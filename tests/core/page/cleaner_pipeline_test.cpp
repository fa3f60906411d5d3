// The whole cleaning pipeline on recorded windows (tests/fixtures/cleaner, in the capture dump
// form) and on the smallest inputs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/base/json.h"
#include "core/page/cleaner.h"
#include "core/text/text.h"
#include "tests/core/page/cleaner_page.h"

namespace Cleaner = orvak::Cleaner;
namespace json = orvak::json;
using orvak::AXNode;
using orvak::CleanResult;
using orvak::Frame;
using orvak::ReadStart;
using Counts = std::map<std::string, int>;

namespace {

struct Fixture {
  std::vector<AXNode> nodes;
  std::optional<Frame> windowFrame;
  std::optional<std::string> bundleId;
  std::optional<std::string> url;

  CleanResult clean() const { return Cleaner::clean(nodes, windowFrame, bundleId, url); }
};

Fixture load(const std::string& name) {
  std::ifstream in("tests/fixtures/cleaner/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const json::Json j = json::parse(text.str());
  Fixture f;
  for (const auto& n : j.at("nodes")) f.nodes.push_back(n.get<AXNode>());
  const auto& meta = j.at("meta");
  f.bundleId = json::getOptional<std::string>(meta, "bundleId");
  f.url = json::getOptional<std::string>(meta, "url");
  if (auto frame = json::getOptional<std::vector<double>>(meta, "windowFrame")) {
    f.windowFrame = Frame{frame->at(0), frame->at(1), frame->at(2), frame->at(3)};
  }
  return f;
}

// Every span must cover text that its node really holds: spans never drift from the text.
void expectSpansOnTheirNodes(const CleanResult& r, const std::vector<AXNode>& nodes, bool pdf = false) {
  const auto map = orvak::text::GraphemeMap(r.text);
  int previousEnd = 0;
  for (const auto& span : r.spans) {
    ASSERT_LE(previousEnd, span.start);
    ASSERT_LT(span.start, span.end);
    ASSERT_LE(span.end, r.chars);
    previousEnd = span.end;
    const std::string covered = r.text.substr(std::size_t(map.utf8Offset(span.start)),
                                              std::size_t(map.utf8Offset(span.end) - map.utf8Offset(span.start)));
    std::string source = nodes.at(std::size_t(span.node)).text.value_or("");
    if (pdf) source = Cleaner::fixPDFNewlines(source);
    EXPECT_NE(Cleaner::norm(source).find(covered), std::string::npos) << "span of node " << span.node;
  }
}

}  // namespace

TEST(CleanerPipelineTest, NewsArticle) {
  const Fixture page = load("news_article.json");
  const CleanResult r = page.clean();
  EXPECT_EQ(r.text,
            "Council approves the new river bridge\n\n"
            "The city council voted 7 to 2 on Monday night to fund a second crossing over the river, ending a debate "
            "that has run for more than a decade.\n\n"
            "Construction is expected to begin next spring. \u201cThis bridge connects two halves of our city,\u201d "
            "the mayor said after the vote, adding that the old crossing would stay open for cyclists.\n\n"
            "Residents on both banks have waited years for the project. Shop owners near the old bridge said traffic "
            "had grown every year since the rail station opened, and that deliveries now take twice as long as they "
            "did.\n\n"
            "What happens next\n\n"
            "The council will choose a builder in the autumn. A public meeting about the design is planned for "
            "September, and the full plans will be shown at the library until then.");
  EXPECT_EQ(r.chars, 766);
  EXPECT_EQ(r.region, "#13 AXGroup/AXDocumentArticle depth=3");
  EXPECT_EQ(r.regionStrategy, "landmark-main>article");
  EXPECT_EQ(r.droppedCharsByReason, (Counts{{"back-matter", 115}, {"byline", 27}, {"class", 32}, {"credit", 23},
                                           {"figure-caption", 25}, {"header-meta", 20}, {"kicker", 9},
                                           {"link-dense", 48}, {"role", 9}, {"subrole", 22}, {"ui-label", 5}}));
  EXPECT_EQ(r.droppedPiecesByReason, (Counts{{"back-matter", 2}, {"byline", 1}, {"class", 3}, {"credit", 1},
                                            {"figure-caption", 1}, {"header-meta", 1}, {"kicker", 1},
                                            {"link-dense", 3}, {"role", 1}, {"subrole", 4}, {"ui-label", 1}}));
  EXPECT_EQ(r.keptPieces, 14);
  EXPECT_EQ(r.headingStarts, (std::vector<int>{0, 579}));
  EXPECT_EQ(r.start, (ReadStart{0, ReadStart::Reason::top, 4}));
  EXPECT_EQ(r.visibleSpans, (std::vector<std::array<int, 2>>{{0, 37}, {39, 179}, {181, 364}, {366, 577}}));
  EXPECT_EQ(r.spans.size(), 8u);
  EXPECT_EQ(r.spans[1], (orvak::TextSpan{29, 39, 61}));  // the first of three pieces of one paragraph
  expectSpansOnTheirNodes(r, page.nodes);
  EXPECT_EQ(r.score.quality, "good");
  EXPECT_EQ(json::decode<CleanResult>(json::encode(r)), r);

  // Scrolled down so that only the second section is on screen: reading starts at its heading.
  Fixture scrolled = page;
  scrolled.windowFrame = Frame{0, 880, 1280, 800};
  const CleanResult s = scrolled.clean();
  EXPECT_EQ(s.start, (ReadStart{579, ReadStart::Reason::viewport, 4}));  // counted before the back-matter cut
  EXPECT_EQ(s.onScreen(600), true);
  EXPECT_EQ(s.onScreen(10), false);
}

TEST(CleanerPipelineTest, MailMessage) {
  const Fixture mail = load("mail_message.json");
  const CleanResult r = mail.clean();
  EXPECT_EQ(r.text,
            "Lunch on Friday\n\nHi Bob,\n\nAre we still on for lunch on Friday? I booked a table for two at the place "
            "near the station for half past twelve.");
  EXPECT_EQ(r.regionStrategy, "mail-message");
  EXPECT_EQ(r.regionNodeId, 3);
  EXPECT_EQ(r.headingStarts, (std::vector<int>{0}));
  EXPECT_EQ(r.droppedCharsByReason, (Counts{{"outside-region", 72}, {"quoted-reply", 129}}));
  EXPECT_EQ(r.droppedPiecesByReason, (Counts{{"outside-region", 1}}));
  // The subject is visible but has no frame: counted as on screen, never a visible stretch.
  EXPECT_EQ(r.visibleSpans, (std::vector<std::array<int, 2>>{{17, 24}, {26, 139}}));
  EXPECT_EQ(r.start, (ReadStart{0, ReadStart::Reason::top, 6}));  // paragraphs counted before the cut
  expectSpansOnTheirNodes(r, mail.nodes);
}

TEST(CleanerPipelineTest, DocumentEditor) {
  const Fixture doc = load("document_editor.json");
  const CleanResult r = doc.clean();
  EXPECT_EQ(r.regionStrategy, "gdocs-document");
  EXPECT_EQ(r.keptPieces, 1);
  EXPECT_EQ(r.spans.size(), 7u);  // one text area, one span per line paragraph
  EXPECT_NE(r.text.find("\n\nReferences\n\nOur earlier plan."), std::string::npos);  // never cut in an editor
  EXPECT_EQ(r.start, (ReadStart{235, ReadStart::Reason::cursor, 7}));
  EXPECT_EQ(r.text.substr(235, 16), "The largest risk");
  EXPECT_EQ(r.droppedCharsByReason, (Counts{{"role", 5}}));
  expectSpansOnTheirNodes(r, doc.nodes);
}

TEST(CleanerPipelineTest, PdfPage) {
  const Fixture pdf = load("pdf_page.json");
  const CleanResult r = pdf.clean();
  EXPECT_EQ(r.text,
            "Effects of Light on Growth\n\n"
            "We grew forty seedlings under two kinds of light and measured their height every day for three weeks. "
            "The results are summarized in Table 2.\n\n"
            "Plants under the blue light grew faster in the first week, but by the third week the difference between "
            "the two groups had almost gone.\n\n"
            "Comments\n\n"
            "These notes are part of the study and are read.");
  EXPECT_EQ(r.regionStrategy, "window+descend");
  EXPECT_EQ(r.droppedCharsByReason, (Counts{{"back-matter", 48}}));
  EXPECT_EQ(r.headingStarts, (std::vector<int>{0, 307}));
  expectSpansOnTheirNodes(r, pdf.nodes, true);

  // The same page in a browser: no line repair, and "Comments" opens the back matter.
  Fixture browser = pdf;
  browser.bundleId = "com.apple.Safari";
  const CleanResult b = browser.clean();
  EXPECT_NE(b.text.find("summarized in T\nable 2."), std::string::npos);
  EXPECT_EQ(b.text.find("Comments"), std::string::npos);
  EXPECT_EQ(b.droppedPiecesByReason, (Counts{{"back-matter", 4}}));
}

TEST(CleanerPipelineTest, SmallestInputs) {
  const CleanResult empty = Cleaner::clean({}, std::nullopt, std::nullopt, std::nullopt);
  CleanResult expected;
  expected.score = orvak::ContentScorer::score("");
  EXPECT_EQ(empty, expected);
  EXPECT_EQ(empty.region, "none");
  EXPECT_EQ(empty.regionStrategy, "window");

  orvak::testing::Page window;
  const CleanResult bare = Cleaner::clean(window.nodes(), Frame{0, 0, 800, 600}, "com.apple.Safari", std::nullopt);
  EXPECT_EQ(bare.text, "");
  EXPECT_EQ(bare.region, "#0 AXWindow depth=0");
  EXPECT_EQ(bare.regionNodeId, 0);
  EXPECT_EQ(bare.regionStrategy, "window");
  EXPECT_EQ(bare.keptPieces, 0);
  EXPECT_EQ(bare.start, ReadStart{});
}

TEST(CleanerPipelineTest, MalformedParentsAreTreatedAsRoots) {
  // A list whose parents point forward or out of range (a damaged dump) must not hang or crash.
  orvak::testing::Page page;
  const int a = page.text(0, "First text");
  const int b = page.text(0, "Second text");
  page[a].parent = 7;
  page[b].parent = b;
  const CleanResult r = Cleaner::clean(page.nodes(), std::nullopt, std::nullopt, std::nullopt);
  EXPECT_EQ(r.droppedCharsByReason, (Counts{{"outside-region", 21}}));
}
