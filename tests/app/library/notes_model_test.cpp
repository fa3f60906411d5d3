#include "app/library/notes_model.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "app/library/notifications.h"
#include "core/base/dispatch.h"
#include "tests/app/library/library_fakes.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/files.h"
#include "tests/support/temp_home.h"

using namespace orvak;
using ItemKind = ResearchItem::Kind;

namespace {

class NotesModelTest : public ::testing::Test {
 protected:
  NotesModelTest() {
    store = std::make_shared<NotesStore>(test::freshDir("notes") / "notes.sqlite", std::nullopt);
  }

  // Saves an item on page `title` (its key is "Notes|" + title), `ts` seconds into 2026.
  StoredItem add(const std::string& title, const std::string& quote, double ts, ItemKind kind = ItemKind::highlight,
                 std::optional<std::string> note = std::nullopt) {
    ResearchItem i = test::item(1767225600 + ts, quote, std::nullopt);
    i.app = "Notes";
    i.windowTitle = title;
    i.kind = kind;
    i.note = std::move(note);
    const auto id = store->insert(i);
    return *store->item(id);
  }

  std::shared_ptr<NotesModel> makeModel() {
    auto m = NotesModel::make(store, NotesModel::Services{center, clipboard, chooser, reveal, nullptr});
    m->read = [this](const std::string& t) { heard.push_back(t); };
    return m;
  }

  static std::vector<std::string> quotes(const std::vector<StoredItem>& items) {
    std::vector<std::string> out;
    for (const auto& s : items) out.push_back(s.item.quote);
    return out;
  }

  dispatch::VirtualTime vt;
  std::shared_ptr<NotesStore> store;
  std::shared_ptr<platform::NotificationCenter> center = std::make_shared<platform::NotificationCenter>();
  std::shared_ptr<test::FakeClipboard> clipboard = std::make_shared<test::FakeClipboard>();
  std::shared_ptr<test::FakeChooser> chooser = std::make_shared<test::FakeChooser>();
  std::shared_ptr<test::FakeReveal> reveal = std::make_shared<test::FakeReveal>();
  std::vector<std::string> heard;
};

TEST_F(NotesModelTest, ReloadSelectsTheNewestPageAndFollowsItsEmptying) {
  const auto empty = makeModel();
  EXPECT_TRUE(empty->docs().empty());
  EXPECT_EQ(empty->selected(), std::nullopt);
  EXPECT_EQ(empty->total(), 0);

  const auto a = add("Alpha", "first", 10);
  add("Beta", "second", 20);
  add("Beta", "third", 30, ItemKind::note, "mine");
  const auto model = makeModel();
  EXPECT_EQ(model->selected(), "Notes|Beta");
  EXPECT_EQ(model->total(), 3);
  ASSERT_TRUE(model->selectedDoc());
  EXPECT_EQ(model->selectedDoc()->title, "Beta");

  // Selecting ends a running search and closes the note editor before the page's items appear.
  model->setQuery("second");
  model->setEditing(a.id);
  ASSERT_EQ(quotes(model->results()), std::vector<std::string>{"second"});
  model->select("Notes|Alpha");
  EXPECT_EQ(model->query(), "");
  EXPECT_TRUE(model->results().empty());
  EXPECT_EQ(model->editing(), std::nullopt);
  EXPECT_EQ(quotes(model->items()), std::vector<std::string>{"first"});

  // The selected page's last item goes: the newest page is selected; then nothing is left.
  model->remove(a, nullptr);
  EXPECT_EQ(model->selected(), "Notes|Beta");
  EXPECT_EQ(quotes(model->items()), (std::vector<std::string>{"second", "third"}));
  // A copy: each removal reloads the model's own list.
  const auto left = model->items();
  for (const auto& s : left) model->remove(s, nullptr);
  EXPECT_EQ(model->selected(), std::nullopt);
  EXPECT_TRUE(model->items().empty());
  EXPECT_EQ(model->selectedDoc(), std::nullopt);
}

TEST_F(NotesModelTest, SearchTrimsSpacesAndTabsAndIgnoresTheSameText) {
  add("Alpha", "apples are red", 10);
  add("Alpha", "pears are green", 20);
  const auto model = makeModel();
  int searches = 0;
  model->addObserver([&](NotesModel::Member m) { searches += m == NotesModel::Member::results; });

  const struct {
    std::string query;
    std::vector<std::string> found;
  } cases[] = {
      {" \tapples\t ", {"apples are red"}},
      {"are", {"pears are green", "apples are red"}},
      {" \t ", {}},
  };
  for (const auto& c : cases) {
    model->setQuery(c.query);
    EXPECT_EQ(quotes(model->results()), c.found) << "query '" << c.query << "'";
  }
  const int before = searches;
  model->setQuery(" \t ");
  EXPECT_EQ(searches, before) << "the same text searched again";

  // A change of the library refreshes the open search.
  model->setQuery("apples");
  add("Beta", "apples again", 30);
  center->post(std::string(notifications::orvakNotesChanged));
  vt.drain();
  EXPECT_EQ(quotes(model->results()), (std::vector<std::string>{"apples again", "apples are red"}));
  EXPECT_EQ(model->total(), 3);
}

TEST_F(NotesModelTest, NotesChangedReachesOnlyALiveModel) {
  auto model = makeModel();
  add("Alpha", "late", 10);
  center->post(std::string(notifications::orvakNotesChanged));
  std::weak_ptr<NotesModel> weak = model;
  vt.drain();
  EXPECT_EQ(model->total(), 1);
  center->post(std::string(notifications::orvakNotesChanged));
  model.reset();
  EXPECT_TRUE(weak.expired()) << "the observation keeps the model alive";
  vt.drain();  // delivered to nobody, without a crash
}

TEST_F(NotesModelTest, ToastsLastTheirTimeAndANewerOneOutlivesTheOlderTimer) {
  const auto item = add("Alpha", "first", 10);
  const auto model = makeModel();

  model->say("Copied");
  vt.advance(1.5);
  EXPECT_TRUE(model->toast());
  vt.advance(0.2);
  EXPECT_FALSE(model->toast());

  model->say("Copied");
  vt.advance(1.0);
  model->remove(item, nullptr);  // the delete toast replaces the copy toast
  ASSERT_TRUE(model->toast());
  EXPECT_EQ(model->toast()->text, "Highlight deleted");
  EXPECT_EQ(model->toast()->undo, item);
  vt.advance(1.0);  // past the copy toast's 1.6 s
  EXPECT_TRUE(model->toast());
  vt.advance(4.9);
  EXPECT_TRUE(model->toast());
  vt.advance(0.2);  // 6.0 s after the delete
  EXPECT_FALSE(model->toast());
  EXPECT_EQ(vt.pending(), 0u);
}

TEST_F(NotesModelTest, AFailingStoreLeavesListAndToastAlone) {
  const auto item = add("Alpha", "first", 10);
  const auto model = makeModel();
  auto undo = std::make_shared<MemoryUndoManager>();
  test::LogTail log;
  store->exec("DROP TABLE items");

  model->remove(item, undo);
  EXPECT_EQ(quotes(model->items()), std::vector<std::string>{"first"});
  EXPECT_EQ(model->total(), 1);
  EXPECT_FALSE(model->toast());
  EXPECT_FALSE(undo->canUndo());
  vt.drain();  // the log writes on its queue
  EXPECT_EQ(log.count("notes: delete failed: "), 1);

  // A note that could not be stored keeps its editor open and says so.
  model->setEditing(item.id);
  model->saveNote(item, "my words");
  EXPECT_EQ(model->editing(), item.id);
  ASSERT_TRUE(model->toast());
  EXPECT_EQ(model->toast()->text, "Note not saved");
  vt.drain();
  EXPECT_EQ(log.count("notes: edit failed: "), 1);
}

TEST_F(NotesModelTest, SavingANoteClosesTheEditorAndMakesANote) {
  const auto item = add("Alpha", "first", 10);
  const auto model = makeModel();
  model->setEditing(item.id);
  model->saveNote(item, "  my words \n");
  EXPECT_EQ(model->editing(), std::nullopt);
  ASSERT_EQ(model->items().size(), 1u);
  EXPECT_EQ(model->items()[0].item.note, "my words");
  EXPECT_EQ(model->items()[0].item.kind, ItemKind::note);
  EXPECT_EQ(model->docs()[0].notes, 1);
}

TEST_F(NotesModelTest, UndoRestoresTheToastsItemOnce) {
  const auto a = add("Alpha", "first", 10, ItemKind::note, "n");
  const auto b = add("Alpha", "second", 20);
  const auto c = add("Alpha", "third", 30);

  {  // Through the undo manager: the registered action runs and is used up.
    const auto model = makeModel();
    auto undo = std::make_shared<MemoryUndoManager>();
    model->remove(a, undo);
    EXPECT_EQ(undo->names(), std::vector<std::string>{"Delete Note"});
    EXPECT_EQ(model->toast()->text, "Note deleted");
    model->undoToast();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_FALSE(model->toast());
    EXPECT_EQ(quotes(model->items()), (std::vector<std::string>{"first", "second", "third"}));
  }
  {  // Without an undo manager: the toast restores its item itself.
    const auto model = makeModel();
    model->remove(b, nullptr);
    ASSERT_TRUE(model->toast());
    model->undoToast();
    EXPECT_EQ(quotes(model->items()), (std::vector<std::string>{"first", "second", "third"}));
  }
  {  // The manager's restore fails; the next Undo must not run the older delete of another item.
    const auto model = makeModel();
    auto undo = std::make_shared<MemoryUndoManager>();
    model->remove(b, undo);
    model->remove(c, undo);
    store->restore(c);  // a row with c's id is back: restoring c fails
    model->undoToast();
    ASSERT_TRUE(model->toast()) << "a failed restore leaves the toast up";
    store->deleteItem(c.id);
    model->undoToast();
    EXPECT_FALSE(model->toast());
    EXPECT_EQ(quotes(model->items()), (std::vector<std::string>{"first", "third"}));
    EXPECT_EQ(undo->names(), std::vector<std::string>{"Delete Highlight"}) << "b's undo stays for Ctrl+Z";
  }
}

TEST_F(NotesModelTest, RestoringTheOnlyItemOfAVanishedPageSelectsIt) {
  const auto alone = add("Alpha", "alone", 10);
  const auto other = add("Beta", "other", 20);
  add("Beta", "kept", 30);
  const auto model = makeModel();
  model->select("Notes|Alpha");
  model->remove(alone, nullptr);
  EXPECT_EQ(model->selected(), "Notes|Beta");
  model->undoToast();
  EXPECT_EQ(model->selected(), "Notes|Alpha");
  EXPECT_EQ(quotes(model->items()), std::vector<std::string>{"alone"});

  // An item of another page that is still listed comes back without moving the selection.
  model->remove(other, nullptr);
  model->undoToast();
  EXPECT_EQ(model->selected(), "Notes|Alpha");
  EXPECT_EQ(model->total(), 3);
}

TEST_F(NotesModelTest, ListenTexts) {
  const auto item = [](std::string quote, std::optional<std::string> note) {
    StoredItem s;
    s.item.quote = std::move(quote);
    s.item.note = std::move(note);
    return s;
  };
  const struct {
    std::string quote;
    std::optional<std::string> note;
    std::string one;   // listening to the item
    std::string line;  // its line when the page is read
  } cases[] = {
      {" a quote\n", std::nullopt, "a quote", "a quote"},
      {"", "  mine ", "You said: mine", "Your note: mine"},
      {"q", "n", "q\n\nYou said: n", "q\n\nYour note: n"},
      {" \n", "\t", "", ""},
  };
  DocumentSummary page;
  page.title = "Pricing - someone@example.org";
  page.app = "Mail";
  for (const auto& c : cases) {
    EXPECT_EQ(NotesModel::listenText(item(c.quote, c.note)), c.one);
    const std::string expected = c.line.empty() ? "" : "Your highlights from Pricing.\n\n" + c.line;
    EXPECT_EQ(NotesModel::listenText(page, {item(c.quote, c.note)}), expected) << c.quote;
  }
  EXPECT_EQ(NotesModel::listenText(page, {item("one", std::nullopt), item("", ""), item("two", std::nullopt)}),
            "Your highlights from Pricing.\n\none\n\ntwo");

  add("Alpha", "  ", 10);
  const auto model = makeModel();
  model->listen(model->docs()[0]);
  model->listen(model->items()[0]);
  EXPECT_TRUE(heard.empty()) << "nothing to read is not read";
}

TEST_F(NotesModelTest, CopyPutsThePlainTextOnTheClipboard) {
  add("Alpha", "first", 10, ItemKind::note, "mine");
  const auto model = makeModel();
  model->copy(model->items()[0]);
  EXPECT_EQ(clipboard->text_, "\u201Cfirst\u201D\nmine\n\u2014 Alpha");
  EXPECT_EQ(model->toast()->text, "Copied");
}

TEST_F(NotesModelTest, ExportWritesRevealsOrSaysItFailed) {
  add("A/B: a page", "first", 10);
  const auto model = makeModel();
  test::LogTail log;

  const auto dir = test::freshDir("export");
  chooser->answer = dir / "out.md";
  model->exportMarkdown(model->docs()[0]);
  vt.drain();
  ASSERT_EQ(chooser->requests.size(), 1u);
  EXPECT_EQ(chooser->requests[0].suggestedName, "A-B: a page.md");
  EXPECT_EQ(chooser->requests[0].filter, "Markdown (*.md)");
  EXPECT_EQ(test::readFile(dir / "out.md"), store->markdown(std::string_view("Notes|A/B: a page")));
  EXPECT_EQ(reveal->revealed, std::vector<std::filesystem::path>{dir / "out.md"});
  struct stat st{};
  ASSERT_EQ(::stat((dir / "out.md").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0044, 0u) << "an export is a normal document, not a private file";

  model->exportMarkdown(std::nullopt);
  vt.drain();
  EXPECT_EQ(chooser->requests.back().suggestedName, "Orvak highlights and notes.md");
  EXPECT_EQ(reveal->revealed.size(), 2u);

  // A path under a plain file cannot be written.
  std::ofstream(dir / "plain") << "x";
  chooser->answer = dir / "plain" / "out.md";
  model->exportMarkdown(std::nullopt);
  vt.drain();
  EXPECT_EQ(log.count("notes: export failed: "), 1);
  EXPECT_EQ(model->toast()->text, "Export failed");
  EXPECT_EQ(reveal->revealed.size(), 2u);

  chooser->answer.reset();  // cancelled
  model->exportMarkdown(std::nullopt);
  vt.drain();
  EXPECT_EQ(reveal->revealed.size(), 2u);
}

}  // namespace
