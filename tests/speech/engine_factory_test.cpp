#include "speech/engine_factory.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "speech/keys.h"
#include "tests/vendor_servers/memory_keychain.h"

using namespace orvak;

TEST(EngineFactoryTest, EachVendorGetsItsEngineWithTheConfiguredModelAndVoice) {
  EngineConfig config;
  config.inworldModel = "inworld-tts-2";
  config.inworldVoice = "Olivia";
  config.cartesiaModel = "sonic-x";
  config.cartesiaVoice = "11111111-2222-3333-4444-555555555555";
  config.cartesiaVersion = "2030-01-01";

  const auto inworld = EngineFactory::make(Vendor::inworld, config);
  EXPECT_EQ(inworld->vendor(), Vendor::inworld);
  EXPECT_EQ(inworld->model(), "inworld-tts-2");
  EXPECT_EQ(inworld->voice(), "Olivia");
  EXPECT_EQ(inworld->label(), "Inworld \u00B7 Olivia");
  EXPECT_EQ(inworld->sampleRate(), 24000);
  EXPECT_EQ(inworld->sink(), nullptr);

  const auto cartesia = EngineFactory::make(Vendor::cartesia, config);
  EXPECT_EQ(cartesia->vendor(), Vendor::cartesia);
  EXPECT_EQ(cartesia->model(), "sonic-x");
  EXPECT_EQ(cartesia->voice(), "11111111-2222-3333-4444-555555555555");
  EXPECT_EQ(cartesia->label(), "Cartesia sonic-x");

  const auto onDevice = EngineFactory::make(Vendor::onDevice, config);
  EXPECT_EQ(onDevice->vendor(), Vendor::onDevice);
  EXPECT_EQ(onDevice->model(), "espeak-ng");

  EXPECT_NE(EngineFactory::make(Vendor::inworld, config), inworld) << "a new engine every time";
}

// A factory whose engines are real on-device ones, counted as they are made.
struct CountingFactory {
  std::vector<std::pair<Vendor, EngineConfig>> made;
  EngineFactory factory{[this](Vendor v, const EngineConfig& c) {
    made.emplace_back(v, c);
    return EngineFactory::make(Vendor::onDevice, c);
  }};
};

TEST(EngineFactoryTest, AKeptEngineIsRebuiltOnlyWhenItsOwnVendorsSettingsChange) {
  CountingFactory f;
  EngineConfig config;
  const auto inworld = f.factory.engine(Vendor::inworld, config);
  const auto cartesia = f.factory.engine(Vendor::cartesia, config);
  EXPECT_EQ(f.factory.engine(Vendor::inworld, config), inworld);
  EXPECT_EQ(f.made.size(), 2u);

  config.cartesiaVersion = "2031-01-01";
  EXPECT_EQ(f.factory.engine(Vendor::inworld, config), inworld) << "a Cartesia change leaves Inworld alone";
  EXPECT_NE(f.factory.engine(Vendor::cartesia, config), cartesia);
  ASSERT_EQ(f.made.size(), 3u);
  EXPECT_EQ(f.made.back().first, Vendor::cartesia);

  config.onDeviceVoice = "en-gb";
  EXPECT_EQ(f.factory.engine(Vendor::inworld, config), inworld);
  f.factory.engine(Vendor::onDevice, config);
  f.factory.engine(Vendor::onDevice, config);
  EXPECT_EQ(f.made.size(), 4u);

  const auto answer = f.factory.fresh(Vendor::inworld, config);
  EXPECT_NE(answer, inworld) << "a fresh engine is never the kept one";
  EXPECT_EQ(f.factory.engine(Vendor::inworld, config), inworld) << "and does not replace it";
}

TEST(EngineFactoryTest, OnlyInworldGoesThroughTheVoiceProxyAndOnlyWhileItIsSet) {
  EngineFactory::setVoiceProxy(VoiceProxy{"https://example.invalid/api/voice/stream", [] {
                                  return std::optional<std::string>("t");
                                }});
  EXPECT_TRUE(EngineFactory::viaVoiceProxy(Vendor::inworld));
  EXPECT_FALSE(EngineFactory::viaVoiceProxy(Vendor::cartesia));
  EXPECT_FALSE(EngineFactory::viaVoiceProxy(Vendor::onDevice));
  EngineFactory::setVoiceProxy(std::nullopt);
  EXPECT_FALSE(EngineFactory::viaVoiceProxy(Vendor::inworld));
}

TEST(EngineFactoryTest, TheOnDeviceVoiceNeedsNoKeyAndCloudVoicesTheirOwn) {
  Keys::useKeychain(std::make_shared<test::MemoryKeychain>());
  Keys::forget();
  EXPECT_TRUE(EngineFactory::hasKey(Vendor::onDevice));
  EXPECT_FALSE(EngineFactory::hasKey(Vendor::inworld));
  ASSERT_FALSE(Keys::save("cartesia", "vendor-key-123456"));
  EXPECT_TRUE(EngineFactory::hasKey(Vendor::cartesia));
  EXPECT_FALSE(EngineFactory::hasKey(Vendor::inworld)) << "one vendor's key is not another's";
  Keys::useKeychain(nullptr);
  Keys::forget();
}
