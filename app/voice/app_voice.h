// The voice controller behind the reading controller's seam (app/controller/voice_commands.h):
// the seam's callbacks are read when they are called, so the reading controller may set them
// after this is made.
#pragma once

#include <memory>

#include "app/controller/voice_commands.h"
#include "app/voice/voice_controller.h"
#include "platform/audio_input.h"

namespace orvak {

std::shared_ptr<VoiceCommands> makeVoiceCommands(std::shared_ptr<VoiceController> controller);

// For the application: the microphone through the sound server, on-device recognition, and the
// research store, settings and audio graph of `parts`; a saved item announces the library
// change. `input` replaces the sound server's microphone (the workbench's simulated one).
std::shared_ptr<VoiceCommands> makeAppVoice(const VoiceCommandParts& parts,
                                            std::unique_ptr<platform::AudioInput> input = nullptr);

}  // namespace orvak
