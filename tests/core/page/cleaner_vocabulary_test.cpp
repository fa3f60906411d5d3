#include "core/page/cleaner_vocabulary.h"

#include <gtest/gtest.h>

#include "core/page/cleaner.h"

namespace Cleaner = orvak::Cleaner;

TEST(CleanerVocabularyTest, TableSizes) {
  const auto& v = Cleaner::vocabulary();
  EXPECT_EQ(v.dropRoles.size(), 28u);
  EXPECT_EQ(v.dropSubroles.size(), 12u);
  EXPECT_EQ(v.containerRoles.size(), 7u);
  EXPECT_EQ(v.junkClassSubstrings.size(), 28u);
  EXPECT_EQ(v.sidebarClasses.size(), 17u);
  EXPECT_EQ(v.priorityClasses.size(), 9u);
  EXPECT_EQ(v.uiLabels.size(), 72u);
  EXPECT_EQ(v.mailLabels.size(), 36u);
  EXPECT_EQ(v.mailHosts.size(), 4u);
  EXPECT_EQ(v.timestampPatterns.size(), 6u);
  EXPECT_EQ(v.mailPatterns.size(), 4u);
  EXPECT_EQ(v.replyMarkers.size(), 8u);
  EXPECT_EQ(v.backMatterHeadings.size(), 12u);
  EXPECT_EQ(&Cleaner::vocabulary(), &v);  // built once
}

TEST(CleanerVocabularyTest, TimestampShapes) {
  const auto& ts = Cleaner::vocabulary().timestampPatterns;
  for (const char* yes : {"3:45 PM EST", "yesterday at 9:12", "5 mins ago", "Sept 3, 2024 at 10:00 am", "12/03/24",
                          "Tue 9:15", "14:05:59", "Today", "2h", "DEC 24"}) {
    EXPECT_TRUE(Cleaner::matchesAny(ts, yes)) << yes;
  }
  for (const char* no : {"3:45 tomorrow", "Five minutes", "May the force", "12/03",
                         "yesterday at 9:12 we met the whole team there"}) {  // the last has 41+ characters
    EXPECT_FALSE(Cleaner::matchesAny(ts, no)) << no;
  }
}

TEST(CleanerVocabularyTest, CountCreditAndBylineShapes) {
  const auto& v = Cleaner::vocabulary();
  for (const char* yes : {"1.2K", "12", "3,401", "7 M", "1.5b"}) EXPECT_TRUE(Cleaner::matches(v.countPattern, yes)) << yes;
  for (const char* no : {"1.2K views", "K", "12 KB", "v2"}) EXPECT_FALSE(Cleaner::matches(v.countPattern, no)) << no;

  for (const char* yes : {"Photo: Jane Roe", "PHOTOGRAPH : x", "Credits: the team", "Getty Images",
                          "A crowd (AP Photo/John Doe)", "Reuters/Someone", "AFP via Getty"}) {
    EXPECT_TRUE(Cleaner::matches(v.creditPattern, yes)) << yes;
  }
  for (const char* no : {"photographers met", "the image of a man", "Associated Pressure"}) {
    EXPECT_FALSE(Cleaner::matches(v.creditPattern, no)) << no;
  }

  for (const char* yes : {"By Jane Doe", "by Jane O\u2019Neil and Max M\u00fcller", "BY ANNA K. LEE, Staff writer",
                          "By Émile Zola & Guy Maupassant"}) {
    EXPECT_TRUE(Cleaner::matches(v.bylinePattern, yes)) << yes;
  }
  for (const char* no : {"By the river", "Standby Jane", "By Jane the doctor", "By A B C D E F G H I"}) {
    EXPECT_FALSE(Cleaner::matches(v.bylinePattern, no)) << no;
  }
}

TEST(CleanerVocabularyTest, ClassAndLabelLookupsAreWholeLowercaseNames) {
  const auto& v = Cleaner::vocabulary();
  EXPECT_FALSE(v.sidebarClasses.contains("sidebar-left"));
  EXPECT_TRUE(v.sidebarClasses.contains("sidebar"));
  EXPECT_TRUE(v.uiLabels.contains("show more"));
  EXPECT_FALSE(v.uiLabels.contains("show more replies"));
}
