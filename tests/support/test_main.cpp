// Every test executable starts here: the temporary home is in place before any test runs, and it
// is removed afterwards unless ORVAK_KEEP_TEST_HOME is set.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_home.h"

int main(int argc, char** argv) {
  const auto home = orvak::test::tempHome();
  ::testing::InitGoogleTest(&argc, argv);
  const int rc = RUN_ALL_TESTS();
  if (std::getenv("ORVAK_KEEP_TEST_HOME") == nullptr) {
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
  }
  return rc;
}
