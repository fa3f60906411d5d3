// The voice command grammar on any transcript, valid UTF-8 or not: it answers with a command (or
// unrecognised) and never crashes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/voice/voice_command.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using orvak::VoiceCommand;
  const std::string_view transcript(reinterpret_cast<const char*>(data), size);
  for (const bool smart : {false, true}) {
    const VoiceCommand command = VoiceCommand::parse(transcript, smart);
    (void)VoiceCommand::parseWords(transcript, smart);
    if (command.kind() == VoiceCommand::Kind::note) (void)VoiceCommand::noteText(command.payload(), transcript);
  }
  (void)VoiceCommand::suggestion(transcript);
  return 0;
}
