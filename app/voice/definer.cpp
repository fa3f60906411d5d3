#include "app/voice/definer.h"

#include <cmath>

#include "app/audio/audio_graph.h"
#include "core/base/dispatch.h"
#include "core/speech/sentence_splitter.h"
#include "core/speech/speech_text.h"
#include "core/text/text.h"

namespace orvak {

// The engine's sink for one run. It only copies what the engine reports and hands it to the
// main queue tagged with its run; the definer drops whatever belongs to a run that is over.
class Definer::RunSink final : public SpeechSink {
 public:
  RunSink(std::weak_ptr<Definer> owner, std::uint64_t run) : owner_(std::move(owner)), run_(run) {}

  void ttsConnected(bool) override {}
  void ttsRequestSent(int) override {}
  void ttsWords(std::vector<WordTiming>, std::optional<int>) override {}
  void ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int> sentence) override {
    dispatch::main().async([owner = owner_, run = run_, samples = std::move(samples), sampleRate, sentence]() mutable {
      if (auto d = owner.lock()) d->audio(run, std::move(samples), sampleRate, sentence);
    });
  }
  void ttsFinished() override { ended(); }
  void ttsError(const std::string&) override { ended(); }

 private:
  void ended() {
    dispatch::main().async([owner = owner_, run = run_] {
      if (auto d = owner.lock()) d->engineDone(run);
    });
  }

  std::weak_ptr<Definer> owner_;
  std::uint64_t run_;
};

std::shared_ptr<Definer> Definer::make(std::shared_ptr<AudioGraph> graph) {
  if (!graph) graph = AudioGraph::shared().shared_from_this();
  return std::shared_ptr<Definer>(new Definer(std::move(graph)));
}

Definer::Definer(std::shared_ptr<AudioGraph> graph) : graph_(std::move(graph)) {}

Definer::~Definer() {
  if (engine_) engine_->detach(sink_.get());
}

void Definer::begin(std::shared_ptr<SpeechEngine> engine, std::vector<Pronunciation> pronunciations) {
  cancel();
  pronunciations_ = std::move(pronunciations);
  sent_ = 0;
  held_.reset();
  cur_.reset();
  curSamples_.clear();
  scheduled_ = played_ = 0;
  receiving_ = true;
  ended_ = false;
  done_ = nullptr;
  firstSoundAt_.reset();

  sink_ = std::make_shared<RunSink>(weak_from_this(), gen_);
  engine_ = std::move(engine);
  engine_->setSink(sink_);
  engine_->prepare();

  const bool wasRunning = graph_->engine().isRunning();
  const double rate = graph_->sampleRate();
  graph_->ensure(rate > 0 ? rate : 24000);
  if (!wasRunning) graph_->engine().mainMixer().setOutputVolume(1.0f);
}

void Definer::add(const std::string& sentence) {
  if (!engine_) return;
  if (text::trim(sentence, text::TrimSet::whitespacesAndNewlines).empty()) return;
  if (held_) {
    engine_->send(SpeechText::spoken(*held_, pronunciations_), sent_, false);
    ++sent_;
  }
  held_ = sentence;
}

void Definer::push(const std::string& text, bool last) {
  if (engine_) engine_->send(SpeechText::spoken(text, pronunciations_), sent_, last);
  ++sent_;
}

void Definer::end(const std::string& tail, std::function<void()> done) {
  if (!engine_) {
    if (done) done();
    return;
  }
  done_ = std::move(done);
  ended_ = true;
  const auto parts = sentences(tail);
  if (held_) {
    push(*held_, parts.empty());
    held_.reset();
  }
  for (std::size_t i = 0; i < parts.size(); ++i) push(parts[i], i + 1 == parts.size());
  if (sent_ == 0) {
    receiving_ = false;
    engine_.reset();
    check();
  }
}

void Definer::say(const std::string& text, std::shared_ptr<SpeechEngine> engine,
                  std::vector<Pronunciation> pronunciations, std::function<void()> done) {
  begin(std::move(engine), std::move(pronunciations));
  for (const auto& s : sentences(text)) add(s);
  end("", std::move(done));
}

void Definer::cancel() {
  ++gen_;
  done_ = nullptr;
  if (engine_) {
    // Only while this run still owns the engine: an engine that has since gone to someone else
    // is theirs to keep.
    engine_->detach(sink_.get());
    engine_.reset();
  }
  receiving_ = false;
  if (graph_->engine().isRunning()) graph_->stopClips();
}

void Definer::audio(std::uint64_t run, std::vector<float> samples, double rate, std::optional<int> sentence) {
  if (run != gen_ || !engine_) return;
  rate_ = rate;
  if (!curSamples_.empty() && (!sentence || sentence != cur_)) flush();
  cur_ = sentence;
  curSamples_.insert(curSamples_.end(), samples.begin(), samples.end());
}

void Definer::engineDone(std::uint64_t run) {
  if (run != gen_ || !engine_) return;
  flush();
  receiving_ = false;
  engine_.reset();
  check();
}

void Definer::flush() {
  if (curSamples_.empty()) return;
  ++scheduled_;
  if (!firstSoundAt_) firstSoundAt_ = dispatch::monotonicNanos();
  auto clip = resample(curSamples_, rate_, kClipRate);
  curSamples_.clear();
  graph_->queueClip(std::move(clip), [weak = weak_from_this(), gen = gen_] {
    auto self = weak.lock();
    if (!self || self->gen_ != gen) return;
    ++self->played_;
    self->check();
  });
}

void Definer::check() {
  if (!ended_ || receiving_ || scheduled_ != played_ || !done_) return;
  auto done = std::move(done_);
  done_ = nullptr;
  graph_->releaseIfIdle(kIdleRelease, dispatch::main());
  done();
}

std::vector<std::string> Definer::sentences(std::string_view text) {
  const std::string_view trimmed = text::trim(text, text::TrimSet::whitespacesAndNewlines);
  if (trimmed.empty()) return {};
  std::vector<std::string> out;
  for (auto& piece : SentenceSplitter::split(trimmed, 400)) {
    if (SpeechText::speakable(piece)) out.push_back(std::move(piece));
  }
  if (out.empty()) out.emplace_back(trimmed);
  return out;
}

std::vector<float> Definer::resample(const std::vector<float>& samples, double from, double to) {
  if (!(from > 0) || !(to > 0) || from == to || samples.size() < 2) return samples;
  const double n = std::floor(to * static_cast<double>(samples.size()) / from);
  if (!(n >= 1) || n > 1e10) return {};
  const auto count = static_cast<std::size_t>(n);
  std::vector<float> out(count);
  for (std::size_t i = 0; i < count; ++i) {
    const double p = from * static_cast<double>(i) / to;
    const auto k = static_cast<std::size_t>(p);
    const double f = p - static_cast<double>(k);
    if (k + 1 < samples.size()) {
      out[i] = static_cast<float>((1 - f) * samples[k] + f * samples[k + 1]);
    } else {
      out[i] = samples.back();
    }
  }
  return out;
}

}  // namespace orvak
