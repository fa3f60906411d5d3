// One read-aloud of one text. The player sends the text sentence by sentence to a speech engine,
// takes back its audio and word timings as the engine's sink, plays the audio through the shared
// audio graph, and knows at every moment which sentence and word the listener hears. It obeys
// pause, skip, speed and voice-command controls, publishes its state four times a second, and at
// the end writes one line to logs()/reads.jsonl. A new read makes a new player.
//
// Threads. All playback state lives on the player's serial queue `q`: commands and sink calls
// are queued on it, queries run synchronously on it and must never be asked from it. The few
// values the reading controller reads from the main thread (spoken text, source, read key, start
// snippet, end position, the player replaced) sit behind the player's lock. Callbacks that reach
// the interface run on the main queue with copies of the values; `onPlaybackStarted` and
// `onPlaybackEnded` run on the player queue.
//
// Lifecycle: make → set callbacks and source → begin() → speak(...) → audio plays → ended (by the
// end of the audio, stop(), stopAfter, an error or a fallback). After the end every command, sink
// call and completion is ignored and queries answer from the final fields.
#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/audio/audio_graph.h"
#include "app/capture/capture.h"
#include "app/player/voice_player.h"
#include "core/base/dispatch.h"
#include "core/speech/audio_timeline.h"
#include "core/speech/pacer.h"
#include "core/speech/pronunciation.h"
#include "core/speech/read_timing.h"
#include "core/speech/sentence_splitter.h"
#include "core/text/text.h"
#include "speech/engine.h"

namespace orvak {

// Built by the caller for each read.
struct ReadOptions {
  bool mute = false;                      // the main mixer's output volume is 0 for the read
  bool earcon = false;                    // play the start cue when the player begins
  std::optional<double> stopAfter;        // seconds after the first heard sample to end ("stopAfter")
  bool fromScreen = false;                // for the reading controller's start-point choice
  std::optional<std::string> startQuote;  // for the reading controller
  // After an engine error mid-read, audio still arriving is played; the read ends ("error") once
  // all of it has played and the engine says it is done, or when nothing arrives for this long.
  double errorQuietSec = 5;
  bool operator==(const ReadOptions&) const = default;
};

// What the pill and the menu show; published on the main queue.
struct PlayerState {
  std::string label;  // "Natural", "Natural (alternate)" or "On-device"
  int sentence = 1;   // 1-based number, within the whole document, of the sentence heard
  int total = 1;      // sentences of the whole document, at least 1
  bool paused = false;
  float speed = 1;
  bool ended = false;
  std::optional<std::string> error;  // the read ended with reason "error"
  bool operator==(const PlayerState&) const = default;
};

class Player final : public SpeechSink, public VoicePlayer, public std::enable_shared_from_this<Player> {
 public:
  using Moment = ReadMoment;
  using Source = ReadSource;
  using Context = ReadContext;
  struct Spoken {
    std::string text;
    std::shared_ptr<const Capture> capture;  // none for text that came from elsewhere
    int from = 0;
  };
  struct EndPosition {
    int sentence = 0;  // within the whole document
    std::string text;
    bool finished = false;
    bool operator==(const EndPosition&) const = default;
  };

  // What the creator supplies. `graph` defaults to the process's shared graph.
  struct Setup {
    std::shared_ptr<SpeechEngine> engine;
    ReadOptions opts;
    std::shared_ptr<dispatch::Queue> q;
    std::uint64_t t0 = 0;  // monotonic nanoseconds of the triggering event
    ReadTiming rec;
    float speed = 1;
    std::vector<Pronunciation> pronunciations;
    std::shared_ptr<AudioGraph> graph;
  };

  // The set-up every read begins with: `vendor`'s `engine`, `opts`, a fresh "orvak.player" queue and the
  // read's record stamped now, for a read triggered by `source` at `t0` (monotonic nanoseconds)
  // `eventLagMs` after its key event. Speed, pronunciations and graph stay at their defaults.
  static Setup forRead(Vendor vendor, std::shared_ptr<SpeechEngine> engine, const std::string& source, std::uint64_t t0,
                       double eventLagMs, const ReadOptions& opts);
  static std::shared_ptr<Player> make(Setup setup);
  ~Player() override;
  Player(const Player&) = delete;
  Player& operator=(const Player&) = delete;

  // ---- Callbacks: set them before begin(); each is called on the main queue ----
  std::function<void(const PlayerState&)> onState;
  std::function<void(const ReadTiming&)> onFirstAudio;
  std::function<void(const ReadTiming&)> onEnd;
  std::function<void(const std::string&)> onFailBeforeAudio;
  std::function<void()> onBackPastStart;

  // The voice-command controller's hooks, called on the player queue. Safe from any thread: the
  // assignment itself is queued, so it lands between two events, never during one.
  void setOnPlaybackStarted(std::function<void()> f) override;
  void setOnPlaybackEnded(std::function<void()> f) override;
  void backPastStart() override {
    if (onBackPastStart) toMain(onBackPastStart);
  }

  // ---- Shared with the reading controller (any thread, behind the lock) ----
  Source source() const override;
  void setSource(Source s);
  std::optional<std::string> readKey() const;
  void setReadKey(std::optional<std::string> key);
  std::string startSnippet() const;
  void setStartSnippet(std::string snippet);
  std::optional<Spoken> spoken() const;
  std::optional<int> spokenFrom() const override;
  std::string engineLabel() const override { return engine_->label(); }
  std::optional<int> spokenUntil() const;
  std::optional<EndPosition> endPosition() const;
  // Why the ended read's record could not be added to reads.jsonl; nothing once it was.
  std::optional<std::string> recordFailure() const;
  std::shared_ptr<Player> replaces() const;
  void setReplaces(const std::shared_ptr<Player>& failed);

  const std::shared_ptr<SpeechEngine>& engine() const { return engine_; }
  const ReadOptions& opts() const { return opts_; }
  const std::shared_ptr<dispatch::Queue>& queue() const { return q_; }
  std::uint64_t t0() const { return t0_; }

  // The most page text one read takes, in bytes of UTF-8: some two million characters, more than a
  // day of speech. A longer text is cut at a line end (or a character) before the limit, and the
  // read's record says so; offsets past the cut read nothing.
  static constexpr std::size_t kTextLimitBytes = std::size_t{2} << 20;

  // ---- Commands: queued on the player queue, returning at once ----
  void begin();
  // Reads `text` from character `from` (clamped) up to `until` (absent: the end). The spoken text
  // (cut to the limit: only that much is copied) and `until` are stored on the caller's thread
  // before anything is queued.
  // The text is split into sentences a stretch per turn of the player queue, the first stretch
  // before the first sentence goes out, so neither the first sound nor a stop waits for the
  // splitting of a long page.
  void speak(std::string_view text, std::shared_ptr<const Capture> capture, int from, std::string reason,
             std::optional<int> until = std::nullopt);
  void stop(std::string reason);
  void markFallback(std::string from);
  void skip(int sentences);
  void togglePause();
  void pause();
  void setSpeed(float rate);
  // `direction` below 1 moves back; `section` moves by sections instead of paragraphs.
  void skipParagraph(int direction, bool section) override;
  // After the output device changed: replays the current sentence on the rebuilt graph.
  void recoverAudio();

  // ---- Queries: run on the player queue while the caller waits; never call them from it ----
  bool isPlaying() const override;
  bool isPaused() const;
  bool hasEnded() const override;
  float currentSpeed() const override;
  std::optional<text::GraphemeRange> playingRange() const;
  std::optional<text::GraphemeRange> playingWordRange() const;
  std::optional<std::string> playingText() const;
  std::optional<std::string> paragraph(int around) const override;
  std::optional<int> sentence(std::string_view matching) const override;
  std::optional<Context> askContext(const std::optional<Moment>& moment) const override;
  std::optional<Moment> commandPause(std::uint64_t onsetAgoNs) override;
  void commandResume(std::optional<int> jumpTo) override;

  // One character range per sentence, searched for in order from character `from` of `text`.
  static std::vector<text::GraphemeRange> locate(const std::vector<std::string>& sentences, std::string_view text,
                                                 int from);

  // Seconds of played audio kept for backward skips, and the least amount trimmed at once. Any
  // thread; a value that is not finite (or a negative keep, a step not above 0) is refused.
  static double keepBehindSec();
  static double trimStepSec();
  static bool setKeepBehindSec(double seconds);
  static bool setTrimStepSec(double seconds);

  // ---- SpeechSink (engine threads: read the clock, copy, hop to the player queue) ----
  void ttsConnected(bool reused) override;
  void ttsRequestSent(int sentence) override;
  void ttsAudio(std::vector<float> samples, double sampleRate, std::optional<int> sentence) override;
  void ttsWords(std::vector<WordTiming> words, std::optional<int> sentence) override;
  void ttsFinished() override;
  void ttsError(const std::string& message) override;

 private:
  friend struct PlayerTestAccess;  // tests read the sample positions
  explicit Player(Setup setup);

  struct WordMap {
    std::size_t n = 0;
    std::vector<text::GraphemeRange> tokens;
    std::vector<std::optional<int>> map;
  };

  // Runs `f` on the player queue while the caller waits. Asking from the player queue itself
  // would wait for ever: that is a programming error (and `sync` throws DeadlockError).
  template <class F>
  auto query(F&& f) const -> decltype(f()) {
    assert(!q_->isCurrent());
    return q_->syncValue(std::forward<F>(f));
  }

  // All of these run on the player queue.
  void note(const std::string& text);
  void beginOnQueue();
  void speakOnQueue(const std::shared_ptr<const Capture>& capture, int from, const std::string& reason,
                    std::optional<int> until, double captureDoneMs, std::size_t givenBytes);
  void splitStep();
  void take(std::vector<SentenceSplitter::Placed> placed);
  void afterStretch();
  bool splitting() const;
  void pumpSend();
  std::int64_t charsDone() const;
  void receive(std::vector<float> samples, double rate, std::optional<int> sentence, double arrivalMs);
  void applyVolume();
  void trimBehind();
  void schedule();
  void played(std::int64_t upTo, std::int64_t epoch);
  void checkEnd();
  void playNode();
  void watchFirstSample();
  void firstSample(double ms, std::int64_t watchEpoch);
  std::int64_t positionNow() const;
  std::int64_t receivedEnd() const { return trimmed_ + static_cast<std::int64_t>(samples_.size()); }
  int playingSentence() const;
  std::optional<std::int64_t> startOf(int sentence) const;
  void pauseNow();
  void resumeNow();
  void seek(std::int64_t position);
  void jump(int by);
  bool isParagraphStart(int sentence) const;
  std::optional<int> playingIndex() const;
  const WordMap& wordMap(int sentence, const std::vector<const AudioTimeline::TimedWord*>& words) const;
  PlayerState state(std::optional<std::string> error) const;
  void publish();
  void startStateTimer();
  void handleError(const std::string& message);
  void finish(const std::string& reason);
  void toMain(std::function<void()> f) const;

  // ---- Fixed at construction ----
  const std::shared_ptr<SpeechEngine> engine_;
  const ReadOptions opts_;
  const std::shared_ptr<dispatch::Queue> q_;
  const std::uint64_t t0_;
  const std::int64_t wallStartMs_;
  const Pacer pacer_;
  const std::shared_ptr<AudioGraph> graph_;
  const std::vector<Pronunciation> pronunciations_;

  // ---- Player queue only ----
  ReadTiming rec_;
  std::function<void()> onPlaybackStarted_;
  std::function<void()> onPlaybackEnded_;
  AudioTimeline timeline_{{}, 24000};
  std::vector<std::string> sentences_;
  int base_ = 0;
  int docSentences_ = 0;
  std::vector<text::GraphemeRange> ranges_;
  int nextToSend_ = 0;
  std::vector<std::int64_t> charsBefore_{0};  // [i]: characters sent before sentence i
  bool textReady_ = false;
  double sr_;
  std::vector<float> samples_;
  std::int64_t trimmed_ = 0;
  std::int64_t epoch_ = 0;
  std::int64_t scheduledUpTo_ = 0;
  std::int64_t playedUpTo_ = 0;
  bool started_ = false;
  bool paused_ = false;
  bool finishedReceiving_ = false;
  bool failedAfterStart_ = false;  // an engine error after playback began: the read ends "error"
  dispatch::WorkItem errorQuiet_;  // ends receiving when nothing arrives after such an error
  void armErrorQuiet();
  bool ended_ = false;
  std::optional<std::uint64_t> starvedAt_;
  float speed_;
  std::optional<dispatch::RepeatingTimer> stateTimer_;
  std::int64_t playBase_ = 0;
  std::string text_;  // the spoken text, a queue-side copy
  int from_ = 0;      // the start offset as given to speak
  // The text still to split, a stretch per queue turn: before the start point (counted into
  // `base_`), the stretch read (the sentences) and after its end (counted for the record). Views
  // into text_.
  std::optional<SentenceSplitter::Stream> before_;
  std::optional<SentenceSplitter::Stream> ahead_;
  std::optional<SentenceSplitter::Stream> after_;
  std::size_t aheadByte_ = 0;                             // where `ahead_` begins in text_
  std::vector<std::pair<std::size_t, std::size_t>> bytes_;  // each sentence's bytes in text_
  std::vector<int> headingStarts_;
  mutable std::map<int, WordMap> wordMaps_;

  // The epoch as the first-sample watch on the global queue sees it.
  std::atomic<std::int64_t> liveEpoch_{0};

  // ---- Behind the lock: read from the main thread ----
  mutable std::mutex lock_;
  Source source_;
  std::optional<std::string> readKey_;
  std::string startSnippet_;
  std::optional<Spoken> spoken_;
  std::optional<int> spokenUntil_;
  std::optional<EndPosition> endPosition_;
  std::optional<std::string> recordFailure_;
  std::weak_ptr<Player> replaces_;
};

}  // namespace orvak
