#include "app/library/panes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/library/notes_text.h"
#include "app/prefs.h"
#include "core/base/dispatch.h"
#include "tests/app/library/library_fakes.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

using namespace orvak;
using LM = LibraryModel;
using ItemKind = ResearchItem::Kind;

namespace {

using test::kDay;
using test::kNow;
using test::kZone;

StoredItem stored(std::optional<std::string> url, std::string app, std::optional<std::string> note = std::nullopt) {
  StoredItem s;
  s.id = 7;
  s.item = test::item(kNow, "a quote", std::move(url));
  s.item.app = std::move(app);
  s.item.note = std::move(note);
  s.docKey = "k";
  return s;
}

ListenedItem listened(bool finished, std::string stoppedAt, double progress = 0.379) {
  ListenedItem l;
  l.id = 3;
  l.app = "Firefox";
  l.title = "Pricing notes";
  l.url = "https://www.example.com/pricing";
  l.docKey = "dk";
  l.seconds = 200;
  l.progress = progress;
  l.stoppedAt = std::move(stoppedAt);
  l.finished = finished;
  return l;
}

// Answers the clearing question as told and remembers what it was asked.
struct ScriptedConfirmer final : panes::Confirmer {
  bool confirm(const panes::Confirmation& q) override {
    asked.push_back(q.message);
    return answer;
  }
  bool answer = false;
  std::vector<std::string> asked;
};

// The panes over a real store and models, with recording stand-ins for the desktop.
class PanesTest : public ::testing::Test {
 protected:
  PanesTest() {
    vt.setWallMillis(static_cast<std::int64_t>(kNow * 1000));
    store = std::make_shared<NotesStore>(test::freshDir("panes") / "notes.sqlite", std::nullopt);
    workspace->running = {test::runningApp("Firefox", 42)};
  }

  void makeModels() {
    auto opener = std::make_shared<SourceOpener>(
        workspace, [](const std::vector<std::string>&) { return std::optional<platform::ProcessResult>(); },
        std::vector<std::filesystem::path>{});
    notes = NotesModel::make(store, NotesModel::Services{center, clipboard, nullptr, nullptr, opener});
    notes->read = [this](const std::string& t) { reads.push_back(t); };
    lib = LM::make(notes, LM::Services{center, clipboard, nullptr, nullptr});
    lib->zone = kZone;
  }

  std::int64_t addItem(const std::string& quote, std::optional<std::string> note = std::nullopt) {
    ResearchItem i = test::item(kNow - 60, quote);
    i.note = std::move(note);
    if (i.note) i.kind = ItemKind::note;
    return store->insert(i);
  }

  void addListen(const std::string& title, std::optional<std::string> text) {
    store->recordListen("Firefox", title, "https://example.com/" + title, 120, 0.5, "", false, text, Date{kNow - 60});
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<NotesStore> store;
  std::shared_ptr<platform::NotificationCenter> center = std::make_shared<platform::NotificationCenter>();
  std::shared_ptr<test::FakeClipboard> clipboard = std::make_shared<test::FakeClipboard>();
  std::shared_ptr<test::FakeWorkspace> workspace = std::make_shared<test::FakeWorkspace>();
  std::shared_ptr<NotesModel> notes;
  std::shared_ptr<LM> lib;
  std::vector<std::string> reads;
};

TEST(PanesText, SummaryCountsTheWholeStreamAndBlankNotes) {
  EXPECT_EQ(panes::summary({}), "");
  std::vector<StoredItem> stream(12, stored("https://a.org", "Firefox"));
  stream[0].item.note = "mine";
  stream[1].item.note = "   ";  // spaces are words to the summary, not to the filter
  stream[2].item.note = "x";
  stream[3].item.note = "";  // an empty note is no note
  EXPECT_EQ(panes::summary(stream), "12 saved \u00B7 3 with your words");
}

TEST(PanesText, OpenButtonsAndTheCardMenuFollowOneRule) {
  const struct {
    std::optional<std::string> url;
    std::string app;
    std::optional<std::string> item, page;
  } cases[] = {
      {"https://a.org/x", "Firefox", "Open at quote", "Open page"},
      {std::nullopt, "Notes", "Open Notes", "Open Notes"},
      {std::nullopt, "", std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(panes::openTitle(panes::OpenKind::savedItem, c.url, c.app), c.item) << c.app;
    EXPECT_EQ(panes::openTitle(panes::OpenKind::page, c.url, c.app), c.page) << c.app;
    const auto menu = panes::cardMenu(stored(c.url, c.app));
    std::vector<std::string> labels;
    for (const auto& e : menu) labels.push_back(e.label);
    std::vector<std::string> want{"Add Note", "Copy"};
    if (c.item) want.push_back("Open at Quote");
    for (const char* rest : {"Show Page", "", "Delete"}) want.push_back(rest);
    EXPECT_EQ(labels, want) << c.app;
  }
  // A history row opens by the same test, with its own words.
  EXPECT_EQ(panes::rowOpenTitle(listened(true, "")), "Open again");
  EXPECT_EQ(panes::rowOpenTitle(listened(false, "")), "Resume");
  auto nowhere = listened(false, "");
  nowhere.url.reset();
  nowhere.app.clear();
  EXPECT_EQ(panes::rowOpenTitle(nowhere), std::nullopt);
}

TEST(PanesText, NoteLabelsTreatAnEmptyNoteAsNone) {
  const struct {
    std::optional<std::string> note;
    std::string button, menu;
  } cases[] = {
      {std::nullopt, "Add note", "Add Note"}, {"", "Add note", "Add Note"}, {"mine", "Edit note", "Edit Note"}};
  for (const auto& c : cases) {
    const auto s = stored(std::nullopt, "Notes", c.note);
    EXPECT_EQ(panes::noteButton(s), c.button);
    EXPECT_EQ(panes::cardMenu(s).front().label, c.menu);
  }
}

TEST(PanesText, SourceLineTimeIsTheTimeOfDayOrTheRelativeDate) {
  auto s = stored("https://www.example.com/a", "Firefox");
  EXPECT_EQ(panes::sourceLine(s, true, kZone), "\u00B7 example.com \u00B7 " + dates::timeOnly(s.item.ts, kZone));
  EXPECT_EQ(panes::sourceLine(s, false, kZone),
            "\u00B7 example.com \u00B7 " + dates::relativeDateTime(s.item.ts, kZone));
  EXPECT_NE(panes::timeText(s.item.ts, true, kZone), panes::timeText(s.item.ts, false, kZone));
  // Without an address or an application the source and its separator are left out.
  const auto bare = stored(std::nullopt, "");
  EXPECT_EQ(panes::sourceLine(bare, true, kZone), "\u00B7 " + dates::timeOnly(bare.item.ts, kZone));
  PageHit heard{"key", "", "", std::nullopt, s.item.ts, ""};
  EXPECT_EQ(panes::heardSourceLine(heard, s.item.ts, kZone), "\u00B7 " + LibraryModel::dayLabel(s.item.ts, s.item.ts, kZone));
  heard.app = "Firefox";
  EXPECT_EQ(panes::heardSourceLine(heard, s.item.ts, kZone),
            "\u00B7 Firefox \u00B7 " + LibraryModel::dayLabel(s.item.ts, s.item.ts, kZone));
  DocumentSummary page{"key", "", "", std::nullopt, 0, 0, 0, s.item.ts};
  const std::string ago = NotesText::ago(s.item.ts, s.item.ts, kZone);
  EXPECT_EQ(panes::pageCardLine(page, s.item.ts, kZone), ago) << "neither a source nor counts";
  page.notes = 2;
  EXPECT_EQ(panes::pageCardLine(page, s.item.ts, kZone), "2 notes \u00B7 " + ago);
  EXPECT_EQ(panes::dayHeading("Saturday, Mar 14"), "SATURDAY, MAR 14");
}

TEST(PanesText, CountLine) {
  const struct {
    std::size_t n;
    std::string want;
  } cases[] = {{0, "No saved words match \u201Cprice\u201D."},
               {1, "1 saved item matches"},
               {2, "2 saved items match"},
               {300, "300 saved items match"}};
  for (const auto& c : cases) EXPECT_EQ(panes::countLine(c.n, "price"), c.want);
}

TEST(PanesText, MarkedTurnsEachCitationRunIntoOneMark) {
  using S = panes::Segment;
  const struct {
    std::string text;
    std::vector<S> want;
  } cases[] = {
      {"price rose [2] [3][2].",
       {{"price rose", false},
        {"\u2009"
         "2, 3",
         true},
        {".", false}}},
      {"a [1] b [1]",
       {{"a", false},
        {"\u2009"
         "1",
         true},
        {" b", false},
        {"\u2009"
         "1",
         true}}},
      {"[1] [1][3]",
       {{"\u2009"
         "1, 3",
         true}}},
      {"in [1234] and [1a] and [12]x",
       {{"in [1234] and [1a] and", false},
        {"\u2009"
         "12",
         true},
        {"x", false}}},
      {"no citations here", {{"no citations here", false}}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(panes::marked(c.text), c.want) << c.text;
  EXPECT_EQ(panes::markedPlain("rose [2] [3][2]. Then [1]"), "rose^(2, 3). Then^(1)");
}

TEST(PanesText, DocumentParagraphsShowTheirCitesOnceAtTheEnd) {
  const struct {
    WrittenDoc::Para para;
    std::string text;
    std::string mark;  // "" for none
  } cases[] = {
      {{"Alpha [2] beta [1].", {2, 1}},
       "Alpha beta.",
       "\u2009"
       "2, 1"},
      {{"Alpha [2] beta [1].", {}}, "Alpha beta.", ""},
      {{"One.", {1, 3}},
       "One.",
       "\u2009"
       "1, 3"},
  };
  for (const auto& c : cases) {
    const auto segs = panes::paragraphSegments(c.para);
    ASSERT_FALSE(segs.empty());
    EXPECT_EQ(segs[0], (panes::Segment{c.text, false}));
    if (c.mark.empty()) {
      EXPECT_EQ(segs.size(), 1u);
    } else {
      ASSERT_EQ(segs.size(), 2u);
      EXPECT_EQ(segs[1], (panes::Segment{c.mark, true}));
    }
  }
}

TEST(PanesText, DocumentHeaderAndListLine) {
  WrittenDoc doc;
  doc.created = Date{kNow - 60};
  doc.question = std::string(59, 'q') + "\u00E9";  // 60 characters, the last one two bytes
  EXPECT_EQ(panes::kicker(doc), "FROM YOUR QUESTION \u00B7 \u201C" + doc.question + "\u201D");
  doc.question += "z";
  EXPECT_EQ(panes::kicker(doc), "FROM YOUR QUESTION \u00B7 \u201C" + std::string(59, 'q') + "\u00E9\u201D");
  doc.question.clear();
  EXPECT_EQ(panes::kicker(doc), "DOCUMENT");
  EXPECT_EQ(panes::docRowLine(doc, Date{kNow}, kZone), "Today \u00B7 0 sources");
  doc.sources = {{1, std::nullopt, "q", std::nullopt, "T", std::nullopt}};
  EXPECT_EQ(panes::docRowLine(doc, Date{kNow}, kZone), "Today \u00B7 1 source");
  EXPECT_FALSE(panes::sourceEnabled(doc.sources[0]));
  EXPECT_EQ(panes::sourceLabel(doc.sources[0]), "\u201Cq\u201D \u2014 T");
}

TEST(PanesText, MinutesAndPercentSurviveAnyNumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double seconds;
    std::string want;
  } minutes[] = {{59, "under a minute"}, {59.9, "under a minute"}, {60, "1 min"},           {89, "1 min"},
                 {90, "2 min"},          {150, "3 min"},           {nan, "under a minute"}, {-inf, "under a minute"},
                 {-5, "under a minute"}, {inf, "under a minute"}};
  for (const auto& c : minutes) EXPECT_EQ(panes::minutes(c.seconds), c.want) << c.seconds;
  EXPECT_EQ(panes::minutes(1e300), "1000000000000 min") << "huge values are bounded, never undefined";

  const struct {
    double progress;
    int percent;
    double width;
  } progress[] = {{0.379, 37, 75.8}, {0, 0, 5}, {1, 100, 200}, {nan, 0, 5}, {7, 100, 200}, {-1, 0, 5}, {inf, 0, 5}};
  for (const auto& c : progress) {
    EXPECT_EQ(panes::wholePercent(c.progress), c.percent) << c.progress;
    EXPECT_DOUBLE_EQ(panes::progressWidth(c.progress), c.width) << c.progress;
  }
}

TEST(PanesText, StopLine) {
  const std::string sixty = std::string(59, 'a') + "\U0001F600";  // the cut falls after the emoji
  const struct {
    ListenedItem item;
    std::string line, spoken;
  } cases[] = {
      {listened(true, "somewhere"), "Finished", "Finished"},
      {listened(false, sixty), "Stopped at \u201C" + sixty + "\u201D", "37 percent"},
      {listened(false, sixty + "b"), "Stopped at \u201C" + sixty + "\u2026\u201D", "37 percent"},
      {listened(false, ""), "37%", "37 percent"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(panes::stopLine(c.item), c.line);
    EXPECT_EQ(panes::progressAccessibleName(c.item), c.spoken);
  }
}

TEST(PanesText, HeadingsBannerAndPaneChoice) {
  EXPECT_EQ(panes::listenedSub(0), "");
  EXPECT_EQ(panes::listenedSub(1), "1 page");
  EXPECT_EQ(panes::listenedSub(2), "2 pages");
  ExpiringPages one{{"a"}, Date{kNow}, Date{kNow}};
  EXPECT_EQ(panes::bannerText(one, kZone),
            "1 page you listened to will be cleared on March 14. Nothing was saved from them.");
  ExpiringPages three{{"a", "b", "c"}, Date{kNow}, Date{kNow}};
  EXPECT_EQ(panes::bannerText(three, kZone),
            "3 pages you listened to will be cleared on March 14. Nothing was saved from them.");

  using P = panes::Pane;
  using MP = MainModel::Page;
  const struct {
    LM::AskState ask;
    std::string query;
    MP page;
    P want;
  } cases[] = {
      {LM::Failed{"q", "m"}, "typed", MP::documents, P::ask},
      {LM::Asking{"q"}, "", MP::library, P::ask},
      {LM::Idle{}, "typed", MP::documents, P::search},
      {LM::Idle{}, " \t ", MP::listened, P::listened},
      {LM::Idle{}, "", MP::pages, P::pages},
      {LM::Idle{}, "", MP::documents, P::documents},
      {LM::Idle{}, "", MP::library, P::highlights},
  };
  for (const auto& c : cases) EXPECT_EQ(panes::paneFor(c.ask, c.query, c.page), c.want) << c.query;
  EXPECT_TRUE(panes::showsBarButtons("  "));
  EXPECT_EQ(panes::barHint(panes::keyName(61)), "or hold Right Alt and say it");
}

TEST_F(PanesTest, ReadTextsCarryNoCitationMarks) {
  makeModels();
  panes::hearIt(*notes, "Prices rose [1] [2]. Then [3] fell.");
  WrittenDoc doc;
  doc.paragraphs = {{"Alpha [2] beta.", {2}}, {"Gamma [1].", {1}}};
  panes::listenToDocument(*lib, doc);
  EXPECT_EQ(reads, (std::vector<std::string>{"Prices rose. Then fell.", "Alpha beta.\n\nGamma."}));
  notes->read = nullptr;
  panes::hearIt(*notes, "x [1]");
  panes::listenToDocument(*lib, doc);
  EXPECT_EQ(reads.size(), 2u) << "nothing is read without a reader";
}

TEST_F(PanesTest, OpeningAHistoryRowToastsOnlyWhatOpened) {
  makeModels();
  const struct {
    ListenedItem item;
    bool opens;
    std::optional<std::string> address;  // what the workspace was asked to open
    std::optional<std::string> toast;
  } cases[] = {
      {listened(true, "where I was"), true, "https://www.example.com/pricing",
       "Opened. Double-tap Right Shift to read it"},
      {listened(false, "where I was"), true, "https://www.example.com/pricing#:~:text=where",
       "Opened at your place. Double-tap Right Shift to carry on"},
      {listened(false, ""), true, "https://www.example.com/pricing",
       "Opened at your place. Double-tap Right Shift to carry on"},
      {listened(false, "x"), false, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    workspace->opened.clear();
    notes->setQuery("reset");  // a toast is shown anew each time
    vt.advance(10);
    ASSERT_FALSE(notes->toast());
    auto item = c.item;
    if (!c.opens) {  // nothing to open: an address we refuse and an application that is not there
      item.url = "javascript:alert(1)";
      item.app = "Nowhere";
    }
    EXPECT_EQ(panes::openRow(*lib, item, panes::keyName(60)), c.opens);
    if (c.address) {
      ASSERT_EQ(workspace->opened.size(), 1u);
      EXPECT_EQ(workspace->opened[0].substr(0, c.address->size()), *c.address);
    }
    EXPECT_EQ(notes->toast() ? std::optional(notes->toast()->text) : std::nullopt, c.toast);
  }
}

TEST_F(PanesTest, BannerButtonsKeepOrHideThePages) {
  Prefs prefs(std::make_shared<platform::Defaults>(test::freshDir("prefs") / "defaults.json"));
  for (const std::string button : {"Keep them", "Keep everything", "Let them go"}) {
    store = std::make_shared<NotesStore>(test::freshDir("banner") / "notes.sqlite", std::nullopt);
    prefs.setHistoryKeepDays(90);
    store->recordListen("Firefox", "Old", "https://example.com/old", 120, 0.5, "", false, "old text",
                        Date{kNow - 100 * kDay});
    store->markWarned({store->listened(1).front().docKey}, Date{kNow - 10 * kDay});
    makeModels();
    lib->keepDays = [&] { return prefs.historyKeepDays(); };
    lib->reload();
    ASSERT_TRUE(panes::showsBanner(*lib)) << button;
    if (button == "Keep them") panes::keepThem(*lib);
    if (button == "Keep everything") panes::keepEverything(*lib, prefs);
    if (button == "Let them go") panes::letThemGo(*lib);
    EXPECT_FALSE(panes::showsBanner(*lib)) << button;
    // Only "Let them go" leaves the pages due for clearing.
    EXPECT_EQ(store->pendingClear(90, LM::kWarnDays).has_value(), button == "Let them go") << button;
    EXPECT_EQ(prefs.historyKeepDays(), button == "Keep everything" ? 0 : 90) << button;
  }
  const auto& choices = panes::keepChoices();
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[2], (panes::KeepChoice{"Forever", 0}));
}

TEST_F(PanesTest, HistoryRowsAskRemoveAndClearWithConsent) {
  addListen("kept", "the page text");
  addListen("gone", std::nullopt);
  makeModels();
  ASSERT_EQ(lib->listened().size(), 2u);
  const auto kept = lib->listened()[0].title == "kept" ? lib->listened()[0] : lib->listened()[1];
  const auto gone = lib->listened()[0].title == "gone" ? lib->listened()[0] : lib->listened()[1];
  EXPECT_TRUE(panes::showsAskAboutIt(*store, kept));
  EXPECT_FALSE(panes::showsAskAboutIt(*store, gone));
  EXPECT_EQ(panes::askQuestion(kept), "What was \u201Ckept\u201D about, and how does it connect to what I've saved?");

  panes::removeFromHistory(*lib, gone);
  ASSERT_EQ(lib->listened().size(), 1u);
  EXPECT_EQ(lib->listened()[0].title, "kept");

  ScriptedConfirmer confirmer;
  panes::confirmClear(*lib, confirmer);
  EXPECT_EQ(lib->listened().size(), 1u) << "cancelled: nothing cleared";
  confirmer.answer = true;
  panes::confirmClear(*lib, confirmer);
  EXPECT_TRUE(lib->listened().empty());
  EXPECT_EQ(confirmer.asked,
            (std::vector<std::string>{"Clear your listening history?", "Clear your listening history?"}));
  EXPECT_NE(panes::clearHistoryQuestion().informative.find("from this computer"), std::string::npos);
}

TEST_F(PanesTest, DeletingTheOpenDocumentOpensTheNextOrNone) {
  const auto older = *store->saveDoc("Older", "", {{"a", {}}}, {}, Date{kNow - kDay});
  const auto newer = *store->saveDoc("Newer", "q", {{"b", {}}}, {}, Date{kNow - 60});
  makeModels();
  lib->setOpenDoc(newer);
  panes::deleteDocument(*lib, *panes::openDocument(*lib));
  ASSERT_TRUE(panes::openDocument(*lib));
  EXPECT_EQ(panes::openDocument(*lib)->id, older);
  panes::deleteDocument(*lib, *panes::openDocument(*lib));
  EXPECT_FALSE(panes::openDocument(*lib));
  EXPECT_TRUE(lib->docs().empty());
}

TEST_F(PanesTest, BarAndFollowUpMoveTheQuestionState) {
  makeModels();
  notes->setQuery("  ");
  panes::submit(*lib);
  EXPECT_TRUE(std::holds_alternative<LM::Idle>(lib->ask())) << "a blank question is not asked";

  lib->setAsk(LM::Failed{"q", "m"});
  lib->setOpenPage(true);
  panes::pageChanged(*lib);
  EXPECT_TRUE(std::holds_alternative<LM::Idle>(lib->ask()));
  EXPECT_FALSE(lib->openPage());
  lib->setAsk(LM::Answer{"q", "t", {}, {}});
  panes::pageChanged(*lib);
  EXPECT_TRUE(std::holds_alternative<LM::Answer>(lib->ask())) << "an answer survives a change of page";

  notes->setQuery("pricing");
  panes::focusAsk(*lib);
  EXPECT_TRUE(std::holds_alternative<LM::Idle>(lib->ask()));
  EXPECT_EQ(notes->query(), "pricing");

  lib->setAsk(LM::Answer{"q", "t", {}, {}});
  std::string queryWhenFocused = "unset";
  panes::followUp(*lib, [&] { queryWhenFocused = notes->query(); });
  EXPECT_EQ(queryWhenFocused, "") << "the bar is empty before it takes focus";
  EXPECT_TRUE(std::holds_alternative<LM::Idle>(lib->ask()));
}

TEST_F(PanesTest, PageCardSelectsThenOpensAndListenOnlySelects) {
  addItem("first");
  ResearchItem other = test::item(kNow - 30, "second", "https://other.org/p");
  other.windowTitle = "Other page";
  store->insert(other);
  makeModels();
  ASSERT_EQ(notes->docs().size(), 2u);
  const auto target = notes->docs()[1];
  panes::listenToPage(*notes, target);
  EXPECT_EQ(notes->selected(), target.key);
  EXPECT_FALSE(panes::detailPage(*lib));
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_NE(reads[0].find(target.title), std::string::npos);
  panes::openPageDetail(*lib, target);
  ASSERT_TRUE(panes::detailPage(*lib));
  EXPECT_EQ(panes::detailPage(*lib)->key, target.key);
  EXPECT_NE(panes::pageCardLine(target, Date{kNow}, kZone).find(" \u00B7 1 highlight \u00B7 "), std::string::npos);
}

}  // namespace
