// The voice catalogue's requests through the account client, against the fake service: only a
// decodable list and a sample answered with 200 count; every failure is a quiet "none".
#include <gtest/gtest.h>

#include "app/voice_catalog/account_voice_source.h"
#include "core/base/json.h"
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

TEST_F(VoiceSourceTest, TheListCountsWhenA2xxReplyDecodesAndASampleOnlyWithStatus200) {
  const std::string listBody = json::dump(json::Json(list().value()));  // the canned list
  const std::string wav = fake::FakeService::sampleWav();
  const struct {
    const char* name;
    int status;
    std::string body;  // for both requests; empty: the canned list, and the WAV for the sample
    bool listCounts;
    bool sampleCounts;
  } cases[] = {
      {"200", 200, "", true, true},
      {"204", 204, "", false, false},
      {"206", 206, "", true, false},
      {"401", 401, R"({"error":"unauthorized"})", false, false},
      {"500", 500, R"({"error":"down"})", false, false},
      {"JSON null", 200, "null", false, true},
      {"a list without defaultVoice", 200, R"({"voices":[]})", false, true},
  };
  for (const auto& c : cases) {
    const std::string listReply = c.body.empty() && c.status != 204 ? listBody : c.body;
    const std::string sampleReply = c.body.empty() && c.status != 204 ? wav : c.body;
    fake.script("/api/voices", loopback::HttpReply{c.status, {loopback::Step::bytes(listReply)}, "application/json"});
    fake.script("/api/voices/sample", loopback::HttpReply{c.status, {loopback::Step::bytes(sampleReply)}, "audio/wav"});
    const auto gotList = list();
    EXPECT_EQ(gotList.has_value(), c.listCounts) << c.name;
    if (gotList) {
      EXPECT_EQ(json::dump(json::Json(*gotList)), listBody) << c.name;
    }
    const auto gotSample = sample("ashley");
    EXPECT_EQ(gotSample.has_value(), c.sampleCounts) << c.name;
    if (gotSample) {
      EXPECT_EQ(*gotSample, std::vector<std::uint8_t>(sampleReply.begin(), sampleReply.end())) << c.name;
    }
    const auto sent = fake.requests().back();
    EXPECT_EQ(sent.header("authorization"), "Bearer tok-12345678");
    EXPECT_FALSE(sent.hasHeader("content-type"));
  }
}

TEST_F(VoiceSourceTest, ASampleIdArrivesAsTheSameId) {
  fake.script("/api/voices/sample", loopback::HttpReply{200, {loopback::Step::bytes("RIFF")}, "audio/wav"});
  for (const std::string id : {"a b", "a&b", "a+b", "a=b", "é", "a b&+é", "50%"}) {
    ASSERT_TRUE(sample(id)) << id;
    EXPECT_EQ(fake.requests().back().path(), "/api/voices/sample") << id;
    EXPECT_EQ(fake.requests().back().query("id"), id);
    if (id == "a b&+é") {
      EXPECT_EQ(fake.requests().back().target, "/api/voices/sample?id=a%20b%26%2B%C3%A9");
    }
  }
  EXPECT_EQ(fake.requests().back().target, "/api/voices/sample?id=50%25");
}

TEST_F(VoiceSourceTest, AListOrSamplePastItsLimitIsNone) {
  // A sample as long as the limit counts; one byte more and it is none, as is a list that grew
  // past its own limit while still decoding.
  json::Json canned = json::Json(list().value());
  canned["voices"][0]["description"] = std::string(10 * 1024, 'd');
  const std::string bigList = json::dump(canned);
  source.sampleBounds.maxBody = 8 * 1024;
  source.listBounds.maxBody = 8 * 1024;
  for (const auto& [bytes, counts] : std::vector<std::pair<std::size_t, bool>>{{8 * 1024, true}, {8 * 1024 + 1, false}}) {
    fake.script("/api/voices/sample", loopback::HttpReply{200, {loopback::Step::bytes(std::string(bytes, 'w'))}, "audio/wav"});
    EXPECT_EQ(sample("a").has_value(), counts) << bytes;
  }
  fake.script("/api/voices", loopback::HttpReply{200, {loopback::Step::bytes(bigList)}, "application/json"});
  EXPECT_FALSE(list());
  source.listBounds = AccountVoiceSource::kListBounds;
  ASSERT_TRUE(list()) << "the same list within the usual limit";
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
