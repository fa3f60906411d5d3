// The command type, `parse`, and the note's wording restored from the transcript.
#include "core/voice/voice_command.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/text/regex.h"
#include "core/text/text.h"
#include "core/text/words.h"

namespace orvak {
namespace {

using text::Regex;

struct NotePatterns {
  // Words as the reduced transcript has them, so the note's words can be found in the original.
  Regex token = Regex::cached(R"([A-Za-z0-9']+)");
  Regex leadIn =
      Regex::cached(R"(^(?:that|saying|to say|to that saying|which says)[\s,:]+)", text::RegexFlags::caseInsensitive);
  Regex separatorEdges = Regex::cached(R"(^[ ,:;\-—]+|[ ,:;\-—]+$)");
};

const NotePatterns& notePatterns() {
  static const NotePatterns table;
  return table;
}

// Where the spoken word holding the byte offset `at` begins. The reduced transcript drops
// letters outside a to z, so "élan" reaches us as "lan": starting the note there would lose the
// "é" the user said.
std::size_t wordStart(std::string_view transcript, std::size_t at) {
  const std::vector<std::string_view> before = text::graphemes(transcript.substr(0, at));
  auto it = before.rbegin();
  while (it != before.rend() && text::isAlphanumeric(*it)) at -= (it++)->size();
  return at;
}

// The transcript from the last run of tokens that spells `words` to its end; none when the words
// do not occur in it. The last run is the one that reaches the end of what was said, which is
// where the grammar took the note from.
std::optional<std::string> spokenFrom(const std::vector<std::string_view>& words, std::string_view transcript) {
  const text::U16Text spoken(transcript);
  const std::vector<text::Match> tokens = notePatterns().token.findAll(spoken.str());
  if (tokens.size() < words.size()) return std::nullopt;
  std::vector<std::string> lower;
  lower.reserve(tokens.size());
  for (const auto& token : tokens) lower.push_back(text::lowercase(token.group()));
  for (std::size_t start = tokens.size() - words.size() + 1; start-- > 0;) {
    if (std::equal(words.begin(), words.end(), lower.begin() + static_cast<std::ptrdiff_t>(start))) {
      const auto at = static_cast<std::size_t>(spoken.map().utf8OffsetOfUtf16(tokens[start].range().start));
      return std::string(transcript.substr(wordStart(transcript, at)));
    }
  }
  return std::nullopt;
}

}  // namespace

bool VoiceCommand::carriesText(Kind kind) {
  return kind == Kind::writeDoc || kind == Kind::note || kind == Kind::ask || kind == Kind::define;
}

std::string_view VoiceCommand::name(Kind kind) {
  switch (kind) {
    case Kind::writeDoc: return "writeDoc";
    case Kind::note: return "note";
    case Kind::ask: return "ask";
    case Kind::define: return "define";
    case Kind::highlight: return "highlight";
    case Kind::highlightParagraph: return "highlightParagraph";
    case Kind::skipAhead: return "skipAhead";
    case Kind::goBack: return "goBack";
    case Kind::summarize: return "summarize";
    case Kind::summarizeSection: return "summarizeSection";
    case Kind::pause: return "pause";
    case Kind::faster: return "faster";
    case Kind::slower: return "slower";
    case Kind::repeatThat: return "repeat";
    case Kind::nextSection: return "nextSection";
    case Kind::previousSection: return "previousSection";
    case Kind::nextParagraph: return "nextParagraph";
    case Kind::previousParagraph: return "previousParagraph";
    case Kind::resume: return "resume";
    case Kind::stop: return "stop";
    case Kind::startOver: return "startOver";
    case Kind::readFromHere: return "readFromHere";
    case Kind::unrecognized: return "unrecognized";
    case Kind::empty: return "empty";
  }
  return "unrecognized";
}

VoiceCommand VoiceCommand::parse(std::string_view raw, bool smart) {
  // Repaired once here: every offset below is found and used on this same text.
  const std::string transcript = text::repairUtf8(raw);
  VoiceCommand command = parseWords(transcript, smart);
  if (command.kind_ == Kind::note) command.payload_ = noteText(command.payload_, transcript);
  return command;
}

std::string VoiceCommand::noteText(std::string_view note, std::string_view raw) {
  // Offsets are found on the repaired text, so they are used on it too.
  const std::string transcript = text::repairUtf8(raw);
  const NotePatterns& p = notePatterns();
  const std::vector<std::string_view> words = splitAtWhitespace(note);
  std::string spoken(note);
  if (!words.empty()) {
    if (auto found = spokenFrom(words, transcript)) spoken = std::move(*found);
  }
  spoken = p.separatorEdges.replaceAll(p.leadIn.replaceAll(text::trim(spoken), ""), "");
  const std::string_view first = text::graphemePrefix(spoken, 1);
  return text::uppercase(first) + spoken.substr(first.size());
}

}  // namespace orvak
