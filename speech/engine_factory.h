// The one place that knows the vendors' engine classes: it turns a vendor and the configured
// models and voices into an engine, keeps one engine per vendor while the settings it was built
// from hold, and holds the voice proxy setting for the vendors that can use it. Everyone else
// names a Vendor, never an engine class.
//
// An instance belongs to one owner on one queue (the controller's, on the main queue); the
// static functions may be called from any thread.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "speech/engine.h"
#include "speech/vendor.h"

namespace orvak {

class EngineFactory {
 public:
  using Maker = std::function<std::shared_ptr<SpeechEngine>(Vendor, const EngineConfig&)>;

  // A new engine for `vendor`, not yet prepared and without a sink. Never fails: whether the vendor
  // can be reached shows only when the engine prepares.
  static std::shared_ptr<SpeechEngine> make(Vendor vendor, const EngineConfig& config);

  // Sends the vendors that can use it through the account service's voice proxy from now on;
  // none: straight to the vendor with the user's key.
  static void setVoiceProxy(std::optional<VoiceProxy> proxy);
  // Whether a read with `vendor` goes through the voice proxy now (and so needs no key).
  static bool viaVoiceProxy(Vendor vendor);
  // Whether the user's key for `vendor` is stored; the on-device vendor needs none. The first
  // look-up of a name may run the keychain tool (slow): not on the main queue at launch.
  static bool hasKey(Vendor vendor);

  // Engines come from `maker` (a test's scripted ones); none: `make`.
  explicit EngineFactory(Maker maker = {});

  // The engine of `vendor` for `config`, kept until a field of `config` that this vendor is built
  // from changes: a new Cartesia version leaves the Inworld engine alone.
  std::shared_ptr<SpeechEngine> engine(Vendor vendor, const EngineConfig& config);
  // A new engine that is not kept (an answer to a question speaks on one of its own).
  std::shared_ptr<SpeechEngine> fresh(Vendor vendor, const EngineConfig& config) const;

 private:
  Maker maker_;
  std::map<Vendor, std::pair<EngineConfig, std::shared_ptr<SpeechEngine>>> kept_;
};

}  // namespace orvak
