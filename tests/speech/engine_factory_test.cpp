#include "speech/engine_factory.h"

#include <gtest/gtest.h>

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
