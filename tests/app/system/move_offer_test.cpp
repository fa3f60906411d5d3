#include "app/system/move_offer.h"

#include <gtest/gtest.h>

#include "core/base/log.h"
#include "tests/core/library/library_fixtures.h"
#include "tests/support/temp_home.h"

using namespace orvak;
namespace Move = orvak::MoveToApplications;
using D = Move::Decision;

TEST(MoveOfferTest, OnlyAReleasedCopyOutsideItsPlaceNeverDeclinedWouldBeOffered) {
  struct Case {
    std::optional<bool> release;
    bool installed, declined;
    D expected;
  };
  const Case cases[] = {
      {std::nullopt, false, false, D::notReleased},
      {false, false, false, D::notReleased},
      {true, true, false, D::installed},
      {true, true, true, D::installed},
      {true, false, true, D::declined},
      {true, false, false, D::offer},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Move::decide(c.release, c.installed, c.declined), c.expected)
        << "release " << (c.release ? (*c.release ? "true" : "false") : "absent") << ", installed " << c.installed
        << ", declined " << c.declined;
  }
}

TEST(MoveOfferTest, InsideThePrefixMeansBelowItComponentByComponent) {
  struct Case {
    const char* exe;
    const char* prefix;
    bool under;
  };
  const Case cases[] = {
      {"/usr/local/bin/orvak", "/usr/local", true},
      {"/usr/local/bin/orvak", "/usr/local/", true},
      {"/usr/local2/bin/orvak", "/usr/local", false},
      {"/home/a/build/bin/orvak", "/usr/local", false},
      {"/usr/local", "/usr/local", false},
      {"/usr/local/../bin/orvak", "/usr/local", false},
      {"", "/usr/local", false},
  };
  for (const auto& c : cases) EXPECT_EQ(Move::isUnder(c.exe, c.prefix), c.under) << c.exe << " in " << c.prefix;
}

TEST(MoveOfferTest, WhereItWouldOfferOneLineSaysWhyNothingIsShown) {
  platform::Defaults defaults(test::freshDir("move") / "defaults.json");
  test::LogTail log;
  EXPECT_EQ(Move::offerIfNeeded(defaults), D::notReleased) << "this build is a development one";
  EXPECT_EQ(Move::offerIfNeeded(true, "/usr/local/bin/orvak", "/usr/local", defaults), D::installed);
  EXPECT_EQ(log.count("move offer:"), 0);
  EXPECT_EQ(Move::offerIfNeeded(true, "/home/a/Downloads/orvak", "/usr/local", defaults), D::offer);
  EXPECT_EQ(log.count(Move::kNotOfferedLine), 1);
  defaults.set(Move::kDeclinedKey, true);
  EXPECT_EQ(Move::offerIfNeeded(true, "/home/a/Downloads/orvak", "/usr/local", defaults), D::declined);
  EXPECT_EQ(log.count("move offer:"), 1);
}
