// Stages 6 to 8: article and mail furniture dropped paragraph by paragraph, the text laid out,
// and the back matter and quoted replies cut from its end.
#include <algorithm>
#include "core/page/cleaner.h"
#include "core/page/cleaner_stages.h"
#include "core/page/cleaner_vocabulary.h"
#include "core/text/text.h"

namespace orvak::Cleaner::detail {

namespace {

bool contains(std::string_view haystack, std::string_view needle) { return haystack.find(needle) != haystack.npos; }

// Mostly capitals: a section label, not a headline.
bool shouty(std::string_view s) {
  int letters = 0, upper = 0;
  for (auto g : text::graphemes(s)) {
    if (!text::isLetter(g)) continue;
    ++letters;
    if (text::isUppercase(g)) ++upper;
  }
  return letters > 0 && upper >= 0.8 * letters;
}

int wordCount(std::string_view s) {
  int words = 0;
  std::size_t at = 0;
  while (at <= s.size()) {
    const auto space = s.find(' ', at);
    const auto end = space == std::string_view::npos ? s.size() : space;
    if (end > at) ++words;
    if (space == std::string_view::npos) break;
    at = space + 1;
  }
  return words;
}

// Every credit shape holds one of these words, so an ASCII paragraph (where ignoring case is plain
// lower-casing) without any of them need not be searched. Other text always is.
bool mayBeCredit(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  for (std::string_view word : {"credit", "photo", "image", "illustration", "getty images", "associated press",
                                "reuters/", "afp via"}) {
    if (lower.find(word) != std::string::npos) return true;
  }
  return false;
}

// Bylines begin with "by".
bool mayBeByline(std::string_view s) { return text::caseFold(text::graphemePrefix(s, 2)) == "by"; }

void drop(const Para& p, std::string_view reason, DropCounters& dropped) { dropped.add(reason, p.length, 1); }

std::optional<std::string_view> paragraphDropReason(const Para& p, bool article, bool mailPage) {
  const auto& v = vocabulary();
  if (mailPage && (!p.heading || p.length < 31 || contains(p.text, "@")) && isMailFurniture(p.text)) {
    return "mail-furniture";
  }
  if (p.length <= 120 && mayBeCredit(p.text) && matches(v.creditPattern, p.text)) return "credit";
  if (p.length <= 80 && !p.heading && mayBeByline(p.text) && matches(v.bylinePattern, p.text)) return "byline";
  if (article && p.inHeader && !p.heading && p.length <= 60) return "header-meta";
  return std::nullopt;
}

}  // namespace

void dropKicker(std::vector<Para>& paras, const std::string& strategy, DropCounters& dropped) {
  if (!contains(strategy, "article")) return;
  for (std::size_t i = 0; i < paras.size() && i < 4; ++i) {
    const Para& p = paras[i];
    if (!p.heading || shouty(p.text) || wordCount(p.text) <= 2) continue;
    if (i == 0) return;
    for (std::size_t k = 0; k < i; ++k) {
      if (paras[k].length > 60) return;
    }
    for (std::size_t k = 0; k < i; ++k) drop(paras[k], "kicker", dropped);
    paras.erase(paras.begin(), paras.begin() + std::ptrdiff_t(i));
    return;
  }
}

void filterParagraphs(std::vector<Para>& paras, const std::string& strategy, bool mailPage, DropCounters& dropped) {
  const bool article = contains(strategy, "article");
  std::vector<Para> kept;
  kept.reserve(paras.size());
  for (Para& p : paras) {
    if (auto reason = paragraphDropReason(p, article, mailPage)) {
      drop(p, *reason, dropped);
    } else {
      kept.push_back(std::move(p));
    }
  }
  paras = std::move(kept);
}

void putSubjectFirst(std::vector<Para>& paras, const std::optional<std::string>& subject) {
  if (!subject) return;
  Para p;
  p.text = norm(*subject);
  if (p.text.empty()) return;
  p.length = text::graphemeCount(p.text);
  p.visible = true;
  p.heading = true;
  paras.insert(paras.begin(), std::move(p));
}

Layout layout(const std::vector<Para>& paras) {
  Layout out;
  out.starts.reserve(paras.size());
  std::size_t bytes = 0;
  for (const Para& p : paras) bytes += p.text.size() + 2;
  out.text.reserve(bytes);
  for (const Para& p : paras) {
    if (!out.starts.empty()) {
      out.text += "\n\n";
      out.chars += 2;
    }
    out.starts.push_back(out.chars);
    out.text += p.text;
    out.chars += p.length;
  }
  return out;
}

void cutBackMatter(std::vector<Para>& paras, Layout& text, bool browser, DropCounters& dropped) {
  const int from = text.chars * 2 / 5;
  for (std::size_t i = 0; i < paras.size(); ++i) {
    const int start = text.starts[i];
    if (!paras[i].heading || start < from || !isBackMatter(paras[i].text, browser)) continue;
    if (start < 1) return;
    dropped.add("back-matter", text.chars - start, int(paras.size() - i));
    paras.resize(i);
    text = layout(paras);
    return;
  }
}

void cutQuotedReply(std::vector<Para>& paras, Layout& text, DropCounters& dropped) {
  std::vector<std::string> texts;
  texts.reserve(paras.size());
  for (const Para& p : paras) texts.push_back(p.text);
  const auto cut = replyCut(texts);
  if (!cut) return;
  const auto a = std::size_t(cut->paragraph);
  const int o = cut->offset;
  if (text.starts[a] + o < 1) return;
  if (o < 1) {
    paras.resize(a);
  } else {
    Para& p = paras[a];
    const std::string_view head = text::graphemePrefix(p.text, o);
    const std::string_view kept = text::trim(head);
    const int front = text::graphemeCount(head.substr(0, std::size_t(kept.data() - head.data())));
    p.text = std::string(kept);
    p.length = text::graphemeCount(p.text);
    // Spans and caret move with the characters trimmed from the front, so they never drift.
    std::vector<TextSpan> spans;
    for (const TextSpan& s : p.spans) {
      const int start = std::max(s.start - front, 0);
      const int end = std::min(s.end - front, p.length);
      if (start < end) spans.push_back({s.node, start, end});
    }
    p.spans = std::move(spans);
    if (p.caret) p.caret = std::clamp(*p.caret - front, 0, p.length);
    paras.resize(a + 1);
  }
  dropped.addChars("quoted-reply", text.chars - text.starts[a] - o);
  std::erase_if(paras, [](const Para& p) { return p.text.empty(); });
  text = layout(paras);
}

}  // namespace orvak::Cleaner::detail
