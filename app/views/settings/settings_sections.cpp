#include "app/views/settings/settings_sections.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/prefs.h"
#include "app/settings/account_port.h"
#include "app/settings/settings_sections.h"
#include "app/views/look/controls.h"
#include "app/views/look/ink_label.h"
#include "app/views/look/palette.h"
#include "app/views/look/qstring.h"
#include "app/views/look/text_styles.h"
#include "app/views/settings/kept_focus.h"
#include "app/views/settings/rows.h"
#include "speech/keys.h"

namespace orvak::views::settings {
namespace {

using look::qs;

QVBoxLayout* bareColumn(QWidget* w, int spacing = 0) {
  auto* c = new QVBoxLayout(w);
  c->setContentsMargins(0, 0, 0, 0);
  c->setSpacing(spacing);
  return c;
}

// A line of controls inside a card, 8 apart, 10 above and below.
QHBoxLayout* controlLine(QWidget* w) {
  auto* line = new QHBoxLayout(w);
  line->setContentsMargins(0, 10, 0, 10);
  line->setSpacing(8);
  return line;
}

}  // namespace

// ---- AccountSection ----

AccountSection::AccountSection(AccountPort& account, QWidget* parent) : QWidget(parent), account_(account) {
  section_ = new MSection("Account", this);
  bareColumn(this)->addWidget(section_);
  observer_ = account_.observe([this] { rebuild(); });
  rebuild();
}

AccountSection::~AccountSection() { account_.unobserve(observer_); }

void AccountSection::send() {
  const std::string address = typed_.toStdString();
  if (!AccountState::canSend(address)) return;
  account_.emailLink(address);
}

void AccountSection::rebuild() {
  if (email_) typed_ = email_->text();
  // The service's reply rebuilds the section while the user may be typing or on a button.
  KeptFocus focus;
  focus.note(email_, "email");
  focus.note(send_, "send");
  focus.note(signOut_, "signOut");
  section_->clear();
  email_ = nullptr;
  send_ = signOut_ = nullptr;
  message_ = nullptr;
  const auto email = account_.email();
  signedIn_ = AccountState::signedIn(account_.hasToken(), email.has_value());
  if (signedIn_) {
    signOut_ = new look::MarginButton("Sign Out", false);
    connect(signOut_, &QAbstractButton::clicked, this, [this] { account_.signOut(); });
    stateRow_ = section_->addRow(qs(*email), std::nullopt, signOut_);
  } else {
    stateRow_ = section_->addRow("Not signed in", std::nullopt, nullptr);
    auto* line = new QWidget;
    auto* layout = controlLine(line);
    email_ = new QLineEdit(typed_);
    email_->setPlaceholderText("Your email");
    email_->setFixedWidth(240);
    send_ = new look::MarginButton("Email Me a Sign-In Link", false);
    send_->setEnabled(AccountState::canSend(typed_.toStdString()));
    layout->addWidget(email_);
    layout->addWidget(send_);
    layout->addStretch(1);
    connect(email_, &QLineEdit::textChanged, this, [this](const QString& t) {
      typed_ = t;
      send_->setEnabled(AccountState::canSend(t.toStdString()));
    });
    connect(email_, &QLineEdit::returnPressed, this, [this] { send(); });
    connect(send_, &QAbstractButton::clicked, this, [this] { send(); });
    section_->add(line);
  }
  if (const auto m = account_.message()) {
    message_ = new look::InkLabel(qs(*m), look::systemFont(11.5), look::Margin::ink3);
    message_->setWordWrap(true);
    message_->setContentsMargins(0, 0, 0, 6);
    section_->add(message_);
  }
  // A control that went with the state (Sign Out once signed out, the field once signed in, Send
  // while the address is incomplete) hands the focus to the state's first control.
  const bool kept = focus.giveBack(email_, "email") || focus.giveBack(send_, "send") ||
                    focus.giveBack(signOut_, "signOut");
  if (!kept && focus.held()) {
    if (QWidget* first = email_ ? static_cast<QWidget*>(email_) : signOut_) first->setFocus(Qt::OtherFocusReason);
  }
}

// ---- PronunciationSection ----

PronunciationSection::PronunciationSection(Prefs& prefs, std::function<void(const std::string&)> hear, QWidget* parent)
    : QWidget(parent), prefs_(prefs), read_(std::move(hear)) {
  section_ = new MSection("Words and names", this);
  bareColumn(this)->addWidget(section_);
  auto* note = new look::InkLabel("Teach Orvak a name or word once. Spell it the way it sounds.",
                                  look::systemFont(11.5), look::Margin::ink3);
  note->setWordWrap(true);
  note->setContentsMargins(0, 8, 0, 4);
  section_->add(note);
  rules_ = new QWidget;
  bareColumn(rules_);
  section_->add(rules_);

  auto* form = new QWidget;
  auto* line = controlLine(form);
  written_ = new QLineEdit;
  written_->setPlaceholderText("Word or name");
  written_->setFixedWidth(150);
  auto* soundsLike = new look::InkLabel("sounds like", look::systemFont(12), look::Margin::ink2);
  spoken_ = new QLineEdit;
  spoken_->setPlaceholderText("How to say it");
  spoken_->setFixedWidth(150);
  hear_ = new look::MarginButton("Hear", false);
  add_ = new look::MarginButton("Add", true);
  for (QWidget* w : std::initializer_list<QWidget*>{written_, soundsLike, spoken_, hear_, add_}) line->addWidget(w);
  line->addStretch(1);
  section_->add(form);

  auto addRule = [this] {
    if (PronunciationRules::add(prefs_, written_->text().toStdString(), spoken_->text().toStdString())) {
      written_->clear();
      spoken_->clear();
    }
  };
  connect(spoken_, &QLineEdit::returnPressed, this, addRule);
  connect(add_, &QAbstractButton::clicked, this, addRule);
  connect(hear_, &QAbstractButton::clicked, this, [this] {
    if (read_) read_(PronunciationRules::hearForm(written_->text().toStdString(), spoken_->text().toStdString()));
  });
  connect(written_, &QLineEdit::textChanged, this, [this] { follow(); });
  connect(spoken_, &QLineEdit::textChanged, this, [this] { follow(); });
  observer_ = prefs_.addObserver([this](Prefs::Setting s) {
    if (s == Prefs::Setting::pronunciations) rebuildRules();
  });
  rebuildRules();
  follow();
}

PronunciationSection::~PronunciationSection() { prefs_.removeObserver(observer_); }

void PronunciationSection::follow() {
  const std::string w = written_->text().toStdString(), s = spoken_->text().toStdString();
  hear_->setEnabled(PronunciationRules::canHear(w, s));
  add_->setEnabled(PronunciationRules::valid(w, s));
}

std::vector<MRow*> PronunciationSection::ruleRows() const {
  std::vector<MRow*> out;
  auto* layout = rules_->layout();
  for (int i = 0; i < layout->count(); ++i) {
    if (auto* r = dynamic_cast<MRow*>(layout->itemAt(i)->widget())) out.push_back(r);
  }
  return out;
}

void PronunciationSection::rebuildRules() {
  auto* layout = rules_->layout();
  while (auto* item = layout->takeAt(0)) {
    if (auto* w = item->widget()) {
      w->hide();
      w->setParent(nullptr);
      w->deleteLater();
    }
    delete item;
  }
  for (const auto& rule : prefs_.pronunciations()) {
    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    auto* hearIt = new look::MarginButton("Hear It", false);
    auto* remove = new look::MarginButton("Remove", false);
    row->addWidget(hearIt);
    row->addWidget(remove);
    connect(hearIt, &QAbstractButton::clicked, this, [this, rule] {
      if (read_) read_(PronunciationRules::hearRule(rule));
    });
    connect(remove, &QAbstractButton::clicked, this, [this, rule] { PronunciationRules::remove(prefs_, rule); });
    layout->addWidget(new MRow(qs(rule.written), qs(PronunciationRules::caption(rule)), buttons));
  }
}

// ---- KeyRow and KeysTab ----

KeyRow::KeyRow(std::string provider, const QString& title, QWidget* parent)
    : QWidget(parent), provider_(std::move(provider)) {
  section_ = new MSection(title, this);
  bareColumn(this)->addWidget(section_);
  redraw();
}

void KeyRow::redraw() {
  if (entry_) typed_ = entry_->text();
  // The control with the keyboard's focus gets it back once the row is built again.
  KeptFocus focus;
  focus.note(entry_, "entry");
  focus.note(save_, "save");
  focus.note(remove_, "remove");
  section_->clear();
  remove_ = nullptr;
  message_ = nullptr;
  const auto source = Keys::source(provider_);
  auto* status = new look::InkLabel(qs(KeyStatus::status(source)), look::systemFont(12.5), look::Margin::ink2);
  status_ = section_->addRow("Status", std::nullopt, status);

  auto* line = new QWidget;
  auto* layout = controlLine(line);
  entry_ = new QLineEdit(typed_);
  entry_->setEchoMode(QLineEdit::Password);
  entry_->setPlaceholderText("Paste a new key");
  save_ = new look::MarginButton("Save", true);
  save_->setEnabled(!typed_.isEmpty());
  layout->addWidget(entry_, 1);
  layout->addWidget(save_);
  connect(entry_, &QLineEdit::textChanged, this, [this](const QString& t) {
    typed_ = t;
    save_->setEnabled(!t.isEmpty());
  });
  connect(save_, &QAbstractButton::clicked, this, [this] {
    const auto failed = Keys::save(provider_, entry_->text().toStdString());
    if (failed) {
      said_ = qs(*failed);
    } else {
      entry_->clear();  // the typed key is never kept once stored
      said_ = "Saved";
    }
    if (onChanged) onChanged();
  });
  if (KeyStatus::canRemove(source)) {
    remove_ = new look::MarginButton("Remove", false);
    layout->addWidget(remove_);
    connect(remove_, &QAbstractButton::clicked, this, [this] {
      Keys::remove(provider_);
      // Removal reports nothing; the source read again tells whether the key is really gone.
      said_ = qs(KeyStatus::afterRemove(Keys::source(provider_)));
      if (onChanged) onChanged();
    });
  }
  section_->add(line);
  if (!said_.isEmpty()) {
    message_ = new look::InkLabel(said_, look::systemFont(12), look::Margin::ink2);
    // A long refusal wraps inside the card instead of widening the page.
    message_->setWordWrap(true);
    message_->setContentsMargins(0, 0, 0, 8);
    section_->add(message_);
  }
  // A save that emptied the field leaves Save disabled, a removal takes Remove away: the field
  // takes the focus then.
  const bool kept =
      focus.giveBack(entry_, "entry") || focus.giveBack(save_, "save") || focus.giveBack(remove_, "remove");
  if (!kept && focus.held()) entry_->setFocus(Qt::OtherFocusReason);
}

KeysTab::KeysTab(QWidget* parent) : QWidget(parent) {
  auto* column = bareColumn(this, 22);
  auto* note = new look::InkLabel("Voice service keys are stored in your login keyring and stay on this computer.",
                                  look::systemFont(12.5), look::Margin::ink2);
  note->setWordWrap(true);
  note->setContentsMargins(0, 12, 0, 0);
  column->addWidget(note);
  inworld_ = new KeyRow("inworld", "Inworld");
  cartesia_ = new KeyRow("cartesia", "Cartesia");
  column->addWidget(inworld_);
  column->addWidget(cartesia_);
  // One change counter for both rows: a save or removal in either redraws both.
  for (KeyRow* r : {inworld_, cartesia_}) {
    r->onChanged = [this] {
      ++tick_;
      inworld_->redraw();
      cartesia_->redraw();
    };
  }
}

}  // namespace orvak::views::settings
