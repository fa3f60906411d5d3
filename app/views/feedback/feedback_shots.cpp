#include "app/views/feedback/feedback_shots.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>

#include "app/views/feedback/feedback_dialogs.h"

namespace orvak::views::feedback {

std::vector<Shot> feedbackShots() {
  auto form = [](bool askEmail) {
    return [askEmail](double scale) {
      FeedbackForm f(askEmail);
      f.text()->setPlainText("The voice skips the first word of each paragraph in my e-mail client.");
      if (f.email() != nullptr) f.email()->setText("");
      return renderWidget(f, scale);
    };
  };
  return {
      {"feedback-form", "the feedback form signed out, with the e-mail field", form(true)},
      {"feedback-form-signed-in", "the feedback form signed in, without the e-mail field", form(false)},
      {"crash-alert", "the offer to send the last crash report",
       [](double scale) { return renderWidget(*makeCrashAlert(), scale); }},
      {"feedback-sent", "the feedback was sent",
       [](double scale) { return renderWidget(*makeResultAlert(true), scale); }},
      {"feedback-failed", "the feedback could not be sent",
       [](double scale) { return renderWidget(*makeResultAlert(false), scale); }},
  };
}

}  // namespace orvak::views::feedback
