// The voice command grammar: a transcript reduced to plain lower-case words, then a fixed series
// of tests where the first that succeeds decides. Phrase lists and patterns are constants built
// once; every pattern runs over the reduced text, which is ASCII, so the UTF-16 offsets the
// regex reports are byte offsets into it.
#include <algorithm>
#include <array>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/regex.h"
#include "core/text/text.h"
#include "core/voice/voice_command.h"
#include "core/text/words.h"

namespace orvak {
namespace {

using Kind = VoiceCommand::Kind;
using text::Regex;
using Phrases = std::span<const std::string_view>;

// ---- Phrase lists ------------------------------------------------------------------------------

constexpr std::string_view notePhrases[] = {"save a note", "save note",  "take a note",
                                            "make a note", "add a note", "note that"};

// A document topic that only points at the page names no topic.
constexpr std::string_view pointingTopics[] = {"this", "that", "it", "this part", "this page", "this section", "here"};

// A definition of one of these asks about something on the page, not a word: it goes on to the
// question test.
constexpr std::string_view pointingWords[] = {"that", "this", "it", "those", "these", "they"};

constexpr std::string_view keepPhrases[] = {"remember that", "remember this", "remind me about", "remind me of",
                                            "mark that",     "mark this",     "keep that",       "save this"};
constexpr std::string_view highlightPhrases[] = {"highlight", "hi light", "high light",    "i like that",
                                                 "high like", "hylight",  "bookmark that", "save that"};

constexpr std::string_view fromHerePhrases[] = {"from here",  "read here",   "start here",
                                                "begin here", "jump here",   "where i'm at",
                                                "where i am", "where im at", "read this part"};

constexpr std::string_view startOverPhrases[] = {"start over", "from the top", "from the beginning", "from the start",
                                                 "start from the beginning"};

constexpr std::string_view summaryPhrases[] = {"summar", "brief me", "sum up", "sum it up", "tl dr", "tldr", "gist"};
// A summary that names any of these is about the part being read, not the whole page.
constexpr std::string_view partWords[] = {"section", "part", "paragraph", "that",      "chapter",
                                          "so far",  "bit",  "passage",   "this point"};

// The product word, "listen", and the two forms the transcriber most often writes when it hears
// the product word: run together with a hard "c", and as the surname it knows.
constexpr std::string_view wakeWords[] = {"orvak", "listen", "orvac", "orbach"};

// Short answers that mean "carry on": every word must be an acknowledgement and one must say yes,
// so "thank you" alone is not a yes.
constexpr std::string_view acknowledgements[] = {
    "yes", "yeah",   "yep",   "yup",     "yea",     "ya",    "sure",       "ok",         "okay", "please",
    "go",  "ahead",  "keep",  "reading", "alright", "right", "all",        "sounds",     "good", "for",
    "it",  "thanks", "thank", "you",     "uh",      "huh",   "absolutely", "definitely", "do"};
constexpr std::string_view yesWords[] = {"yes",  "yeah",       "yep",        "yup",   "yea",     "ya",
                                         "sure", "ok",         "okay",       "ahead", "reading", "alright",
                                         "huh",  "absolutely", "definitely", "please"};

// The fallbacks for utterances that fit no phrase: a keyword found inside the text (so "back" is
// also heard in "background") or a whole word.
struct LooseKeywords {
  Phrases inText;
  Phrases asWord;
  Kind kind;
};
constexpr std::string_view skipText[] = {"skip", "next", "ahead"};
constexpr std::string_view backText[] = {"go back", "back", "previous", "repeat"};
constexpr std::string_view resumeText[] = {"keep going", "resume", "continue", "go on", "carry on"};
constexpr std::string_view resumeWords[] = {"play"};
constexpr std::string_view stopText[] = {"that's enough", "be quiet"};
constexpr std::string_view stopWords[] = {"stop", "quiet"};
constexpr LooseKeywords looseKeywords[] = {
    {skipText, {}, Kind::skipAhead},
    {backText, {}, Kind::goBack},
    {resumeText, resumeWords, Kind::resume},
    {stopText, stopWords, Kind::stop},
};

// ---- Patterns ----------------------------------------------------------------------------------

std::string wakeWordPattern() {
  std::string alternatives;
  for (const auto word : wakeWords) {
    if (!alternatives.empty()) alternatives += '|';
    alternatives += text::escapeRegex(word);
  }
  return "^(?:hey )?(?:" + alternatives + R"()\b ?)";
}

// A whole-utterance phrase; when the utterance names a paragraph the paragraph form is meant.
struct AnchoredPhrase {
  Regex pattern;
  Kind kind;
  Kind paragraphKind;
};

struct Patterns {
  Regex notWordCharacter = Regex::cached(R"([^a-z0-9' ])");

  Regex thoughtLeadIn = Regex::cached(
      R"(^(?:my thought is|my thought|here's a thought|i want to note|i'd like to note|jot down|write down|thought)\b)");

  Regex documentRequest = Regex::cached(
      R"(^(?:please |can you |could you |orvak,? )?(?:write|make|draft|create|turn (?:this|that|it) into)(?: me)?(?: a| an)? (?:doc|document|summary doc|write-up|writeup|brief)\b)");
  Regex topicEdges = Regex::cached(R"(^[\s\p{P}]+|[\s\p{P}]+$)");
  Regex topicPreposition = Regex::cached(R"(^(?:about|on|of|from|for)\s+)");

  Regex misheardNote = Regex::cached(R"((save|safe) an? (note|nose|oak|notes|no)\b|see the note)");
  Regex reminder = Regex::cached(R"(^(please )?(remind me|remember) to )");

  std::array<Regex, 4> definitions{
      Regex::cached(R"(^(?:please )?(?:define|definition of|look up)(?: the word)? ([a-z][a-z'-]{1,30})$)"),
      Regex::cached(R"(^what (?:does|do|did) (?:the word )?([a-z][a-z'-]{1,30}) mean$)"),
      Regex::cached(R"(^what'?s (?:the word )?([a-z][a-z'-]{1,30}) mean$)"),
      Regex::cached(R"(^(?:what is |what's )?the meaning of(?: the word)? ([a-z][a-z'-]{1,30})$)"),
  };

  Regex namesParagraph = Regex::cached(R"(\b(?:paragraph|section)\b)");
  Regex highlightParagraph =
      Regex::cached(R"(\b(?:highlight|hi light|high light|save|mark|keep|bookmark)\b.*\b(?:paragraph|section)\b)");

  Regex whatIsItAbout = Regex::cached(R"(^what(?:'s| is) (?:this|it|the (?:page|article|piece)) (?:all )?about$)");

  Regex wakeWord = Regex::cached(wakeWordPattern());

  Regex pause = Regex::cached(
      R"(^(?:no|nope|nah|not yet|not now|no thanks|no thank you|wait|hold on|hang on|pause|pause it|one sec(?:ond)?|just a (?:sec|second|moment)|give me a (?:sec|second|moment))$)");

  std::array<AnchoredPhrase, 5> anchored{
      AnchoredPhrase{
          Regex::cached(
              R"(^(?:(?:read |go |talk |a (?:bit|little) |little |bit |much |even )*(?:faster|quicker)|speed (?:it )?up|(?:read )?(?:a (?:bit|little) )?more quickly)(?: please)?$)"),
          Kind::faster, Kind::faster},
      AnchoredPhrase{
          Regex::cached(
              R"(^(?:(?:read |go |talk |a (?:bit|little) |little |bit |much |even )*slower|slow (?:it )?down|(?:read )?(?:a (?:bit|little) )?more slowly)(?: please)?$)"),
          Kind::slower, Kind::slower},
      AnchoredPhrase{
          Regex::cached(
              R"(^(?:repeat(?: that| this| the last (?:sentence|line|bit))?|say (?:that|it) again|(?:read )?that again|again|what was that|come again|one more time)(?: please)?$)"),
          Kind::repeatThat, Kind::repeatThat},
      AnchoredPhrase{
          Regex::cached(
              R"(^(?:(?:skip|go|jump)(?: to)? (?:the )?next (?:paragraph|section|part|heading|chapter)|next (?:paragraph|section|part|heading|chapter)|skip (?:this|the) (?:paragraph|section|part|chapter))(?: please)?$)"),
          Kind::nextSection, Kind::nextParagraph},
      AnchoredPhrase{
          Regex::cached(
              R"(^(?:(?:go |jump )?back (?:a|one) (?:paragraph|section)|(?:go (?:back )?to )?(?:the )?(?:previous|last) (?:paragraph|section|part|heading)|(?:back to )?the start of (?:this|the) (?:paragraph|section))(?: please)?$)"),
          Kind::previousSection, Kind::previousParagraph},
  };

  Regex question = Regex::cached(
      R"(^(?:what|what's|whats|why|how|how's|who|who's|whom|whose|when|where|where's|which|is|isn't|are|aren't|was|were|does|doesn't|do|don't|did|didn't|can|could|should|would|will|has|have|explain|tell me|so what|wait what|remind me what|give me an example|in other words)\b)");
};

const Patterns& patterns() {
  static const Patterns table;
  return table;
}

// ---- Helpers -----------------------------------------------------------------------------------

bool contains(std::string_view t, std::string_view phrase) { return t.find(phrase) != std::string_view::npos; }

bool containsAny(std::string_view t, Phrases phrases) {
  return std::ranges::any_of(phrases, [&](std::string_view p) { return contains(t, p); });
}

bool isOneOf(std::string_view word, Phrases words) { return std::ranges::find(words, word) != words.end(); }

// The transcript lower-cased, with every character but a to z, 0 to 9, the plain apostrophe and
// the space made a space, and runs of spaces collapsed: punctuation, hyphens, accented letters,
// typographic apostrophes and line breaks all separate words.
std::string reduced(std::string_view transcript) {
  const std::string spaced = patterns().notWordCharacter.replaceAll(text::lowercase(transcript), " ");
  std::string out;
  for (const auto word : splitAtWhitespace(spaced)) {
    if (!out.empty()) out += ' ';
    out += word;
  }
  return out;
}

// What follows a match, without the spaces around it.
std::string restAfter(std::string_view t, const text::MatchTexts& m) {
  return std::string(text::trim(t.substr(static_cast<std::size_t>(m.range.end)), text::TrimSet::whitespaces));
}

std::string documentTopic(std::string_view afterRequest) {
  const Patterns& p = patterns();
  std::string topic = p.topicPreposition.replaceAll(p.topicEdges.replaceAll(afterRequest, ""), "");
  if (isOneOf(topic, pointingTopics)) topic.clear();
  return topic;
}

}  // namespace

VoiceCommand VoiceCommand::parseWords(std::string_view transcript, bool smart) {
  const Patterns& p = patterns();
  const std::string t = reduced(transcript);
  if (t.empty()) return Kind::empty;
  const std::vector<std::string_view> tWords = splitAtWhitespace(t);
  const std::set<std::string_view> w(tWords.begin(), tWords.end());

  // Note phrases, then a leading "note".
  for (const auto phrase : notePhrases) {
    if (const auto at = t.find(phrase); at != std::string::npos) {
      return note(std::string(text::trim(std::string_view(t).substr(at + phrase.size()), text::TrimSet::whitespaces)));
    }
  }
  if (t.starts_with("note ")) return note(t.substr(5));

  // A thought lead-in with nothing after it is not a note: it may still be anything below.
  if (const auto m = p.thoughtLeadIn.firstMatch(t)) {
    if (std::string rest = restAfter(t, *m); !rest.empty()) return note(std::move(rest));
  }

  if (const auto m = p.documentRequest.firstMatch(t)) {
    return writeDoc(documentTopic(std::string_view(t).substr(static_cast<std::size_t>(m->range.end))));
  }

  {
    auto m = p.misheardNote.firstMatch(t);
    if (!m) m = p.reminder.firstMatch(t);
    if (m) return note(restAfter(t, *m));
  }

  for (const auto& definition : p.definitions) {
    if (const auto m = definition.firstMatch(t); m && !isOneOf(m->groups[1], pointingWords)) {
      return define(m->groups[1]);
    }
  }

  if (containsAny(t, keepPhrases)) {
    return p.namesParagraph.containsMatch(t) ? Kind::highlightParagraph : Kind::highlight;
  }
  if (p.highlightParagraph.containsMatch(t)) return Kind::highlightParagraph;
  if (containsAny(t, highlightPhrases)) return Kind::highlight;

  if (containsAny(t, fromHerePhrases)) return Kind::readFromHere;

  if (containsAny(t, startOverPhrases) || w.contains("restart")) return Kind::startOver;

  if (containsAny(t, summaryPhrases) || p.whatIsItAbout.containsMatch(t)) {
    return containsAny(t, partWords) ? Kind::summarizeSection : Kind::summarize;
  }

  // From here on the wake word no longer counts as part of what was said.
  const auto wake = p.wakeWord.firstMatch(t);
  const std::string t2 = wake ? t.substr(static_cast<std::size_t>(wake->range.end)) : t;
  const std::vector<std::string_view> w2 = splitAtWhitespace(t2);

  if (!w2.empty() && w2.size() <= 5 && std::ranges::all_of(w2, [](auto x) { return isOneOf(x, acknowledgements); }) &&
      std::ranges::any_of(w2, [](auto x) { return isOneOf(x, yesWords); })) {
    return Kind::resume;
  }

  if (p.pause.containsMatch(t2)) return Kind::pause;

  // A long sentence that merely contains "faster" or "next section" is not a request for it.
  if (w.size() <= 6) {
    for (const auto& phrase : p.anchored) {
      if (phrase.pattern.containsMatch(t2)) return contains(t2, "paragraph") ? phrase.paragraphKind : phrase.kind;
    }
  }

  if (!smart || w.size() < 5) {
    for (const auto& loose : looseKeywords) {
      if (containsAny(t, loose.inText) || std::ranges::any_of(loose.asWord, [&](auto x) { return w.contains(x); })) {
        return loose.kind;
      }
    }
  }

  // The question goes to the service as it was heard, wake word and punctuation included.
  if (w2.size() >= 2 && (p.question.containsMatch(t2) || t2 != t)) return ask(std::string(text::trim(transcript)));

  return Kind::unrecognized;
}

}  // namespace orvak
