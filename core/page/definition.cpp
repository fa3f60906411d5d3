#include "core/page/definition.h"

#include <array>
#include <vector>

#include "core/text/text.h"

namespace orvak::Definition {
namespace {

// Longest first, so "plural noun" wins over "noun"; equal lengths keep the dictionary's order.
constexpr std::array<std::string_view, 13> partsOfSpeech{
    "abbreviation", "preposition", "conjunction", "exclamation", "plural noun", "determiner", "adjective",
    "pronoun",      "adverb",      "prefix",      "suffix",      "noun",        "verb"};

// Where the first sense ends: an example after a colon, a section label, the second sense, a
// bullet, or the next part of speech.
constexpr std::array<std::string_view, 10> cutMarkers{":",   " ORIGIN", " PHRASES", " DERIVATIVES", " 2 ",
                                                       " • ", " noun ", " verb ",   " adjective ",  " adverb "};

// Removes every "[...]" and "(...)" remark; an unclosed bracket stays as written.
std::string withoutRemarks(std::string_view s) {
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '[' || s[i] == '(') {
      const auto close = s.find(s[i] == '[' ? ']' : ')', i + 1);
      if (close != std::string_view::npos) {
        i = close + 1;
        continue;
      }
    }
    out += s[i++];
  }
  return out;
}

std::string_view trimmedOf(std::string_view s, std::string_view set) {
  const auto a = s.find_first_not_of(set);
  if (a == std::string_view::npos) return {};
  return s.substr(a, s.find_last_not_of(set) - a + 1);
}

}  // namespace

std::optional<std::string> spoken(std::string_view word, std::string_view entry) {
  std::string flat(entry);
  for (char& c : flat) {
    if (c == '\n') c = ' ';
  }

  std::string body = flat;
  if (std::size_t bar = flat.find('|'); bar != std::string::npos) {
    if (const std::size_t second = flat.find('|', bar + 1); second != std::string::npos) body = flat.substr(second + 1);
  }
  std::string_view t = text::trim(body, text::TrimSet::whitespaces);

  std::string_view part;
  const std::string lower = text::lowercase(t);
  for (const auto name : partsOfSpeech) {
    if (lower.size() > name.size() && lower.starts_with(name) && lower[name.size()] == ' ') {
      part = name;
      t = t.substr(text::graphemePrefix(t, int32_t(text::graphemeCount(name)) + 1).size());
      break;
    }
  }

  for (const auto marker : cutMarkers) {
    if (const auto at = t.find(marker); at != std::string_view::npos) t = t.substr(0, at);
  }
  if (t.starts_with("1 ")) t.remove_prefix(2);
  const std::string sense(trimmedOf(withoutRemarks(t), " :;,"));
  if (text::graphemeCount(sense) < 3) return std::nullopt;

  std::string out(word);
  if (!part.empty()) {
    out += ", ";
    out += part;
  }
  out += ": ";
  out += sense;
  out += '.';
  return out;
}

}  // namespace orvak::Definition
