#include "app/controller/notices.h"

namespace orvak {

namespace {
constexpr double kFailHideSeconds = 2.8;
}

Notices::Notices(Parts parts) : parts_(std::move(parts)) {}

AudioGraph& Notices::graph() { return parts_.graph ? *parts_.graph : AudioGraph::shared(); }

void Notices::fail(const std::string& text) {
  lastError_ = text;
  parts_.pill->show(text, Pill::Tone::warn, kFailHideSeconds);
  if (Earcon::enabled.load()) {
    const auto samples = Earcon::samples(Earcon::Kind::warn);
    // The cue node plays only while the engine runs; otherwise the sound's own player does.
    if (!samples.empty() && !graph().playCue(samples)) {
      if (parts_.playSound) {
        parts_.playSound(Earcon::Kind::warn);
      } else {
        auto& sound = Earcon::sound(Earcon::Kind::warn);
        sound.stop();
        sound.play();
      }
    }
  }
  if (onFailed) onFailed();
}

void Notices::note(const std::string& text) {
  const bool highlighted = text.rfind("Highlighted", 0) == 0;
  const bool noteSaved = text.rfind("Note saved", 0) == 0;
  std::optional<std::string> saved;
  if (ResearchStore* store = noteSaved && parts_.store ? parts_.store() : nullptr) {
    const auto newest = store->recent(1);
    if (!newest.empty()) saved = newest.front().note;
  }
  parts_.pill->flash(text, saved);
  if ((highlighted || noteSaved) && parts_.notifications) parts_.notifications->post("orvak.notesChanged");
  if (highlighted && onHighlighted) onHighlighted();
}

}  // namespace orvak
