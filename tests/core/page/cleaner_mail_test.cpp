#include <gtest/gtest.h>

#include "core/page/cleaner.h"

namespace Cleaner = orvak::Cleaner;
using Cleaner::ReplyCut;

TEST(CleanerMailTest, IsMailNeedsAnExactHost) {
  EXPECT_TRUE(Cleaner::isMail("https://mail.google.com/mail/u/0/#inbox"));
  EXPECT_TRUE(Cleaner::isMail("https://outlook.office.com/mail/"));
  EXPECT_TRUE(Cleaner::isMail("https://me@outlook.live.com:443/mail/0/"));
  const std::optional<std::string> no[] = {
      std::nullopt,
      "not a url",
      "mailto:someone@mail.google.com",      // no host
      "https://mail.google.com.evil.test/",  // contains a mail host
      "https://notmail.google.com/",         // ends with one
      "https://MAIL.GOOGLE.COM/",            // compared case-sensitively
      "https://mail.google.com /x",          // not a URL
  };
  for (const auto& url : no) EXPECT_FALSE(Cleaner::isMail(url)) << url.value_or("(none)");
}

TEST(CleanerMailTest, MailSubject) {
  EXPECT_EQ(Cleaner::mailSubject("A\nFrom: Ann <ann@x.test>\n  Lunch on Friday \t\nTo: Bob"), "Lunch on Friday");
  EXPECT_EQ(Cleaner::mailSubject("Cc: someone\r\nQuarterly report\r\nTo"), "Quarterly report");
  EXPECT_EQ(Cleaner::mailSubject("From: Ann\nLunch on Friday\nSubject"), std::nullopt);  // no To line
  EXPECT_EQ(Cleaner::mailSubject("X\nTo: Bob\nLater line"), std::nullopt);               // nothing long enough before
  EXPECT_EQ(Cleaner::mailSubject(std::nullopt), std::nullopt);
}

TEST(CleanerMailTest, MailFurniture) {
  for (const char* yes : {"Reply all", "REPLY ALL", " Show\u00a0quoted text ", "to me", "to Ann, me",
                          "Ann Lee <ann@example.com>", "ann@example.com", "Oct 3 (2 days ago)"}) {
    EXPECT_TRUE(Cleaner::isMailFurniture(yes)) << yes;
  }
  const std::string longSender = "Annabelle Leighton-Smith <ann@example.com>";  // 42 characters
  const std::string longLabel = std::string(90, ' ') + "unsubscribe" + std::string(90, 'x');
  for (const std::string& no : {std::string("Thanks for lunch"), longSender, longLabel}) {
    EXPECT_FALSE(Cleaner::isMailFurniture(no)) << no;
  }
}

TEST(CleanerMailTest, MatchesAnyIgnoresLongTexts) {
  const std::vector<orvak::text::Regex> anything{orvak::text::Regex(".")};
  EXPECT_TRUE(Cleaner::matchesAny(anything, std::string(40, 'a')));
  EXPECT_FALSE(Cleaner::matchesAny(anything, std::string(41, 'a')));
}

TEST(CleanerMailTest, ReplyCutFindsTheEarliestMarkerInTheFirstParagraphWithOne) {
  const std::vector<std::string> paras{
      "Hi Bob, see below.",
      "Thanks! e\u0301te\u0301 Sent from my iPhone\n\nOn Mon, 3 Jun 2024, Ann <ann@x.test> wrote:",
      "-----Original Message-----",
  };
  // "Sent from my" starts 14 UTF-16 units but 12 characters in (each decomposed é is one).
  EXPECT_EQ(Cleaner::replyCut(paras), (ReplyCut{1, 12}));

  const std::vector<std::string> quoted{"Plain", "Sure.\nFrom: Ann\nSent: Monday"};
  EXPECT_EQ(Cleaner::replyCut(quoted), (ReplyCut{1, 6}));
  EXPECT_EQ(Cleaner::replyCut({"Le 3 juin, Ann a \u00e9crit :"}), (ReplyCut{0, 0}));
  EXPECT_EQ(Cleaner::replyCut({"No marker here", "--not a signature"}), std::nullopt);
}

TEST(CleanerMailTest, BackMatterHeadings) {
  for (const char* yes : {"2.1 References", "See also [edit]", "Notes and references:", "  EXTERNAL LINKS.",
                          "Bibliography[edit]"}) {
    EXPECT_TRUE(Cleaner::isBackMatter(yes, false)) << yes;
  }
  EXPECT_TRUE(Cleaner::isBackMatter("Comments (12)", true));
  EXPECT_FALSE(Cleaner::isBackMatter("Comments (12)", false));
  EXPECT_FALSE(Cleaner::isBackMatter("Comments are closed here", true));  // 17 characters or more
  EXPECT_FALSE(Cleaner::isBackMatter("7. References", true));             // numbering needs a blank after the digits
  EXPECT_FALSE(Cleaner::isBackMatter("Early life", true));
}
