// The feedback form and the crash alert as the user meets them: what each holds, and what the
// answers given in the running dialog come back as.
#include "app/views/feedback/feedback_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

using namespace orvak;
using namespace orvak::views;

namespace {

QStringList buttonTexts(const QWidget& w) {
  QStringList out;
  for (auto* b : w.findChildren<QPushButton*>()) out << b->text();
  out.sort();
  return out;
}

QPushButton* button(const QWidget& w, const QString& text) {
  for (auto* b : w.findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

// Runs `act` on the modal dialog once it is up.
void whenShown(std::function<void(QWidget&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(*modal);
  });
}

TEST(FeedbackDialogs, TheFormHasTheEmailFieldOnlyWhenAskedAndTheLogTicked) {
  for (const bool askEmail : {true, false}) {
    feedback::FeedbackForm form(askEmail);
    EXPECT_EQ(form.text()->size(), QSize(340, 120));
    EXPECT_EQ(form.email() != nullptr, askEmail);
    if (askEmail) {
      EXPECT_EQ(form.email()->placeholderText(), "Your email, so we can reply");
      EXPECT_EQ(form.email()->text(), "");
    }
    EXPECT_TRUE(form.includeLog()->isChecked());
    EXPECT_EQ(form.includeLog()->text(), "Include Orvak's recent log (timings only, never what you read)");
    EXPECT_EQ(buttonTexts(form), (QStringList{"Cancel", "Send"}));
  }
}

TEST(FeedbackDialogs, TheFormsAnswersComeBackAsTyped) {
  feedback::QtFeedbackDialogs dialogs;
  whenShown([](QWidget& w) {
    auto& form = dynamic_cast<feedback::FeedbackForm&>(w);
    form.text()->setPlainText("  It skips words \n");
    form.email()->setText(" me@example.com");
    form.includeLog()->setChecked(false);
    button(form, "Send")->click();
  });
  const auto answer = dialogs.runForm(true);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->text, "  It skips words \n");
  EXPECT_EQ(answer->email, " me@example.com");
  EXPECT_FALSE(answer->includeLog);

  whenShown([](QWidget& w) { button(w, "Cancel")->click(); });
  EXPECT_FALSE(dialogs.runForm(false));
}

TEST(FeedbackDialogs, TheCrashAlertsButtonsAndCheckbox) {
  const struct {
    const char* click;
    bool tick;
    bool send;
  } cases[] = {{"Send Report", false, true}, {"Don't Send", true, false}, {"Send Report", true, true}};
  for (const auto& c : cases) {
    feedback::QtFeedbackDialogs dialogs;
    whenShown([c](QWidget& w) {
      auto& box = dynamic_cast<QMessageBox&>(w);
      EXPECT_EQ(box.text(), "Orvak quit unexpectedly last time");
      ASSERT_NE(box.checkBox(), nullptr);
      EXPECT_EQ(box.checkBox()->text(), "Always send crash reports");
      EXPECT_FALSE(box.checkBox()->isChecked());
      box.checkBox()->setChecked(c.tick);
      button(box, c.click)->click();
    });
    const auto answer = dialogs.runCrashAlert();
    EXPECT_EQ(answer.send, c.send) << c.click;
    EXPECT_EQ(answer.always, c.tick) << c.click;
  }
}

}  // namespace
