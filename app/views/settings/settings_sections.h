// Three small settings pages: the account (sign in by an e-mailed link, sign out), the user's
// pronunciation rules, and the voice vendors' keys.
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

class QLineEdit;

namespace orvak {
class AccountPort;
class Prefs;
namespace look {
class InkLabel;
class MarginButton;
}  // namespace look
}  // namespace orvak

namespace orvak::views::settings {

class MSection;
class MRow;

class AccountSection : public QWidget {
 public:
  explicit AccountSection(AccountPort& account, QWidget* parent = nullptr);
  ~AccountSection() override;

  bool signedIn() const { return signedIn_; }
  MRow* stateRow() const { return stateRow_; }
  QLineEdit* emailField() const { return email_; }  // signed out only
  look::MarginButton* sendButton() const { return send_; }
  look::MarginButton* signOutButton() const { return signOut_; }
  look::InkLabel* messageLine() const { return message_; }  // null without a message
  // Sends the typed address when it holds "@".
  void send();

 private:
  void rebuild();

  AccountPort& account_;
  int observer_ = 0;
  MSection* section_;
  bool signedIn_ = false;
  QString typed_;
  MRow* stateRow_ = nullptr;
  QLineEdit* email_ = nullptr;
  look::MarginButton* send_ = nullptr;
  look::MarginButton* signOut_ = nullptr;
  look::InkLabel* message_ = nullptr;
};

class PronunciationSection : public QWidget {
 public:
  // `hear` reads a text aloud (a test read through the controller).
  PronunciationSection(Prefs& prefs, std::function<void(const std::string& text)> hear, QWidget* parent = nullptr);
  ~PronunciationSection() override;

  std::vector<MRow*> ruleRows() const;
  QLineEdit* writtenField() const { return written_; }
  QLineEdit* spokenField() const { return spoken_; }
  look::MarginButton* hearButton() const { return hear_; }
  look::MarginButton* addButton() const { return add_; }

 private:
  void rebuildRules();
  void follow();

  Prefs& prefs_;
  std::function<void(const std::string&)> read_;
  std::uint64_t observer_ = 0;
  MSection* section_;
  QWidget* rules_;
  QLineEdit* written_;
  QLineEdit* spoken_;
  look::MarginButton* hear_;
  look::MarginButton* add_;
};

// One vendor's key: its status, a masked field, Save and (for a keyring key) Remove.
class KeyRow : public QWidget {
 public:
  KeyRow(std::string provider, const QString& title, QWidget* parent = nullptr);
  void redraw();  // re-reads the status
  // Shows a message under the entry line, as an action would.
  void say(const QString& text) {
    said_ = text;
    redraw();
  }
  std::function<void()> onChanged;  // after a save or removal

  MRow* statusRow() const { return status_; }
  QLineEdit* entry() const { return entry_; }
  look::MarginButton* saveButton() const { return save_; }
  look::MarginButton* removeButton() const { return remove_; }  // null unless the keyring holds it
  look::InkLabel* message() const { return message_; }

 private:
  std::string provider_;
  MSection* section_;
  MRow* status_ = nullptr;
  QLineEdit* entry_ = nullptr;
  look::MarginButton* save_ = nullptr;
  look::MarginButton* remove_ = nullptr;
  look::InkLabel* message_ = nullptr;
  QString typed_;
  QString said_;
};

class KeysTab : public QWidget {
 public:
  explicit KeysTab(QWidget* parent = nullptr);
  KeyRow* inworld() const { return inworld_; }
  KeyRow* cartesia() const { return cartesia_; }
  int changes() const { return tick_; }

 private:
  int tick_ = 0;
  KeyRow* inworld_;
  KeyRow* cartesia_;
};

}  // namespace orvak::views::settings
