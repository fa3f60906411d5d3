#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/dispatch.h"

namespace d = orvak::dispatch;

TEST(BlockForTest, VirtualTimeMovesTheClockWithoutRunningOtherWork) {
  d::VirtualTime vt;
  const auto t0 = d::monotonicNanos();
  std::vector<std::string> ran;
  auto other = d::makeQueue("orvak.other");
  other->asyncAfter(0.1, [&] { ran.push_back("other@0.1"); });
  other->asyncAfter(0.5, [&] { ran.push_back("other@0.5"); });

  d::blockFor(0.3);
  EXPECT_EQ(d::monotonicNanos() - t0, 300'000'000u);
  EXPECT_TRUE(ran.empty()) << "a blocked caller holds up nothing but itself, and runs nothing";

  d::blockFor(-1);  // nonsense durations do not move the clock back or forward
  EXPECT_EQ(d::monotonicNanos() - t0, 300'000'000u);

  vt.drain();  // what fell due while blocked runs late, in order
  EXPECT_EQ(ran, (std::vector<std::string>{"other@0.1"}));
  vt.advance(0.2);
  EXPECT_EQ(ran, (std::vector<std::string>{"other@0.1", "other@0.5"}));
  EXPECT_EQ(d::monotonicNanos() - t0, 500'000'000u);
}
