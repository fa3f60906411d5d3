#include "app/voice/transcriber.h"

#include <atomic>
#include <exception>

#include "core/text/text.h"
#include "core/voice/command_phrases.h"

namespace orvak {

// What the queued recognition work of one session shares: the session itself is held weakly, so
// a dropped session is not kept alive by work still queued for it.
struct Transcriber::Session::Work {
  std::atomic<bool> closed{false};  // no more input: finished or cancelled
  // Queue only:
  std::unique_ptr<platform::RecognitionSession> recognition;
  std::string finals;
};

namespace {

void deliver(const std::weak_ptr<Transcriber::Session>& weak, std::string& finals,
             const std::vector<platform::RecognitionResult>& results) {
  for (const auto& result : results) {
    if (auto session = weak.lock()) session->update(result.text, result.isFinal);
    if (result.isFinal) finals += result.text;
  }
}

}  // namespace

const std::vector<std::string>& Transcriber::contextualPhrases() {
  static const std::vector<std::string> phrases = {
      "highlight that", "save a note",          "skip ahead",          "go back",      "summarize this section",
      "resume",         "keep going",           "stop",                "Orvak",        "read from here",
      "start over",     "remember that",        "summarize this page", "summarize this part", "keep reading",
      "yes",            "what does that mean"};
  return phrases;
}

std::vector<std::string> Transcriber::preferredPhrases() {
  std::vector<std::string> phrases = contextualPhrases();
  for (const auto phrase : kCommandPhrases) phrases.emplace_back(phrase);
  return phrases;
}

std::size_t Transcriber::converterCapacity(double fromRate, std::size_t frames, double toRate) {
  if (!(fromRate > 0)) return 32;
  return static_cast<std::size_t>(toRate * static_cast<double>(frames) / fromRate) + 32;
}

std::shared_ptr<Transcriber> Transcriber::make(RecognizerFactory makeRecognizer) {
  if (!makeRecognizer) {
    makeRecognizer = [](const std::vector<std::string>& phrases) { return platform::makePocketsphinxRecognizer(phrases); };
  }
  return std::shared_ptr<Transcriber>(new Transcriber(std::move(makeRecognizer)));
}

Transcriber::Transcriber(RecognizerFactory makeRecognizer)
    : makeRecognizer_(std::move(makeRecognizer)), queue_(dispatch::makeQueue("orvak.transcriber")) {}

std::optional<std::string> Transcriber::prepare() {
  if (ready()) return std::nullopt;
  const std::uint64_t start = dispatch::monotonicNanos();
  std::shared_ptr<platform::Recognizer> recognizer;
  try {
    recognizer = makeRecognizer_(preferredPhrases());
  } catch (const std::exception& e) {
    return std::string("speech assets: ") + e.what();
  }
  if (!recognizer) return std::string("speech assets: no recogniser");
  const auto format = recognizer->format();
  if (!format.isValid() || format.channels != 1) {
    // Ready without a format would hear nothing and say nothing about it.
    return "speech assets: the recogniser offers no usable audio format (" + format.describe() + ")";
  }
  try {
    // A first utterance of silence, so that the first real one does not pay for loading.
    auto warm = recognizer->begin();
    warm->feed(std::vector<float>(static_cast<std::size_t>(format.sampleRate * 0.3), 0.0f));
    warm->finish();
  } catch (const std::exception&) {
    // The warm-up only saves time later; a failure here shows up again where it matters.
  }
  std::lock_guard lock(mutex_);
  recognizer_ = std::move(recognizer);
  analyzerFormat_ = format;
  ready_ = true;
  prepareMs_ = static_cast<double>(dispatch::monotonicNanos() - start) / 1e6;
  return std::nullopt;
}

bool Transcriber::ready() const {
  std::lock_guard lock(mutex_);
  return ready_;
}

std::optional<audio::AudioFormat> Transcriber::analyzerFormat() const {
  std::lock_guard lock(mutex_);
  return analyzerFormat_;
}

std::optional<double> Transcriber::prepareMs() const {
  std::lock_guard lock(mutex_);
  return prepareMs_;
}

std::shared_ptr<Transcriber::Session> Transcriber::begin() {
  std::shared_ptr<platform::Recognizer> recognizer;
  {
    std::lock_guard lock(mutex_);
    if (!ready_) return nullptr;
    recognizer = recognizer_;
  }
  auto session = std::make_shared<Session>();
  session->work_ = std::make_shared<Session::Work>();
  queue_->async([work = session->work_, recognizer] {
    try {
      work->recognition = recognizer->begin();
    } catch (const std::exception&) {
      // The session then hears nothing and finishes with what it has: nothing.
    }
  });
  return session;
}

void Transcriber::feed(Session& session, const audio::PcmBuffer& buffer) {
  const auto format = analyzerFormat();
  if (!format || session.work_->closed.load() || buffer.samples.empty()) return;
  if (buffer.format == *format) {
    enqueue(session, buffer.samples);
    return;
  }
  if (!session.converter_) {
    try {
      session.converter_ = std::make_unique<audio::Resampler>(buffer.format.sampleRate, format->sampleRate);
    } catch (const std::invalid_argument&) {
      return;
    }
  }
  auto out = session.converter_->process(buffer.samples);
  const std::size_t capacity = converterCapacity(buffer.format.sampleRate, buffer.frameLength(), format->sampleRate);
  if (out.size() > capacity) out.resize(capacity);
  if (!out.empty()) enqueue(session, std::move(out));
}

void Transcriber::enqueue(Session& session, std::vector<float> samples) {
  std::weak_ptr<Session> weak = session.weak_from_this();
  queue_->async([work = session.work_, weak, samples = std::move(samples)] {
    if (!work->recognition) return;
    deliver(weak, work->finals, work->recognition->feed(samples));
  });
}

void Transcriber::finish(const std::shared_ptr<Session>& session, std::function<void(std::string)> done) {
  auto work = session->work_;
  const bool first = !work->closed.exchange(true);
  std::weak_ptr<Session> weak = session;
  queue_->async([work, weak, first, done = std::move(done)] {
    std::string text;
    if (first && work->recognition) {
      deliver(weak, work->finals, work->recognition->finish());
      work->recognition.reset();
      text = std::string(text::trim(work->finals, text::TrimSet::whitespacesAndNewlines));
    }
    if (done) dispatch::main().async([done, text = std::move(text)] { done(text); });
  });
}

void Transcriber::cancel(const std::shared_ptr<Session>& session) {
  auto work = session->work_;
  work->closed.store(true);
  queue_->async([work] { work->recognition.reset(); });
}

void Transcriber::Session::update(const std::string& text, bool isFinal) {
  std::lock_guard lock(lock_);
  if (!firstWordsAt_ && !text::trim(text, text::TrimSet::whitespaces).empty()) firstWordsAt_ = dispatch::monotonicNanos();
  if (isFinal) {
    finalText_ += text;
    volatileText_.clear();
  } else {
    volatileText_ = text;
  }
}

std::string Transcriber::Session::liveText() const {
  std::lock_guard lock(lock_);
  return finalText_ + volatileText_;
}

std::string Transcriber::Session::finalText() const {
  std::lock_guard lock(lock_);
  return finalText_;
}

std::string Transcriber::Session::volatileText() const {
  std::lock_guard lock(lock_);
  return volatileText_;
}

std::optional<std::uint64_t> Transcriber::Session::firstWordsAt() const {
  std::lock_guard lock(lock_);
  return firstWordsAt_;
}

}  // namespace orvak
