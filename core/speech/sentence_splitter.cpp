#include "core/speech/sentence_splitter.h"

#include <algorithm>
#include <span>
#include <unordered_set>

#include "core/text/text.h"

namespace orvak::SentenceSplitter {
namespace {

using Chars = std::span<const std::string_view>;

bool is(std::string_view g, std::string_view s) { return g == s; }

bool isTerminator(std::string_view g) {
  return is(g, ".") || is(g, "!") || is(g, "?") || is(g, "\u2026");
}

struct Tables {
  std::unordered_set<std::string_view> closers{"\"", "'", "\u201D", "\u2019", ")", "]", "\u00BB"};
  std::unordered_set<std::string_view> openers{"\"", "'", "\u201C", "\u2018", "(",
                                                "[",  "\u00AB", "\u00BF", "\u00A1"};
  std::unordered_set<std::string_view> sentenceStarters{
      "the", "a", "an", "it", "its", "he", "she", "we", "they", "i", "this", "these", "those", "there",
      "but", "meanwhile", "however"};
  std::unordered_set<std::string_view> abbreviations{
      "mr",   "mrs",  "ms",   "mx",    "dr",   "prof", "sr",   "jr",     "st",   "vs",   "etc",
      "e.g",  "i.e",  "eg",   "ie",    "cf",   "al",   "inc",  "ltd",    "co",   "corp", "llc",
      "plc",  "no",   "nos",  "fig",   "figs", "approx", "dept", "est",  "vol",  "pp",   "p",
      "ed",   "eds",  "ca",   "mt",    "ft",   "lt",   "col",  "capt",   "sgt",  "gen",  "gov",
      "rep",  "sen",  "rev",  "hon",   "pres", "jan",  "feb",  "mar",    "apr",  "jun",  "jul",
      "aug",  "sep",  "sept", "oct",   "nov",  "dec",  "mon",  "tue",    "tues", "wed",  "thu",
      "thur", "thurs", "fri", "sat",   "sun",  "u.s",  "u.k",  "u.n",    "e.u",  "a.m",  "p.m",
      "ph.d", "m.d",  "b.a",  "m.a",   "d.c",  "n.y",  "l.a",  "op",     "ch",   "sec",  "art",
      "min",  "max",  "avg",  "dist",  "univ", "assn", "bros", "ave",    "blvd", "rd"};
};

const Tables& tables() {
  static const Tables t;
  return t;
}

bool isCloser(std::string_view g) { return tables().closers.contains(g); }
bool isOpener(std::string_view g) { return tables().openers.contains(g); }
bool isWhite(std::string_view g) { return text::isWhitespace(g); }
// Spaces, tabs and other space separators, never a line break.
bool isHorizontalSpace(std::string_view g) { return text::trim(g, text::TrimSet::whitespaces).empty(); }

// The text of c[a, b): graphemes are views into one contiguous string, so this is a plain slice.
std::string_view slice(Chars c, std::size_t a, std::size_t b) {
  if (a >= b) return {};
  const char* begin = c[a].data();
  const char* end = c[b - 1].data() + c[b - 1].size();
  return {begin, std::size_t(end - begin)};
}

// c[a, b) without leading and trailing horizontal white space, as [a, b).
std::pair<std::size_t, std::size_t> trimmed(Chars c, std::size_t a, std::size_t b) {
  while (a < b && isHorizontalSpace(c[a])) ++a;
  while (b > a && isHorizontalSpace(c[b - 1])) --b;
  return {a, b};
}

// The run of letters starting at `from`, lower-cased.
std::string nextWord(Chars c, std::size_t from) {
  std::size_t end = from;
  while (end < c.size() && text::isLetter(c[end])) ++end;
  return text::lowercase(slice(c, from, end));
}

// Whether the single period ending at c[i] (followed by white space and c[k]) ends a sentence.
bool periodEndsSentence(Chars c, std::size_t start, std::size_t i, std::size_t k) {
  std::size_t ws = i;
  while (ws >= start + 1 && !isWhite(c[ws - 1]) && !isOpener(c[ws - 1])) --ws;
  std::string word = text::lowercase(slice(c, ws, i));
  const auto first = word.find_first_not_of('.');
  word = first == std::string::npos ? std::string() : word.substr(first, word.find_last_not_of('.') - first + 1);

  const bool dotted = word.find('.') != std::string::npos;
  const bool starter = dotted && tables().sentenceStarters.contains(nextWord(c, k));
  if (tables().abbreviations.contains(word) && !starter) return false;
  // An initial, as in "J. R. Tolkien".
  if (ws != i && text::graphemeCount(word) == 1 && text::isLetter(c[ws]) && text::isUppercase(c[ws])) {
    return false;
  }
  if (dotted) {
    // A dotted acronym ("a.b.c") ends a sentence only before a word that usually starts one.
    std::size_t pos = 0;
    while (pos <= word.size()) {
      const auto dot = std::min(word.find('.', pos), word.size());
      const std::string_view part = std::string_view(word).substr(pos, dot - pos);
      if (!part.empty() && text::graphemeCount(part) != 1) return true;
      pos = dot + 1;
    }
    return starter;
  }
  return true;
}

using Range = std::pair<std::size_t, std::size_t>;

// The sentences of one line as trimmed, non-empty ranges of c.
void splitChars(Chars c, std::vector<Range>& out) {
  const std::size_t n = c.size();
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < n) {
    if (!isTerminator(c[i])) {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < n && isTerminator(c[j])) ++j;
    const std::size_t runEnd = j;
    if (j == n) break;
    while (j < n && isCloser(c[j])) ++j;
    if (j == n) break;
    if (!isWhite(c[j])) {
      i = j;
      continue;
    }
    std::size_t k = j;
    while (k < n && isWhite(c[k])) ++k;
    if (k == n) break;
    if (!text::isUppercase(c[k]) && !text::isNumber(c[k]) && !isOpener(c[k])) {
      i = j;
      continue;
    }
    const bool singlePeriod = runEnd == i + 1 && is(c[i], ".");
    if (singlePeriod && !periodEndsSentence(c, start, i, k)) {
      i = j;
      continue;
    }
    if (const auto r = trimmed(c, start, j); r.first < r.second) out.push_back(r);
    start = k;
    i = k;
  }
  if (const auto r = trimmed(c, start, n); r.first < r.second) out.push_back(r);
}

bool isPair(Chars c, std::size_t at, std::string_view a, std::string_view b) {
  return at + 1 < c.size() && is(c[at], a) && is(c[at + 1], b);
}

// End of the last occurrence of the two-character separator a+b within c[0, limit), or 0.
std::size_t lastPairEnd(Chars c, std::size_t limit, std::string_view a, std::string_view b) {
  for (std::size_t at = limit; at >= 2; --at) {
    if (isPair(c, at - 2, a, b)) return at;
  }
  return 0;
}

// Cuts the sentence c into pieces of at most `maxLen` characters, as trimmed ranges of c. A cut
// landing on white space only leaves an empty piece, which is kept.
void capChars(Chars c, int maxLen, std::vector<Range>& out) {
  const std::size_t limit = std::size_t(std::max(maxLen, 1));
  std::size_t rest = 0;
  while (c.size() - rest > limit) {
    const Chars r = c.subspan(rest);
    std::size_t cut = lastPairEnd(r, limit, ";", " ");
    if (cut == 0) cut = lastPairEnd(r, limit, ",", " ");
    if (cut == 0) {
      for (std::size_t at = limit; at >= 1 && cut == 0; --at) {
        if (is(r[at - 1], " ")) cut = at;
      }
    }
    if (cut == 0) cut = limit;
    const auto [a, b] = trimmed(r, 0, cut);
    out.push_back({rest + a, rest + b});
    rest += cut;
  }
  if (const auto r = trimmed(c, rest, c.size()); r.first < r.second) out.push_back(r);
}

// One piece of the output and the start of the sentence (before capping) it was cut from, both
// as positions in the characters being split.
struct Piece {
  Range at;
  std::size_t sentence = 0;
};

// The pieces of the line c[from, to) (not yet trimmed), appended to `out`.
void splitLine(Chars c, std::size_t from, std::size_t to, int maxLen, std::vector<Piece>& out) {
  const auto [a, b] = trimmed(c, from, to);
  if (a == b) return;
  std::vector<Range> sentences;
  const Chars line = c.subspan(a, b - a);
  splitChars(line, sentences);
  std::vector<Range> pieces;
  for (const auto& [sa, sb] : sentences) {
    pieces.clear();
    capChars(line.subspan(sa, sb - sa), maxLen, pieces);
    for (const auto& [pa, pb] : pieces) out.push_back({{a + sa + pa, a + sa + pb}, a + sa});
  }
}

// The pieces of every line of c[0, to), where a newline ends each line but the last.
void splitLines(Chars c, std::size_t to, int maxLen, std::vector<Piece>& out) {
  std::size_t lineStart = 0;
  for (std::size_t at = 0; at <= to; ++at) {
    if (at < to && !text::isNewline(c[at])) continue;
    splitLine(c, lineStart, at, maxLen, out);
    lineStart = at + 1;
  }
}

}  // namespace

std::vector<std::string> split(std::string_view text, int maxLen) {
  const std::vector<std::string_view> all = text::graphemes(text);
  const Chars c(all);
  std::vector<Piece> pieces;
  splitLines(c, c.size(), maxLen, pieces);
  std::vector<std::string> out;
  out.reserve(pieces.size());
  for (const auto& p : pieces) out.emplace_back(slice(c, p.at.first, p.at.second));
  return out;
}

std::vector<std::string> splitParagraph(std::string_view paragraph) {
  const std::vector<std::string_view> all = text::graphemes(paragraph);
  const Chars c(all);
  std::vector<Range> ranges;
  splitChars(c, ranges);
  std::vector<std::string> out;
  for (const auto& [a, b] : ranges) out.emplace_back(slice(c, a, b));
  return out;
}

std::vector<std::string> cap(std::string_view sentence, int maxLen) {
  const std::vector<std::string_view> c = text::graphemes(sentence);
  std::vector<Range> pieces;
  capChars(c, maxLen, pieces);
  std::vector<std::string> out;
  for (const auto& [a, b] : pieces) out.emplace_back(slice(c, a, b));
  return out;
}

Stream::Stream(std::string_view text, int maxLen, int firstChar) : text_(text), maxLen_(maxLen), chars_(firstChar) {}

std::vector<Placed> Stream::next(std::size_t bytes) {
  std::vector<Placed> out;
  std::size_t budget = std::max<std::size_t>(bytes, 1);
  while (!done()) {
    const std::string_view rest = text_.substr(at_);
    const bool whole = rest.size() <= budget;
    std::size_t windowBytes = rest.size();
    if (!whole) {
      // End on a whole scalar, so that every character boundary before the last character is
      // decided as in the whole text; the last character itself may still grow (a combining
      // mark, the second half of a flag) and waits for the next stretch.
      windowBytes = budget;
      while (windowBytes > 0 && (static_cast<unsigned char>(rest[windowBytes]) & 0xC0) == 0x80) --windowBytes;
    }
    const std::string_view window = rest.substr(0, windowBytes);
    const std::vector<std::string_view> all = text::graphemes(window);
    const Chars c(all);
    const std::size_t n = whole ? c.size() : c.size() - std::min<std::size_t>(c.size(), 1);

    // Lines that end inside the stretch split exactly as in the whole text: no sentence spans a
    // line break.
    std::size_t closed = whole ? n : 0;
    for (std::size_t i = n; i > 0 && closed == 0; --i) {
      if (text::isNewline(c[i - 1])) closed = i;
    }
    std::vector<Piece> pieces;
    splitLines(c, closed, maxLen_, pieces);
    std::size_t resume = closed;
    if (!whole) {
      // In the line the stretch ends in, a sentence end is decided by the characters after it
      // (the next word, closing quotes, the capitals that start a sentence), so the last one
      // found may be wrong, and with it the two sentences around it.
      std::vector<Piece> open;
      splitLine(c, closed, n, maxLen_, open);
      std::vector<std::size_t> starts;
      for (const auto& p : open) {
        if (starts.empty() || starts.back() != p.sentence) starts.push_back(p.sentence);
      }
      if (starts.size() >= 3) {
        resume = starts[starts.size() - 2];
        for (const auto& p : open) {
          if (p.sentence < resume) pieces.push_back(p);
        }
      }
    }
    if (resume == 0) {
      budget = budget > rest.size() / 2 ? rest.size() : budget * 2;
      continue;
    }

    const auto byteAt = [&](std::size_t i) {
      return at_ + (i < c.size() ? static_cast<std::size_t>(c[i].data() - window.data()) : window.size());
    };
    out.reserve(pieces.size());
    for (const auto& p : pieces) {
      const auto [a, b] = p.at;
      out.push_back({std::string(slice(c, a, b)), byteAt(a), byteAt(b),
                     chars_ + static_cast<int>(a), chars_ + static_cast<int>(b)});
    }
    const std::size_t resumeByte = byteAt(resume);
    chars_ += static_cast<int>(resume);
    at_ = resumeByte;
    break;
  }
  return out;
}

}  // namespace orvak::SentenceSplitter
