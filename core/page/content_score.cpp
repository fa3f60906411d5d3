#include <algorithm>
#include <cmath>
#include <deque>
#include <unordered_set>

#include "core/page/content_score.h"
#include "core/text/regex.h"
#include "core/text/text.h"

namespace orvak::ContentScorer {

namespace {

constexpr const char* blockedKeywords[] = {
    "access denied",  "access has been blocked", "verify you are human", "checking your browser", "enable javascript",
    "robot or human", "captcha",                 "sign in to continue",  "please log in",
};

const text::Regex& navWords() {
  static const text::Regex re(
      R"(\b(home|menu|login|log in|sign\s*up|sign in|subscribe|contact|about\s*us|privacy|policy|terms|cookie|cookies|nav|navigation|header|footer|sidebar|reply|share|follow)\b)",
      text::RegexFlags::caseInsensitive);
  return re;
}

double round3(double v) { return std::round(v * 1000) / 1000; }

int countSentences(std::string_view s) {
  int count = 0;
  std::size_t start = 0;
  for (;;) {
    const auto end = s.find_first_of(".!?", start);
    const auto piece = s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    // More than 20 characters needs more than 20 bytes.
    const auto trimmed = text::trim(piece);
    if (trimmed.size() > 20 && text::graphemeCount(trimmed) > 20) ++count;
    if (end == std::string_view::npos) return count;
    start = end + 1;
  }
}

struct Words {
  int total = 0;
  int distinct = 0;
};

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isSeparator(std::string_view g) {
  if (g.size() == 1) return g[0] == ' ' || (g[0] >= '\t' && g[0] <= '\r');
  return text::isWhitespace(g);
}

Words countWords(std::string_view lower) {
  Words w;
  // Canonical forms: ASCII words are their own, so only the others are normalised and stored.
  std::unordered_set<std::string_view> seen;
  std::deque<std::string> normalised;  // stable addresses for the views in `seen`
  std::size_t start = 0, at = 0;
  const auto finish = [&](std::size_t end) {
    if (end <= start) return;
    ++w.total;
    const std::string_view word = lower.substr(start, end - start);
    if (isAscii(word)) {
      seen.insert(word);
    } else {
      std::string key = text::nfc(word);
      if (seen.find(key) == seen.end()) {
        normalised.push_back(std::move(key));
        seen.insert(normalised.back());
      }
    }
  };
  for (auto g : text::graphemes(lower)) {
    if (isSeparator(g)) {
      finish(at);
      start = at + g.size();
    }
    at += g.size();
  }
  finish(lower.size());
  w.distinct = int(seen.size());
  return w;
}

}  // namespace

ContentScore score(std::string_view input) {
  ContentScore s;
  const std::string_view trimmed = text::trim(input);
  const int n = text::graphemeCount(trimmed);
  if (n == 0) {
    s.quality = "empty";
    s.issues = {"empty"};
    return s;
  }
  s.length = n;
  const std::string lower = text::lowercase(trimmed);

  if (n <= 1499) {
    for (const char* phrase : blockedKeywords) {
      if (lower.find(phrase) != std::string::npos) {
        s.blocked = phrase;
        break;
      }
    }
  }

  double total = 0;
  if (n > 2000) {
    total += 20;
  } else if (n > 500) {
    total += 10;
  } else {
    total += n > 200 ? 5 : 0;
    s.issues.push_back("short");
  }

  s.sentences = countSentences(trimmed);
  if (s.sentences > 10) {
    total += 20;
  } else if (s.sentences >= 6) {
    total += 15;
  } else if (s.sentences >= 3) {
    total += 8;
  } else {
    s.issues.push_back("few sentences");
  }

  // Short texts cannot reach full marks on the remaining measures.
  const double weight = std::min(n / 1000.0, 1.0);

  const double markup = double(std::count(trimmed.begin(), trimmed.end(), '<')) / n;
  total += weight * (markup < 0.001 ? 20 : markup < 0.01 ? 15 : markup < 0.05 ? 8 : 0);

  const Words words = countWords(lower);
  const int wordTotal = std::max(words.total, 1);
  const double diversity = double(words.distinct) / wordTotal;
  total += weight * (diversity > 0.5 ? 20 : diversity > 0.35 ? 15 : diversity > 0.25 ? 8 : 0);
  if (diversity <= 0.35) s.issues.push_back("low diversity");

  int navMatches = 0;
  navWords().forEachMatch(text::toUtf16(trimmed), [&](const text::Match&) {
    ++navMatches;
    return true;
  });
  const double navRatio = double(navMatches) / wordTotal;
  total += weight * (navRatio < 0.02 ? 20 : navRatio < 0.05 ? 15 : navRatio < 0.1 ? 8 : 0);
  if (navRatio >= 0.05) s.issues.push_back("nav words");

  s.score = int(std::round(total));
  if (s.blocked) {
    s.issues.push_back("blocked:" + *s.blocked);
    s.score = 0;
    s.quality = "poor";
  } else {
    s.quality = s.score < 40 ? "poor" : s.score < 60 ? "marginal" : s.score < 80 ? "good" : "excellent";
  }
  s.diversity = round3(diversity);
  s.navRatio = round3(navRatio);
  return s;
}

}  // namespace orvak::ContentScorer
