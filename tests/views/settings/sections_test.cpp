// The account, pronunciation and keys pages offscreen, over fakes and a keychain in memory.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <QLineEdit>
#include <QTest>

#include "app/prefs.h"
#include "app/settings/account_port.h"
#include "app/views/look/controls.h"
#include "app/views/look/ink_label.h"
#include "app/views/settings/fitted_text.h"
#include "app/views/settings/rows.h"
#include "app/views/settings/settings_sections.h"
#include "tests/support/temp_home.h"
#include "tests/vendor_servers/memory_keychain.h"

namespace orvak::views::settings {
namespace {

class FakeAccount final : public AccountPort {
 public:
  bool token = false;
  std::optional<std::string> mail, said;
  std::vector<std::string> sent;
  int signOuts = 0;
  std::function<void()> changed;
  bool hasToken() const override { return token; }
  std::optional<std::string> email() const override { return mail; }
  std::optional<std::string> message() const override { return said; }
  int observe(std::function<void()> c) override {
    changed = std::move(c);
    return 3;
  }
  void unobserve(int) override { changed = nullptr; }
  void emailLink(const std::string& address) override { sent.push_back(address); }
  void signOut() override { ++signOuts; }
};

TEST(AccountSectionTest, StatesFollowTokenAndInfo) {
  struct Case {
    bool token;
    std::optional<std::string> mail;
    bool in;
  };
  for (const auto& c : {Case{true, "ada@example.org", true}, Case{true, std::nullopt, false},
                        Case{false, "ada@example.org", false}, Case{false, std::nullopt, false}}) {
    FakeAccount account;
    account.token = c.token;
    account.mail = c.mail;
    settings::AccountSection section(account);
    EXPECT_EQ(section.signedIn(), c.in);
    EXPECT_EQ(section.stateRow()->label()->text(), c.in ? "ada@example.org" : "Not signed in");
    EXPECT_EQ(section.emailField() != nullptr, !c.in);
  }
}

TEST(AccountSectionTest, SendsExactlyWhatWasTypedWithAnAt) {
  FakeAccount account;
  settings::AccountSection section(account);
  EXPECT_FALSE(section.sendButton()->isEnabled());
  QTest::keyClicks(section.emailField(), "ada.example.org");
  QTest::keyClick(section.emailField(), Qt::Key_Return);
  EXPECT_TRUE(account.sent.empty()) << "Return without an @ sends nothing";
  EXPECT_FALSE(section.sendButton()->isEnabled());
  section.emailField()->setText("@");
  EXPECT_TRUE(section.sendButton()->isEnabled());
  section.sendButton()->click();
  section.emailField()->setText("  ada@example.org ");
  QTest::keyClick(section.emailField(), Qt::Key_Return);
  EXPECT_EQ(account.sent, (std::vector<std::string>{"@", "  ada@example.org "}));

  // The outcome arrives as the account's message; the typed address stays.
  account.said = "Check your email for a sign-in link.";
  account.changed();
  ASSERT_NE(section.messageLine(), nullptr);
  EXPECT_EQ(section.messageLine()->text(), "Check your email for a sign-in link.");
  EXPECT_EQ(section.emailField()->text(), "  ada@example.org ");

  // Signed in: the e-mail and Sign Out.
  account.token = true;
  account.mail = "ada@example.org";
  account.changed();
  ASSERT_NE(section.signOutButton(), nullptr);
  section.signOutButton()->click();
  EXPECT_EQ(account.signOuts, 1);
}

TEST(AccountSectionTest, TheKeyboardFocusStaysOnItsControlWhenTheAccountChanges) {
  enum class Control { email, send, signOut };
  struct Case {
    const char* what;
    bool signedInBefore;
    Control before;
    bool signedInAfter;
    Control after;
  };
  const Case cases[] = {
      {"the sign-in reply while typing", false, Control::email, false, Control::email},
      {"the sign-in reply after Send", false, Control::send, false, Control::send},
      {"signed in from the link", false, Control::email, true, Control::signOut},
      {"signed out with Sign Out", true, Control::signOut, false, Control::email},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeAccount account;
    account.token = c.signedInBefore;
    if (c.signedInBefore) account.mail = "ada@example.org";
    settings::AccountSection section(account);
    section.resize(640, 300);
    section.show();
    QApplication::setActiveWindow(&section);
    auto control = [&section](Control which) -> QWidget* {
      switch (which) {
        case Control::email:
          return section.emailField();
        case Control::send:
          return section.sendButton();
        case Control::signOut:
          return section.signOutButton();
      }
      return nullptr;
    };
    if (!c.signedInBefore) {
      section.emailField()->setText("ada@example.org");
      section.emailField()->setCursorPosition(3);
    }
    control(c.before)->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), control(c.before));

    account.token = c.signedInAfter;
    account.mail = c.signedInAfter ? std::optional<std::string>("ada@example.org") : std::nullopt;
    account.said = "Check your email for a sign-in link.";
    account.changed();
    ASSERT_NE(control(c.after), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), control(c.after));
    if (c.before == Control::email && c.after == Control::email) {
      // The next key types where the user was typing.
      QTest::keyClicks(QApplication::focusWidget(), "x");
      EXPECT_EQ(section.emailField()->text(), "adax@example.org");
    }
  }
}

class PronunciationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefs = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(test::freshDir("pron") / "d.json"));
  }
  std::unique_ptr<Prefs> prefs;
  std::vector<std::string> heard;
};

TEST_F(PronunciationTest, FormButtonsAndRows) {
  prefs->setPronunciations({{"NASA", "nassa"}, {"GIF", "jiff"}, {"NASA", "nassa"}});
  settings::PronunciationSection section(*prefs, [this](const std::string& t) { heard.push_back(t); });
  ASSERT_EQ(section.ruleRows().size(), 3u);
  EXPECT_EQ(section.ruleRows()[1]->caption()->text(), "says “jiff”");
  EXPECT_FALSE(section.hearButton()->isEnabled());
  EXPECT_FALSE(section.addButton()->isEnabled());

  // Only spaces in "How to say it": Hear on, Add off, Return nothing.
  section.writtenField()->setText("Nguyen");
  section.spokenField()->setText("   ");
  EXPECT_TRUE(section.hearButton()->isEnabled());
  EXPECT_FALSE(section.addButton()->isEnabled());
  QTest::keyClick(section.spokenField(), Qt::Key_Return);
  EXPECT_EQ(prefs->pronunciations().size(), 3u);
  section.hearButton()->click();

  section.spokenField()->setText(" win ");
  QTest::keyClick(section.spokenField(), Qt::Key_Return);
  EXPECT_EQ(prefs->pronunciations().back(), (Pronunciation{"Nguyen", "win"}));
  EXPECT_TRUE(section.writtenField()->text().isEmpty()) << "the form empties after adding";
  EXPECT_EQ(section.ruleRows().size(), 4u);

  // The first row's buttons: Hear It reads the written form with a full stop; Remove drops both
  // copies of the rule.
  auto* buttons = section.ruleRows()[0]->trailing();
  auto list = buttons->findChildren<look::MarginButton*>();
  ASSERT_EQ(list.size(), 2);
  list[0]->click();
  list[1]->click();
  EXPECT_EQ(prefs->pronunciations(), (std::vector<Pronunciation>{{"GIF", "jiff"}, {"Nguyen", "win"}}));
  EXPECT_EQ(heard, (std::vector<std::string>{"   ", "NASA."}));
}

class KeysTest : public ::testing::Test {
 protected:
  void SetUp() override { chain = test::useMemoryKeychain({{"cartesia", "sk-cartesia-123456"}}); }
  void TearDown() override {
    ::unsetenv("INWORLD_API_KEY");
    test::useMemoryKeychain({});
  }
  std::shared_ptr<test::MemoryKeychain> chain;
};

QString statusOf(settings::KeyRow* row) { return static_cast<look::InkLabel*>(row->statusRow()->trailing())->text(); }

TEST_F(KeysTest, StatusRemoveAndSave) {
  ::setenv("INWORLD_API_KEY", "sk-env-1234567890", 1);
  settings::KeysTab tab;
  EXPECT_EQ(statusOf(tab.inworld()), "Saved (environment (INWORLD_API_KEY))");
  EXPECT_EQ(tab.inworld()->removeButton(), nullptr);
  EXPECT_EQ(statusOf(tab.cartesia()), "Saved (keyring)");
  ASSERT_NE(tab.cartesia()->removeButton(), nullptr);
  EXPECT_EQ(tab.inworld()->entry()->echoMode(), QLineEdit::Password);

  // An empty field cannot be saved; spaces reach the key store, which says why not.
  EXPECT_FALSE(tab.inworld()->saveButton()->isEnabled());
  tab.inworld()->entry()->setText("   ");
  ASSERT_TRUE(tab.inworld()->saveButton()->isEnabled());
  tab.inworld()->saveButton()->click();
  EXPECT_EQ(tab.inworld()->message()->text(), "That doesn't look like an API key (unexpected characters or length).");
  EXPECT_EQ(tab.inworld()->entry()->text(), "   ") << "kept for correcting";

  // Removing the keyring key: the other row is redrawn too.
  tab.cartesia()->removeButton()->click();
  EXPECT_EQ(statusOf(tab.cartesia()), "No key");
  EXPECT_EQ(tab.cartesia()->message()->text(), "Removed");
  EXPECT_EQ(tab.changes(), 2);

  // Saving into the keyring; the field empties.
  tab.cartesia()->entry()->setText("sk-new-key-0987654321");
  tab.cartesia()->saveButton()->click();
  EXPECT_EQ(tab.cartesia()->message()->text(), "Saved");
  EXPECT_TRUE(tab.cartesia()->entry()->text().isEmpty());
  EXPECT_EQ(statusOf(tab.cartesia()), "Saved (keyring)");
  EXPECT_EQ(tab.inworld()->message()->text(), "That doesn't look like an API key (unexpected characters or length).")
      << "each row keeps its own message across the other's redraw";
}

TEST_F(KeysTest, TheKeyboardFocusStaysOnItsControlAcrossTheRedrawAndALongMessageWraps) {
  settings::KeysTab tab;
  tab.resize(640, 600);
  tab.show();
  QApplication::setActiveWindow(&tab);
  const int narrowest = tab.minimumSizeHint().width();

  // Space on a refused Save: the message comes, the focus stays on Save.
  tab.inworld()->entry()->setText("   ");
  tab.inworld()->saveButton()->setFocus();
  QTest::keyClick(tab.inworld()->saveButton(), Qt::Key_Space);
  ASSERT_NE(tab.inworld()->message(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), tab.inworld()->saveButton());

  // Space on Remove: the button goes with the key, the row's field takes the focus.
  tab.cartesia()->removeButton()->setFocus();
  QTest::keyClick(tab.cartesia()->removeButton(), Qt::Key_Space);
  EXPECT_EQ(tab.cartesia()->removeButton(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), tab.cartesia()->entry());
  // Typing in one row while the other redraws.
  QTest::keyClicks(QApplication::focusWidget(), "sk-");
  tab.inworld()->say("Saved");
  EXPECT_EQ(QApplication::focusWidget(), tab.cartesia()->entry());
  EXPECT_EQ(tab.cartesia()->entry()->text(), "sk-");

  const QString longMessage = QString("The keyring refused the key: ").repeated(12);
  tab.cartesia()->say(longMessage);
  EXPECT_TRUE(tab.cartesia()->message()->wordWrap());
  EXPECT_LE(tab.minimumSizeHint().width(), std::max(narrowest, 640)) << "a long message does not widen the page";
}

TEST_F(KeysTest, ARefusedRemovalIsNotReportedAsDone) {
  settings::KeysTab tab;
  chain->keepOnRemove = true;
  tab.cartesia()->removeButton()->click();
  EXPECT_EQ(tab.cartesia()->message()->text(), "Couldn't remove the key from the keyring.");
  EXPECT_EQ(statusOf(tab.cartesia()), "Saved (keyring)");
  EXPECT_NE(tab.cartesia()->removeButton(), nullptr);
}

}  // namespace
}  // namespace orvak::views::settings
