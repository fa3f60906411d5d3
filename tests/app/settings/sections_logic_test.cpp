// Signing in, the pronunciation rules and the keys' status, without a window.
#include <gtest/gtest.h>

#include "app/prefs.h"
#include "app/settings/settings_sections.h"
#include "tests/support/temp_home.h"

using namespace orvak;

namespace {

TEST(AccountStateTest, SignedInNeedsTokenAndInfo) {
  EXPECT_TRUE(AccountState::signedIn(true, true));
  EXPECT_FALSE(AccountState::signedIn(true, false));
  EXPECT_FALSE(AccountState::signedIn(false, true));
  EXPECT_FALSE(AccountState::signedIn(false, false));
  EXPECT_TRUE(AccountState::canSend("@"));
  EXPECT_TRUE(AccountState::canSend("  ada@example.org "));
  EXPECT_FALSE(AccountState::canSend("ada.example.org"));
  EXPECT_FALSE(AccountState::canSend(""));
}

class RulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefs = std::make_unique<Prefs>(std::make_shared<platform::Defaults>(test::freshDir("rules") / "d.json"));
    prefs->onChange = [this] { ++stores; };
  }
  std::unique_ptr<Prefs> prefs;
  int stores = 0;
};

TEST_F(RulesTest, AddReplacesEveryRuleForTheWordAtTheEnd) {
  using R = std::vector<Pronunciation>;
  struct Case {
    const char* what;
    R before;
    std::string written, spoken;
    R after;
  };
  const std::vector<Case> cases{
      {"NASA then nasa",
       {{"NASA", "nassa"}, {"GIF", "jiff"}},
       "nasa",
       "nah-sah",
       {{"GIF", "jiff"}, {"nasa", "nah-sah"}}},
      {"spaces and tabs trimmed, inner kept", {}, " \tNew York ", "  new  york\t", {{"New York", "new  york"}}},
      {"Unicode spaces trimmed: a pasted no-break space, a thin space",
       {},
       "\u2009Orvak\u00A0",
       "or-vak\u00A0\u00A0",
       {{"Orvak", "or-vak"}}},
      {"two stored in different case both go",
       {{"Ångström", "ong-strom"}, {"x", "ex"}, {"ÅNGSTRÖM", "ang"}},
       "ångström",
       "angstrom",
       {{"x", "ex"}, {"ångström", "angstrom"}}},
      {"full case folding", {{"STRASSE", "a"}}, "straße", "strah-seh", {{"straße", "strah-seh"}}},
  };
  for (const auto& c : cases) {
    prefs->setPronunciations(c.before);
    stores = 0;
    EXPECT_TRUE(PronunciationRules::add(*prefs, c.written, c.spoken)) << c.what;
    EXPECT_EQ(prefs->pronunciations(), c.after) << c.what;
    EXPECT_EQ(stores, 2) << c.what << ": the removal and the addition each store";
  }
}

TEST_F(RulesTest, ValidityHearingAndRemoval) {
  EXPECT_TRUE(PronunciationRules::valid("a", "b"));
  EXPECT_FALSE(PronunciationRules::valid("a", " \t "));
  EXPECT_FALSE(PronunciationRules::valid(" ", "b"));
  EXPECT_TRUE(PronunciationRules::valid("a", "\n")) << "only spaces and tabs are trimmed";
  EXPECT_FALSE(PronunciationRules::valid("\u00A0", "b")) << "a no-break space alone is empty";
  EXPECT_FALSE(PronunciationRules::valid("a", "\u3000\u00A0"));
  EXPECT_FALSE(PronunciationRules::add(*prefs, "\u00A0", "b"));
  EXPECT_TRUE(PronunciationRules::canHear("", " "));
  EXPECT_FALSE(PronunciationRules::canHear("", ""));
  stores = 0;
  EXPECT_FALSE(PronunciationRules::add(*prefs, "a", "  "));
  EXPECT_EQ(stores, 0);

  prefs->setPronunciations({{"a", "1"}, {"b", "2"}, {"a", "1"}, {"a", "3"}});
  stores = 0;
  PronunciationRules::remove(*prefs, {"a", "1"});
  EXPECT_EQ(prefs->pronunciations(), (std::vector<Pronunciation>{{"b", "2"}, {"a", "3"}}));
  EXPECT_EQ(stores, 1);

  EXPECT_EQ(PronunciationRules::hearRule({"NASA", "nassa"}), "NASA.");
  EXPECT_EQ(PronunciationRules::hearForm(" NASA ", ""), " NASA ");
  EXPECT_EQ(PronunciationRules::hearForm("NASA", " nassa "), " nassa ");
  EXPECT_EQ(PronunciationRules::caption({"NASA", "nassa"}), "says “nassa”");
}

TEST(KeyStatusTest, StatusRemovalAndItsOutcome) {
  EXPECT_EQ(KeyStatus::status(std::nullopt), "No key");
  EXPECT_EQ(KeyStatus::status("Keychain"), "Saved (keyring)");
  EXPECT_EQ(KeyStatus::status("environment (CARTESIA_API_KEY)"), "Saved (environment (CARTESIA_API_KEY))");
  EXPECT_TRUE(KeyStatus::canRemove("Keychain"));
  EXPECT_FALSE(KeyStatus::canRemove("environment (CARTESIA_API_KEY)"));
  EXPECT_FALSE(KeyStatus::canRemove(std::nullopt));
  EXPECT_EQ(KeyStatus::afterRemove(std::nullopt), "Removed");
  EXPECT_EQ(KeyStatus::afterRemove("environment (INWORLD_API_KEY)"), "Removed");
  EXPECT_EQ(KeyStatus::afterRemove("Keychain"), "Couldn't remove the key from the keyring.");
}

}  // namespace
