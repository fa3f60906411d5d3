#include "platform/sim/scripted_recognizer.h"

#include <limits>

namespace orvak::platform {

namespace {

class ScriptedSession final : public RecognitionSession {
 public:
  ScriptedSession(RecognitionScript script, double rate, std::shared_ptr<std::mutex> mutex,
                  std::shared_ptr<std::vector<ScriptedUtterance>> log, std::size_t index)
      : script_(std::move(script)), rate_(rate), mutex_(std::move(mutex)), log_(std::move(log)), index_(index) {}

  std::vector<RecognitionResult> feed(std::span<const float> samples) override {
    if (finished_) return {};
    heard_ += samples.size();
    {
      std::lock_guard lock(*mutex_);
      (*log_)[index_].samples = heard_;
    }
    return due(static_cast<double>(heard_) / rate_);
  }

  std::vector<RecognitionResult> finish() override {
    if (finished_) return {};
    finished_ = true;
    {
      std::lock_guard lock(*mutex_);
      (*log_)[index_].finished = true;
    }
    return due(std::numeric_limits<double>::infinity());
  }

 private:
  std::vector<RecognitionResult> due(double seconds) {
    std::vector<RecognitionResult> out;
    while (next_ < script_.size() && script_[next_].atSeconds <= seconds) {
      out.push_back({script_[next_].text, script_[next_].isFinal});
      ++next_;
    }
    return out;
  }

  RecognitionScript script_;
  double rate_;
  std::shared_ptr<std::mutex> mutex_;
  std::shared_ptr<std::vector<ScriptedUtterance>> log_;
  std::size_t index_;
  std::size_t next_ = 0;
  std::size_t heard_ = 0;
  bool finished_ = false;
};

}  // namespace

ScriptedRecognizer::ScriptedRecognizer(std::vector<RecognitionScript> scripts, AudioFormat format)
    : format_(format), scripts_(scripts.begin(), scripts.end()) {}

std::unique_ptr<RecognitionSession> ScriptedRecognizer::begin() {
  std::lock_guard lock(mutex_);
  RecognitionScript script;
  if (!scripts_.empty()) {
    script = std::move(scripts_.front());
    scripts_.pop_front();
  }
  std::size_t index = 0;
  {
    std::lock_guard logLock(*logMutex_);
    utterances_->push_back({});
    index = utterances_->size() - 1;
  }
  return std::make_unique<ScriptedSession>(std::move(script), format_.sampleRate > 0 ? format_.sampleRate : 16000,
                                           logMutex_, utterances_, index);
}

std::vector<ScriptedUtterance> ScriptedRecognizer::utterances() const {
  std::lock_guard lock(*logMutex_);
  return *utterances_;
}

}  // namespace orvak::platform
