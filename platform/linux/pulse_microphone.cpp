#include <pulse/pulseaudio.h>

#include <atomic>
#include <mutex>
#include <optional>

#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "platform/audio_input.h"
#include "platform/linux/pulse_connection.h"
#include "platform/microphone.h"

namespace orvak::platform {

namespace {

class PulseMicrophone final : public Microphone, public std::enable_shared_from_this<PulseMicrophone> {
 public:
  explicit PulseMicrophone(std::string clientName) : clientName_(std::move(clientName)) {}

  MicAccess access() override {
    const int inputs = countInputs();
    std::lock_guard lock(mutex_);
    // A failed test recording counts until the inputs change (one plugged in, or taken away).
    if (failedWithInputs_ && *failedWithInputs_ == inputs) return MicAccess::denied;
    failedWithInputs_.reset();
    return inputs > 0 ? MicAccess::granted : MicAccess::denied;
  }

  void request(std::function<void()> answered) override {
    // Nothing to grant: the request is a short test recording, off the main thread since the server
    // may be slow. A source that cannot be recorded from makes the state denied.
    dispatch::global().async([this, self = weak_from_this(), answered = std::move(answered)] {
      if (auto alive = self.lock()) {
        const bool ok = testRecording();
        const int inputs = countInputs();
        std::lock_guard lock(mutex_);
        if (ok) {
          failedWithInputs_.reset();
        } else {
          failedWithInputs_ = inputs;
        }
      }
      answered();
    });
  }

 private:
  // Input sources of the server that are not monitors of an output; -1 without a server.
  int countInputs() {
    pulse::Connection connection(clientName_);
    if (!connection.ok()) return -1;
    int inputs = 0;
    pa_operation* op = pa_context_get_source_info_list(
        connection.context(),
        [](pa_context*, const pa_source_info* info, int eol, void* user) {
          // A monitor source records what an output plays, not a microphone.
          if (eol == 0 && info != nullptr && info->monitor_of_sink == PA_INVALID_INDEX) ++*static_cast<int*>(user);
        },
        &inputs);
    if (!connection.await(op)) return -1;
    return inputs;
  }

  // Records 0.2 s from the default source; true when sound arrived.
  bool testRecording() {
    auto input = makePulseAudioInput(clientName_, 16000);
    std::atomic<std::size_t> samples{0};
    try {
      input->open([&samples](std::span<const float> chunk, std::uint64_t) { samples += chunk.size(); });
    } catch (const AudioInputError& e) {
      Log::write(std::string("microphone: test recording failed (") + e.what() + ")");
      return false;
    }
    // The 0.2 s, then a little longer for the first chunk of a slow server.
    for (int i = 0; i < 10 && (i < 4 || samples.load() == 0); ++i) dispatch::blockFor(0.05);
    input->close();
    if (samples.load() == 0) Log::write("microphone: test recording heard nothing");
    return samples.load() > 0;
  }

  std::string clientName_;
  std::mutex mutex_;
  std::optional<int> failedWithInputs_;
};

}  // namespace

std::shared_ptr<Microphone> makePulseMicrophone(std::string clientName) {
  return std::make_shared<PulseMicrophone>(std::move(clientName));
}

}  // namespace orvak::platform
