#include "core/base/json.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>

namespace json = orvak::json;

namespace {

struct Sample {
  std::string name;
  std::optional<std::string> url;
  std::int64_t count = 0;
  double ms = 0;
  std::optional<double> latency;
  bool flag = false;
  std::vector<std::string> notes;
  bool operator==(const Sample&) const = default;
};

void to_json(json::Json& j, const Sample& s) {
  json::put(j, "name", s.name);
  json::put(j, "url", s.url);
  json::put(j, "count", s.count);
  json::put(j, "ms", s.ms);
  json::put(j, "latency", s.latency);
  json::put(j, "flag", s.flag);
  json::put(j, "notes", s.notes);
}

void from_json(const json::Json& j, Sample& s) {
  s.name = json::get<std::string>(j, "name");
  s.url = json::getOptional<std::string>(j, "url");
  s.count = json::get<std::int64_t>(j, "count");
  s.ms = json::get<double>(j, "ms");
  s.latency = json::getOptional<double>(j, "latency");
  s.flag = json::get<bool>(j, "flag");
  s.notes = json::get<std::vector<std::string>>(j, "notes");
}

enum class Shade { light, dark };

const char* shadeName(Shade s) { return s == Shade::dark ? "dark" : "light"; }

Shade shadeNamed(const std::string& name) {
  if (name == "light") return Shade::light;
  if (name == "dark") return Shade::dark;
  throw json::DecodeError("\"shade\": unknown " + name);
}

// A record that lists its fields once: both directions come from the list.
struct Listed {
  std::string name;
  std::optional<std::int64_t> count;
  std::vector<double> marks;
  std::map<std::string, int> tally;
  std::int64_t depth = 0;
  Shade shade = Shade::light;
  bool operator==(const Listed&) const = default;
};

void fields(json::Record<Listed> auto& r, auto&& f) {
  f("name", r.name);
  f("count", r.count);
  f("marks", r.marks);
  f("tally", r.tally);
  f("depth", r.depth, json::orElse(7));
  f("shade", r.shade, json::byName(shadeName, shadeNamed));
}

void to_json(json::Json& j, const Listed& r) { json::writeFields(j, r); }
void from_json(const json::Json& j, Listed& r) { json::readFields(j, r); }

}  // namespace

TEST(JsonTest, EncodesSortedKeysLeavesOutAbsentAndKeepsSlashes) {
  Sample s{"a/b", std::nullopt, 3, 1.5, std::nullopt, true, {"x"}};
  EXPECT_EQ(json::encode(s), R"({"count":3,"flag":true,"ms":1.5,"name":"a/b","notes":["x"]})");
  s.url = "https://example.com/p";
  s.latency = 2.0;
  EXPECT_EQ(json::decode<Sample>(json::encode(s)), s);
}

TEST(JsonTest, NonFiniteNumbersNeverDropTheRecord) {
  Sample s{"n", std::nullopt, 0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
           false, {}};
  EXPECT_EQ(json::encode(s), R"({"count":0,"flag":false,"ms":0.0,"name":"n","notes":[]})");
}

TEST(JsonTest, InvalidUtf8IsRepairedNotThrown) {
  Sample s{"ok\xff\xfe" "end", std::string("\xed\xa0\x80"), 0, 0, std::nullopt, false, {}};
  const auto text = json::encode(s);
  EXPECT_NE(text.find("ok\xEF\xBF\xBD"), std::string::npos);
  EXPECT_EQ(text.find('\xff'), std::string::npos);
  EXPECT_NO_THROW(json::decode<Sample>(text));
}

TEST(JsonTest, DecodingIsStrict) {
  struct Case {
    const char* text;
    const char* why;
  };
  const Case cases[] = {
      {R"({"count":2.5,"flag":true,"ms":1,"name":"a","notes":[]})", "integer rejects 2.5"},
      {R"({"count":2.0,"flag":true,"ms":1,"name":"a","notes":[]})", "integer rejects 2.0"},
      {R"({"count":2,"flag":1,"ms":1,"name":"a","notes":[]})", "boolean rejects 1"},
      {R"({"count":2,"flag":true,"ms":"1","name":"a","notes":[]})", "number rejects text"},
      {R"({"count":2,"flag":true,"ms":1,"notes":[]})", "required member missing"},
      {R"({"count":2,"flag":true,"ms":1,"name":"a","notes":[3]})", "list of text rejects numbers"},
      {R"({"count":2,"flag":true,"ms":1,"name":"a","notes":[],"url":5})", "present optional of wrong type"},
      {R"({"count":2,)", "malformed"},
      {R"({"count":2,"flag":true,"ms":1e400,"name":"a","notes":[]})", "number beyond a double"},
      {R"({"count":9223372036854775808,"flag":true,"ms":1,"name":"a","notes":[]})", "integer beyond int64"},
      {R"({"count":-9223372036854775809,"flag":true,"ms":1,"name":"a","notes":[]})", "integer below int64"},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(json::decode<Sample>(c.text), json::DecodeError) << c.why;
  }
  // An integer is a fine double, and a null optional reads as absent.
  const auto ok = json::decode<Sample>(R"({"count":2,"flag":false,"ms":1,"name":"a","notes":[],"url":null})");
  EXPECT_EQ(ok.ms, 1.0);
  EXPECT_FALSE(ok.url);
}

TEST(JsonTest, IntegersOutsideTheFieldsRangeAreErrorsNotWrapped) {
  const auto value = [](const char* text) { return json::parse(std::string("{\"v\":") + text + "}"); };
  struct Case {
    const char* text;
    bool int32;
    bool uint32;
    bool int64;
    bool uint64;
  };
  const Case cases[] = {
      {"0", true, true, true, true},
      {"-1", true, false, true, false},
      {"2147483647", true, true, true, true},
      {"2147483648", false, true, true, true},
      {"-2147483649", false, false, true, false},
      {"4294967297", false, false, true, true},
      {"9223372036854775808", false, false, false, true},
      {"18446744073709551615", false, false, false, true},
  };
  for (const auto& c : cases) {
    const auto j = value(c.text);
    const auto ok = [&](auto type) {
      try {
        return json::get<decltype(type)>(j, "v") == j.at("v").get<decltype(type)>();
      } catch (const json::DecodeError&) {
        return false;
      }
    };
    EXPECT_EQ(ok(std::int32_t{}), c.int32) << c.text;
    EXPECT_EQ(ok(std::uint32_t{}), c.uint32) << c.text;
    EXPECT_EQ(ok(std::int64_t{}), c.int64) << c.text;
    EXPECT_EQ(ok(std::uint64_t{}), c.uint64) << c.text;
  }
}

TEST(JsonTest, DeepNestingIsRefusedAsADecodeError) {
  const auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  EXPECT_NO_THROW(json::parse(nested(json::maxDepth)));
  EXPECT_THROW(json::parse(nested(json::maxDepth + 1)), json::DecodeError);
  EXPECT_THROW(json::parse(nested(200'000)), json::DecodeError);
  EXPECT_THROW(json::parse(std::string(200'000, '[')), json::DecodeError);  // never closed
}

TEST(JsonTest, AFieldListServesBothDirectionsStrictly) {
  Listed r{"a", std::nullopt, {1.5}, {{"x", 2}}, 3, Shade::dark};
  EXPECT_EQ(json::encode(r), R"({"depth":3,"marks":[1.5],"name":"a","shade":"dark","tally":{"x":2}})");
  EXPECT_EQ(json::decode<Listed>(json::encode(r)), r);
  r.count = 4;
  EXPECT_EQ(json::decode<Listed>(json::encode(r)), r);
  // The entry with a fallback may be absent.
  EXPECT_EQ(json::decode<Listed>(R"({"marks":[],"name":"b","shade":"light","tally":{}})").depth, 7);

  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {R"({"marks":[],"shade":"dark","tally":{}})", R"("name": missing)"},
      {R"({"marks":[],"name":1,"shade":"dark","tally":{}})", R"("name": expected a string)"},
      {R"({"count":2.5,"marks":[],"name":"a","shade":"dark","tally":{}})", R"("count": expected an integer)"},
      {R"({"marks":["x"],"name":"a","shade":"dark","tally":{}})", R"("marks": expected a number)"},
      {R"({"depth":"3","marks":[],"name":"a","shade":"dark","tally":{}})", R"("depth": expected an integer)"},
      {R"({"marks":[],"name":"a","tally":{}})", R"("shade": missing)"},
      {R"({"marks":[],"name":"a","shade":"dark","tally":[]})", R"("tally": expected an object)"},
      {R"({"marks":[],"name":"a","shade":"dark","tally":{"x":1.5}})", R"("tally": expected an integer)"},
      {R"({"marks":[],"name":"a","shade":"dim","tally":{}})", R"("shade": unknown dim)"},
      {R"([1])", R"("name": expected an object)"},
  };
  for (const auto& c : cases) {
    try {
      json::decode<Listed>(c.text);
      ADD_FAILURE() << c.text << " decoded";
    } catch (const json::DecodeError& e) {
      EXPECT_STREQ(e.what(), c.error) << c.text;
    }
  }
}
