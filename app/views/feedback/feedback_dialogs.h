// The feedback form, the crash alert and the result alert as Qt dialogs: system-style alerts, each
// raised and activated when shown and run modally.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "app/feedback/feedback.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QMessageBox;

namespace orvak::views::feedback {

// "Send feedback": a 340 x 120 text box, an e-mail field only when asked for, the log checkbox
// (ticked), "Send" and "Cancel".
class FeedbackForm : public QDialog {
 public:
  explicit FeedbackForm(bool askEmail, QWidget* parent = nullptr);
  QPlainTextEdit* text() const { return text_; }
  QLineEdit* email() const { return email_; }  // null without the field
  QCheckBox* includeLog() const { return log_; }

 private:
  QPlainTextEdit* text_ = nullptr;
  QLineEdit* email_ = nullptr;
  QCheckBox* log_ = nullptr;
};

// "Orvak quit unexpectedly last time" with "Send Report", "Don't Send" and "Always send crash
// reports".
std::unique_ptr<QMessageBox> makeCrashAlert();
// "Thank you — sent." or "Couldn't send just now".
std::unique_ptr<QMessageBox> makeResultAlert(bool sent);

class QtFeedbackDialogs final : public Feedback::Dialogs {
 public:
  std::optional<FormAnswer> runForm(bool askEmail) override;
  CrashAnswer runCrashAlert() override;
  void showResult(bool sent) override;
};

}  // namespace orvak::views::feedback
