// orvak-dev parse TRANSCRIPT [--smart]: the voice command a transcript gives, with its payload
// and, for speech that fits no command, the hint the user would see.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "core/text/text.h"
#include "core/voice/voice_command.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

int runParse(const Args& args) {
  bool smart = false;
  bool haveTranscript = false;
  std::string transcript;
  for (const auto& a : args) {
    if (a == "--smart") {
      smart = true;
    } else {
      transcript += (haveTranscript ? " " : "") + a;
      haveTranscript = true;
    }
  }
  if (!haveTranscript) throw std::invalid_argument("usage: orvak-dev parse TRANSCRIPT [--smart]");
  transcript = text::repairUtf8(transcript);
  const VoiceCommand command = VoiceCommand::parse(transcript, smart);
  std::printf("name: %.*s\n", int(command.name().size()), command.name().data());
  if (VoiceCommand::carriesText(command.kind())) std::printf("payload: \"%s\"\n", command.payload().c_str());
  if (command.kind() == VoiceCommand::Kind::unrecognized) {
    const auto hint = VoiceCommand::suggestion(transcript);
    std::printf("suggestion: %s\n", hint ? ("\"" + *hint + "\"").c_str() : "none");
  }
  return 0;
}

}  // namespace orvak::dev
