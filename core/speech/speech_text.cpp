#include "core/speech/speech_text.h"

#include <array>
#include <map>
#include <optional>
#include <unicode/uchar.h>


namespace orvak::SpeechText {
namespace {

using Options = text::RegexFlags;
constexpr Options none = text::RegexFlags::none;
constexpr Options ci = text::RegexFlags::caseInsensitive;
// Every pattern here treats each line of a text on its own.
constexpr Options lines = text::RegexFlags::multiline;

// ---- Cheap necessary conditions -------------------------------------------------------------
//
// Most sentences match none of the ~50 passes. Each pass names something every match must
// contain (a literal, a digit), checked with a plain byte search before the expression runs; a
// text that fails the check cannot match, so skipping the pass changes nothing.

using Check = bool (*)(std::string_view);

bool hasAny(std::string_view s, std::initializer_list<std::string_view> needles) {
  for (const auto n : needles) {
    if (s.find(n) != std::string_view::npos) return true;
  }
  return false;
}

bool isAscii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// A digit, or any non-ASCII byte (\d also matches the other scripts' digits).
bool mayHaveDigit(std::string_view s) {
  for (const char c : s) {
    if ((c >= '0' && c <= '9') || static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool containsAsciiNoCase(std::string_view hay, std::string_view needle) {
  if (needle.size() > hay.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && asciiLower(hay[i + k]) == asciiLower(needle[k])) ++k;
    if (k == needle.size()) return true;
  }
  return false;
}

bool always(std::string_view) { return true; }

// ---- Tables ---------------------------------------------------------------------------------

struct UnitName {
  std::string_view singular;
  std::string_view plural;
};

const std::map<std::string_view, UnitName, std::less<>> unitNames{
    {"km", {"kilometer", "kilometers"}},
    {"kg", {"kilogram", "kilograms"}},
    {"mg", {"milligram", "milligrams"}},
    {"cm", {"centimeter", "centimeters"}},
    {"mm", {"millimeter", "millimeters"}},
    {"ml", {"milliliter", "milliliters"}},
    {"mi", {"mile", "miles"}},
    {"nmi", {"nautical mile", "nautical miles"}},
    {"ft", {"foot", "feet"}},
    {"lb", {"pound", "pounds"}},
    {"lbs", {"pound", "pounds"}},
    {"oz", {"ounce", "ounces"}},
    {"mph", {"mile per hour", "miles per hour"}},
    {"km/h", {"kilometer per hour", "kilometers per hour"}},
    {"kph", {"kilometer per hour", "kilometers per hour"}},
    {"kWh", {"kilowatt hour", "kilowatt hours"}},
    {"GB", {"gigabyte", "gigabytes"}},
    {"MB", {"megabyte", "megabytes"}},
    {"TB", {"terabyte", "terabytes"}},
    {"KB", {"kilobyte", "kilobytes"}},
    {"GHz", {"gigahertz", "gigahertz"}},
    {"MHz", {"megahertz", "megahertz"}},
};

const std::map<std::string_view, int, std::less<>> romanValues{
    {"II", 2},   {"III", 3},   {"IV", 4},   {"V", 5},     {"VI", 6},     {"VII", 7},   {"VIII", 8},  {"IX", 9},
    {"X", 10},   {"XI", 11},   {"XII", 12}, {"XIII", 13}, {"XIV", 14},   {"XV", 15},   {"XVI", 16},  {"XVII", 17},
    {"XVIII", 18}, {"XIX", 19}, {"XX", 20}, {"XXI", 21},  {"XXII", 22},  {"XXIII", 23}};

constexpr std::array<std::string_view, 12> monthNames{"January", "February", "March",     "April",   "May",      "June",
                                                      "July",    "August",   "September", "October", "November", "December"};

constexpr std::array<std::string_view, 24> ordinalNames{
    "",           "First",       "Second",      "Third",         "Fourth",       "Fifth",
    "Sixth",      "Seventh",     "Eighth",      "Ninth",         "Tenth",        "Eleventh",
    "Twelfth",    "Thirteenth",  "Fourteenth",  "Fifteenth",     "Sixteenth",    "Seventeenth",
    "Eighteenth", "Nineteenth",  "Twentieth",   "Twenty-first",  "Twenty-second", "Twenty-third"};

const std::map<std::string_view, std::string_view, std::less<>> magnitudeWords{
    {"bn", "billion"}, {"B", "billion"}, {"mn", "million"}, {"M", "million"},
    {"m", "million"},  {"k", "thousand"}, {"K", "thousand"}};

const std::map<std::string_view, std::string_view, std::less<>> currencyWords{
    {"$", "dollars"}, {"\u20AC", "euros"}, {"\u00A3", "pounds"}};

template <class Map>
std::string_view lookup(const Map& m, std::string_view key) {
  const auto it = m.find(key);
  return it == m.end() ? std::string_view() : it->second;
}

// ---- Passes ---------------------------------------------------------------------------------

// One rewriting step: a constant pattern, compiled once through the shared cache, the check that
// lets a sentence skip it, and what a match becomes.
struct Pass {
  Pass(std::string_view pattern, Options options, Check check, Transform transform)
      : regex(text::Regex::cached(pattern, options | lines)),
        check(check),
        transform(std::move(transform)) {}
  Pass(std::string_view pattern, Options options, Check check, std::string_view literal)
      : Pass(pattern, options, check, [r = std::string(literal)](const Groups&) { return r; }) {}

  // Rewrites `s` in place; a text the pass cannot match is left untouched, not copied.
  void apply(std::string& s) const;

  text::Regex regex;
  Check check;
  Transform transform;
};

// The rewritten text, or nothing when the pattern does not match at all.
std::optional<std::string> replaced(const text::Regex& regex, std::string_view s, const Transform& transform) {
  const icu::UnicodeString subject = text::toUtf16(s);
  std::string out;
  int32_t prev = 0;
  bool any = false;
  regex.forEachMatch(subject, [&](const text::Match& m) {
    any = true;
    Groups groups;
    groups.reserve(std::size_t(m.groupCount()) + 1);
    for (int g = 0; g <= m.groupCount(); ++g) groups.push_back(m.group(g));
    out += text::toUtf8(subject, prev, m.range().start);
    out += transform(groups);
    prev = m.range().end;
    return true;
  });
  if (!any) return std::nullopt;
  out += text::toUtf8(subject, prev, subject.length());
  return out;
}

void Pass::apply(std::string& s) const {
  if (!check(s)) return;
  if (auto out = replaced(regex, s, transform)) s = std::move(*out);
}

const std::string& g(const Groups& gs, std::size_t i) {
  static const std::string empty;
  return i < gs.size() ? gs[i] : empty;
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
  std::string out;
  std::size_t prev = 0;
  for (auto at = s.find(from); at != std::string_view::npos; at = s.find(from, prev)) {
    out.append(s.substr(prev, at - prev));
    out += to;
    prev = at + from.size();
  }
  out.append(s.substr(prev));
  return out;
}

// An address spoken as its host only: "https://www.example.com/path?q=1." is "example dot com."
std::string spokenLink(std::string_view address) {
  static constexpr std::array<std::string_view, 13> trailing{".", ",", ";", ":", "!", "?", ")",
                                                             "]", "}", "'", "\"", "\u201D", "\u2019"};
  std::string suffix;
  std::string link(address);
  while (!link.empty()) {
    const auto chars = text::graphemes(link);
    const std::string_view last = chars.back();
    bool strip = false;
    for (const auto t : trailing) strip = strip || last == t;
    if (!strip) break;
    suffix.insert(0, last);
    link.resize(link.size() - last.size());
  }
  static const Pass scheme(R"(^(?i:https?://))", none, always, "");
  static const Pass prefix(R"(^(?i:www\d?\.|m\.|mobile\.))", none, always, "");
  scheme.apply(link);
  // The first non-empty part before a "/" (then a "?"): the host and port.
  for (const char sep : {'/', '?'}) {
    std::size_t from = 0;
    while (from < link.size() && link[from] == sep) ++from;
    if (from < link.size()) link = link.substr(from, link.find(sep, from) - from);
  }
  prefix.apply(link);
  return spokenDomain(link) + suffix;
}

std::string emailSpoken(const Groups& gs) {
  return replaceAll(g(gs, 1), ".", " dot ") + " at " + spokenDomain(g(gs, 2));
}

bool parseAsciiInt(std::string_view s, int& out) {
  if (s.empty() || s.size() > 4) return false;
  out = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

std::string isoDate(const Groups& gs) {
  int month = 0;
  int day = 0;
  if (!parseAsciiInt(g(gs, 2), month) || !parseAsciiInt(g(gs, 3), day)) return g(gs, 0);
  if (month < 1 || month > 12 || day < 1 || day > 31) return g(gs, 0);
  return std::string(monthNames[std::size_t(month - 1)]) + " " + std::to_string(day) + ", " + g(gs, 1);
}

bool hasLongAsciiRun(std::string_view s) {
  int run = 0;
  for (const char c : s) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    run = alnum ? run + 1 : 0;
    if (run >= 16) return true;
  }
  return false;
}

// A mark that may follow white space: any white space other than ASCII is non-ASCII.
bool mayHaveSpaceBeforeMark(std::string_view s) {
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (std::string_view(",.;:!?").find(s[i]) == std::string_view::npos) continue;
    const auto p = static_cast<unsigned char>(s[i - 1]);
    if (p == ' ' || (p >= '\t' && p <= '\r') || p >= 0x80) return true;
  }
  return false;
}

// A period followed by something that could start a top-level domain.
bool mayHaveDomain(std::string_view s) {
  for (std::size_t i = 0; i + 1 < s.size(); ++i) {
    if (s[i] != '.') continue;
    const auto n = static_cast<unsigned char>(s[i + 1]);
    if ((n >= 'a' && n <= 'z') || (n >= 'A' && n <= 'Z') || n >= 0x80) return true;
  }
  return false;
}

struct Stages {
  std::vector<Pass> addresses;     // web, e-mail, domains, mentions, hashtags
  std::vector<Pass> symbols;       // markup and symbols
  std::vector<Pass> numbers;       // ranges, money, thousands, units, abbreviations
  std::vector<Pass> datesAndNames; // dates, Roman numerals, identifiers
  std::vector<Pass> tidy;          // punctuation and spacing
};

const Stages& stages() {
  static const Stages s = [] {
    Stages st;
    st.addresses.emplace_back(R"(\b(?:https?://|www\.)[^\s<>"]+)", ci,
                              [](std::string_view t) { return hasAny(t, {"://"}) || containsAsciiNoCase(t, "www."); },
                              [](const Groups& gs) { return spokenLink(g(gs, 0)); });
    st.addresses.emplace_back(R"(\b([A-Za-z0-9._%+-]+)@([A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.[A-Za-z]{2,})\b)", none,
                              [](std::string_view t) { return hasAny(t, {"@"}); }, emailSpoken);
    st.addresses.emplace_back(
        R"(\b([A-Za-z0-9-]+(?:\.[A-Za-z0-9-]+)*\.(?:com|org|net|io|ai|co|gov|edu|app|dev|uk|us|ca|de|fr|me|tv|news|info))\b(?!\.[A-Za-z]))",
        ci, mayHaveDomain, [](const Groups& gs) { return spokenDomain(g(gs, 1)); });
    st.addresses.emplace_back(R"((?<![\w@])@([A-Za-z0-9_]{2,}))", none,
                              [](std::string_view t) { return hasAny(t, {"@"}); },
                              [](const Groups& gs) { return "at " + g(gs, 1); });
    st.addresses.emplace_back(R"((?<![\w&#])#([A-Za-z][A-Za-z0-9_]+))", none,
                              [](std::string_view t) { return hasAny(t, {"#"}); },
                              [](const Groups& gs) { return "hashtag " + g(gs, 1); });

    auto& sy = st.symbols;
    sy.emplace_back(R"(\s?[/\[][^/\]\n]{0,40}[ˈˌːəɪʊæɔθðʃʒŋɛʌɑɒɜɐ][^/\]\n]{0,40}[/\]])", none,
                    [](std::string_view t) { return hasAny(t, {"/", "["}) && !isAscii(t); }, "");
    sy.emplace_back(R"(^\s*(?:[•▪◦●‣∙\-–—*>]+|#{1,6})\s+)", none,
                    [](std::string_view t) {
                      return hasAny(t, {"-", "*", ">", "#", "•", "▪", "◦", "●", "‣", "∙", "–", "—"});
                    },
                    "");
    sy.emplace_back(R"((\*\*|__|`)(.+?)\1)", none, [](std::string_view t) { return hasAny(t, {"**", "__", "`"}); },
                    [](const Groups& gs) { return g(gs, 2); });
    sy.emplace_back(R"(([-=*_~#])\1{2,})", none,
                    [](std::string_view t) { return hasAny(t, {"---", "===", "***", "___", "~~~", "###"}); }, "");
    const Check degree = [](std::string_view t) { return hasAny(t, {"°"}); };
    sy.emplace_back(R"((\d)\s*°\s*C\b)", none, degree, [](const Groups& gs) { return g(gs, 1) + " degrees Celsius"; });
    sy.emplace_back(R"((\d)\s*°\s*F\b)", none, degree,
                    [](const Groups& gs) { return g(gs, 1) + " degrees Fahrenheit"; });
    sy.emplace_back(R"((\d)\s*°)", none, degree, [](const Groups& gs) { return g(gs, 1) + " degrees"; });
    sy.emplace_back(R"((\d)\s*[×x]\s*(\d))", none,
                    [](std::string_view t) { return hasAny(t, {"x", "×"}) && mayHaveDigit(t); },
                    [](const Groups& gs) { return g(gs, 1) + " by " + g(gs, 2); });
    sy.emplace_back(R"(~\s?(\d))", none, [](std::string_view t) { return hasAny(t, {"~"}); },
                    [](const Groups& gs) { return "about " + g(gs, 1); });
    sy.emplace_back(R"(≈\s?)", none, [](std::string_view t) { return hasAny(t, {"≈"}); }, "about ");
    sy.emplace_back(R"(±\s?)", none, [](std::string_view t) { return hasAny(t, {"±"}); }, "plus or minus ");
    sy.emplace_back(R"(\s*[→⟶⇒]\s*)", none, [](std::string_view t) { return hasAny(t, {"→", "⟶", "⇒"}); }, " to ");
    sy.emplace_back(R"(\s*[←⟵⇐↑↓↗↘]\s*)", none,
                    [](std::string_view t) { return hasAny(t, {"←", "⟵", "⇐", "↑", "↓", "↗", "↘"}); }, " ");
    sy.emplace_back(R"(§\s?)", none, [](std::string_view t) { return hasAny(t, {"§"}); }, "section ");
    sy.emplace_back(R"([¶†‡])", none, [](std::string_view t) { return hasAny(t, {"¶", "†", "‡"}); }, "");
    sy.emplace_back(R"(\s+\|\s+)", none, [](std::string_view t) { return hasAny(t, {"|"}); }, ", ");
    sy.emplace_back(R"(\s+·\s+)", none, [](std::string_view t) { return hasAny(t, {"·"}); }, ", ");

    auto& nu = st.numbers;
    nu.emplace_back(R"((\d)\s?[–—]\s?(\d))", none,
                    [](std::string_view t) { return hasAny(t, {"–", "—"}) && mayHaveDigit(t); },
                    [](const Groups& gs) { return g(gs, 1) + " to " + g(gs, 2); });
    nu.emplace_back(R"(([$€£])\s?(\d+(?:[.,]\d+)?)\s?(bn|B|mn|M|m|k|K)\b)", none,
                    [](std::string_view t) { return hasAny(t, {"$", "€", "£"}); },
                    [](const Groups& gs) {
                      return g(gs, 2) + " " + std::string(lookup(magnitudeWords, g(gs, 3))) + " " +
                             std::string(lookup(currencyWords, g(gs, 1)));
                    });
    nu.emplace_back(R"(\b(\d+(?:\.\d+)?)k\b)", none,
                    [](std::string_view t) { return hasAny(t, {"k"}) && mayHaveDigit(t); },
                    [](const Groups& gs) { return g(gs, 1) + " thousand"; });
    nu.emplace_back(R"((\d+(?:[.,]\d+)?)\s?(km/h|kWh|nmi|mph|kph|lbs|GHz|MHz|km|kg|mg|cm|mm|ml|mi|ft|lb|oz|GB|MB|TB|KB)(?![\w/]))",
                    none, mayHaveDigit, [](const Groups& gs) {
                      const auto it = unitNames.find(g(gs, 2));
                      if (it == unitNames.end()) return g(gs, 0);
                      return g(gs, 1) + " " + std::string(g(gs, 1) == "1" ? it->second.singular : it->second.plural);
                    });
    nu.emplace_back(R"(\be\.g\.,?)", none, [](std::string_view t) { return hasAny(t, {"e.g."}); }, "for example,");
    nu.emplace_back(R"(\bi\.e\.,?)", none, [](std::string_view t) { return hasAny(t, {"i.e."}); }, "that is,");
    nu.emplace_back(R"(\betc\.)", none, [](std::string_view t) { return hasAny(t, {"etc."}); }, "et cetera");
    nu.emplace_back(R"(\ba\.k\.a\.|\baka\b)", none, [](std::string_view t) { return hasAny(t, {"a.k.a.", "aka"}); },
                    "also known as");
    nu.emplace_back(R"(\bvs\.?(?=\s))", none, [](std::string_view t) { return hasAny(t, {"vs"}); }, "versus");
    nu.emplace_back(R"(\bapprox\.)", none, [](std::string_view t) { return hasAny(t, {"approx."}); }, "approximately");
    nu.emplace_back(R"(\bw/o\b)", none, [](std::string_view t) { return hasAny(t, {"w/o"}); }, "without");
    nu.emplace_back(R"(\bw/(?=\s))", none, [](std::string_view t) { return hasAny(t, {"w/"}); }, "with");
    nu.emplace_back(R"(\band/or\b)", none, [](std::string_view t) { return hasAny(t, {"and/or"}); }, "and or");
    nu.emplace_back(R"(\bet al\.)", none, [](std::string_view t) { return hasAny(t, {"et al."}); }, "and others");
    nu.emplace_back(R"(\bpp\.\s?(?=\d))", none, [](std::string_view t) { return hasAny(t, {"pp."}); }, "pages ");
    nu.emplace_back(R"(\bp\.\s?(?=\d))", none, [](std::string_view t) { return hasAny(t, {"p."}); }, "page ");
    nu.emplace_back(R"(\b[Nn]o\.\s?(?=\d))", none, [](std::string_view t) { return hasAny(t, {"o."}); }, "number ");
    nu.emplace_back(R"(\b[Ff]ig\.\s?(?=\d))", none, [](std::string_view t) { return hasAny(t, {"ig."}); }, "figure ");
    nu.emplace_back(R"(\b[Cc]a?\.\s?(?=\d{3,4}\b))", none, [](std::string_view t) { return hasAny(t, {"a.", "c.", "C."}); },
                    "circa ");

    auto& dn = st.datesAndNames;
    dn.emplace_back(R"(\b(\d{4})-(\d{2})-(\d{2})\b)", none,
                    [](std::string_view t) { return hasAny(t, {"-"}) && mayHaveDigit(t); }, isoDate);
    const Check roman = [](std::string_view t) { return hasAny(t, {" I", " V", " X"}); };
    dn.emplace_back(
        R"(\b(War|Chapter|Part|Book|Volume|Vol\.|Act|Phase|Stage|Type|Class|Level|Grade|Article|Title|Section|Season|Episode|Schedule|Appendix|Round|Tier|Mark|Mk\.|Series) (II|III|IV|V|VI|VII|VIII|IX|X|XI|XII|XIII|XIV|XV|XVI|XVII|XVIII|XIX|XX|XXI|XXII|XXIII)\b)",
        none, roman, [](const Groups& gs) { return g(gs, 1) + " " + std::to_string(romanValues.at(g(gs, 2))); });
    dn.emplace_back(
        R"(\b(Henry|Louis|Elizabeth|George|Edward|Charles|William|James|Richard|John|Paul|Benedict|Pius|Leo|Gregory|Innocent|Clement|Alexander|Nicholas|Peter|Catherine|Frederick|Philip|Felipe|Ferdinand|Napoleon|Mary|Ramesses|Ramses|Constantine|Ivan|Gustav|Christian|Olaf|Harald|Juan Carlos|Carl|Wilhelm|Francis|Urban|Boniface|Sixtus|Stephen|David|Robert|Alfonso|Manuel|Pedro|Victor Emmanuel|Umberto|Rama|Akihito) (II|III|IV|V|VI|VII|VIII|IX|X|XI|XII|XIII|XIV|XV|XVI|XVII|XVIII|XIX|XX|XXI|XXII|XXIII)\b(?!\.\w))",
        none, roman,
        [](const Groups& gs) {
          return g(gs, 1) + " the " + std::string(ordinalNames[std::size_t(romanValues.at(g(gs, 2)))]);
        });
    dn.emplace_back(R"(\b(?=[A-Za-z0-9]*\d)(?=[A-Za-z0-9]*[A-Za-z])[A-Za-z0-9]{16,}\b)", none, hasLongAsciiRun, "");

    auto& td = st.tidy;
    td.emplace_back(R"(([!?])\1+)", none, [](std::string_view t) { return hasAny(t, {"!!", "??"}); },
                    [](const Groups& gs) { return g(gs, 1); });
    td.emplace_back(R"(\(\s*\)|\[\s*\])", none, [](std::string_view t) { return hasAny(t, {"(", "["}); }, "");
    td.emplace_back(R"([ \t]{2,})", none, [](std::string_view t) { return hasAny(t, {"  ", " \t", "\t ", "\t\t"}); },
                    " ");
    td.emplace_back(R"(\s+([,.;:!?]))", none, mayHaveSpaceBeforeMark, [](const Groups& gs) { return g(gs, 1); });
    return st;
  }();
  return s;
}

void applyAll(std::string& s, const std::vector<Pass>& passes) {
  for (const auto& p : passes) p.apply(s);
}

// Calls `visit` with each scalar of `s`.
template <class Visit>
void forEachScalar(std::string_view s, Visit visit) {
  const icu::UnicodeString u = text::toUtf16(s);
  for (int32_t i = 0; i < u.length(); i = u.moveIndex32(i, 1)) visit(char32_t(u.char32At(i)));
}

bool isOneOf(std::string_view grapheme, std::initializer_list<std::string_view> set) {
  for (const auto m : set) {
    if (grapheme == m) return true;
  }
  return false;
}

}  // namespace

const std::vector<Pronunciation>& builtIn() {
  // Written the way engines read it as one word with a short "a" and a hard "k".
  static const std::vector<Pronunciation> list{{"Orvak", "Orvack"}};
  return list;
}

std::string replace(std::string_view text, std::string_view pattern, text::RegexFlags options,
                    const Transform& transform) {
  auto out = replaced(text::Regex::cached(pattern, options | lines), text, transform);
  return out ? std::move(*out) : std::string(text);
}

std::string applyPronunciations(std::string_view input, std::span<const Pronunciation> list) {
  std::string s(input);
  for (const auto& entry : list) {
    const std::string_view w = text::trim(entry.written, text::TrimSet::whitespaces);
    if (w.empty()) continue;
    // When both are ASCII, a case-insensitive match implies an ASCII case-insensitive substring.
    if (isAscii(w) && isAscii(s) && !containsAsciiNoCase(s, w)) continue;
    const std::string pattern = R"((?<![\p{L}\p{N}]))" + text::escapeRegex(w) + R"((?![\p{L}\p{N}]))";
    s = replace(s, pattern, ci, [&entry](const Groups& gs) {
      const std::string& spoken = entry.spoken;
      if (spoken.empty()) return spoken;
      const std::string_view matchFirst = text::graphemePrefix(g(gs, 0), 1);
      const std::string_view spokenFirst = text::graphemePrefix(spoken, 1);
      const bool lowerSpoken = u_isULowercase(UChar32(text::firstScalar(spokenFirst).value_or(0)));
      if (!text::isUppercase(matchFirst) || !lowerSpoken) return spoken;
      return text::uppercase(spokenFirst) + spoken.substr(spokenFirst.size());
    });
  }
  return s;
}

std::string spokenDomain(std::string_view d) {
  std::string out;
  std::size_t from = 0;
  while (from <= d.size()) {
    const auto dot = std::min(d.find('.', from), d.size());
    if (dot > from) {
      if (!out.empty()) out += " dot ";
      out.append(d.substr(from, dot - from));
    }
    from = dot + 1;
  }
  return out;
}

std::string dropEmoji(std::string_view s) {
  bool any = false;
  forEachScalar(s, [&](char32_t c) { any = any || (c >= 0x238D && u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI)); });
  if (!any) return std::string(s);
  std::string out;
  for (const auto ch : text::graphemes(s)) {
    bool drop = false;
    forEachScalar(ch, [&](char32_t c) { drop = drop || u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI_PRESENTATION); });
    const char32_t first = text::firstScalar(ch).value_or(0);
    drop = drop || (first >= 0x238D && u_hasBinaryProperty(UChar32(first), UCHAR_EMOJI)) || first == 0x200D || first == 0xFE0F;
    if (!drop) out.append(ch);
  }
  return out;
}

std::string symbols(std::string_view s) {
  std::string out(s);
  applyAll(out, stages().symbols);
  return out;
}

std::string endWithPause(std::string_view s) {
  if (s.empty()) return std::string(s);
  const std::vector<std::string_view> chars = text::graphemes(s);
  const std::string_view last = chars.back();
  if (isOneOf(last, {".", "!", "?", "\u2026", ":", ";"})) return std::string(s);
  if (chars.size() >= 2 && isOneOf(last, {"\"", "'", "\u201D", "\u2019", ")", "]"}) &&
      isOneOf(chars[chars.size() - 2], {".", "!", "?", "\u2026"})) {
    return std::string(s);
  }
  bool hasWord = false;
  for (const auto ch : chars) hasWord = hasWord || text::isLetter(ch) || text::isNumber(ch);
  if (!hasWord) return {};
  if (isOneOf(last, {",", "\u2013", "\u2014", "-"})) {
    const std::string_view rest = text::trim(s.substr(0, s.size() - last.size()), text::TrimSet::whitespaces);
    return std::string(rest) + ".";
  }
  return std::string(s) + ".";
}

bool speakable(std::string_view s) {
  bool yes = false;
  forEachScalar(s, [&](char32_t c) {
    yes = yes || (text::isAlphanumeric(c) && !u_hasBinaryProperty(UChar32(c), UCHAR_EMOJI_PRESENTATION));
  });
  return yes;
}

std::string spoken(std::string_view sentence, std::span<const Pronunciation> pronunciations) {
  // The user's entries first, then the built-in ones, which see the user's output.
  std::string s = applyPronunciations(applyPronunciations(sentence, pronunciations), builtIn());
  const Stages& st = stages();
  applyAll(s, st.addresses);
  s = dropEmoji(s);
  applyAll(s, st.symbols);
  applyAll(s, st.numbers);
  if (s.find(",,") != std::string::npos) s = replaceAll(s, ",,", ",");
  applyAll(s, st.datesAndNames);
  applyAll(s, st.tidy);
  return endWithPause(text::trim(s, text::TrimSet::whitespacesAndNewlines));
}

}  // namespace orvak::SpeechText
