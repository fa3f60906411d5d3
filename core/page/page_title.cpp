#include "core/page/page_title.h"

#include <array>
#include <vector>

#include "core/text/regex.h"
#include "core/text/text.h"
#include "core/text/url.h"

namespace orvak::PageTitle {
namespace {

constexpr std::array<std::string_view, 5> separators{" - ", " \u2014 ", " \u2013 ", " | ", " \u00B7 "};

constexpr std::array<std::string_view, 15> browsers{
    "Google Chrome", "Chrome",   "Safari",   "Mozilla Firefox", "Firefox",     "Microsoft Edge", "Arc",       "Brave Browser",
    "Brave",         "Opera",    "Vivaldi",  "Chromium",        "Orion",       "Zen Browser",    "DuckDuckGo"};

constexpr std::array<std::string_view, 15> siteNames{
    "Google Docs", "Google Sheets", "Google Slides", "Google Drive", "Gmail",         "Outlook", "Notion", "Medium",
    "Substack",    "YouTube",       "Wikipedia",     "Google Search", "LinkedIn",     "X",       "Reddit"};

const text::Regex& trailingEmail() {
  static const text::Regex r =
      text::Regex::cached(R"(\s[-—–|·]\s+[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,})");
  return r;
}
const text::Regex& anyEmail() {
  static const text::Regex r =
      text::Regex::cached(R"(\s*[-—–|·]?\s*[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,}\s*)");
  return r;
}
const text::Regex& whiteRun() {
  static const text::Regex r = text::Regex::cached(R"(\s{2,})");
  return r;
}

// Cuts `t` before the last separator + `name` that is a whole name: followed by the end, or by
// something other than a letter (" - Arc" must not cut " - Arcade Fire").
void cutName(std::string& t, std::string_view name) {
  for (const auto sep : separators) {
    const std::string needle = std::string(sep) + std::string(name);
    for (auto at = t.rfind(needle); at != std::string::npos; at = at == 0 ? std::string::npos : t.rfind(needle, at - 1)) {
      const std::string_view after = std::string_view(t).substr(at + needle.size());
      if (after.empty() || !text::isLetter(text::graphemePrefix(after, 1))) {
        t.resize(at);
        break;
      }
    }
  }
}

std::string lowerHost(const std::optional<std::string>& address) {
  if (!address) return {};
  const auto parsed = url::parse(*address);
  return parsed ? text::lowercase(parsed->host) : std::string();
}

bool isSiteSuffix(std::string_view tail, const std::string& host) {
  for (const auto site : siteNames) {
    if (text::equalsIgnoringCase(tail, site)) return true;
  }
  const std::string lower = text::lowercase(tail);
  if (!host.empty()) {
    std::string squeezed;
    for (const char c : lower) {
      if (c != ' ') squeezed += c;
    }
    if (text::graphemeCount(squeezed) > 2 && host.find(squeezed) != std::string::npos) return true;
  }
  return lower.ends_with(".com") || lower.ends_with(".org");
}

// Removes a trailing " <sep> site" (at most twice: "Doc - Site - Site.com").
void cutSiteSuffixes(std::string& t, const std::string& host) {
  for (int pass = 0; pass < 2; ++pass) {
    std::size_t best = std::string::npos;
    std::size_t bestLength = 0;
    for (const auto sep : separators) {
      const auto at = t.rfind(sep);
      if (at != std::string::npos && (best == std::string::npos || at > best)) {
        best = at;
        bestLength = sep.size();
      }
    }
    if (best == std::string::npos) return;
    const std::string_view tail = text::trim(std::string_view(t).substr(best + bestLength), text::TrimSet::whitespaces);
    if (!isSiteSuffix(tail, host) || best == 0) return;
    t.resize(best);
  }
}

bool isDebris(std::string_view g) {
  return g == "-" || g == "\u2014" || g == "\u2013" || g == "|" || g == "\u00B7" ||
         text::trim(g, text::TrimSet::whitespaces).empty();
}

std::string trimDebris(std::string_view s) {
  const std::vector<std::string_view> chars = text::graphemes(s);
  std::size_t a = 0;
  std::size_t b = chars.size();
  while (a < b && isDebris(chars[a])) ++a;
  while (b > a && isDebris(chars[b - 1])) --b;
  if (a == b) return {};
  return std::string(chars[a].data(), std::size_t(chars[b - 1].data() + chars[b - 1].size() - chars[a].data()));
}

}  // namespace

std::string clean(std::string_view title, std::string_view app, const std::optional<std::string>& url) {
  std::string t(text::trim(title));

  if (!app.empty()) cutName(t, app);
  for (const auto b : browsers) cutName(t, b);

  const icu::UnicodeString t16 = text::toUtf16(t);
  if (const auto m = trailingEmail().findFirst(t16); m && m->range().start > 0) {
    t = text::toUtf8(t16, 0, m->range().start);
  }
  t = anyEmail().replaceAll(std::string_view(t), std::string_view(" "));

  cutSiteSuffixes(t, lowerHost(url));

  t = trimDebris(whiteRun().replaceAll(std::string_view(t), std::string_view(" ")));
  if (!t.empty()) return t;
  if (!app.empty()) return std::string(app);
  return "Untitled";
}

}  // namespace orvak::PageTitle
