// Normalising piece texts, repairing PDF line breaks, and mapping normalised text back to the input.
#include <algorithm>
#include <unicode/uchar.h>

#include "core/page/cleaner.h"
#include "core/text/regex.h"
#include "core/text/text.h"

namespace orvak::Cleaner {

namespace {

using text::Regex;

// Zero width space to zero width joiner (as a range), word joiner, zero width no-break space,
// combining grapheme joiner, soft hyphen.
const Regex& invisibles() {
  static const Regex re("[\u200B-\u200D\u2060\uFEFF\u034F\u00AD]");
  return re;
}

const Regex& blankRuns() {
  static const Regex re(R"([ \t]+)");
  return re;
}

bool isInvisible(char32_t c) {
  return (c >= 0x200B && c <= 0x200D) || c == 0x2060 || c == 0xFEFF || c == 0x034F || c == 0x00AD;
}

// True when none of the first three steps of `norm` could change the text: no tab, no run of
// spaces, no no-break space and no invisible character (each has exactly one UTF-8 spelling).
bool onlyNeedsTrim(std::string_view s) {
  if (s.find('\t') != s.npos || s.find("  ") != s.npos) return false;
  for (std::string_view seq : {"\xC2\xA0", "\xC2\xAD", "\xCD\x8F", "\xE2\x80\x8B", "\xE2\x80\x8C", "\xE2\x80\x8D",
                               "\xE2\x81\xA0", "\xEF\xBB\xBF"}) {
    if (s.find(seq) != s.npos) return false;
  }
  return true;
}

bool isLoneLineFeed(std::string_view g) { return g == "\n"; }

// Whether a line feed between `before` and `after` joins the two lines directly.
bool joinsLines(std::string_view before, std::string_view after) {
  const bool left = text::isUppercase(before) || text::isNumber(before) || before == ":";
  const bool right = text::isLetter(after) || text::isNumber(after);
  return left && right;
}

bool isTrimmable(char32_t c) {
  return u_hasBinaryProperty(UChar32(c), UCHAR_WHITE_SPACE) ||
         text::inTrimSet(c, text::TrimSet::whitespacesAndNewlines);
}

struct Unit {
  char32_t c;
  int offset;  // UTF-16 offset in the input
};

void appendCodePoints(const icu::UnicodeString& s, int32_t start, int32_t end, std::vector<Unit>& out) {
  for (int32_t i = start; i < end;) {
    const UChar32 c = s.char32At(i);
    out.push_back({char32_t(c), i});
    i += U16_LENGTH(c);
  }
}

}  // namespace

std::string norm(std::string_view input) {
  if (onlyNeedsTrim(input)) return std::string(text::trim(input));
  std::string s;
  s.reserve(input.size());
  for (std::size_t at = 0;;) {
    const auto nbsp = input.find("\xC2\xA0", at);
    s += input.substr(at, nbsp == std::string_view::npos ? std::string_view::npos : nbsp - at);
    if (nbsp == std::string_view::npos) break;
    s += ' ';
    at = nbsp + 2;
  }
  s = invisibles().replaceAll(s, "");
  s = blankRuns().replaceAll(s, " ");
  return std::string(text::trim(s));
}

std::string fixPDFNewlines(std::string_view input) {
  if (input.find('\n') == std::string_view::npos) return std::string(input);
  const auto chars = text::graphemes(input);
  std::string out;
  out.reserve(input.size());
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (!isLoneLineFeed(chars[i])) {
      out += chars[i];
      continue;
    }
    const std::string_view before = i > 0 ? chars[i - 1] : " ";
    const std::string_view after = i + 1 < chars.size() ? chars[i + 1] : " ";
    if (!joinsLines(before, after)) out += ' ';
  }
  return out;
}

NormMapping normMap(std::string_view input, bool pdf) {
  const text::U16Text in(input);
  const icu::UnicodeString& s = in.str();

  std::vector<Unit> units;
  units.reserve(std::size_t(s.length()));
  if (!pdf) {
    appendCodePoints(s, 0, s.length(), units);
  } else {
    const auto& map = in.map();
    const auto grapheme = [&](int32_t g) -> std::string {
      if (g < 0 || g >= map.count()) return " ";
      return text::toUtf8(s, map.utf16Offset(g), map.utf16Offset(g + 1));
    };
    for (int32_t g = 0; g < map.count(); ++g) {
      const int32_t start = map.utf16Offset(g), end = map.utf16Offset(g + 1);
      if (end - start == 1 && s.charAt(start) == u'\n') {
        if (!joinsLines(grapheme(g - 1), grapheme(g + 1))) units.push_back({U' ', start});
      } else {
        appendCodePoints(s, start, end, units);
      }
    }
  }

  std::vector<Unit> kept;
  kept.reserve(units.size());
  bool lastWasBlank = false;
  for (Unit u : units) {
    if (u.c == 0x00A0) u.c = U' ';
    if (isInvisible(u.c)) continue;
    if (u.c == U' ' || u.c == U'\t') {
      if (lastWasBlank) continue;
      kept.push_back({U' ', u.offset});
      lastWasBlank = true;
    } else {
      kept.push_back(u);
      lastWasBlank = false;
    }
  }

  std::size_t first = 0, last = kept.size();
  while (first < last && isTrimmable(kept[first].c)) ++first;
  while (last > first && isTrimmable(kept[last - 1].c)) --last;
  const int sentinel = last < kept.size() ? kept[last].offset : s.length();

  // Each output UTF-16 unit remembers the input offset of the code point it belongs to.
  icu::UnicodeString outText;
  std::vector<int> offsetOfUnit;
  for (std::size_t k = first; k < last; ++k) {
    outText.append(UChar32(kept[k].c));
    offsetOfUnit.resize(std::size_t(outText.length()), kept[k].offset);
  }
  const text::GraphemeMap outMap(outText);
  NormMapping result;
  result.text = text::toUtf8(outText);
  result.utf16.reserve(std::size_t(outMap.count()) + 1);
  for (int32_t g = 0; g < outMap.count(); ++g) result.utf16.push_back(offsetOfUnit[std::size_t(outMap.utf16Offset(g))]);
  result.utf16.push_back(sentinel);
  return result;
}

}  // namespace orvak::Cleaner
