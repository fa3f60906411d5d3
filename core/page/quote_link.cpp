#include "core/page/quote_link.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "core/page/document_editor.h"
#include "core/text/text.h"
#include "core/text/url.h"
#include "core/text/words.h"

namespace orvak::QuoteLink {

namespace {

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }


// The lower-cased host of an absolute http or https address, or none when `address` is not one.
std::optional<std::string> webHost(std::string_view address) {
  const auto parsed = url::parse(address);
  if (!parsed || parsed->host.empty()) return std::nullopt;
  const std::string scheme = text::lowercase(parsed->scheme);
  if (scheme != "http" && scheme != "https") return std::nullopt;
  return text::lowercase(parsed->host);
}

// Characters cut from both ends of a directive's text: they are not part of what the page
// shows as the quote, and some of them are the directive's own syntax.
constexpr std::array<std::string_view, 17> kEdgePunctuation{
    " ",      ".",      ",",      ";",      ":", "!", "?", "\"", "'",
    "\u201C", "\u201D", "\u2018", "\u2019", "(", ")", "[", "]"};

std::string_view trimEdges(std::string_view s) {
  for (bool cut = true; cut && !s.empty();) {
    cut = false;
    for (const auto p : kEdgePunctuation) {
      if (s.starts_with(p)) {
        s.remove_prefix(p.size());
        cut = true;
      }
      if (s.ends_with(p)) {
        s.remove_suffix(p.size());
        cut = true;
      }
    }
  }
  return s;
}

// Percent-encodes every UTF-8 byte except ASCII letters and digits. Commas, hyphens and
// ampersands are directive syntax and must never appear raw; encoding bytes cannot fail.
std::string enc(std::string_view s) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : trimEdges(s)) {
    if (isAsciiAlpha(c) || isAsciiDigit(c)) {
      out += c;
    } else {
      const auto b = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    }
  }
  return out;
}

std::string joined(std::span<const std::string_view> words) {
  std::string out;
  for (const auto w : words) {
    if (!out.empty()) out += ' ';
    out += w;
  }
  return out;
}

}  // namespace

std::string url(std::string_view source, std::string_view quote) {
  const auto host = webHost(source);
  if (!host || host->find(documentEditor::kHost) != std::string::npos) return std::string(source);
  const auto w = splitAtWhitespace(quote);
  if (w.size() < 2) return std::string(source);
  const std::span<const std::string_view> words(w);

  std::string directive;
  if (words.size() > 10) {
    const std::string start = enc(joined(words.first(5)));
    const std::string end = enc(joined(words.last(4)));
    // A side made only of punctuation would give a directive that matches nothing.
    if (start.empty() || end.empty()) return std::string(source);
    directive = start + "," + end;
  } else {
    directive = enc(joined(words));
    if (directive.empty()) return std::string(source);
  }
  const std::string_view base = source.substr(0, source.find('#'));
  return std::string(base) + "#:~:text=" + directive;
}

}  // namespace orvak::QuoteLink
