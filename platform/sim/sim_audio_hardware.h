// Scriptable audio hardware for tests and demos: set the default output and the recording
// programs; a changed default output notifies the watchers on the main queue, like the server.
#pragma once

#include <mutex>

#include "platform/audio_hardware.h"

namespace orvak::platform {

class SimAudioHardware final : public AudioHardware {
 public:
  void setDefaultOutput(std::optional<OutputDevice> device);
  void setRecorders(std::vector<RecordingProcess> recorders);

  std::optional<OutputDevice> defaultOutput() override;
  std::vector<RecordingProcess> recordingProcesses() override;
  void watch(std::function<void()> onChange) override;

 private:
  std::mutex mutex_;
  std::optional<OutputDevice> output_;
  std::vector<RecordingProcess> recorders_;
  std::vector<std::function<void()>> watchers_;
};

}  // namespace orvak::platform
