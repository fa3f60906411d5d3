#include "platform/sim/sim_audio_hardware.h"

#include "core/base/dispatch.h"

namespace orvak::platform {

namespace {
bool same(const std::optional<OutputDevice>& a, const std::optional<OutputDevice>& b) {
  if (a.has_value() != b.has_value()) return false;
  if (!a) return true;
  return a->id == b->id && a->name == b->name && a->bus == b->bus && a->headphonesPort == b->headphonesPort;
}
}  // namespace

void SimAudioHardware::setDefaultOutput(std::optional<OutputDevice> device) {
  std::vector<std::function<void()>> notify;
  {
    std::lock_guard lock(mutex_);
    if (!same(output_, device)) notify = watchers_;
    output_ = std::move(device);
  }
  for (auto& w : notify) dispatch::main().async(w);
}

void SimAudioHardware::setRecorders(std::vector<RecordingProcess> recorders) {
  std::lock_guard lock(mutex_);
  recorders_ = std::move(recorders);
}

std::optional<OutputDevice> SimAudioHardware::defaultOutput() {
  std::lock_guard lock(mutex_);
  return output_;
}

std::vector<RecordingProcess> SimAudioHardware::recordingProcesses() {
  std::lock_guard lock(mutex_);
  return recorders_;
}

void SimAudioHardware::watch(std::function<void()> onChange) {
  std::lock_guard lock(mutex_);
  watchers_.push_back(std::move(onChange));
}

}  // namespace orvak::platform
