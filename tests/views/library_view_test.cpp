// The Pages and Listened pages and the library view with its bar, offscreen, over the real models
// and the sample library.
#include "app/views/library/library_view.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QTimer>
#include <QtTest/QTest>

#include "app/library/notes_text.h"
#include "app/library/notifications.h"
#include "app/views/library/library_shots.h"
#include "app/views/library/pages_listened.h"
#include "app/views/library/qt_confirmer.h"
#include "app/views/look/controls.h"
#include "app/views/look/palette.h"
#include "tests/app/library/library_fakes.h"
#include "tests/views/look_test.h"

using namespace orvak;
using namespace orvak::views::library;
using LM = LibraryModel;
using Page = MainModel::Page;

namespace {

using test::show;

struct ScriptedConfirmer final : panes::Confirmer {
  bool confirm(const panes::Confirmation& q) override {
    asked.push_back(q.message);
    return answer;
  }
  bool answer = false;
  std::vector<std::string> asked;
};

// Records what the library asked of the service, answering nothing.
struct HeldService final : LibraryService {
  account::Exchange libraryAsk(const account::LibraryBody& body, AnswerDone) override {
    asked.push_back(body);
    return {};
  }
  account::Exchange libraryDocument(const account::LibraryBody&, DocumentDone) override { return {}; }
  std::vector<account::LibraryBody> asked;
};

TEST(PagesListTest, ACardSelectsThenOpensAndListenOnlySelects) {
  SampleLibrary lib;
  std::vector<std::string> reads;
  lib.ctx.notes->read = [&](const std::string& t) { reads.push_back(t); };
  PagesList pane(lib.ctx);
  show(pane);
  const auto docs = lib.ctx.notes->docs();
  ASSERT_GE(docs.size(), 2u);
  const auto target = docs[1];

  QTest::mouseClick(pane.button("Listen to my highlights", 1), Qt::LeftButton);
  EXPECT_EQ(lib.ctx.notes->selected(), target.key);
  EXPECT_FALSE(pane.showsDetail());
  ASSERT_EQ(reads.size(), 1u);

  pane.pageCards()[1]->click();
  EXPECT_TRUE(pane.showsDetail());
  EXPECT_EQ(lib.ctx.notes->selected(), target.key);
  EXPECT_EQ(pane.detailCards().size(), std::size_t(target.count));
  EXPECT_TRUE(pane.text().contains(QString::fromStdString(NotesText::counts(target))));

  pane.button("Pages")->click();
  EXPECT_FALSE(pane.showsDetail());
  EXPECT_EQ(lib.ctx.notes->selected(), target.key) << "back keeps the selection";

  // Deleting the page's last items while its detail is open falls back to the list.
  panes::openPageDetail(*lib.ctx.lib, target);
  ASSERT_TRUE(pane.showsDetail());
  for (const auto& s : lib.store->items(target.key)) lib.ctx.notes->remove(s, nullptr);
  QApplication::processEvents();
  EXPECT_FALSE(pane.showsDetail()) << "not the detail of the page selected in its place";
  EXPECT_FALSE(lib.ctx.lib->openPage());
}

TEST(PagesListTest, NothingSavedShowsNoExport) {
  SampleLibrary lib(false);
  PagesList pane(lib.ctx);
  show(pane);
  EXPECT_TRUE(pane.text().contains("Nothing saved yet."));
  EXPECT_EQ(pane.button("Export All\u2026"), nullptr);
}

class ListenedTest : public ::testing::Test {
 protected:
  ListenedTest()
      : workspace(std::make_shared<test::FakeWorkspace>()),
        lib(true, NotesModel::Services{nullptr, nullptr, nullptr, nullptr, opener()}, service) {
    lib.ctx.confirmer = confirmer;
  }
  std::shared_ptr<SourceOpener> opener() {
    return std::make_shared<SourceOpener>(
        workspace, [](const std::vector<std::string>&) { return std::optional<platform::ProcessResult>(); },
        std::vector<std::filesystem::path>{});
  }
  int rowOf(const ListenedList& pane, const std::string& title) {
    for (int i = 0; i < int(lib.ctx.lib->listened().size()); ++i) {
      if (panes::listenedTitle(lib.ctx.lib->listened()[std::size_t(i)]) == title) return i;
    }
    (void)pane;
    return -1;
  }
  std::shared_ptr<test::FakeWorkspace> workspace;
  std::shared_ptr<HeldService> service = std::make_shared<HeldService>();
  std::shared_ptr<ScriptedConfirmer> confirmer = std::make_shared<ScriptedConfirmer>();
  SampleLibrary lib;
};

TEST_F(ListenedTest, BannerButtons) {
  for (const QString button : {"Keep them", "Keep everything", "Let them go"}) {
    lib.store->clearListened();
    lib.store->recordListen("Firefox", "Old", "https://old.example/", 300, 0.5, "", false, "old text",
                            Date{SampleLibrary::kNow - 86 * 86400.0});
    lib.store->markWarned(lib.store->expiringSoon(90, 7, Date{SampleLibrary::kNow})->keys, Date{SampleLibrary::kNow});
    lib.prefs->setHistoryKeepDays(90);
    lib.ctx.lib->setPendingDismissed(false);
    lib.ctx.lib->reload();
    ListenedList pane(lib.ctx);
    show(pane);
    ASSERT_NE(pane.banner(), nullptr) << button.toStdString();
    pane.button(button)->click();
    EXPECT_EQ(pane.banner(), nullptr) << button.toStdString();
    EXPECT_EQ(lib.store->pendingClear(90, 7).has_value(), button == "Let them go") << button.toStdString();
    EXPECT_EQ(pane.keepPicker()->currentText(), button == "Keep everything" ? "Forever" : "90 days");
  }
}

TEST_F(ListenedTest, RowsRemoveClearAskAndResume) {
  ListenedList pane(lib.ctx);
  show(pane);
  EXPECT_TRUE(pane.rememberSwitch()->isChecked());
  EXPECT_DOUBLE_EQ(pane.rememberSwitch()->knob(), 1.0) << "the knob stands where the setting is";
  const int rows = pane.rows();
  ASSERT_EQ(rows, 4);

  // Ask about it: only where the page text is kept, with the page's key.
  const int forget = rowOf(pane, "Why we forget \u2014 The Long Read");
  const int pdf = rowOf(pane, "memory-and-reading.pdf");
  EXPECT_EQ(pane.button("Ask about it", pdf), nullptr);
  pane.button("Ask about it", forget)->click();
  ASSERT_EQ(service->asked.size(), 1u);
  const auto item = lib.ctx.lib->listened()[std::size_t(forget)];
  EXPECT_EQ(service->asked[0].question, panes::askQuestion(item));
  EXPECT_TRUE(std::holds_alternative<LM::Asking>(lib.ctx.lib->ask()));

  // Resume: the stopping text is the quote, and the toast says how to carry on.
  pane.button("Resume", forget)->click();
  ASSERT_EQ(workspace->opened.size(), 1u);
  EXPECT_NE(workspace->opened[0].find("#:~:text="), std::string::npos) << workspace->opened[0];
  ASSERT_TRUE(lib.ctx.notes->toast());
  EXPECT_EQ(lib.ctx.notes->toast()->text, "Opened at your place. Double-tap Right Shift to carry on");

  // Remove from History, through the row's menu.
  QMenu* menu = pane.rowMenu(pdf, &pane);
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions()[0]->text(), "Remove from History");
  menu->actions()[0]->trigger();
  QApplication::processEvents();
  EXPECT_EQ(pane.rows(), rows - 1);

  // Clear History: only when confirmed.
  pane.button("Clear History\u2026")->click();
  EXPECT_EQ(pane.rows(), rows - 1);
  confirmer->answer = true;
  pane.button("Clear History\u2026")->click();
  QApplication::processEvents();
  EXPECT_EQ(pane.rows(), 0);
  EXPECT_EQ(confirmer->asked.size(), 2u);
  EXPECT_TRUE(pane.text().contains("Pages you listen to will show here."));
  EXPECT_EQ(pane.button("Clear History\u2026"), nullptr);

  // The switch writes the setting and the empty text follows it.
  pane.rememberSwitch()->click();
  EXPECT_FALSE(lib.prefs->rememberListening());
  EXPECT_TRUE(pane.text().contains("Turned off: Orvak isn't keeping a history."));
}

class LibraryViewTest : public ::testing::Test {
 protected:
  LibraryViewTest() : lib(true, {}, service) {}
  std::shared_ptr<HeldService> service = std::make_shared<HeldService>();
  SampleLibrary lib;
};

TEST_F(LibraryViewTest, TheBarSearchesAsksAndKeepsAnAnswerInFront) {
  LibraryView view(lib.ctx, Page::library, lib.center);
  show(view);
  EXPECT_EQ(view.pane(), panes::Pane::highlights);
  EXPECT_TRUE(view.hint()->isVisible());
  EXPECT_EQ(view.hint()->text(), "or hold Right Shift and say it");

  QTest::keyClicks(view.field(), "   ");
  EXPECT_EQ(view.pane(), panes::Pane::highlights) << "spaces keep the page's pane";
  EXPECT_TRUE(view.askButton()->isVisible());
  QTest::keyClick(view.field(), Qt::Key_Return);
  EXPECT_TRUE(service->asked.empty()) << "a blank question is not asked";

  view.field()->clear();
  QTest::keyClicks(view.field(), "pricing");
  EXPECT_EQ(lib.ctx.notes->query(), "pricing");
  EXPECT_EQ(view.pane(), panes::Pane::search);
  QTest::keyClick(view.field(), Qt::Key_Return);
  ASSERT_EQ(service->asked.size(), 1u);
  EXPECT_EQ(view.pane(), panes::Pane::ask);
  lib.ctx.lib->setAsk(LM::Answer{"pricing", "An answer [1].", {}, {}});
  QTest::keyClicks(view.field(), " more");
  EXPECT_EQ(view.pane(), panes::Pane::ask) << "typing keeps the answer in front";

  // Escape dismisses it all and leaves the bar.
  view.focusBar();
  QTest::keyClick(view.field(), Qt::Key_Escape);
  EXPECT_EQ(lib.ctx.notes->query(), "");
  EXPECT_EQ(view.field()->text(), "");
  EXPECT_EQ(view.pane(), panes::Pane::highlights);
  EXPECT_NE(view.window()->focusWidget(), view.field());

  // The clear button does the same, the focus aside.
  QTest::keyClicks(view.field(), "x");
  lib.ctx.lib->setAsk(LM::Failed{"x", "failed"});
  view.clearButton()->click();
  EXPECT_EQ(lib.ctx.notes->query(), "");
  EXPECT_EQ(view.pane(), panes::Pane::highlights);
}

// The library side as the main window hosts it: in a window whose own colour is not the paper.
// Every page's pane lets the paper show over its whole area, a column that fits shows no scroll
// bar, and a column of lines that do not wrap still takes their height.
TEST(LibraryPaneLayoutTest, PanesShowThePaperEverywhereAndNoBarWhenNothingScrolls) {
  SampleLibrary lib(false);
  const QColor windowColour(0, 200, 0);
  const QColor paper = look::Margin::paper.color();
  for (const Page page : {Page::library, Page::pages, Page::listened, Page::documents}) {
    QWidget window;
    QPalette pal = window.palette();
    pal.setColor(QPalette::Window, windowColour);
    window.setPalette(pal);
    auto* view = new LibraryView(lib.ctx, page, lib.center, &window);
    window.resize(1000, 900);
    view->resize(window.size());
    window.show();  // no turn of the event loop: the pane is right as soon as it is shown
    const QImage image = window.grab().toImage();
    for (const QPoint at : {QPoint(500, 150), QPoint(900, 400), QPoint(500, 850)}) {
      EXPECT_EQ(image.pixelColor(at).rgb(), paper.rgb()) << int(page) << " at " << at.x() << "," << at.y();
    }
    for (auto* scroll : view->paneWidget()->findChildren<QScrollArea*>()) {
      EXPECT_FALSE(scroll->verticalScrollBar()->isVisible()) << int(page) << ": nothing scrolls";
    }
    if (auto* scroll = dynamic_cast<QScrollArea*>(view->paneWidget())) {
      EXPECT_FALSE(scroll->verticalScrollBar()->isVisible()) << int(page) << ": nothing scrolls";
    }
    if (page == Page::documents) {
      QLabel* none = nullptr;
      for (auto* l : view->findChildren<QLabel*>()) {
        if (l->text() == panes::kNoDocuments) none = l;
      }
      ASSERT_NE(none, nullptr);
      EXPECT_GE(none->height(), none->fontMetrics().height()) << "the line has room";
      EXPECT_GT(none->mapTo(view, QPoint(0, 0)).y(), view->paneWidget()->mapTo(view, QPoint(0, 0)).y() + 40)
          << "with its space above";
    }
  }
}

TEST(QtConfirmerTest, OnlyTheConfirmingButtonConfirms) {
  // Answers the box by pressing one of its buttons once it is up.
  const auto answerWith = [](const QString& label) {
    QTimer::singleShot(0, [label] {
      for (auto* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
          EXPECT_EQ(box->text(), "Clear your listening history?");
          EXPECT_TRUE(box->informativeText().contains("from this computer"));
          for (auto* b : box->buttons()) {
            if (b->text() == label) b->click();
          }
        }
      }
    });
  };
  QtConfirmer confirmer;
  answerWith("Cancel");
  EXPECT_FALSE(confirmer.confirm(panes::clearHistoryQuestion()));
  answerWith("Clear History");
  EXPECT_TRUE(confirmer.confirm(panes::clearHistoryQuestion()));
}

TEST_F(LibraryViewTest, FindKeyFocusesTheBarAndChipsReportSelection) {
  LibraryView view(lib.ctx, Page::library, lib.center);
  show(view);
  view.activateWindow();
  auto* stream = dynamic_cast<HighlightsStream*>(view.paneWidget());
  ASSERT_NE(stream, nullptr);
  stream->chips()[2]->setFocus();
  QTest::keyClick(stream->chips()[2], Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(view.window()->focusWidget(), view.field());

  for (std::size_t i = 0; i < 3; ++i) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(stream->chips()[i]);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(bool(a->state().selected), i == 0) << i;
  }
}

TEST_F(LibraryViewTest, FocusAskAndPageChanges) {
  LibraryView view(lib.ctx, Page::library, lib.center);
  show(view);
  lib.ctx.notes->setQuery("pricing");
  EXPECT_EQ(view.field()->text(), "pricing");
  lib.ctx.lib->setAsk(LM::Answer{"pricing", "An answer.", {}, {}});
  lib.center->post(std::string(notifications::orvakFocusAsk));
  lib.time().drain();
  EXPECT_TRUE(std::holds_alternative<LM::Idle>(lib.ctx.lib->ask()));
  EXPECT_EQ(view.field()->text(), "pricing") << "the text stays";
  EXPECT_EQ(view.window()->focusWidget(), view.field());
  EXPECT_EQ(view.pane(), panes::Pane::search);

  lib.ctx.notes->setQuery("");
  lib.ctx.lib->setAsk(LM::Answer{"q", "t", {}, {}});
  view.setPage(Page::documents);
  EXPECT_EQ(view.pane(), panes::Pane::ask) << "an answer survives a change of page";
  lib.ctx.lib->setAsk(LM::Failed{"q", "m"});
  lib.ctx.lib->setOpenPage(true);
  view.setPage(Page::pages);
  EXPECT_EQ(view.pane(), panes::Pane::pages) << "a failed question does not";
  EXPECT_FALSE(lib.ctx.lib->openPage());
  view.setPage(Page::listened);
  EXPECT_EQ(view.pane(), panes::Pane::listened);
}

}  // namespace
