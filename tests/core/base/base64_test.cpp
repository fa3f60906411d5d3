#include "core/base/base64.h"

#include <gtest/gtest.h>

namespace base64 = orvak::base64;

namespace {

std::vector<std::uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(Base64, Rfc4648Vectors) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, coded] : cases) {
    EXPECT_EQ(base64::encode(bytes(plain)), coded) << plain;
    EXPECT_EQ(base64::decode(coded), bytes(plain)) << coded;
  }
}

TEST(Base64, AllByteValuesRoundTrip) {
  std::vector<std::uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(base64::decode(base64::encode(all)), all);
}

TEST(Base64, MalformedTextIsRejected) {
  for (std::string_view bad : {"Zg=", "Zg", "Z===", "=Zg=", "Zg==Zg==", "Zm9v!A==", "Zm 9v", "Zg=a"}) {
    EXPECT_EQ(base64::decode(bad), std::nullopt) << bad;
  }
}

}  // namespace
