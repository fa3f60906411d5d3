#include "app/library/library_model.h"

#include <gtest/gtest.h>

#include "app/account/account.h"
#include "app/library/notifications.h"
#include "core/base/dispatch.h"
#include "tests/app/library/library_fakes.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

using namespace orvak;
using ItemKind = ResearchItem::Kind;
using LM = LibraryModel;

namespace {

using test::kDay;
using test::kNow;
using test::kZone;


class LibraryModelTest : public ::testing::Test {
 protected:
  LibraryModelTest() {
    vt.setWallMillis(static_cast<std::int64_t>(kNow * 1000));
    store = std::make_shared<NotesStore>(test::freshDir("library") / "notes.sqlite", std::nullopt);
  }

  StoredItem add(const std::string& quote, double secondsAgo, std::optional<std::string> note = std::nullopt,
                 const std::string& title = "Pricing") {
    ResearchItem i = test::item(kNow - secondsAgo, quote, std::nullopt);
    i.app = "Notes";
    i.windowTitle = title;
    i.note = std::move(note);
    if (i.note) i.kind = ItemKind::note;
    return *store->item(store->insert(i));
  }

  std::int64_t addDoc(const std::string& title, double secondsAgo) {
    return *store->saveDoc(title, "q", {{"text", {}}}, {}, Date{kNow - secondsAgo});
  }

  std::shared_ptr<LM> makeModel() {
    notes = NotesModel::make(store, NotesModel::Services{center, nullptr, nullptr, nullptr, nullptr});
    auto m = LM::make(notes, LM::Services{center, clipboard, chooser, service});
    m->zone = kZone;
    m->show = [this](const std::string& page) { shown.push_back(page); };
    return m;
  }

  static std::vector<std::string> quotes(const std::vector<LM::Cited>& cited) {
    std::vector<std::string> out;
    for (const auto& c : cited) out.push_back(c.item ? c.item->item.quote : "page " + c.page->docKey);
    return out;
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<NotesStore> store;
  std::shared_ptr<NotesModel> notes;
  std::shared_ptr<platform::NotificationCenter> center = std::make_shared<platform::NotificationCenter>();
  std::shared_ptr<test::FakeClipboard> clipboard = std::make_shared<test::FakeClipboard>();
  std::shared_ptr<test::FakeChooser> chooser = std::make_shared<test::FakeChooser>();
  std::shared_ptr<test::HeldService> service = std::make_shared<test::HeldService>();
  std::vector<std::string> shown;
};

TEST_F(LibraryModelTest, FiltersAreBuiltFromTheirExactRawValuesOnly) {
  const struct {
    std::string raw;
    std::optional<LM::Filter> want;
  } cases[] = {{"All", LM::Filter::all},     {"With your words", LM::Filter::words}, {"This week", LM::Filter::week},
               {"all", std::nullopt},        {"words", std::nullopt},                {"This week ", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(LM::filterFromRaw(c.raw), c.want) << c.raw;
}

TEST_F(LibraryModelTest, DayLabelsCountCalendarDaysInTheZone) {
  // Now is Saturday 09:26 in New York; the hours below are New York's.
  const struct {
    double secondsAgo;
    std::string want;
  } cases[] = {
      {9 * 3600, "Today"},                         // 00:26 today
      {9.5 * 3600, "Yesterday"},                   // 23:56 yesterday
      {3 * kDay, "Wednesday"},
      {5 * kDay + 9 * 3600, "Monday"},             // the first hour of Monday
      {6 * kDay - 3600, "Sunday, Mar 8"},          // within 518,400 s, yet six calendar days back
      {6 * kDay, "Sunday, Mar 8"},
      {6 * kDay + 3600, "Sunday, Mar 8"},          // the same day, one heading
      {10 * kDay, "Wednesday, Mar 4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LM::dayLabel(Date{kNow - c.secondsAgo}, Date{kNow}, kZone), c.want) << c.secondsAgo;
  }
}

TEST_F(LibraryModelTest, ShownAndDaysFollowTheFilter) {
  add("today one", 60);
  add("today two", 120, "  \t ");            // blank note: not "your words"
  add("yesterday", kDay, "mine");
  add("line break note", 3 * kDay, "\n");    // only spaces and tabs are trimmed
  add("old", 10 * kDay, "old words");
  const auto model = makeModel();

  const auto labels = [&] {
    std::vector<std::pair<std::string, std::size_t>> out;
    for (const auto& g : model->days()) out.emplace_back(g.label, g.items.size());
    return out;
  };
  using Groups = std::vector<std::pair<std::string, std::size_t>>;
  EXPECT_EQ(labels(), (Groups{{"Today", 2}, {"Yesterday", 1}, {"Wednesday", 1}, {"Wednesday, Mar 4", 1}}));
  model->setFilter(LM::Filter::words);
  EXPECT_EQ(labels(), (Groups{{"Yesterday", 1}, {"Wednesday", 1}, {"Wednesday, Mar 4", 1}}));
  model->setFilter(LM::Filter::week);
  EXPECT_EQ(labels(), (Groups{{"Today", 2}, {"Yesterday", 1}, {"Wednesday", 1}}));
}

TEST_F(LibraryModelTest, TermsOfAQuestion) {
  const struct {
    std::string question;
    std::vector<std::string> want;
  } cases[] = {
      {"What did I save about pricing this week?", {"pricing"}},
      {"What is it? Did I say any of that?", {}},
      {"Über-PRICES, prices in 2026 at ab", {"über", "prices", "prices", "2026"}},
      {"naïve café's résumé", {"naïve", "café", "résumé"}},
  };
  for (const auto& c : cases) EXPECT_EQ(LM::terms(c.question), c.want) << c.question;
}

TEST_F(LibraryModelTest, ContextPicksSearchHitsAndNewestItemsOnceEach) {
  // The same words in other case and spacing: whichever came first stays. Only the older one's
  // page title holds the term, so the search adds it before the newest items would add the other.
  add("The plan", 5 * kDay, std::nullopt, "Pricing");
  add(" the PLAN ", 30, std::nullopt, "Other");
  add("newest", 60);
  add("newest", 120, "with a note");  // a different text
  const auto model = makeModel();
  EXPECT_EQ(quotes(model->context("what about pricing?", std::nullopt)),
            (std::vector<std::string>{"newest", "newest", "The plan"}));
  // Stop words only: no search, the newest items.
  EXPECT_EQ(quotes(model->context("what did I say?", std::nullopt)),
            (std::vector<std::string>{" the PLAN ", "newest", "newest"}));

  // Four terms with 25 hits each and the 50 newest: the 80 newest of them are sent.
  const std::string words[] = {"alpha", "beta", "gamma", "delta"};
  for (int i = 0; i < 100; ++i) add(words[i % 4] + " " + std::to_string(i), 7200 + i);
  model->reload();
  const auto many = model->context("alpha beta gamma delta", std::nullopt);
  ASSERT_EQ(many.size(), 80u);
  for (std::size_t i = 1; i < many.size(); ++i) {
    EXPECT_EQ(many[i].n, static_cast<std::int64_t>(i) + 1);
    EXPECT_GE(many[i - 1].item->item.ts, many[i].item->item.ts);
  }
}

TEST_F(LibraryModelTest, PagesComeAfterTheItemsWithTheFocusFirstAndOnce) {
  add("a saved quote", 60);
  // The six newest pages say nothing of pricing; the six older ones do.
  for (int i = 0; i < 12; ++i) {
    store->savePageText("page" + std::to_string(i), "Page " + std::to_string(i), "Firefox", std::nullopt,
                        (i < 6 ? "Text about weather number " : "Text about pricing number ") + std::to_string(i),
                        Date{kNow - 100 - i});
  }
  const auto model = makeModel();
  const auto cited = model->context("pricing", std::string("page11"));
  ASSERT_EQ(cited.size(), 11u);  // one item, ten pages
  EXPECT_TRUE(cited[0].item);
  EXPECT_EQ(cited[1].n, 2);
  ASSERT_TRUE(cited[1].page);
  EXPECT_EQ(cited[1].page->docKey, "page11");
  int focusCount = 0;
  for (std::size_t i = 1; i < cited.size(); ++i) {
    ASSERT_TRUE(cited[i].page);
    EXPECT_EQ(cited[i].n, static_cast<std::int64_t>(i) + 1);
    focusCount += cited[i].page->docKey == "page11";
  }
  EXPECT_EQ(focusCount, 1);

  const auto sent = model->payload(cited);
  EXPECT_EQ(sent[0].kind, "saved");
  EXPECT_EQ(sent[0].when, "2026-03-14 (Saturday)");
  EXPECT_EQ(sent[1].kind, "listened");
  EXPECT_EQ(sent[1].quote, "");
  EXPECT_EQ(sent[1].source, "Firefox");
}

TEST_F(LibraryModelTest, OnlyTheNewestQuestionsReplyIsShown) {
  for (int i = 1; i <= 3; ++i) add("item " + std::to_string(i), i * 60);
  const auto model = makeModel();
  model->askLibrary(" \n\t", std::nullopt);
  EXPECT_TRUE(service->asks.empty());
  EXPECT_EQ(model->ask(), LM::AskState(LM::Idle{}));

  model->askLibrary("  first question  ", std::nullopt);
  model->askLibrary("second question", std::nullopt);
  ASSERT_EQ(service->asks.size(), 2u);
  EXPECT_EQ(service->asks[0].first.question, "first question");
  EXPECT_EQ(service->asks[0].first.today, "2026-03-14 (Saturday)");
  EXPECT_EQ(model->ask(), LM::AskState(LM::Asking{"second question"}));

  service->asks[1].second(account::LibraryAnswer{"It rose [3][3].", {3, 3, 9}, std::nullopt});
  service->asks[0].second(account::LibraryAnswer{"older answer", {1}, std::nullopt});
  const auto* answer = std::get_if<LM::Answer>(&model->ask());
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->question, "second question");
  EXPECT_EQ(answer->text, "It rose [3][3].");
  EXPECT_EQ(quotes(answer->cited), (std::vector<std::string>{"item 3", "item 3"}));
  EXPECT_EQ(answer->sent.size(), 3u);

  const account::Failure failures[] = {account::Fail::server(503, "down"), account::Fail::signedOut(),
                                       account::PlatformFail{account::PlatformFail::Kind::timedOut, "slow"}};
  for (const auto& f : failures) {
    model->askLibrary("third", std::nullopt);
    service->asks.back().second(f);
    EXPECT_EQ(model->ask(), LM::AskState(LM::Failed{"third", Account::explain(f)}));
  }
}

class LibraryDocumentTest : public LibraryModelTest {
 protected:
  // Asks, and answers citing the first two sources.
  std::shared_ptr<LM> answered() {
    add("first", 60);
    add("second", 120);
    auto model = makeModel();
    model->askLibrary("q", std::nullopt);
    service->asks.back().second(account::LibraryAnswer{"answer", {1, 2}, std::nullopt});
    notes->setQuery("q");
    model->addObserver([this](LM::Member m) { changes.push_back(m); });
    return model;
  }
  std::vector<LM::Member> changes;
};

TEST_F(LibraryDocumentTest, AWrittenDocumentIsSavedRenumberedAndOpened) {
  const auto model = answered();
  model->makeDocument();
  model->makeDocument();  // a second press while writing sends nothing
  ASSERT_EQ(service->documents.size(), 1u);
  EXPECT_TRUE(model->writing());
  EXPECT_EQ(service->documents[0].first.items.size(), 2u);

  // Cites [2], [1, 2], [7]: 7 has no source.
  service->documents[0].second(account::LibraryDoc{"Title", {{"a [2]", {2}}, {"b", {1, 2}}, {"c", {7}}}});
  vt.drain();
  ASSERT_EQ(model->docs().size(), 1u);
  const WrittenDoc& doc = model->docs()[0];
  EXPECT_EQ(doc.paragraphs[0].cites, std::vector<std::int64_t>{1});
  EXPECT_EQ(doc.paragraphs[1].cites, (std::vector<std::int64_t>{2, 1}));
  EXPECT_TRUE(doc.paragraphs[2].cites.empty());
  ASSERT_EQ(doc.sources.size(), 2u);
  EXPECT_EQ(doc.sources[0].quote, "second");
  EXPECT_EQ(doc.sources[1].quote, "first");
  EXPECT_EQ(model->openDoc(), doc.id);
  EXPECT_EQ(model->ask(), LM::AskState(LM::Idle{}));
  EXPECT_EQ(notes->query(), "");
  EXPECT_EQ(shown, std::vector<std::string>{"documents"});
  EXPECT_FALSE(model->writing());
  EXPECT_EQ(changes.back(), LM::Member::writing) << "writing ends last";
}

TEST_F(LibraryDocumentTest, EveryEndOfARequestEndsWriting) {
  const auto model = answered();
  const auto answer = model->ask();
  test::LogTail log;

  // The request fails: the question fails with the sentence for it.
  model->makeDocument();
  service->documents.back().second(account::Fail::server(429, "busy"));
  vt.drain();
  EXPECT_EQ(model->ask(), LM::AskState(LM::Failed{"q", Account::explain(account::Fail::server(429, "busy"))}));
  EXPECT_FALSE(model->writing());

  // The store cannot save it: the answer and the bar stay, and the user is told.
  model->setAsk(answer);
  store->exec("DROP TABLE written_docs");
  model->makeDocument();
  service->documents.back().second(account::LibraryDoc{"T", {{"p", {1}}}});
  vt.drain();
  EXPECT_EQ(model->ask(), answer);
  EXPECT_EQ(notes->query(), "q");
  EXPECT_EQ(notes->toast()->text, "Couldn't save the document.");
  EXPECT_EQ(log.count("library: saving the document failed"), 1);
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(model->writing());

  // The service drops the request unanswered.
  model->makeDocument();
  EXPECT_TRUE(model->writing());
  service->documents.clear();
  vt.drain();
  EXPECT_FALSE(model->writing());
}

TEST_F(LibraryDocumentTest, ADocumentFinishingAfterANewQuestionLeavesThatQuestionAlone) {
  const auto model = answered();
  model->makeDocument();
  model->askLibrary("a new question", std::nullopt);
  service->documents.back().second(account::LibraryDoc{"Late", {{"p", {1}}}});
  vt.drain();
  ASSERT_EQ(model->docs().size(), 1u);
  EXPECT_EQ(model->docs()[0].title, "Late");
  EXPECT_EQ(model->ask(), LM::AskState(LM::Asking{"a new question"}));
  EXPECT_EQ(notes->query(), "q");
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(model->writing());
}

TEST_F(LibraryModelTest, ReloadKeepsTheOpenDocumentOrOpensTheNewest) {
  const auto older = addDoc("older", 200);
  const auto newer = addDoc("newer", 100);
  const auto model = makeModel();
  EXPECT_EQ(model->openDoc(), newer);
  model->setOpenDoc(older);
  center->post(std::string(notifications::orvakNotesChanged));
  vt.drain();
  EXPECT_EQ(model->openDoc(), older);
  store->deleteDoc(older);
  model->reload();
  EXPECT_EQ(model->openDoc(), newer);
  store->deleteDoc(newer);
  model->reload();
  EXPECT_EQ(model->openDoc(), std::nullopt);
}

TEST_F(LibraryModelTest, DocumentsAsMarkdownAndPlainText) {
  WrittenDoc doc;
  doc.title = "A/B";
  doc.paragraphs = {{"Prices rose [4].", {1, 3}}, {"No cites.", {}}};
  doc.sources = {{1, 7, "q1", "a note", "Page one", "https://e.org/1"}, {3, std::nullopt, "q3", std::nullopt, "Page three", std::nullopt}};
  EXPECT_EQ(LM::markdown(doc),
            "# A/B\n\nPrices rose.[1][3]\n\nNo cites.\n\n## Sources\n\n"
            "1. \u201Cq1\u201D \u2014 Page one (https://e.org/1)\n3. \u201Cq3\u201D \u2014 Page three");
  WrittenDoc bare = doc;
  bare.sources.clear();
  bare.paragraphs = {{"Only text", {}}};
  EXPECT_EQ(LM::markdown(bare), "# A/B\n\nOnly text\n\n## Sources\n\n");

  const auto model = makeModel();
  model->copy(doc);
  EXPECT_EQ(clipboard->text_, "A/B\n\nPrices rose.\n\nNo cites.\n\nSources:\n"
                              "[1] \u201Cq1\u201D \u2014 Page one, https://e.org/1\n[3] \u201Cq3\u201D \u2014 Page three");
  model->copy(bare);
  EXPECT_EQ(clipboard->text_, "A/B\n\nOnly text");

  const auto dir = test::freshDir("docexport");
  chooser->answer = dir / "doc.md";
  model->exportMarkdown(doc);
  vt.drain();
  EXPECT_EQ(chooser->requests.back().suggestedName, "A-B.md");
  EXPECT_EQ(test::readFile(dir / "doc.md"), LM::markdown(doc));

  test::LogTail log;
  test::writeFile(dir / "plain", "x");
  chooser->answer = dir / "plain" / "doc.md";
  model->exportMarkdown(doc);
  vt.drain();
  EXPECT_EQ(log.count("library: export failed: "), 1);
  EXPECT_EQ(notes->toast()->text, "Couldn't export the document.");
}

}  // namespace
