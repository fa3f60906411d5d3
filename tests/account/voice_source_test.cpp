// The voice catalogue's requests through the account client, against the fake service: only a
// decodable list and a sample answered with 200 count; every failure is a quiet "none".
#include "app/voices/account_voice_source.h"

#include <gtest/gtest.h>

#include "tests/account/service_fixture.h"

namespace orvak::test {
namespace {

class VoiceSourceTest : public ServiceTest {
 protected:
  template <class T>
  std::optional<T> await(std::function<void(std::function<void(std::optional<T>)>)> ask) {
    std::optional<std::optional<T>> got;
    ask([&](std::optional<T> v) { got.emplace(std::move(v)); });
    EXPECT_TRUE(dispatch::mainloop::runUntil([&] { return got.has_value(); }, 5));
    return got ? *got : std::nullopt;
  }
  std::optional<VoiceCatalogList> list() {
    return await<VoiceCatalogList>([&](auto reply) { source.voices(reply); });
  }
  std::optional<std::vector<std::uint8_t>> sample(const std::string& id) {
    return await<std::vector<std::uint8_t>>([&](auto reply) { source.voiceSample(id, reply); });
  }

  AccountVoiceSource source{*account};
};

TEST_F(VoiceSourceTest, TheListCountsOnlyWhenItDecodes) {
  const auto got = list();
  ASSERT_TRUE(got);
  EXPECT_FALSE(got->voices.empty());
  const auto sent = fake.requests().back();
  EXPECT_EQ(sent.target, "/api/voices");
  EXPECT_EQ(sent.header("authorization"), "Bearer tok-12345678");

  struct Case {
    const char* name;
    loopback::HttpReply reply;
  };
  const Case cases[] = {
      {"401", loopback::HttpReply::json(401, {{"error", "unauthorized"}})},
      {"500", loopback::HttpReply::json(500, {{"error", "down"}})},
      {"null", loopback::HttpReply::json(200, nullptr)},
      {"no defaultVoice", loopback::HttpReply::json(200, {{"voices", json::Json::array()}})},
  };
  for (const auto& c : cases) {
    fake.script("/api/voices", c.reply);
    EXPECT_FALSE(list()) << c.name;
  }
}

TEST_F(VoiceSourceTest, ASampleCountsOnlyWithStatus200) {
  const auto wav = fake::FakeService::sampleWav();
  fake.script("/api/voices/sample", loopback::HttpReply{200, {loopback::Step::bytes(wav)}, "audio/wav"});
  const auto got = sample("a b&+é");
  ASSERT_TRUE(got);
  EXPECT_EQ(*got, std::vector<std::uint8_t>(wav.begin(), wav.end()));
  EXPECT_EQ(fake.requests().back().target, "/api/voices/sample?id=a%20b%26%2B%C3%A9");

  for (int status : {204, 206, 404, 500}) {
    fake.script("/api/voices/sample", loopback::HttpReply{status, {loopback::Step::bytes(wav)}, "audio/wav"});
    EXPECT_FALSE(sample("a")) << status;
  }
}

TEST_F(VoiceSourceTest, SignedOutNothingIsSent) {
  signOutKeys();
  const auto before = fake.requests().size();
  EXPECT_FALSE(list());
  EXPECT_FALSE(sample("a"));
  settle();
  EXPECT_EQ(fake.requests().size(), before);
}

}  // namespace
}  // namespace orvak::test
