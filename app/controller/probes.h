// Developer probes, run from the control channel: how the last read page's longest text answers
// the accessibility requests the band depends on, a real scroll of the front window for the
// scroll watch to see, and the audio route. They only write to the log (the scroll probe really
// scrolls). Main queue.
#pragma once

#include <optional>

#include "app/capture/capture.h"
#include "platform/audio_hardware.h"
#include "platform/ax.h"
#include "platform/events.h"
#include "platform/workspace.h"

namespace orvak::Probes {

// The longest text of `capture` (the last page read): its answers to the band's requests, logged
// once they are all known. The requests run off the main queue, each within the capturer's
// time-out, so a program that hangs cannot freeze this one.
void accessibility(const std::optional<Capture>& capture);
// Scrolls the front window `lines` steps (negative: up; 0: none); false without a front
// application.
bool scroll(ax::System& ax, platform::Events& events, platform::Workspace& workspace, int lines);
// The audio output and the other programs recording, in one log line; `hardware` none: the
// system's.
void audio(platform::AudioHardware* hardware);

}  // namespace orvak::Probes
