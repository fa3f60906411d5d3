// Documents written from the page: the sources sent and what is stored from a reply.
#include "app/controller/page_document.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvak;
namespace pd = orvak::PageDocument;

namespace {

// A page with `saved` items, ids 101, 102, … and quotes "q1", "q2", ….
pd::Page page(int saved, std::optional<std::string> url = "https://example.org/rivers") {
  pd::Page p;
  p.excerpt = std::string(300, 'x') + " the rest";
  p.title = "Rivers";
  p.site = pd::site(url, "Firefox");
  p.url = url;
  for (int i = 1; i <= saved; ++i) {
    StoredItem s;
    s.id = 100 + i;
    s.item.quote = "q" + std::to_string(i);
    if (i % 2 == 0) s.item.note = "n" + std::to_string(i);
    p.saved.push_back(s);
  }
  return p;
}

account::LibraryDoc serviceReply(std::vector<std::vector<std::int64_t>> cites) {
  account::LibraryDoc d{"Title", {}};
  for (auto& c : cites) d.paragraphs.push_back({"p", std::move(c)});
  return d;
}

}  // namespace

TEST(PageDocumentTest, RepliesAreRenumberedAndRestOnlyOnWhatWasSent) {
  const pd::Page four = page(4);
  const auto stored = pd::fromReply(serviceReply({{3, 1}, {1, 5}}), four);
  ASSERT_EQ(stored.paragraphs.size(), 2u);
  EXPECT_EQ(stored.paragraphs[0].cites, (std::vector<std::int64_t>{1, 2}));
  EXPECT_EQ(stored.paragraphs[1].cites, (std::vector<std::int64_t>{2, 3}));
  const std::string pageQuote(240, 'x');
  EXPECT_EQ(stored.sources,
            (std::vector<WrittenDoc::Source>{{1, 102, "q2", "n2", "Rivers", four.url},
                                             {2, std::nullopt, pageQuote, std::nullopt, "Rivers", four.url},
                                             {3, 104, "q4", "n4", "Rivers", four.url}}));

  struct Case {
    const char* name;
    int saved;
    std::vector<std::vector<std::int64_t>> cites;
    std::vector<std::int64_t> sourceItems;  // the item id of each stored source, 0 for the page
  };
  const Case cases[] = {
      {"0 and beyond the list", 4, {{0, 2, 9}}, {101}},
      {"no paragraphs", 4, {}, {}},
      {"no cites", 4, {{}, {}}, {}},
      {"the 30th item sent", 45, {{31}}, {130}},
      {"an item never sent", 45, {{32, 1}}, {0}},
  };
  for (const Case& c : cases) {
    const auto s = pd::fromReply(serviceReply(c.cites), page(c.saved));
    std::vector<std::int64_t> items;
    for (const auto& src : s.sources) items.push_back(src.itemId.value_or(0));
    EXPECT_EQ(items, c.sourceItems) << c.name;
  }
  // A number without a source keeps its new number: the stored numbering skips it.
  const auto skipped = pd::fromReply(serviceReply({{32, 1}}), page(45));
  EXPECT_EQ(skipped.paragraphs[0].cites, (std::vector<std::int64_t>{1, 2}));
  ASSERT_EQ(skipped.sources.size(), 1u);
  EXPECT_EQ(skipped.sources[0].n, 2);
}

TEST(PageDocumentTest, TheRequestSendsThePageThenAtMostThirtySavedItems) {
  const auto sent = pd::items(page(45), "2031-01-01");
  ASSERT_EQ(sent.size(), 31u);
  EXPECT_EQ(sent[0],
            (account::LibraryItem{1, "listened", "", "", page(0).excerpt, "Rivers", "example.org", "2031-01-01"}));
  EXPECT_EQ(sent[2], (account::LibraryItem{3, "saved", "q2", "n2", "", "Rivers", "example.org", "2031-01-01"}));
  EXPECT_EQ(sent.back().n, 31);

  EXPECT_EQ(pd::site(std::nullopt, "TextEdit"), "TextEdit");
  EXPECT_EQ(pd::site("https://caf%C3%A9.example/x", "Firefox"), "caf%C3%A9.example") << "the host as written";
  EXPECT_EQ(pd::site("not an address", "Firefox"), "Firefox");
  EXPECT_EQ(pd::question("", "Rivers"), "this part of Rivers");
  EXPECT_EQ(pd::question("meanders", "Rivers"), "meanders (from Rivers)");
  EXPECT_EQ(pd::storedQuestion("", "Rivers"), "Written while reading Rivers");
  EXPECT_EQ(pd::storedQuestion("meanders", "Rivers"), "meanders");
}
