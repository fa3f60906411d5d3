#include "platform/sim/sim_microphone.h"

#include "core/base/dispatch.h"

namespace orvak::sim {

SimMicrophone::SimMicrophone(platform::MicAccess access) : s_(std::make_shared<Shared>()) { s_->access = access; }

platform::MicAccess SimMicrophone::access() {
  std::lock_guard lock(s_->mutex);
  return s_->access;
}

void SimMicrophone::request(std::function<void()> answered) {
  {
    std::lock_guard lock(s_->mutex);
    ++s_->requests;
  }
  dispatch::global().async([s = s_, answered = std::move(answered)] {
    {
      std::lock_guard lock(s->mutex);
      if (s->answer) s->access = *s->answer;
    }
    answered();
  });
}

void SimMicrophone::setAccess(platform::MicAccess access) {
  std::lock_guard lock(s_->mutex);
  s_->access = access;
}

void SimMicrophone::setAnswer(std::optional<platform::MicAccess> answer) {
  std::lock_guard lock(s_->mutex);
  s_->answer = answer;
}

int SimMicrophone::requests() const {
  std::lock_guard lock(s_->mutex);
  return s_->requests;
}

}  // namespace orvak::sim
