#include "speech/engine_factory.h"

#include "speech/cartesia_engine.h"
#include "speech/inworld_engine.h"
#include "speech/keys.h"
#include "speech/on_device_engine.h"

namespace orvak {

namespace {

// Whether two configurations build the same engine for `vendor`: only its own fields count.
bool sameEngine(Vendor vendor, const EngineConfig& a, const EngineConfig& b) {
  switch (vendor) {
    case Vendor::inworld:
      return a.inworldModel == b.inworldModel && a.inworldVoice == b.inworldVoice;
    case Vendor::cartesia:
      return a.cartesiaModel == b.cartesiaModel && a.cartesiaVoice == b.cartesiaVoice &&
             a.cartesiaVersion == b.cartesiaVersion;
    case Vendor::onDevice:
      return a.onDeviceVoice == b.onDeviceVoice;
  }
  return a == b;
}

}  // namespace

std::shared_ptr<SpeechEngine> EngineFactory::make(Vendor vendor, const EngineConfig& config) {
  switch (vendor) {
    case Vendor::inworld: return InworldEngine::make(config.inworldModel, config.inworldVoice);
    case Vendor::cartesia:
      return CartesiaEngine::make(config.cartesiaModel, config.cartesiaVoice, config.cartesiaVersion);
    case Vendor::onDevice: return OnDeviceEngine::make(config.onDeviceVoice);
  }
  return OnDeviceEngine::make(config.onDeviceVoice);
}

// Only the Inworld engine speaks through the proxy; Cartesia always needs the user's key.
void EngineFactory::setVoiceProxy(std::optional<VoiceProxy> proxy) { InworldEngine::setProxy(std::move(proxy)); }

bool EngineFactory::viaVoiceProxy(Vendor vendor) {
  return vendor == Vendor::inworld && InworldEngine::proxy().has_value();
}

bool EngineFactory::hasKey(Vendor vendor) {
  const auto name = keyName(vendor);
  return !name || Keys::get(std::string(*name)).has_value();
}

EngineFactory::EngineFactory(Maker maker) : maker_(std::move(maker)) {}

std::shared_ptr<SpeechEngine> EngineFactory::engine(Vendor vendor, const EngineConfig& config) {
  if (auto it = kept_.find(vendor); it != kept_.end() && sameEngine(vendor, it->second.first, config)) {
    return it->second.second;
  }
  auto made = fresh(vendor, config);
  kept_[vendor] = {config, made};
  return made;
}

std::shared_ptr<SpeechEngine> EngineFactory::fresh(Vendor vendor, const EngineConfig& config) const {
  return maker_ ? maker_(vendor, config) : make(vendor, config);
}

}  // namespace orvak
