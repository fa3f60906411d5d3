// A hint for speech that fit no command: the command whose keywords the utterance shares most.
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text.h"
#include "core/voice/voice_command.h"

namespace orvak {
namespace {

struct Hint {
  std::string_view suggestion;
  std::vector<std::string_view> keywords;
};

// In order of preference: on equal scores the earlier row wins.
const std::vector<Hint>& hints() {
  static const std::vector<Hint> table{
      {"highlight that", {"highlight", "hilight", "mark", "save", "keep", "light"}},
      {"save a note: …", {"note", "notes", "remember", "remind", "jot"}},
      {"skip ahead", {"skip", "ahead", "forward", "next", "sentence"}},
      {"go back", {"back", "previous", "rewind", "before"}},
      {"repeat that", {"repeat", "again", "missed"}},
      {"next paragraph", {"paragraph", "section", "chapter", "part", "heading"}},
      {"faster", {"faster", "quicker", "speed", "fast", "quick"}},
      {"slower", {"slower", "slow", "slowly"}},
      {"summarize this", {"summary", "summarize", "summarise", "gist", "brief", "recap", "overview"}},
      {"define …", {"define", "definition", "meaning", "mean", "word"}},
      {"read from here", {"here", "screen", "where", "looking", "visible"}},
      {"start over", {"start", "over", "beginning", "top", "restart"}},
      {"stop", {"stop", "quiet", "enough", "shut", "end"}},
  };
  return table;
}

const std::set<std::string_view>& fillers() {
  static const std::set<std::string_view> words{"the", "a",  "an",  "to", "it",  "this", "that", "please",
                                                "um",  "uh", "and", "of", "i",   "me",   "my",   "you",
                                                "can", "on", "in",  "at", "for", "so",   "just", "go"};
  return words;
}

// `prefix` is the start of `s`, ending on a character boundary of `s`.
bool beginsWith(std::string_view s, std::string_view prefix) {
  return s.starts_with(prefix) && text::graphemePrefix(s, text::graphemeCount(prefix)).size() == prefix.size();
}

// The same word, or a longer form of it ("highlighting" for "highlight"); short words must match
// exactly, or "end" would be heard in "endless" and "top" in "topic".
bool sameStem(std::string_view word, std::string_view keyword) {
  if (word == keyword) return true;
  if (text::graphemeCount(word) < 5 || text::graphemeCount(keyword) < 5) return false;
  return beginsWith(word, keyword) || beginsWith(keyword, word);
}

// The distinct words of the utterance other than fillers, split at every character that is not a
// letter. NFC, so that comparing bytes compares characters.
std::set<std::string> keyWords(std::string_view transcript) {
  std::set<std::string> out;
  std::string word;
  const auto finishWord = [&] {
    if (!word.empty() && !fillers().contains(word)) out.insert(word);
    word.clear();
  };
  const std::string lower = text::nfc(text::lowercase(transcript));
  for (const auto character : text::graphemes(lower)) {
    if (text::isLetter(character)) {
      word += character;
    } else {
      finishWord();
    }
  }
  finishWord();
  return out;
}

}  // namespace

std::optional<std::string> VoiceCommand::suggestion(std::string_view transcript) {
  const std::set<std::string> words = keyWords(transcript);
  if (words.empty()) return std::nullopt;
  const Hint* best = nullptr;
  int bestScore = 0;
  for (const auto& hint : hints()) {
    int score = 0;
    for (const auto keyword : hint.keywords) {
      for (const auto& word : words) {
        if (sameStem(word, keyword)) {
          ++score;
          break;
        }
      }
    }
    if (score > bestScore) {
      best = &hint;
      bestScore = score;
    }
  }
  if (best == nullptr) return std::nullopt;
  return std::string(best->suggestion);
}

}  // namespace orvak
