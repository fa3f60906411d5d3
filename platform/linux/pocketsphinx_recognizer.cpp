// Pocketsphinx behind the recogniser interface. Its general language model mishears short
// commands badly (a spoken "pause" comes back as "was it"), while a grammar of the command phrases
// recognises them; a grammar, though, forces every utterance onto one of its phrases. So each
// utterance runs through two decoders at once, one per search, and the final text takes the
// grammar's phrase only when its path scores close to dictation's: free speech that fits no
// phrase scores far worse under the grammar.
#include <pocketsphinx.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/recognizer.h"

namespace orvak::platform {

namespace {

constexpr double kRate = 16000;
// Partial results are looked up every 100 ms of audio: a backtrace is not free.
constexpr std::size_t kPartialEvery = 1600;
// The share of the spoken words' frames that the grammar's phrase must cover to be taken as what
// was said: a command phrase said alone covers nearly all; one inside free speech, a part.
constexpr double kPhraseShare = 0.6;

struct DecoderFree {
  void operator()(ps_decoder_t* ps) const { ps_free(ps); }
};
using Decoder = std::unique_ptr<ps_decoder_t, DecoderFree>;

// A grammar decoder and a dictation decoder, used by one utterance at a time.
struct DecoderPair {
  Decoder grammar;  // null when no phrase could be put in a grammar
  Decoder dictation;
};

std::string lowerWords(const std::string& phrase) {
  std::string out;
  for (char c : phrase) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalpha(u) || c == '\'') {
      out += static_cast<char>(std::tolower(u));
    } else if (!out.empty() && out.back() != ' ') {
      out += ' ';
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Frames covered by real words (not silence, noise or sentence marks) on the decoder's best path.
int wordFrames(ps_decoder_t* ps) {
  int frames = 0;
  for (ps_seg_t* seg = ps_seg_iter(ps); seg != nullptr; seg = ps_seg_next(seg)) {
    const char* word = ps_seg_word(seg);
    if (word == nullptr || *word == '<' || *word == '[' || *word == '+') continue;
    int start = 0, end = 0;
    ps_seg_frames(seg, &start, &end);
    frames += std::max(0, end - start + 1);
  }
  return frames;
}

class PocketsphinxRecognizer;

class PocketsphinxSession final : public RecognitionSession {
 public:
  PocketsphinxSession(std::shared_ptr<PocketsphinxRecognizer> owner, std::unique_ptr<DecoderPair> pair);
  ~PocketsphinxSession() override;
  std::vector<RecognitionResult> feed(std::span<const float> samples) override;
  std::vector<RecognitionResult> finish() override;

 private:
  void release();

  std::shared_ptr<PocketsphinxRecognizer> owner_;
  std::unique_ptr<DecoderPair> pair_;
  std::vector<std::int16_t> pcm_;
  std::size_t sinceHyp_ = 0;
  std::string lastPartial_;
  bool open_ = true;
};

class PocketsphinxRecognizer final : public Recognizer, public std::enable_shared_from_this<PocketsphinxRecognizer> {
 public:
  PocketsphinxRecognizer(const std::vector<std::string>& phrases, PocketsphinxModel model)
      : model_(std::move(model)), phrases_(phrases) {
    // The first pair loads the model now, so a missing model is reported here.
    auto pair = makePair(phrases);
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(pair));
  }

  AudioFormat format() const override { return AudioFormat::mono(kRate); }

  std::unique_ptr<RecognitionSession> begin() override {
    std::unique_ptr<DecoderPair> pair;
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        pair = std::move(idle_.back());
        idle_.pop_back();
      }
    }
    if (!pair) pair = makePair(phrases_);
    if ((pair->grammar && ps_start_utt(pair->grammar.get()) < 0) || ps_start_utt(pair->dictation.get()) < 0) {
      throw RecognizerError("the recogniser could not start an utterance");
    }
    return std::make_unique<PocketsphinxSession>(shared_from_this(), std::move(pair));
  }

  void giveBack(std::unique_ptr<DecoderPair> pair) {
    std::lock_guard lock(mutex_);
    idle_.push_back(std::move(pair));
  }

 private:
  Decoder makeDecoder() const {
    cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", model_.acousticModel.c_str(), "-lm",
                                   model_.languageModel.c_str(), "-dict", model_.dictionary.c_str(), "-logfn",
                                   "/dev/null", nullptr);
    if (config == nullptr) throw RecognizerError("the en-us model is not where it should be (" + model_.acousticModel + ")");
    Decoder ps(ps_init(config));
    cmd_ln_free_r(config);
    if (!ps) throw RecognizerError("the en-us model could not be loaded from " + model_.acousticModel);
    // The product's name, so that a spoken wake word is heard as itself.
    ps_add_word(ps.get(), "orvak", "AO R V AE K", TRUE);
    return ps;
  }

  std::unique_ptr<DecoderPair> makePair(const std::vector<std::string>& phrases) {
    auto pair = std::make_unique<DecoderPair>();
    pair->dictation = makeDecoder();
    std::vector<std::string> usable;
    for (const auto& phrase : phrases) {
      const std::string words = lowerWords(phrase);
      if (words.empty()) continue;
      std::istringstream in(words);
      std::string word;
      bool known = true;
      while (in >> word) {
        char* pron = ps_lookup_word(pair->dictation.get(), word.c_str());
        known = known && pron != nullptr;
        std::free(pron);
      }
      if (known && std::find(usable.begin(), usable.end(), words) == usable.end()) usable.push_back(words);
    }
    if (usable.empty()) return pair;
    std::string jsgf = "#JSGF V1.0;\ngrammar commands;\npublic <command> = ";
    for (std::size_t i = 0; i < usable.size(); ++i) jsgf += (i ? " | " : "") + usable[i];
    jsgf += ";\n";
    pair->grammar = makeDecoder();
    if (ps_set_jsgf_string(pair->grammar.get(), "commands", jsgf.c_str()) < 0 ||
        ps_set_search(pair->grammar.get(), "commands") < 0) {
      pair->grammar.reset();
    }
    return pair;
  }

  PocketsphinxModel model_;
  const std::vector<std::string> phrases_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<DecoderPair>> idle_;
};

PocketsphinxSession::PocketsphinxSession(std::shared_ptr<PocketsphinxRecognizer> owner, std::unique_ptr<DecoderPair> pair)
    : owner_(std::move(owner)), pair_(std::move(pair)) {}

PocketsphinxSession::~PocketsphinxSession() {
  if (open_) {
    if (pair_->grammar) ps_end_utt(pair_->grammar.get());
    ps_end_utt(pair_->dictation.get());
  }
  release();
}

void PocketsphinxSession::release() {
  if (pair_) owner_->giveBack(std::move(pair_));
}

std::vector<RecognitionResult> PocketsphinxSession::feed(std::span<const float> samples) {
  std::vector<RecognitionResult> results;
  if (!open_ || samples.empty()) return results;
  pcm_.resize(samples.size());
  std::transform(samples.begin(), samples.end(), pcm_.begin(), [](float v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
  });
  if (pair_->grammar) ps_process_raw(pair_->grammar.get(), pcm_.data(), pcm_.size(), FALSE, FALSE);
  ps_process_raw(pair_->dictation.get(), pcm_.data(), pcm_.size(), FALSE, FALSE);
  sinceHyp_ += samples.size();
  if (sinceHyp_ >= kPartialEvery) {
    sinceHyp_ = 0;
    std::int32_t score = 0;
    const char* hyp = ps_get_hyp(pair_->dictation.get(), &score);
    std::string text = hyp != nullptr ? hyp : "";
    if (text != lastPartial_) {
      lastPartial_ = text;
      results.push_back({std::move(text), false});
    }
  }
  return results;
}

std::vector<RecognitionResult> PocketsphinxSession::finish() {
  if (!open_) return {};
  open_ = false;
  std::int32_t score = 0;
  ps_end_utt(pair_->dictation.get());
  const char* dictHyp = ps_get_hyp(pair_->dictation.get(), &score);
  std::string text = dictHyp != nullptr ? dictHyp : "";
  if (pair_->grammar) {
    ps_end_utt(pair_->grammar.get());
    const char* grammarHyp = ps_get_hyp(pair_->grammar.get(), &score);
    const int spoken = wordFrames(pair_->dictation.get());
    const int phrase = wordFrames(pair_->grammar.get());
    if (grammarHyp != nullptr && *grammarHyp != '\0' && phrase >= kPhraseShare * spoken) text = grammarHyp;
  }
  release();
  return {{text, true}};
}

}  // namespace

std::shared_ptr<Recognizer> makePocketsphinxRecognizer(const std::vector<std::string>& phrases,
                                                       const PocketsphinxModel& model) {
  return std::make_shared<PocketsphinxRecognizer>(phrases, model);
}

}  // namespace orvak::platform
