#include "core/base/json.h"
#include "speech/vendor_replies.h"

#include <gtest/gtest.h>

#include <string>

using namespace orvak;

namespace {

// A value nested `depth` arrays deep: deep enough to exhaust the stack of anything that recurses
// on it.
std::string nested(int depth) { return std::string(depth, '[') + std::string(depth, ']'); }

}  // namespace

TEST(VendorRepliesTest, InworldLines) {
  // "AAABAAIA": three 16-bit samples 0, 1, 2.
  const auto piece = InworldReply::parse(
      R"({"result":{"audioContent":"AAABAAIA","timestampInfo":{"wordAlignment":{"words":["Hello","—","world"],)"
      R"("wordStartTimeSeconds":[0.0,0.3,0.4],"wordEndTimeSeconds":[0.35,0.4,0.8]}}}})");
  ASSERT_TRUE(piece);
  EXPECT_FALSE(piece->error);
  ASSERT_TRUE(piece->samples);
  EXPECT_EQ(piece->samples->size(), 3u);
  EXPECT_FLOAT_EQ(piece->samples->at(2), 2.0f / 32768.0f);
  // Words without a letter or number are no use to the highlighter.
  EXPECT_EQ(piece->words, (std::vector<WordTiming>{{"Hello", 0.0, 0.35}, {"world", 0.4, 0.8}}));

  const auto error = InworldReply::parse(R"({"error":{"code":5,"message":"voice not found"}})");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->error, "voice not found");

  // Lines the engine passes over: not JSON, not an object, no result, nesting past the parser's
  // bound (an error text dumps its value, which must never recurse without end).
  for (const std::string& line : {std::string("not json"), std::string("[1,2]"), std::string(R"({"other":1})"),
                                  std::string(R"({"result":3})"), R"({"error":{"message":)" + nested(200000) + "}}"}) {
    EXPECT_FALSE(InworldReply::parse(line)) << line.substr(0, 40);
  }
  // Broken pieces are partly used: bad base64 gives no audio, mistyped arrays no words.
  const auto broken =
      InworldReply::parse(R"({"result":{"audioContent":"%%%","timestampInfo":{"wordAlignment":{"words":[1],)"
                          R"("wordStartTimeSeconds":[0],"wordEndTimeSeconds":[1]}}}})");
  ASSERT_TRUE(broken);
  EXPECT_FALSE(broken->samples);
  EXPECT_FALSE(broken->words);
}

TEST(VendorRepliesTest, CartesiaMessages) {
  using Kind = CartesiaReply::Message::Kind;
  struct Case {
    const char* message;
    Kind kind;
    const char* error;
  };
  const Case cases[] = {
      {R"({"type":"chunk","data":"AACAPwAAgL8=","context_id":"c"})", Kind::audio, ""},
      {R"({"type":"chunk","data":7})", Kind::ignored, ""},
      {R"({"type":"timestamps","word_timestamps":{"words":["a","b"],"start":[0,1],"end":[1]}})", Kind::words, ""},
      {R"({"type":"timestamps","word_timestamps":{"words":["a"],"start":["0"],"end":[1]}})", Kind::ignored, ""},
      {R"({"type":"done"})", Kind::done, ""},
      {R"({"type":"error","title":"Invalid","message":"bad voice"})", Kind::error, "cartesia: Invalid bad voice"},
      {R"({"type":"error","error":{"code":1}})", Kind::error, R"(cartesia:  {"code":1})"},
      {R"({"type":"flush_done"})", Kind::ignored, ""},
  };
  for (const auto& c : cases) {
    const auto m = CartesiaReply::parse(json::parse(c.message));
    EXPECT_EQ(m.kind, c.kind) << c.message;
    EXPECT_EQ(m.error, c.error) << c.message;
  }
  const auto chunk = CartesiaReply::parse(json::parse(cases[0].message));
  EXPECT_EQ(chunk.contextId, "c");
  EXPECT_EQ(chunk.samples, (std::vector<float>{1.0f, -1.0f}));
  EXPECT_EQ(CartesiaReply::parse(json::parse(cases[2].message)).words, (std::vector<WordTiming>{{"a", 0, 1}}));
}
