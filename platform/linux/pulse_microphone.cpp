#include <pulse/pulseaudio.h>

#include "core/base/dispatch.h"
#include "platform/linux/pulse_connection.h"
#include "platform/microphone.h"

namespace orvak::platform {

namespace {

class PulseMicrophone final : public Microphone {
 public:
  explicit PulseMicrophone(std::string clientName) : clientName_(std::move(clientName)) {}

  MicAccess access() override {
    pulse::Connection connection(clientName_);
    if (!connection.ok()) return MicAccess::denied;
    bool input = false;
    pa_operation* op = pa_context_get_source_info_list(
        connection.context(),
        [](pa_context*, const pa_source_info* info, int eol, void* user) {
          // A monitor source records what an output plays, not a microphone.
          if (eol == 0 && info != nullptr && info->monitor_of_sink == PA_INVALID_INDEX) *static_cast<bool*>(user) = true;
        },
        &input);
    if (!connection.await(op)) return MicAccess::denied;
    return input ? MicAccess::granted : MicAccess::denied;
  }

  void request(std::function<void()> answered) override {
    // Nothing to ask: the caller reads the state again, off the main thread since the server may be slow.
    dispatch::global().async([answered = std::move(answered)] { answered(); });
  }

 private:
  std::string clientName_;
};

}  // namespace

std::shared_ptr<Microphone> makePulseMicrophone(std::string clientName) {
  return std::make_shared<PulseMicrophone>(std::move(clientName));
}

}  // namespace orvak::platform
