// The one place that turns a vendor and the configured models and voices into an engine.
#pragma once

#include <memory>

#include "speech/engine.h"
#include "speech/vendor.h"

namespace orvak::EngineFactory {

// A new engine for `vendor`, not yet prepared and without a sink. Never fails: whether the vendor
// can be reached shows only when the engine prepares.
std::shared_ptr<SpeechEngine> make(Vendor vendor, const EngineConfig& config);

}  // namespace orvak::EngineFactory
