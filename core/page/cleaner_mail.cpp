// Recognising webmail pages and their furniture, mail subjects, quoted replies and back matter.
#include <algorithm>
#include "core/page/cleaner.h"
#include "core/page/cleaner_vocabulary.h"
#include "core/text/regex.h"
#include "core/text/text.h"

namespace orvak::Cleaner {

namespace {

using text::Regex;

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The host of an absolute URL with an authority ("scheme://[user@]host[:port]/..."), as written;
// absent for text that is no URL or has no host.
std::optional<std::string> urlHost(std::string_view url) {
  for (unsigned char c : url) {
    // What a URL may not hold unescaped: controls, space, non-ASCII and the unsafe punctuation.
    if (c <= 0x20 || c >= 0x7F || std::string_view("\"<>\\^`{|}").find(char(c)) != std::string_view::npos) {
      return std::nullopt;
    }
  }
  static const Regex authority(R"(^[A-Za-z][A-Za-z0-9+.\-]*://(?:[^/?#@]*@)?(\[[^\]/?#]*\]|[^/?#:]*)(?::\d*)?(?:[/?#]|$))");
  const auto m = authority.firstMatch(url);
  if (!m || m->groups[1].empty()) return std::nullopt;
  return m->groups[1];
}

}  // namespace

bool matches(const text::Regex& re, std::string_view text) { return re.containsMatch(text); }

bool matchesAny(const std::vector<text::Regex>& patterns, std::string_view text) {
  if (text::graphemeCount(text) > 40) return false;
  const text::U16Text subject(text);
  for (const auto& re : patterns) {
    if (re.containsMatch(subject.str())) return true;
  }
  return false;
}

bool isMail(const std::optional<std::string>& url) {
  if (!url) return false;
  const auto host = urlHost(*url);
  if (!host) return false;
  const auto& hosts = vocabulary().mailHosts;
  return std::find(hosts.begin(), hosts.end(), *host) != hosts.end();
}

std::optional<std::string> mailSubject(const std::optional<std::string>& headerText) {
  if (!headerText) return std::nullopt;
  std::vector<std::string_view> lines;
  std::string_view s = *headerText;
  std::size_t lineStart = 0, at = 0;
  for (auto g : text::graphemes(s)) {
    if (text::isNewline(g)) {
      lines.push_back(text::trim(s.substr(lineStart, at - lineStart), text::TrimSet::whitespaces));
      lineStart = at + g.size();
    }
    at += g.size();
  }
  lines.push_back(text::trim(s.substr(lineStart), text::TrimSet::whitespaces));

  const auto to = std::find_if(lines.begin(), lines.end(),
                               [](std::string_view l) { return startsWith(l, "To:") || l == "To"; });
  if (to == lines.end()) return std::nullopt;
  for (auto it = lines.begin(); it != to; ++it) {
    if (text::graphemeCount(*it) >= 2 && !startsWith(*it, "From:") && !startsWith(*it, "Cc:")) return std::string(*it);
  }
  return std::nullopt;
}

bool isMailFurniture(std::string_view input) {
  const std::string n = norm(input);
  const int chars = text::graphemeCount(n);
  if (chars > 100) return false;
  const auto& v = vocabulary();
  if (v.mailLabels.contains(text::nfc(text::lowercase(n)))) return true;
  if (chars > 40) return false;
  return std::any_of(v.mailPatterns.begin(), v.mailPatterns.end(), [&](const Regex& re) { return matches(re, n); });
}

std::optional<ReplyCut> replyCut(const std::vector<std::string>& paragraphs) {
  const auto& markers = vocabulary().replyMarkers;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    const text::U16Text p(paragraphs[i]);
    std::optional<int32_t> earliest;
    for (const auto& re : markers) {
      if (const auto m = re.findFirst(p.str())) {
        if (!earliest || m->range().start < *earliest) earliest = m->range().start;
      }
    }
    if (earliest) return ReplyCut{int(i), int(p.map().graphemeAtUtf16(*earliest))};
  }
  return std::nullopt;
}

bool isBackMatter(std::string_view heading, bool browser) {
  static const Regex editLink(R"(\s*\[?edit\]?$)");
  static const Regex numbering(R"(^\d+(\.\d+)*\s+)");
  std::string h(text::trim(text::lowercase(heading)));
  h = editLink.replaceAll(h, "");
  h = numbering.replaceAll(h, "");
  const auto first = h.find_first_not_of(" :.");
  h = first == std::string::npos ? std::string() : h.substr(first, h.find_last_not_of(" :.") - first + 1);
  const auto& headings = vocabulary().backMatterHeadings;
  if (std::find(headings.begin(), headings.end(), text::nfc(h)) != headings.end()) return true;
  return browser && startsWith(h, "comments") && text::graphemeCount(h) < 17;
}

}  // namespace orvak::Cleaner
