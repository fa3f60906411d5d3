// What voice commands and spoken answers ask of the read they interrupt: where it was, what it
// reads, and how to resume it. The player implements it; tests drive the voice side with a
// double. Queries are answered synchronously on the read's own queue and must not be asked from
// it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orvak {

// The point heard when a voice command began.
struct ReadMoment {
  int sentence = 0;         // the sentence the listener refers to (index within the read)
  std::string text;         // its text, "" when out of range
  int playingSentence = 0;  // the sentence actually playing at that moment
  double intoSentenceSec = 0;
  int docSentence = 0;  // `sentence` within the whole document
  bool operator==(const ReadMoment&) const = default;
};

// The page a read comes from.
struct ReadSource {
  std::string app;
  std::string windowTitle;
  std::optional<std::string> url;
  bool operator==(const ReadSource&) const = default;
};

// What a question about the read sends along: the whole text, the sentence at the moment, the
// section around it and the page's title.
struct ReadContext {
  std::string text;
  std::string at;
  std::string section;
  std::string title;
  bool operator==(const ReadContext&) const = default;
};

class VoicePlayer {
 public:
  virtual ~VoicePlayer() = default;

  virtual bool hasEnded() const = 0;
  virtual bool isPlaying() const = 0;
  virtual float currentSpeed() const = 0;
  // Pauses for a voice command and returns what was heard `onsetAgoNs` ago.
  virtual std::optional<ReadMoment> commandPause(std::uint64_t onsetAgoNs) = 0;
  // Resumes after a command, at sentence `jumpTo` (clamped to the read) when given.
  virtual void commandResume(std::optional<int> jumpTo) = 0;
  virtual std::optional<ReadContext> askContext(const std::optional<ReadMoment>& moment) const = 0;
  // The sentence of the read holding `matching`, none when it is not there.
  virtual std::optional<int> sentence(std::string_view matching) const = 0;
  // The paragraph holding sentence `around` of the read.
  virtual std::optional<std::string> paragraph(int around) const = 0;
  // Queued; `direction` below 1 moves back, `section` moves by sections.
  virtual void skipParagraph(int direction, bool section) = 0;
  // The character offset in the page where the spoken text begins; none before anything is spoken.
  virtual std::optional<int> spokenFrom() const = 0;

  // Called on the read's queue when its audio starts playing and when the read has ended.
  virtual void setOnPlaybackStarted(std::function<void()> f) = 0;
  virtual void setOnPlaybackEnded(std::function<void()> f) = 0;
  // A command went back past the read's first sentence: the read's owner restarts it earlier in
  // the page (main queue).
  virtual void backPastStart() = 0;

  // Any thread, behind the read's lock.
  virtual ReadSource source() const = 0;
  // The voice's label, as timing records name it.
  virtual std::string engineLabel() const = 0;
};

}  // namespace orvak
