// What one spoken utterance asks of the reader: a reading control (pause, faster, skip ...), a
// request that carries text (write a document, save a note, ask, define a word), or the verdict
// that it fits no command.
//
// The grammar is tolerant of the transcriber: it accepts common mishearings ("safe a nose",
// "hi light"), strips a spoken wake word and takes short acknowledgements ("okay go ahead") as a
// request to carry on reading. Which phrasing wins where several fit is decided by the order of
// the tests in `parseWords`, so that order is behaviour, not style.
//
// Everything here is a pure function over constant tables: safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvak {

class VoiceCommand {
 public:
  enum class Kind : uint8_t {
    writeDoc,  // payload: the topic, possibly empty
    note,      // payload: the note text
    ask,       // payload: the question as spoken
    define,    // payload: the word
    highlight,
    highlightParagraph,
    skipAhead,
    goBack,
    summarize,
    summarizeSection,
    pause,
    faster,
    slower,
    repeatThat,
    nextSection,
    previousSection,
    nextParagraph,
    previousParagraph,
    resume,
    stop,
    startOver,
    readFromHere,
    unrecognized,
    empty,
  };

  // A command of `kind`; kinds that carry text get `payload`, the others ignore it, so two
  // commands are equal exactly when their kind and payload are.
  VoiceCommand(Kind kind, std::string payload = {})
      : kind_(kind), payload_(carriesText(kind) ? std::move(payload) : std::string()) {}

  static VoiceCommand writeDoc(std::string topic) { return {Kind::writeDoc, std::move(topic)}; }
  static VoiceCommand note(std::string text) { return {Kind::note, std::move(text)}; }
  static VoiceCommand ask(std::string question) { return {Kind::ask, std::move(question)}; }
  static VoiceCommand define(std::string word) { return {Kind::define, std::move(word)}; }

  // True for writeDoc, note, ask and define.
  static bool carriesText(Kind kind);

  Kind kind() const { return kind_; }
  // The text of writeDoc, note, ask and define; empty for every other kind.
  const std::string& payload() const { return payload_; }
  // The command's name in timing records and tools ("repeat" for repeatThat); never the payload.
  std::string_view name() const { return name(kind_); }
  static std::string_view name(Kind kind);

  bool operator==(const VoiceCommand&) const = default;

  // The command for a finished utterance: `parseWords`, with a note's text given back the
  // wording, casing and punctuation of `transcript` by `noteText`. `smart` (chosen by the voice
  // controller) keeps the loose keyword fallbacks to short utterances.
  static VoiceCommand parse(std::string_view transcript, bool smart);

  // The grammar itself, over the transcript lower-cased and reduced to the letters a to z,
  // digits, apostrophes and single spaces. Payloads are in that reduced form, except that of
  // `ask`, which is the transcript as received, trimmed.
  static VoiceCommand parseWords(std::string_view transcript, bool smart);

  // `note` (words of the reduced transcript) as it was spoken: the transcript from the last place
  // where the note's words occur to its end, without a lead-in such as "saying" or stray
  // separators at either end, with its first character upper-cased. A note whose words cannot
  // be found in the transcript is kept as given.
  static std::string noteText(std::string_view note, std::string_view transcript);

  // A command the user may have meant by speech that fit none ("highlight that", "save a note:
  // …"), picked by keywords; none when no keyword is heard.
  static std::optional<std::string> suggestion(std::string_view transcript);

 private:
  Kind kind_;
  std::string payload_;
};

}  // namespace orvak
