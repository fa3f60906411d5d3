// Speaks short texts that are not the page being read (spoken answers and definitions) as clips
// on the audio graph's earcon node, never on the reading player's node, so a paused read stays
// where it is.
//
// Text may arrive piece by piece: a sentence goes to the engine only once the next one is known,
// so the last one can be marked as last. Each sentence's audio becomes one clip at 44,100 Hz,
// queued when the next sentence's audio starts or the engine is done. `done` runs once, after
// the engine has finished (or failed) and every clip of the run has been heard.
//
// Main queue only. The engine reports from any thread to a sink made for each run; a report
// that reaches the main queue after its run was cancelled or replaced is dropped, so audio of an
// older answer never plays in a newer one and never ends it early.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/speech/pronunciation.h"
#include "speech/engine.h"

namespace orvak {

class AudioGraph;

class Definer : public std::enable_shared_from_this<Definer> {
 public:
  static constexpr double kClipRate = 44100;
  static constexpr double kIdleRelease = 30;

  // Clips play on `graph`; none: the process's shared graph.
  static std::shared_ptr<Definer> make(std::shared_ptr<AudioGraph> graph = {});
  ~Definer();
  Definer(const Definer&) = delete;
  Definer& operator=(const Definer&) = delete;

  // Starts a run on `engine` (cancelling any earlier one) and makes sure the graph runs.
  void begin(std::shared_ptr<SpeechEngine> engine, std::vector<Pronunciation> pronunciations);
  // One more sentence while text is still arriving: the sentence held so far goes to the engine
  // and this one is held. A blank sentence is ignored. Nothing without a run.
  void add(const std::string& sentence);
  // The rest of the text: the held sentence and `tail`'s sentences go out, the final one marked
  // last. `done` runs once everything has been heard; at once when there is no run.
  void end(const std::string& tail, std::function<void()> done);
  // A whole text at once: begin, add each sentence, end with nothing more.
  void say(const std::string& text, std::shared_ptr<SpeechEngine> engine, std::vector<Pronunciation> pronunciations,
           std::function<void()> done);
  // Ends the run without calling its `done` and drops the clips still queued.
  void cancel();

  // Monotonic nanoseconds when the run's first clip was queued.
  std::optional<std::uint64_t> firstSoundAt() const { return firstSoundAt_; }

  // The speakable sentences of `text` (the whole trimmed text when none qualifies).
  static std::vector<std::string> sentences(std::string_view text);
  // Linear interpolation from `from` Hz to `to` Hz; unchanged when the rates are equal, `from` is
  // not positive or there are fewer than two samples.
  static std::vector<float> resample(const std::vector<float>& samples, double from, double to);

 private:
  class RunSink;
  explicit Definer(std::shared_ptr<AudioGraph> graph);

  void push(const std::string& text, bool last);
  void audio(std::uint64_t run, std::vector<float> samples, double rate, std::optional<int> sentence);
  void engineDone(std::uint64_t run);
  void flush();
  void check();

  std::shared_ptr<AudioGraph> graph_;
  std::shared_ptr<SpeechEngine> engine_;
  std::shared_ptr<RunSink> sink_;
  std::uint64_t gen_ = 0;
  std::vector<Pronunciation> pronunciations_;
  int sent_ = 0;
  std::optional<std::string> held_;
  std::optional<int> cur_;
  std::vector<float> curSamples_;
  double rate_ = 22050;
  int scheduled_ = 0;
  int played_ = 0;
  bool receiving_ = false;
  bool ended_ = false;
  std::function<void()> done_;
  std::optional<std::uint64_t> firstSoundAt_;
};

}  // namespace orvak
