#include "app/views/feedback/feedback_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/views/look/text_styles.h"

namespace orvak::views::feedback {

namespace {

constexpr int kFieldWidth = 340;

// Modal dialogs come up in front of whatever the user was doing: the menu opened them.
int runInFront(QDialog& dialog) {
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
  return dialog.exec();
}

// An alert with a bold message and room for its informative text, as system alerts have.
std::unique_ptr<QMessageBox> makeAlert(const QString& message, const QString& informative, QMessageBox::Icon icon) {
  auto box = std::make_unique<QMessageBox>();
  box->setWindowTitle("Orvak");
  box->setIcon(icon);
  box->setTextFormat(Qt::PlainText);
  box->setText(message);
  box->setInformativeText(informative);
  box->setStyleSheet(
      "QLabel#qt_msgbox_label { font-weight: bold; } QLabel#qt_msgbox_informativelabel { min-width: 300px; }");
  return box;
}

}  // namespace

FeedbackForm::FeedbackForm(bool askEmail, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Orvak");
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(20, 20, 20, 16);
  outer->setSpacing(8);

  auto* title = new QLabel("Send feedback");
  title->setFont(look::systemFont(13, QFont::Bold));
  auto* info = new QLabel("What's working, what isn't, what you wish Orvak did. We read everything.");
  info->setFont(look::systemFont(11));
  info->setWordWrap(true);
  info->setFixedWidth(kFieldWidth);
  outer->addWidget(title);
  outer->addWidget(info);

  auto* stack = new QVBoxLayout();
  stack->setSpacing(8);
  text_ = new QPlainTextEdit();
  text_->setFont(look::systemFont(13));
  text_->setFixedSize(kFieldWidth, 120);
  text_->setTabChangesFocus(true);
  stack->addWidget(text_);
  if (askEmail) {
    email_ = new QLineEdit();
    email_->setPlaceholderText("Your email, so we can reply");
    email_->setFixedWidth(kFieldWidth);
    stack->addWidget(email_);
  }
  log_ = new QCheckBox("Include Orvak's recent log (timings only, never what you read)");
  log_->setChecked(true);
  stack->addWidget(log_);
  outer->addLayout(stack);

  auto* buttons = new QDialogButtonBox();
  QPushButton* send = buttons->addButton("Send", QDialogButtonBox::AcceptRole);
  buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
  send->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  outer->addSpacing(8);
  outer->addWidget(buttons);
  text_->setFocus();
}

std::unique_ptr<QMessageBox> makeCrashAlert() {
  auto box = makeAlert("Orvak quit unexpectedly last time",
                       "Send the crash report so we can fix it? It holds technical details only: never what you were "
                       "reading, your name or your email.",
                       QMessageBox::Warning);
  QPushButton* send = box->addButton("Send Report", QMessageBox::AcceptRole);
  box->addButton("Don't Send", QMessageBox::RejectRole);
  box->setDefaultButton(send);
  auto* always = new QCheckBox("Always send crash reports");
  always->setChecked(false);
  box->setCheckBox(always);
  return box;
}

std::unique_ptr<QMessageBox> makeResultAlert(bool sent) {
  auto box = makeAlert(sent ? "Thank you \u2014 sent." : "Couldn't send just now",
                       sent ? "We'll reply by email if there's anything to say back."
                            : "Check your connection and try again from the Orvak menu.",
                       sent ? QMessageBox::Information : QMessageBox::Warning);
  box->setStandardButtons(QMessageBox::Ok);
  return box;
}

std::optional<Feedback::Dialogs::FormAnswer> QtFeedbackDialogs::runForm(bool askEmail) {
  FeedbackForm form(askEmail);
  if (runInFront(form) != QDialog::Accepted) return std::nullopt;
  FormAnswer answer;
  answer.text = form.text()->toPlainText().toStdString();
  if (form.email() != nullptr) answer.email = form.email()->text().toStdString();
  answer.includeLog = form.includeLog()->isChecked();
  return answer;
}

Feedback::Dialogs::CrashAnswer QtFeedbackDialogs::runCrashAlert() {
  auto box = makeCrashAlert();
  QAbstractButton* send = box->buttons().value(0);
  runInFront(*box);
  CrashAnswer answer;
  answer.send = box->clickedButton() == send;
  answer.always = box->checkBox()->isChecked();
  return answer;
}

void QtFeedbackDialogs::showResult(bool sent) {
  auto box = makeResultAlert(sent);
  runInFront(*box);
}

}  // namespace orvak::views::feedback
