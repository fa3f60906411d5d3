// What the Voice page asks of the rest of the application: starting a read, the stored keys, the
// natural voice catalogue and its source, and the engines' voice lists. Main thread only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/player/player.h"
#include "speech/inworld_engine.h"
#include "speech/on_device_engine.h"

namespace orvak {

class VoiceCatalog;
class VoiceSource;

class VoicePageHost {
 public:
  virtual ~VoicePageHost() = default;
  // The controller's one way to start a read (a given text needs no window).
  virtual void trigger(const std::string& source, double eventLagMs, ReadOptions opts,
                       std::optional<std::string> text) = 0;
  // Whether a key is stored under `name` ("inworld", "cartesia", "account").
  virtual bool hasKey(std::string_view name) const = 0;
  virtual VoiceCatalog& catalog() = 0;
  virtual VoiceSource& voiceSource() = 0;
  // The installed on-device voices, read when the page is built.
  virtual std::vector<OnDeviceEngine::VoiceChoice> onDeviceVoices() = 0;
  // The natural engine's own voice list.
  virtual std::vector<InworldEngine::Voice> naturalVoices() = 0;
};

}  // namespace orvak
