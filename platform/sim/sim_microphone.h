// A microphone whose access and whose answer to a request a test sets.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/microphone.h"

namespace orvak::sim {

class SimMicrophone final : public platform::Microphone {
 public:
  explicit SimMicrophone(platform::MicAccess access = platform::MicAccess::granted);

  platform::MicAccess access() override;
  // Counts the request; on the global queue the access becomes the set answer (if any), then
  // `answered` runs.
  void request(std::function<void()> answered) override;

  void setAccess(platform::MicAccess access);
  // What the user answers when asked; none leaves the access as it is.
  void setAnswer(std::optional<platform::MicAccess> answer);
  int requests() const;

 private:
  // Shared with answers still on their way, which may outlive the microphone.
  struct Shared {
    std::mutex mutex;
    platform::MicAccess access = platform::MicAccess::granted;
    std::optional<platform::MicAccess> answer;
    int requests = 0;
  };
  std::shared_ptr<Shared> s_;
};

}  // namespace orvak::sim
