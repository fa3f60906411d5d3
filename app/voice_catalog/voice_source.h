// The two requests the voice catalogue makes of the account service: the list of natural voices
// and one voice's sample. The account client answers them; tests answer with a fake.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/account/voice_list.h"

namespace orvak {

class VoiceSource {
 public:
  using ListReply = std::function<void(std::optional<VoiceCatalogList>)>;
  using SampleReply = std::function<void(std::optional<std::vector<std::uint8_t>>)>;

  virtual ~VoiceSource() = default;
  // The service's voice list; `reply` runs once, on any thread, with none for every failure
  // (signed out, offline, refused, undecodable).
  virtual void voices(ListReply reply) = 0;
  // The sample of voice `id` (a whole audio file); `reply` runs once, on any thread, with none
  // for every failure.
  virtual void voiceSample(const std::string& id, SampleReply reply) = 0;
};

}  // namespace orvak
