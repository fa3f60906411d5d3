#include <gtest/gtest.h>

#include <limits>

#include "core/speech/pacer.h"

namespace orvak {
namespace {

struct PacerCase {
  const char* what;
  std::int64_t next, received, played;
  double rate;
  std::int64_t charsSent;
  bool allowed;
};

TEST(Pacer, LimitsBeforeAndAfterTheFirstAudio) {
  const PacerCase cases[] = {
      {"first sentence, even at rate 0", 0, 0, 0, 0, 0, true},
      {"first sentence with a huge backlog", 0, 10'000'000, 0, 24000, 100'000, true},
      {"second before audio", 1, 0, 0, 24000, 50, true},
      {"third before audio waits", 2, 0, 0, 24000, 50, false},
      {"exactly 20 s buffered", 5, 480'000, 0, 24000, 100, true},
      {"one sample past 20 s", 5, 480'001, 0, 24000, 100, false},
      {"played audio does not count as buffered", 5, 960'000, 480'000, 24000, 100, true},
      {"pending exactly 350", 3, 24'000, 0, 24000, 365, true},
      {"pending 351", 3, 24'000, 0, 24000, 366, false},
      {"rate 0 with audio is refused (NaN)", 3, 24'000, 24'000, 0, 10, false},
      {"NaN rate is refused", 3, 24'000, 0, std::numeric_limits<double>::quiet_NaN(), 10, false},
  };
  const Pacer pacer;
  for (const auto& c : cases) {
    EXPECT_EQ(pacer.canSend(c.next, c.received, c.played, c.rate, c.charsSent), c.allowed) << c.what;
  }
}

TEST(Pacer, SentencesWhoseAudioHasArrivedCountAsCoveredWhateverTheSpeakingRate) {
  const Pacer pacer;
  // A fast voice: 100 s of audio "cover" 1500 characters, but 1900 were sent and spoken.
  EXPECT_FALSE(pacer.canSend(40, 2'400'000, 2'400'000, 24000, 1900));
  EXPECT_TRUE(pacer.canSend(40, 2'400'000, 2'400'000, 24000, 1900, 1800));
  EXPECT_FALSE(pacer.canSend(40, 2'400'000, 2'400'000, 24000, 2151, 1800));  // 351 pending
  // The audio estimate still counts when it covers more.
  EXPECT_TRUE(pacer.canSend(40, 2'400'000, 2'400'000, 24000, 1800, 10));
  EXPECT_FALSE(pacer.canSend(3, 24'000, 0, std::numeric_limits<double>::quiet_NaN(), 10, 10));
}

}  // namespace
}  // namespace orvak
