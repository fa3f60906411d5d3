// Search results, the answer card, the Documents page and the toast, offscreen, over the real
// models and the sample library.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <QUndoStack>
#include <QtTest/QTest>

#include "app/views/desktop/qt_desktop.h"
#include "app/views/library/documents_pane.h"
#include "app/views/library/library_shots.h"
#include "app/views/library/search_answer.h"
#include "tests/app/library/library_fakes.h"
#include "tests/views/look_test.h"

using namespace orvak;
using namespace orvak::views::library;
using LM = LibraryModel;

namespace {

using test::show;

TEST(SearchResultsTest, CountsReuseCardsAndAskAboutTheWholeLibrary) {
  auto service = std::make_shared<test::HeldService>();
  SampleLibrary lib(true, {}, service);
  lib.ctx.notes->setQuery("pricing");
  SearchResults pane(lib.ctx);
  show(pane);
  const auto hits = lib.ctx.notes->results().size();
  ASSERT_GE(hits, 2u);
  EXPECT_EQ(pane.countLine()->text().toStdString(), panes::countLine(hits, "pricing"));
  ASSERT_EQ(pane.cards().size(), hits);
  SavedCard* kept = pane.cards().back();
  const auto keptId = kept->item().id;

  lib.ctx.notes->setQuery("pricing is");
  ASSERT_FALSE(pane.cards().empty());
  bool reused = false;
  for (auto* c : pane.cards()) reused = reused || (c == kept && c->item().id == keptId);
  EXPECT_TRUE(reused || lib.ctx.notes->results().size() < hits) << "a card still listed is the same widget";

  lib.ctx.notes->setQuery("zebra");
  EXPECT_TRUE(pane.cards().empty());
  EXPECT_EQ(pane.countLine()->text(), "No saved words match \u201Czebra\u201D.");
  EXPECT_EQ(pane.askButton()->text(), "Ask Orvak: \u201Czebra\u201D");
  QTest::mouseClick(pane.askButton(), Qt::LeftButton);
  ASSERT_EQ(service->asks.size(), 1u);
  EXPECT_EQ(service->asks[0].first.question, "zebra");
}

TEST(AskResultTest, FollowsTheQuestionFromAskingToAnswerAndFailure) {
  auto service = std::make_shared<test::HeldService>();
  SampleLibrary lib(true, {}, service);
  int focused = 0;
  std::string queryWhenFocused = "unset";
  AskResult pane(lib.ctx, [&] {
    ++focused;
    queryWhenFocused = lib.ctx.notes->query();
  });
  show(pane);
  lib.ctx.notes->setQuery("what about pricing");
  lib.ctx.lib->askLibrary("what about pricing", std::nullopt);
  EXPECT_TRUE(pane.stateText().contains("Looking through what you saved\u2026"));
  ASSERT_EQ(service->asks.size(), 1u);

  account::LibraryAnswer answer;
  answer.answer = "Keep revisiting it [1] [1][2]. Not [2024].";
  answer.cites = {1, 2};
  service->asks[0].second(answer);
  lib.time().drain();
  ASSERT_TRUE(std::holds_alternative<LM::Answer>(lib.ctx.lib->ask()));
  ASSERT_NE(pane.answer(), nullptr);
  EXPECT_EQ(pane.answer()->segments(), panes::marked(answer.answer));
  EXPECT_TRUE(pane.stateText().contains("Keep revisiting it^(1, 2). Not [2024]."));
  EXPECT_EQ(pane.sourceCards(), int(std::get<LM::Answer>(lib.ctx.lib->ask()).cited.size()));

  // Hear it: nothing without a reader, the text without marks with one.
  QTest::mouseClick(pane.hearIt(), Qt::LeftButton);
  std::vector<std::string> reads;
  lib.ctx.notes->read = [&](const std::string& t) { reads.push_back(t); };
  QTest::mouseClick(pane.hearIt(), Qt::LeftButton);
  EXPECT_EQ(reads, std::vector<std::string>{"Keep revisiting it. Not [2024]."});

  // One document request however often the button is pressed.
  QTest::mouseClick(pane.documentButton(), Qt::LeftButton);
  QTest::mouseClick(pane.documentButton(), Qt::LeftButton);
  EXPECT_EQ(service->documents.size(), 1u);
  EXPECT_FALSE(pane.documentButton()->isEnabled());
  EXPECT_EQ(pane.documentButton()->text(), "Writing\u2026");

  // The document fails: the failure is shown under the question.
  service->documents[0].second(account::Fail::server(500, "down"));
  lib.time().drain();
  ASSERT_TRUE(std::holds_alternative<LM::Failed>(lib.ctx.lib->ask()));
  EXPECT_TRUE(pane.stateText().contains(QString::fromStdString(std::get<LM::Failed>(lib.ctx.lib->ask()).message)));
  EXPECT_EQ(pane.documentButton(), nullptr);

  // Back to an answer, then a follow-up: the bar is emptied before it takes the focus.
  lib.ctx.lib->setAsk(LM::Answer{"q", "t", {}, {}});
  EXPECT_EQ(pane.sourceCards(), 0);
  QTest::mouseClick(pane.followUp(), Qt::LeftButton);
  EXPECT_EQ(focused, 1);
  EXPECT_EQ(queryWhenFocused, "");
  EXPECT_TRUE(std::holds_alternative<LM::Idle>(lib.ctx.lib->ask()));
}

// A card cited by an answer is edited like any other: its editor closes on Return and on Escape,
// another cited card's edit ends it, and the saved words show.
TEST(AskResultTest, CitedCardsLeaveEditingAndShowTheSavedNote) {
  SampleLibrary lib;
  const StoredItem first = lib.item("Pricing is not"), second = lib.item("Most teams");
  lib.ctx.lib->setAsk(LM::Answer{"q", "a [1][2]", {{1, first, std::nullopt}, {2, second, std::nullopt}}, {}});
  AskResult pane(lib.ctx, [] {});
  show(pane);
  std::vector<SavedCard*> cards;
  for (auto* w : pane.findChildren<QWidget*>()) {
    if (auto* c = dynamic_cast<SavedCard*>(w)) cards.push_back(c);
  }
  ASSERT_EQ(cards.size(), 2u);
  SavedCard* a = cards[0]->item().id == first.id ? cards[0] : cards[1];
  SavedCard* b = a == cards[0] ? cards[1] : cards[0];

  a->startEdit();
  QTest::keyClicks(a->editor(), "Check the churn");
  QTest::keyClick(a->editor(), Qt::Key_Return);
  EXPECT_EQ(lib.store->item(first.id)->item.note, "Check the churn");
  EXPECT_FALSE(a->editor()->isVisible()) << "saved: the editor closes";
  EXPECT_TRUE(a->yourWords()->isVisible());
  EXPECT_EQ(a->yourWords()->accessibleName(), "You said: Check the churn");

  a->startEdit();
  b->startEdit();
  EXPECT_FALSE(a->editor()->isVisible()) << "another card's edit ends this one";
  QTest::keyClick(b->editor(), Qt::Key_Escape);
  EXPECT_FALSE(b->editor()->isVisible()) << "Escape closes it";
  EXPECT_EQ(lib.store->item(second.id)->item.note, second.item.note);
}

TEST(DocumentsPaneTest, ShowsMarksOnceAndDeletesToTheNextDocument) {
  SampleLibrary lib;
  DocumentsPane pane(lib.ctx);
  show(pane, {1100, 900});
  ASSERT_EQ(pane.rows().size(), 2u);
  // The newest document is open: its paragraphs carry their cites once, at the end.
  const auto open = *panes::openDocument(*lib.ctx.lib);
  EXPECT_TRUE(
      pane.readingText().contains("Two notes point at raising prices sooner, and at testing the annual plan.^(2, 3)"));
  ASSERT_EQ(pane.sources().size(), open.sources.size());
  EXPECT_TRUE(pane.sources()[0]->isEnabled());
  EXPECT_FALSE(pane.sources()[2]->isEnabled()) << "a source without an address cannot be opened";
  EXPECT_TRUE(pane.sources()[2]->toolTip().isEmpty());

  std::vector<std::string> reads;
  QTest::mouseClick(pane.button("Listen"), Qt::LeftButton);
  EXPECT_TRUE(reads.empty());
  lib.ctx.notes->read = [&](const std::string& t) { reads.push_back(t); };
  QTest::mouseClick(pane.button("Listen"), Qt::LeftButton);
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].find('['), std::string::npos) << reads[0];

  QTest::mouseClick(pane.button("Copy"), Qt::LeftButton);
  ASSERT_TRUE(lib.ctx.notes->toast());
  EXPECT_EQ(lib.ctx.notes->toast()->text, "Copied");
  EXPECT_NE(lib.clipboard->text().find(open.title), std::string::npos);

  QTest::mouseClick(pane.button("Delete"), Qt::LeftButton);
  QApplication::processEvents();
  ASSERT_EQ(pane.rows().size(), 1u);
  EXPECT_TRUE(pane.readingText().contains("DOCUMENT")) << "the remaining document opened";
  ASSERT_NE(pane.button("Delete"), nullptr);
  pane.button("Delete")->click();
  QApplication::processEvents();
  EXPECT_TRUE(pane.rows().empty());
  EXPECT_EQ(pane.readingText(), "No documents yet.");
}

TEST(LibraryToastTest, UndoBringsTheItemBackWhateverIsOnTopOfTheStack) {
  for (const bool laterEdit : {false, true}) {
    SampleLibrary lib;
    QUndoStack stack;
    auto undo = std::make_shared<views::desktop::UndoStackManager>(&stack);
    lib.ctx.undo = undo;
    QWidget holder;
    holder.resize(600, 200);
    LibraryToast toast(lib.ctx, &holder);
    holder.show();
    const auto item = lib.item("Sleep is when");
    lib.ctx.notes->say("Copied");
    EXPECT_TRUE(toast.isVisible());
    EXPECT_FALSE(toast.undoButton()->isVisible()) << "no item, no Undo";
    EXPECT_TRUE(toast.pings());

    lib.ctx.notes->remove(item, undo);
    ASSERT_FALSE(lib.store->item(item.id));
    EXPECT_TRUE(toast.undoButton()->isVisible());
    EXPECT_FALSE(toast.pings());
    int laterRan = 0;
    if (laterEdit) undo->registerUndo("Typing", [&] { ++laterRan; });

    QTest::mouseClick(toast.undoButton(), Qt::LeftButton);
    EXPECT_TRUE(lib.store->item(item.id)) << (laterEdit ? "with a later edit on top" : "with the delete on top");
    EXPECT_EQ(laterRan, 0) << "the later action is not undone in its place";
    EXPECT_EQ(stack.count() > 0 && stack.canUndo(), laterEdit);
    EXPECT_FALSE(lib.ctx.notes->toast());
  }
}

}  // namespace
