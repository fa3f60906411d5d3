#include "platform/process.h"

#include <gtest/gtest.h>

using orvak::platform::runProcess;

TEST(ProcessTest, InputReachesTheProgramAndItsOutputComesBack) {
  const auto r = runProcess({"cat"}, std::string("sk-secret\n"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 0);
  EXPECT_EQ(r->output, "sk-secret\n");
  EXPECT_FALSE(runProcess({"/nonexistent/tool"}, std::nullopt));
}

// A helper that ends or answers without reading what it was given must neither kill the caller
// (a write to a pipe nobody reads raises SIGPIPE) nor block it (both sides waiting on a full pipe).
TEST(ProcessTest, AProgramThatIgnoresItsInputNeitherKillsNorBlocksTheCaller) {
  const std::string big(1 << 20, 'x');  // more than a pipe holds
  const auto ended = runProcess({"true"}, big);
  ASSERT_TRUE(ended);
  EXPECT_EQ(ended->status, 0);

  const auto chatty = runProcess({"head", "-c", "300000", "/dev/zero"}, big);
  ASSERT_TRUE(chatty);
  EXPECT_EQ(chatty->status, 0);
  EXPECT_EQ(chatty->output.size(), 300000u);

  const auto failing = runProcess({"sh", "-c", "exit 3"}, big);
  ASSERT_TRUE(failing);
  EXPECT_EQ(failing->status, 3);
}
