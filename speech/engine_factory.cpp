#include "speech/engine_factory.h"

#include "speech/on_device_engine.h"
#include "speech/cartesia_engine.h"
#include "speech/inworld_engine.h"

namespace orvak::EngineFactory {

std::shared_ptr<SpeechEngine> make(Vendor vendor, const EngineConfig& config) {
  switch (vendor) {
    case Vendor::inworld: return InworldEngine::make(config.inworldModel, config.inworldVoice);
    case Vendor::cartesia:
      return CartesiaEngine::make(config.cartesiaModel, config.cartesiaVoice, config.cartesiaVersion);
    case Vendor::onDevice: return OnDeviceEngine::make(config.onDeviceVoice);
  }
  return OnDeviceEngine::make(config.onDeviceVoice);
}

}  // namespace orvak::EngineFactory
