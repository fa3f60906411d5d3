#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QUndoStack>

#include "app/library/notes_text.h"
#include "app/views/desktop/qt_desktop.h"
#include "app/views/library/notes_unavailable_view.h"
#include "app/views/look/appearance.h"
#include "app/views/look/palette.h"
#include "app/views/shots.h"
#include "core/base/dispatch.h"
#include "core/base/paths.h"
#include "tests/support/temp_home.h"
#include "tests/views/look_test.h"

using namespace orvak;

namespace {

using NotesUnavailableViewTest = test::LookTest;

TEST_F(NotesUnavailableViewTest, NamesTheFoldersAndFollowsTheAppearance) {
  views::library::NotesUnavailableView view;
  EXPECT_EQ(view.heading()->text().toStdString(), "Notes are unavailable");
  EXPECT_EQ(view.explanation()->text().toStdString(),
            NotesText::unavailable(OrvakPaths::support(), OrvakPaths::logs(), OrvakPaths::home()));
  EXPECT_EQ(view.heading()->font().pixelSize(), 24);
  for (const auto appearance : {look::Appearance::dark, look::Appearance::light}) {
    look::setAppearance(appearance);
    view.resize(600, 300);
    const QImage image = views::renderWidget(view, 1);
    EXPECT_EQ(view.explanation()->palette().color(QPalette::WindowText), look::Margin::ink2.resolve(appearance));
    EXPECT_EQ(image.pixelColor(2, 2).rgb(), look::Margin::paper.resolve(appearance).rgb());
  }
}

TEST(UndoStackManagerTest, UndoesTheNewestActionOnceAndTellsWhichItIs) {
  QUndoStack stack;
  views::desktop::UndoStackManager undo(&stack);
  std::vector<std::string> ran;
  EXPECT_FALSE(undo.canUndo());
  EXPECT_EQ(undo.nextUndo(), std::nullopt);
  const auto a = undo.registerUndo("Delete Note", [&] { ran.push_back("a"); });
  const auto b = undo.registerUndo("Delete Highlight", [&] { ran.push_back("b"); });
  EXPECT_TRUE(ran.empty()) << "registering does not run the action";
  EXPECT_NE(a, b);
  EXPECT_EQ(undo.nextUndo(), b);
  EXPECT_EQ(stack.undoText().toStdString(), "Delete Highlight");
  undo.undo();
  EXPECT_EQ(ran, std::vector<std::string>{"b"});
  EXPECT_EQ(undo.nextUndo(), a);
  EXPECT_FALSE(stack.canRedo()) << "an undone action leaves no redo";
  undo.undo();
  EXPECT_EQ(ran, (std::vector<std::string>{"b", "a"}));
  EXPECT_FALSE(undo.canUndo());
}

TEST(QtSaveChooserTest, AnswersOnceWithTheChosenFileOrNothing) {
  dispatch::VirtualTime vt;
  views::desktop::QtSaveChooser chooser;
  const auto openDialog = [] {
    for (auto* w : QApplication::topLevelWidgets()) {
      if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) return d;
    }
    return static_cast<QFileDialog*>(nullptr);
  };
  std::vector<std::optional<std::filesystem::path>> answers;
  const auto done = [&](std::optional<std::filesystem::path> p) { answers.push_back(p); };

  chooser.chooseSaveFile({"Notes.md", "Markdown (*.md)"}, done);
  QFileDialog* dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(dialog->nameFilters(), QStringList{"Markdown (*.md)"});
  dialog->reject();
  vt.drain();
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0], std::nullopt);

  chooser.chooseSaveFile({"Notes.md", "Markdown (*.md)"}, done);
  dialog = openDialog();
  ASSERT_NE(dialog, nullptr);
  const auto chosen = test::freshDir("chooser") / "chosen.md";
  dialog->selectFile(QString::fromStdString(chosen.string()));
  static_cast<QDialog*>(dialog)->accept();  // the dialog's own Save button
  vt.drain();
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[1], chosen);
}

TEST(QtClipboardTest, KeepsPlainText) {
  views::desktop::QtClipboard clipboard;
  clipboard.setText("\u201Cquote\u201D\n\u2014 Page");
  EXPECT_EQ(clipboard.text(), "\u201Cquote\u201D\n\u2014 Page");
}

}  // namespace
