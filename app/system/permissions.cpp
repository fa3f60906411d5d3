#include "app/system/permissions.h"

namespace orvak {

std::shared_ptr<Permissions> Permissions::make(std::shared_ptr<ax::System> ax,
                                               std::shared_ptr<platform::Microphone> mic) {
  return std::make_shared<Permissions>(Token{}, std::move(ax), std::move(mic));
}

Permissions::Permissions(Token, std::shared_ptr<ax::System> ax, std::shared_ptr<platform::Microphone> mic)
    : ax_(std::move(ax)), micService_(std::move(mic)) {
  accessibility_ = ax_->isProcessTrusted();
  mic_ = micService_->access();
}

void Permissions::refresh() {
  const bool trusted = ax_->isProcessTrusted();
  const Mic mic = micService_->access();
  if (trusted != accessibility_ || mic != mic_) {
    accessibility_ = trusted;
    mic_ = mic;
    if (onChange) onChange();
    observers_.notify();
  }
  if (trusted && mic == Mic::granted) timer_.reset();
}

std::uint64_t Permissions::addObserver(std::function<void()> observer) {
  return observers_.add(std::move(observer));
}

void Permissions::removeObserver(std::uint64_t token) { observers_.remove(token); }

void Permissions::startPolling() {
  if (timer_) return;
  timer_.emplace(dispatch::main(), kPollInterval, [weak = weak_from_this()] {
    if (auto self = weak.lock()) self->refresh();
  });
}

void Permissions::requestMic() {
  micService_->request([weak = weak_from_this()] {
    dispatch::main().async([weak] {
      if (auto self = weak.lock()) self->refresh();
    });
  });
}

}  // namespace orvak
