// The saved and heard cards and the Highlights page, offscreen, over the real models and the sample
// library.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QtTest/QTest>
#include <algorithm>
#include <functional>

#include "app/views/library/highlights_stream.h"
#include "app/views/library/library_shots.h"

using namespace orvak;
using namespace orvak::views::library;

namespace {

// The card of one item inside a shown stream.
SavedCard* cardOf(HighlightsStream& stream, std::int64_t id) {
  for (auto* c : stream.cards()) {
    if (c->item().id == id) return c;
  }
  return nullptr;
}

// `count` passages from the library's now back, `spacing` seconds apart; every `noteEvery`th one
// (counting from the first) carries a note, none when 0.
void insertPassages(SampleLibrary& lib, int count, double spacing, int noteEvery = 0) {
  for (int i = 0; i < count; ++i) {
    ResearchItem item;
    item.ts = Date{SampleLibrary::kNow - spacing * i};
    item.quote = "Passage " + std::to_string(i);
    if (noteEvery > 0 && i % noteEvery == 0) item.note = "Note " + std::to_string(i);
    item.app = "Firefox";
    item.url = "https://example.org/" + std::to_string(i);
    lib.store->insert(item);
  }
  lib.ctx.lib->reload();
}

// A long stream's window: shorter than its rows.
void showStream(HighlightsStream& stream) {
  stream.resize(1000, 700);
  stream.show();
  QApplication::processEvents();
}

QStringList menuLabels(QMenu* menu) {
  QStringList out;
  for (auto* a : menu->actions()) out << (a->isSeparator() ? "-" : a->text());
  return out;
}

class CardsTest : public ::testing::Test {
 protected:
  void show(QWidget& w) {
    w.resize(1000, 900);
    w.show();
    QApplication::processEvents();
  }
  SampleLibrary lib;
};

TEST_F(CardsTest, AddingANoteInPlaceStoresItAndTheHighlightBecomesANote) {
  HighlightsStream stream(lib.ctx);
  show(stream);
  const auto item = lib.item("A reader remembers");
  SavedCard* card = cardOf(stream, item.id);
  ASSERT_NE(card, nullptr);
  EXPECT_TRUE(card->hasBand());
  EXPECT_EQ(card->yourWords()->isVisible(), false);

  card->startEdit();
  ASSERT_NE(card->editor(), nullptr);
  EXPECT_TRUE(card->editor()->isVisible());
  EXPECT_EQ(stream.window()->focusWidget(), card->editor()) << "the editor takes the focus";
  EXPECT_EQ(card->editor()->toPlainText(), "") << "no note yet: an empty draft";
  QTest::keyClicks(card->editor(), "Worth a second read");
  QTest::keyClick(card->editor(), Qt::Key_Return);

  EXPECT_EQ(lib.ctx.notes->editing(), std::nullopt);
  const auto stored = lib.store->item(item.id);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->item.note, "Worth a second read");
  card = cardOf(stream, item.id);
  ASSERT_NE(card, nullptr);
  EXPECT_FALSE(card->hasBand()) << "a highlight with a note is a note: no band";
  EXPECT_TRUE(card->yourWords()->isVisible());
  EXPECT_EQ(card->yourWords()->accessibleName(), "You said: Worth a second read");
  EXPECT_EQ(stream.head()->sub(), "7 saved \u00B7 3 with your words") << "the stream follows the notes model's save";
}

TEST_F(CardsTest, ANoteOfSpacesIsStoredEmptyAndEscapeKeepsTheStoredNote) {
  HighlightsStream stream(lib.ctx);
  show(stream);
  const auto noted = lib.item("Most teams");
  SavedCard* card = cardOf(stream, noted.id);
  ASSERT_NE(card, nullptr);

  // Escape: the stored note stays whatever was typed.
  card->startEdit();
  EXPECT_EQ(card->editor()->toPlainText().toStdString(), *noted.item.note) << "the draft starts as the note";
  QTest::keyClicks(card->editor(), " and more");
  QTest::keyClick(card->editor(), Qt::Key_Escape);
  EXPECT_EQ(lib.ctx.notes->editing(), std::nullopt);
  EXPECT_FALSE(card->editor()->isVisible());
  EXPECT_EQ(lib.store->item(noted.id)->item.note, noted.item.note);

  // Spaces: stored as no words, and the block goes.
  card->startEdit();
  card->editor()->setPlainText("   ");
  card->save();
  card = cardOf(stream, noted.id);
  EXPECT_EQ(lib.store->item(noted.id)->item.note.value_or(""), "");
  EXPECT_FALSE(card->yourWords()->isVisible());
  EXPECT_EQ(panes::noteButton(card->item()), "Add note");
}

TEST_F(CardsTest, OneCardEditsAtATimeAndHoverButtonsGiveWayToTheEditor) {
  HighlightsStream stream(lib.ctx);
  show(stream);
  SavedCard* first = cardOf(stream, lib.item("Most teams").id);
  SavedCard* second = cardOf(stream, lib.item("Pricing is not").id);
  first->setHover(true);
  EXPECT_TRUE(first->hoverButtons()->isVisible());
  first->startEdit();
  EXPECT_FALSE(first->hoverButtons()->isVisible()) << "no hover buttons while editing, even under the pointer";
  first->editor()->setPlainText("typed but not saved");

  second->startEdit();
  EXPECT_FALSE(first->editing());
  EXPECT_FALSE(first->editor()->isVisible());
  EXPECT_TRUE(second->editing());
  EXPECT_EQ(lib.store->item(first->item().id)->item.note, lib.item("Most teams").item.note)
      << "the first edit ended unsaved";
  EXPECT_TRUE(first->hoverButtons()->isVisible()) << "the pointer is still over it";
}

TEST_F(CardsTest, HoverButtonsFadeOutWhenThePointerLeaves) {
  SavedCard card(lib.ctx, lib.item("A reader remembers"), std::nullopt, true);
  show(card);
  card.setHover(true);
  QTRY_VERIFY(card.hoverButtons()->graphicsEffect() == nullptr);  // the fade in has ended
  card.setHover(false);
  EXPECT_TRUE(card.hoverButtons()->isVisible()) << "still there while they fade";
  QTRY_VERIFY(!card.hoverButtons()->isVisible());
}

TEST_F(CardsTest, AnEditStartedBeforeTheCardIsShownLeavesNoHoverButtons) {
  SavedCard card(lib.ctx, lib.item("A reader remembers"), std::nullopt, true);
  card.setHover(true);
  card.startEdit();
  show(card);
  EXPECT_TRUE(card.editor()->isVisible());
  EXPECT_FALSE(card.hoverButtons()->isVisible());
}

// The pieces whose texts of two sizes share a first baseline: the pane's title and subtitle, a
// cited card's number and its quote or excerpt.
TEST_F(CardsTest, NumbersAndSubtitlesStandOnTheBaselineOfTheTextBesideThem) {
  const auto labelOf = [](QWidget& root, const QString& text) -> QLabel* {
    for (auto* l : root.findChildren<QLabel*>()) {
      if (l->text() == text || l->text().contains(text)) return l;
    }
    return nullptr;
  };
  const auto baseline = [](QWidget& root, QLabel* l) { return l->mapTo(&root, QPoint(0, 0)).y() + firstBaseline(l); };
  PageHead head("Highlights", "7 saved \u00B7 3 with your words");
  SavedCard card(lib.ctx, lib.item("Pricing is not"), 12, false);
  PageHit hit;
  hit.title = "Why we forget";
  hit.url = "https://longread.example/forget";
  hit.last = Date{SampleLibrary::kNow};
  hit.excerpt = "Memory is less a library than a river.";
  HeardCard heard(lib.ctx, hit, 3);
  struct Case {
    QWidget* root;
    QString leader, follower;
  };
  for (const Case& c : {Case{&head, "Highlights", "7 saved \u00B7 3 with your words"},
                        Case{&card, "Pricing is not", "12"}, Case{&heard, "Memory is less", "3"}}) {
    show(*c.root);
    QLabel* leader = labelOf(*c.root, c.leader);
    QLabel* follower = labelOf(*c.root, c.follower);
    ASSERT_NE(leader, nullptr) << c.leader.toStdString();
    ASSERT_NE(follower, nullptr) << c.follower.toStdString();
    EXPECT_NEAR(baseline(*c.root, follower), baseline(*c.root, leader), 1.0) << c.follower.toStdString();
  }
}

TEST_F(CardsTest, CardPartsFollowTheItem) {
  // An empty quote still has its number, note block and source row.
  auto* noQuote = new SavedCard(lib.ctx, lib.item("Idea:"), 4, false);
  std::unique_ptr<QWidget> holder(noQuote);
  show(*noQuote);
  EXPECT_FALSE(noQuote->quoteLabel()->isVisible());
  EXPECT_TRUE(noQuote->yourWords()->isVisible());
  EXPECT_TRUE(noQuote->titleLine()->isVisible());
  EXPECT_FALSE(noQuote->openButton()->isVisible()) << "neither address nor application";
  EXPECT_EQ(menuLabels(noQuote->makeMenu(noQuote)), (QStringList{"Edit Note", "Copy", "Show Page", "-", "Delete"}));

  SavedCard withApp(lib.ctx, lib.item("A reader remembers"), std::nullopt, true);
  show(withApp);
  EXPECT_EQ(withApp.openButton()->text(), "Open Evince");
  EXPECT_EQ(menuLabels(withApp.makeMenu(&withApp)),
            (QStringList{"Add Note", "Copy", "Open at Quote", "Show Page", "-", "Delete"}));
  EXPECT_EQ(withApp.titleLine()->line().toStdString(),
            "\u00B7 Evince \u00B7 " + dates::timeOnly(withApp.item().item.ts, SampleLibrary::zone()));
}

TEST_F(CardsTest, MenuDeleteGoesOnTheUndoHistoryAndShowPageSelects) {
  HighlightsStream stream(lib.ctx);
  show(stream);
  const auto item = lib.item("Sleep is when");
  QMenu* menu = cardOf(stream, item.id)->makeMenu(&stream);
  for (auto* a : menu->actions()) {
    if (a->text() == "Show Page") a->trigger();
  }
  EXPECT_EQ(lib.ctx.notes->selected(), item.docKey);
  menu = cardOf(stream, item.id)->makeMenu(&stream);
  for (auto* a : menu->actions()) {
    if (a->text() == "Delete") a->trigger();
  }
  QApplication::processEvents();
  EXPECT_FALSE(lib.store->item(item.id));
  EXPECT_EQ(cardOf(stream, item.id), nullptr);
  EXPECT_EQ(lib.undo->names(), std::vector<std::string>{"Delete Highlight"});
  lib.undo->undo();
  EXPECT_TRUE(lib.store->item(item.id));
}

TEST_F(CardsTest, ChipsFilterAndTheEmptyStatesDiffer) {
  HighlightsStream stream(lib.ctx);
  show(stream);
  ASSERT_EQ(stream.chips().size(), 3u);
  EXPECT_TRUE(stream.chips()[0]->on());
  EXPECT_EQ(stream.headings().front(), "TODAY");
  QTest::mouseClick(stream.chips()[1], Qt::LeftButton);
  EXPECT_EQ(lib.ctx.lib->filter(), LibraryModel::Filter::words);
  EXPECT_TRUE(stream.chips()[1]->on());
  EXPECT_FALSE(stream.chips()[0]->on());
  EXPECT_EQ(stream.cards().size(), 2u);

  // Nothing passes: head and chips, no day, no empty state.
  for (const auto& s : lib.store->recentItems(100)) lib.store->updateNote(s.id, std::nullopt);
  lib.ctx.lib->reload();
  EXPECT_TRUE(stream.cards().empty());
  EXPECT_TRUE(stream.headings().isEmpty());
  EXPECT_FALSE(stream.emptyState()->isVisible());
  EXPECT_EQ(stream.head()->sub(), "7 saved \u00B7 0 with your words");
}

TEST(LongStreamTest, CardsAreMadeAsTheyComeIntoViewAndKeptAcrossReloads) {
  SampleLibrary lib(false);
  insertPassages(lib, 80, 600);
  HighlightsStream stream(lib.ctx);
  showStream(stream);
  const auto made = stream.cards().size();
  EXPECT_GT(made, 0u);
  EXPECT_LT(made, 80u) << "rows far below the view wait for it";
  SavedCard* first = stream.cards().front();

  stream.verticalScrollBar()->setValue(stream.verticalScrollBar()->maximum());
  QApplication::processEvents();
  stream.verticalScrollBar()->setValue(stream.verticalScrollBar()->maximum());
  QApplication::processEvents();
  ASSERT_FALSE(stream.cards().empty());
  EXPECT_EQ(stream.cards().back()->item().item.quote, "Passage 79") << "the last row is made once scrolled to";

  lib.ctx.notes->saveNote(first->item(), "mine");
  ASSERT_FALSE(stream.cards().empty());
  EXPECT_EQ(stream.cards().front(), first) << "a reload keeps the card of a row";
  EXPECT_EQ(first->item().item.note, "mine");
}

// While the rows and their days stay as they were, a reload redraws the changed cards in place and
// keeps the column (the heading labels are the same widgets); otherwise it lays the column out
// again. Either way the stream then shows what a stream built afresh shows.
TEST(LongStreamTest, AReloadShowsWhatAFreshStreamShows) {
  using Items = std::vector<StoredItem>;
  struct Case {
    const char* name;
    std::function<void(SampleLibrary&, const Items&)> change;
    bool columnKept;
  };
  const Case cases[] = {
      {"a note edited at the top", [](SampleLibrary& lib, const Items& items) { lib.ctx.notes->saveNote(items.front(), "mine"); },
       true},
      {"a note edited on a row far below the view",
       [](SampleLibrary& lib, const Items& items) { lib.ctx.notes->saveNote(items.back(), "mine"); }, true},
      {"a reload with nothing changed", [](SampleLibrary& lib, const Items&) { lib.ctx.lib->reload(); }, true},
      {"the day turned, then a note edited",
       [](SampleLibrary& lib, const Items& items) {
         lib.time().setWallMillis(static_cast<std::int64_t>((SampleLibrary::kNow + 86400) * 1000));
         lib.ctx.notes->saveNote(items.front(), "mine");
       },
       false},
      {"a note emptied while only items with words are shown",
       [](SampleLibrary& lib, const Items& items) {
         lib.ctx.lib->setFilter(LibraryModel::Filter::words);
         lib.ctx.notes->saveNote(items.front(), "");
       },
       false},
      {"an item deleted", [](SampleLibrary& lib, const Items& items) { lib.ctx.notes->remove(items[2], lib.undo); },
       false},
      {"an item saved",
       [](SampleLibrary& lib, const Items&) {
         ResearchItem item;
         item.ts = Date{SampleLibrary::kNow + 60};
         item.quote = "Newest passage";
         item.app = "Firefox";
         lib.store->insert(item);
         lib.ctx.notes->reload();
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SampleLibrary lib(false);
    // Four days of items, two hours apart, every third with a note.
    insertPassages(lib, 48, 7200, 3);
    HighlightsStream stream(lib.ctx);
    showStream(stream);
    ASSERT_LT(stream.cards().size(), stream.rows().size()) << "some rows wait below the view";
    const std::vector<QPointer<Text>> labels(stream.headingLabels().begin(), stream.headingLabels().end());

    c.change(lib, lib.store->recentItems(1000));
    QApplication::processEvents();

    HighlightsStream fresh(lib.ctx);
    showStream(fresh);
    EXPECT_EQ(stream.headings().join(", ").toStdString(), fresh.headings().join(", ").toStdString());
    EXPECT_EQ(stream.rows(), fresh.rows());
    for (auto* card : stream.cards()) {
      const auto rows = stream.rows();
      const auto row = std::find_if(rows.begin(), rows.end(), [&](const StoredItem& s) { return s.id == card->item().id; });
      ASSERT_NE(row, rows.end());
      EXPECT_EQ(card->item(), *row) << "the card shows what its row holds";
    }
    const bool kept = std::equal(labels.begin(), labels.end(), stream.headingLabels().begin(),
                                 stream.headingLabels().end(),
                                 [](const QPointer<Text>& before, Text* now) { return before && before == now; });
    EXPECT_EQ(kept, c.columnKept) << "the heading labels kept (redrawn in place) or made anew";
  }
}

TEST(EmptyLibraryTest, TheEmptyStateNamesTheHotkey) {
  SampleLibrary lib(false);
  lib.prefs->setHotkeyCode(61);
  HighlightsStream stream(lib.ctx);
  stream.resize(1000, 600);
  stream.show();
  QApplication::processEvents();
  EXPECT_TRUE(stream.emptyState()->isVisible());
  EXPECT_EQ(stream.head()->sub(), "");
  EXPECT_TRUE(stream.emptyText()->text().contains("hold Right Alt and say"));
  EXPECT_LE(stream.emptyText()->width(), 480);
  EXPECT_GE(stream.emptyText()->height(), stream.emptyText()->heightForWidth(stream.emptyText()->width()))
      << "wrapped onto every line it needs";
  lib.prefs->setHotkeyCode(60);
  EXPECT_TRUE(stream.emptyText()->text().contains("hold Right Shift and say"));
}

}  // namespace
