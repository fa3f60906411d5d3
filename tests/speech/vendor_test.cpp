#include "core/base/json.h"
#include "speech/vendor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace orvak;

TEST(VendorTest, RawValuesAndOffers) {
  EXPECT_EQ(vendorFromRaw("apple"), Vendor::onDevice);
  EXPECT_EQ(vendorFromRaw("Apple"), std::nullopt);
  EXPECT_EQ(vendorFromRaw(""), std::nullopt);
  for (Vendor v : allVendors()) EXPECT_EQ(vendorFromRaw(rawValue(v)), v);
  EXPECT_EQ(offeredVendors(false), (std::vector<Vendor>{Vendor::inworld, Vendor::onDevice}));
  EXPECT_EQ(offeredVendors(true), (std::vector<Vendor>{Vendor::inworld, Vendor::cartesia, Vendor::onDevice}));
  EXPECT_EQ(keyName(Vendor::onDevice), std::nullopt);
  EXPECT_EQ(keyName(Vendor::cartesia), "cartesia");
  EXPECT_FALSE(needsNetwork(Vendor::onDevice));
  EXPECT_TRUE(needsNetwork(Vendor::inworld));
  EXPECT_EQ(json::encode(std::vector<Vendor>{Vendor::cartesia}), R"(["cartesia"])");
  EXPECT_THROW(json::decode<Vendor>(R"("Apple")"), json::DecodeError);
}

TEST(VendorTest, DescribesHttpStatuses) {
  struct Case {
    int status;
    std::optional<std::string> text;
  };
  const Case cases[] = {{401, "API key rejected"}, {403, "API key rejected"}, {402, "account out of credits"},
                        {429, "rate limited"},     {500, "vendor outage"},    {599, "vendor outage"},
                        {499, std::nullopt},       {600, std::nullopt},       {200, std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(VendorError::describe(c.status), c.text) << c.status;
}

TEST(VendorTest, ConfigurationsCompareFieldByField) {
  EngineConfig a, b;
  EXPECT_EQ(a, b);
  b.onDeviceVoice = "gmw/en-US";
  EXPECT_NE(a, b);
  EXPECT_EQ(a.cartesiaVoice.size(), 36u);
}

TEST(PcmTest, DecodesInt16AndFloat32) {
  const std::vector<std::uint8_t> i16{0x00, 0x80, 0xFF, 0x7F, 0x01};
  const auto s = PCM::fromInt16LE(i16);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0], -1.0f);
  EXPECT_EQ(s[1], 32767.0f / 32768.0f);

  auto bytesOf = [](std::initializer_list<float> values) {
    std::vector<std::uint8_t> out;
    for (float f : values) {
      std::uint8_t b[4];
      std::memcpy(b, &f, 4);  // the machine is little-endian, as the wire format is
      out.insert(out.end(), b, b + 4);
    }
    return out;
  };
  auto f = bytesOf({0.25f, -0.5f});
  f.resize(7);
  EXPECT_EQ(PCM::fromFloat32LE(f), std::vector<float>{0.25f});
  EXPECT_TRUE(PCM::fromFloat32LE({}).empty());
  const auto odd = PCM::fromFloat32LE(bytesOf({std::numeric_limits<float>::quiet_NaN(),
                                               std::numeric_limits<float>::infinity(), 3.0f, -7.0f, 0.5f}));
  EXPECT_EQ(odd, (std::vector<float>{0.0f, 0.0f, 1.0f, -1.0f, 0.5f}));
}
