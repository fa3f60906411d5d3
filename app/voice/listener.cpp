#include "app/voice/listener.h"

#include <algorithm>
#include <cmath>

#include "app/audio/audio_graph.h"
#include "app/audio/audio_route.h"
#include "app/audio/resampler.h"
#include "core/base/log.h"
#include "platform/audio_file.h"

namespace orvak {

namespace {
constexpr std::uint64_t kFrameNs = 10'000'000;
constexpr std::size_t kWindow = 4;  // frames of voiced history
constexpr std::size_t kVoicedToStart = 3;

double ms(std::uint64_t later, std::uint64_t earlier) {
  return later >= earlier ? static_cast<double>(later - earlier) / 1e6 : 0.0;
}
}  // namespace

std::shared_ptr<Listener> Listener::make(Wiring wiring) { return make(std::move(wiring), Config{}); }

std::shared_ptr<Listener> Listener::make(Wiring wiring, Config config) {
  return std::shared_ptr<Listener>(new Listener(std::move(wiring), config));
}

Listener::Listener(Wiring wiring, Config config)
    : config_(config),
      input_(std::move(wiring.input)),
      graph_(std::move(wiring.graph)),
      makeCanceller_(std::move(wiring.makeCanceller)),
      log_(std::move(wiring.log)),
      queue_(dispatch::makeQueue("orvak.listener")) {
  if (!makeCanceller_) makeCanceller_ = [](double rate) { return platform::makeEchoCanceller(rate); };
  if (!log_) log_ = [](const std::string& line) { Log::write(line); };
}

Listener::~Listener() {
  // The input's thread must stop calling back before anything it reaches goes away.
  if (input_) input_->close();
  if (graph_ && voiceProcessing_.load()) graph_->engine().setRenderTap({});
}

std::optional<audio::AudioFormat> Listener::format() const {
  std::lock_guard lock(mutex_);
  return format_;
}

std::optional<std::string> Listener::start() {
  if (running_.load()) return std::nullopt;
  if (!input_) return std::string("microphone: no input");
  std::weak_ptr<Listener> weak = weak_from_this();
  platform::AudioFormat hardware;
  try {
    hardware = input_->open([weak](std::span<const float> samples, std::uint64_t hostNs) {
      if (auto self = weak.lock()) self->receive(std::vector<float>(samples.begin(), samples.end()), hostNs);
    });
  } catch (const platform::AudioInputError& e) {
    return std::string("microphone: ") + e.what();
  }

  std::shared_ptr<platform::EchoCanceller> canceller;
  if (graph_) {
    try {
      canceller = makeCanceller_(hardware.sampleRate);
    } catch (const platform::EchoCancellerError& e) {
      log_(std::string("listener: no echo cancellation, listening without it: ") + e.what());
    }
  } else {
    log_("listener: no echo cancellation, listening without it: no output to cancel");
  }
  if (canceller) {
    // The far end arrives at the engine's rate on its render thread; the resampler lives there.
    auto resampler = std::make_shared<audio::Resampler>(audio::AudioEngine::kOutputFormat.sampleRate, hardware.sampleRate);
    graph_->engine().setRenderTap([canceller, resampler](std::span<const float> mono) {
      canceller->render(resampler->process(mono));
    });
  }
  voiceProcessing_.store(canceller != nullptr);
  log_(std::string("listener: vp=") + (canceller ? "true" : "false") + " input format " + hardware.describe());
  {
    std::lock_guard lock(mutex_);
    format_ = audio::AudioFormat::mono(hardware.sampleRate);
    canceller_ = std::move(canceller);
  }
  running_.store(true);
  if (graph_) graph_->setMicAttached(true);
  return std::nullopt;
}

void Listener::reconnect() {
  if (!running_.load() || !input_) return;
  const auto hardware = input_->reopen();
  if (!hardware || hardware->channels == 0 || !(hardware->sampleRate > 0)) {
    log_("listener: no mic input after the device change");
    return;
  }
  {
    std::lock_guard lock(mutex_);
    format_ = audio::AudioFormat::mono(hardware->sampleRate);
  }
  std::weak_ptr<Listener> weak = weak_from_this();
  queue_->async([weak] {
    if (auto self = weak.lock()) self->resetVAD();
  });
  log_("listener: reconnected, input " + hardware->describe());
}

void Listener::resetVAD() {
  inSpeech_ = false;
  recent_.clear();
  preRoll_.clear();
  preRollFrames_ = 0;
  frameRemainder_.clear();
}

void Listener::beginPTT() {
  std::weak_ptr<Listener> weak = weak_from_this();
  queue_->async([weak] {
    auto self = weak.lock();
    if (!self) return;
    self->inSpeech_ = false;
    self->recent_.clear();
    self->ptt_ = true;
    auto held = std::move(self->preRoll_);
    self->preRoll_.clear();
    self->preRollFrames_ = 0;
    for (const auto& buffer : held) {
      if (self->onAudio) self->onAudio(buffer);
    }
  });
}

void Listener::endPTT() {
  std::weak_ptr<Listener> weak = weak_from_this();
  queue_->async([weak] {
    if (auto self = weak.lock()) {
      self->ptt_ = false;
      self->recent_.clear();
    }
  });
}

void Listener::setVadEnabled(bool enabled) {
  std::weak_ptr<Listener> weak = weak_from_this();
  queue_->async([weak, enabled] {
    if (auto self = weak.lock()) self->vadEnabled_ = enabled;
  });
}

void Listener::receive(std::vector<float> samples, std::uint64_t hostNs) {
  // Input thread: copy and hop, nothing else.
  std::weak_ptr<Listener> weak = weak_from_this();
  queue_->async([weak, samples = std::move(samples), hostNs]() mutable {
    auto self = weak.lock();
    if (!self) return;
    std::shared_ptr<platform::EchoCanceller> canceller;
    std::optional<audio::AudioFormat> format;
    {
      std::lock_guard lock(self->mutex_);
      canceller = self->canceller_;
      format = self->format_;
    }
    if (canceller && format && canceller->sampleRate() == format->sampleRate) canceller->capture(samples);
    self->ingest(std::move(samples), hostNs);
  });
}

void Listener::ingest(std::vector<float> samples, std::uint64_t hostNs) {
  const auto format = this->format();
  if (!format) return;
  const double rate = format->sampleRate;

  if (!inject_.empty()) {
    if (injectLead_ >= injectPos_ && injectLead_ < injectPos_ + samples.size() && onInjectStart) {
      onInjectStart(hostNs + static_cast<std::uint64_t>(static_cast<double>(injectLead_ - injectPos_) / rate * 1e9));
    }
    const std::size_t n = std::min(samples.size(), inject_.size() - injectPos_);
    for (std::size_t i = 0; i < n; ++i) samples[i] += inject_[injectPos_ + i];
    injectPos_ += n;
    if (injectPos_ >= inject_.size()) {
      inject_.clear();
      injectPos_ = 0;
    }
  }

  const auto frameLength = static_cast<std::size_t>(rate / 100);
  if (frameLength == 0) return;
  if (frameRemainder_.empty()) frameStartNs_ = hostNs;
  frameRemainder_.insert(frameRemainder_.end(), samples.begin(), samples.end());

  audio::PcmBuffer buffer{*format, std::move(samples)};
  if (inSpeech_ || ptt_) {
    if (onAudio) onAudio(buffer);
  } else {
    preRollFrames_ += buffer.frameLength();
    preRoll_.push_back(std::move(buffer));
    const auto limit = static_cast<std::size_t>(rate * config_.preRollMs / 1000);
    while (preRollFrames_ > limit && preRoll_.size() >= 2) {
      preRollFrames_ -= preRoll_.front().frameLength();
      preRoll_.pop_front();
    }
  }

  std::size_t at = 0;
  const auto frameNs = static_cast<std::uint64_t>(static_cast<double>(frameLength) * 1e9 / rate);
  while (frameRemainder_.size() - at >= frameLength) {
    const std::uint64_t t = frameStartNs_;
    double sum = 0;
    for (std::size_t i = 0; i < frameLength; ++i) {
      const double v = frameRemainder_[at + i];
      sum += v * v;
    }
    at += frameLength;
    frameStartNs_ += frameNs;
    const auto level = static_cast<float>(10 * std::log10(std::max(sum / static_cast<double>(frameLength), 1e-12)));
    lastDb_.store(level);
    framesSeen_.fetch_add(1);
    step(level, t);
  }
  frameRemainder_.erase(frameRemainder_.begin(), frameRemainder_.begin() + static_cast<std::ptrdiff_t>(at));
}

void Listener::step(float db, std::uint64_t frameNs) {
  if (ptt_) return;
  if (!inSpeech_) {
    if (db < floorDb_) {
      floorDb_ = 0.2f * db + 0.8f * floorDb_;
    } else {
      floorDb_ = std::min(floorDb_ + (db - floorDb_) * 0.0033f, -20.0f);
    }
    recent_.push_back(db >= voicedThreshold(config_, floorDb_));
    if (recent_.size() > kWindow) recent_.pop_front();
    if (!(armed_.load() && vadEnabled_)) return;
    if (static_cast<std::size_t>(std::count(recent_.begin(), recent_.end(), true)) < kVoicedToStart) return;
    const auto first = static_cast<std::size_t>(std::find(recent_.begin(), recent_.end(), true) - recent_.begin());
    const std::uint64_t back = (recent_.size() - 1 - first) * kFrameNs;
    const std::uint64_t start = frameNs > back ? frameNs - back : 0;
    inSpeech_ = true;
    speechStartNs_ = start;
    lastVoicedNs_ = frameNs;
    deliver(Event::onset(start, db, floorDb_));
    auto held = std::move(preRoll_);
    preRoll_.clear();
    preRollFrames_ = 0;
    for (const auto& buffer : held) {
      if (onAudio) onAudio(buffer);
    }
    return;
  }
  if (db >= keepAliveThreshold(config_, floorDb_)) lastVoicedNs_ = frameNs;
  const double silence = ms(frameNs, lastVoicedNs_);
  const double length = ms(frameNs, speechStartNs_);
  if (silence >= config_.hangMs || length >= config_.maxUtteranceMs) {
    inSpeech_ = false;
    recent_.clear();
    const double speechMs = ms(lastVoicedNs_, speechStartNs_);
    deliver(speechMs < config_.minSpeechMs ? Event::tooShort(frameNs, speechMs) : Event::end(frameNs, speechMs));
  }
}

float Listener::voicedThreshold(const Config& config, float floorDb) {
  return std::max(config.absFloorDb, floorDb + config.onsetDb);
}

float Listener::keepAliveThreshold(const Config& config, float floorDb) {
  return std::max(floorDb + config.releaseDb, config.absFloorDb - 4);
}

void Listener::deliver(const Event& event) {
  if (onEvent) onEvent(event);
}

bool Listener::injectFile(const std::filesystem::path& file, float peakDb) {
  const auto format = this->format();
  if (!format) return false;
  std::vector<float> samples;
  try {
    const auto clip = platform::readAudioFile(file);
    samples = audio::Resampler::convert(clip.samples, clip.sampleRate, format->sampleRate);
  } catch (const std::exception& e) {
    log_(std::string("inject failed: ") + e.what());
    return false;
  }
  float peak = 1;
  if (!samples.empty()) {
    peak = 0;
    for (float v : samples) peak = std::max(peak, std::abs(v));
  }
  const float gain = std::pow(10.0f, peakDb / 20) / (peak <= 1e-6f ? 1e-6f : peak);
  for (float& v : samples) v *= gain;
  const float loud = std::pow(10.0f, (peakDb - 22) / 20);
  const auto it = std::find_if(samples.begin(), samples.end(), [loud](float v) { return std::abs(v) >= loud; });
  const std::size_t lead = it == samples.end() ? 0 : static_cast<std::size_t>(it - samples.begin());
  std::weak_ptr<Listener> weak = weak_from_this();
  queue_->async([weak, samples = std::move(samples), lead]() mutable {
    if (auto self = weak.lock()) {
      self->inject_ = std::move(samples);
      self->injectPos_ = 0;
      self->injectLead_ = lead;
    }
  });
  return true;
}

std::string Listener::outputDeviceName(platform::AudioHardware& hardware) {
  const auto output = AudioRoute::output(hardware);
  if (!output || output->name.empty()) return "?";
  return output->name;
}

}  // namespace orvak
