// Stage 5: pieces joined into paragraphs as a reader sees them, then one paragraph per line.
#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "core/page/cleaner.h"
#include "core/page/cleaner_stages.h"
#include "core/text/text.h"

namespace orvak::Cleaner::detail {

namespace {

std::optional<int> headingAncestor(const NodeTree& tree, int id) {
  int c = tree.parent(id);
  for (int step = 0; step < 4 && c >= 0; ++step, c = tree.parent(c)) {
    if (tree.node(c).role == "AXHeading") return c;
  }
  return std::nullopt;
}

bool sectionHeaderAncestor(const NodeTree& tree, int id, int region) {
  for (int c = tree.parent(id); c >= 0 && c != region; c = tree.parent(c)) {
    if (tree.node(c).subrole == "AXSectionHeader") return true;
  }
  return false;
}

std::optional<int> articleAncestor(const NodeTree& tree, int id) {
  for (int c = tree.parent(id); c >= 0; c = tree.parent(c)) {
    if (tree.node(c).subrole == "AXDocumentArticle") return c;
  }
  return std::nullopt;
}

std::optional<int> parentOf(const NodeTree& tree, int id) {
  const int p = tree.parent(id);
  return p < 0 ? std::nullopt : std::optional<int>(p);
}

bool startsParagraph(const NodeTree& tree, int node, int previous) {
  const AXNode& cur = tree.node(node);
  const AXNode& prev = tree.node(previous);
  const auto heading = headingAncestor(tree, node);
  const auto prevHeading = headingAncestor(tree, previous);
  bool gapBreak = false;
  if (parentOf(tree, node) == parentOf(tree, previous) && heading == prevHeading) {
    gapBreak = false;
  } else if (!cur.frame || !prev.frame || heading != prevHeading) {
    gapBreak = true;
  } else {
    const auto [x, y, w, h] = *cur.frame;
    (void)x;
    (void)w;
    const double py = (*prev.frame)[1], ph = (*prev.frame)[3];
    const double allowed = h > 40 ? 12 : (h >= 8 ? std::max(0.3 * h, 3.0) : 3);
    gapBreak = allowed < y - (py + ph);
  }
  return gapBreak || cur.role == "AXTextArea" || prev.role == "AXTextArea" ||
         articleAncestor(tree, node) != articleAncestor(tree, previous);
}

bool noSpaceAfter(std::string_view lastChar) {
  for (std::string_view open : {"(", "[", "{", "\u201C", "\u2018", "$"}) {
    if (lastChar == open) return true;
  }
  return false;
}

bool noSpaceBefore(std::string_view firstChar) {
  for (std::string_view close : {",", ".", ";", ":", "!", "?", ")", "]", "}", "\u2019", "\u201D", "'", "%"}) {
    if (firstChar == close) return true;
  }
  return false;
}

// The paragraph caret for a text-area caret at UTF-16 offset `caret` of the piece's own text. An
// offset inside a character stands for the start of that character.
int caretInParagraph(std::string_view pieceText, std::int64_t caret, int paragraphLength) {
  const text::GraphemeMap map(pieceText);
  const auto units = int32_t(std::min<std::int64_t>(caret, map.utf16Length()));
  const auto bytes = map.utf8Offset(map.graphemeAtUtf16(units));
  const std::string prefix = std::string(pieceText.substr(0, std::size_t(bytes))) + "x";
  return paragraphLength + text::graphemeCount(norm(prefix)) - 1;
}

// Appends `s` (its characters mapped by `map`) to the paragraph, keeping `lastChar` the last
// character of the paragraph's text. A character can merge across the seam (a combining mark
// after the joining space or an opening bracket), so the length is counted over the seam rather
// than added up.
void appendText(Para& para, std::string& lastChar, std::string_view s, const text::GraphemeMap& map) {
  if (map.count() == 0) return;
  const std::string_view first = s.substr(0, std::size_t(map.utf8Offset(1)));
  const bool merges = !lastChar.empty() && text::graphemeCount(lastChar + std::string(first)) == 1;
  para.text += s;
  para.length += map.count() - (merges ? 1 : 0);
  if (merges && map.count() == 1) {
    lastChar += s;
  } else {
    lastChar = s.substr(std::size_t(map.utf8Offset(map.count() - 1)));
  }
}

Para newParagraph(const NodeTree& tree, int node, int region) {
  Para p;
  p.heading = headingAncestor(tree, node).has_value();
  p.inHeader = sectionHeaderAncestor(tree, node, region);
  return p;
}

}  // namespace

std::optional<bool> onScreen(const std::optional<Frame>& frame, const std::optional<Frame>& windowFrame) {
  if (!frame) return std::nullopt;
  const auto [x, y, w, h] = *frame;
  if (w <= 1 || h <= 1) return false;
  if (!windowFrame) return true;
  const auto [wx, wy, ww, wh] = *windowFrame;
  return wy < y + h && y < wy + wh && x < wx + ww && wx < x + w;
}

Paragraphs buildParagraphs(const NodeTree& tree, const std::vector<Piece>& pieces, int region,
                           const std::optional<Frame>& windowFrame, DropCounters& dropped) {
  Paragraphs out;
  std::string lastChar;  // the last character of the current paragraph's text
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    const Piece& piece = pieces[k];
    const AXNode& node = tree.node(piece.node);
    const std::string& n = piece.normalized;
    const text::GraphemeMap nMap(n);
    if (k == 0 || startsParagraph(tree, piece.node, pieces[k - 1].node)) {
      out.paras.push_back(newParagraph(tree, piece.node, region));
      lastChar.clear();
    }
    Para& para = out.paras.back();
    if (!para.text.empty() && !n.empty()) {
      const std::string_view firstChar = std::string_view(n).substr(0, std::size_t(nMap.utf8Offset(1)));
      if (!text::isWhitespace(lastChar) && !text::isWhitespace(firstChar) && !noSpaceBefore(firstChar) &&
          !noSpaceAfter(lastChar)) {
        static const text::GraphemeMap spaceMap(" ");
        appendText(para, lastChar, " ", spaceMap);
      }
    }
    const int start = para.length;
    if (node.caret && *node.caret > 0 && node.role == "AXTextArea") {
      para.caret = caretInParagraph(piece.text, *node.caret, start);
    }
    appendText(para, lastChar, n, nMap);
    // Where the piece's first character merged into the one before, its span stops at the end of
    // the text instead of running one character past it.
    para.spans.push_back({int(node.id), start, std::min(start + nMap.count(), para.length)});

    if (const auto s = onScreen(node.frame, windowFrame)) {
      out.hasGeometry = true;
      para.framedChars += nMap.count();
      if (*s) {
        para.visibleChars += nMap.count();
        para.visible = true;
        para.minX = std::min(para.minX, (*node.frame)[0]);
        para.maxX = std::max(para.maxX, (*node.frame)[0] + (*node.frame)[2]);
      }
    }
  }
  out.paras = splitLines(out.paras, dropped);
  return out;
}

std::vector<Para> splitLines(const std::vector<Para>& paras, DropCounters& dropped) {
  std::vector<Para> out;
  out.reserve(paras.size());
  std::unordered_set<std::string> seen;  // canonical (NFC) forms of long lines
  for (const Para& source : paras) {
    std::string_view rest = source.text;
    int offset = 0;
    std::size_t firstSpan = 0;
    for (bool more = true; more;) {
      // A line feed that ends a CR LF pair is part of that character, not the first of a blank
      // line's two: cutting there would leave a line ending in a lone CR that the joining blank
      // line then merges with, and every offset after it would run one character long.
      auto cut = rest.find("\n\n");
      while (cut != std::string_view::npos && cut > 0 && rest[cut - 1] == '\r') cut = rest.find("\n\n", cut + 1);
      more = cut != std::string_view::npos;
      const std::string_view line = more ? rest.substr(0, cut) : rest;
      if (more) rest.remove_prefix(cut + 2);
      const bool whole = offset == 0 && !more;
      const int lineLength = whole ? source.length : text::graphemeCount(line);
      const int lineOffset = offset;
      offset += lineLength + 2;

      std::string_view trimmed = text::trim(line, text::TrimSet::whitespaces);
      // A carriage return left at the end would fuse with the paragraph break that follows into
      // one character ("\r\n"), and every later offset would be one off.
      while (!trimmed.empty() && trimmed.back() == '\r') {
        trimmed = text::trimEnd(trimmed.substr(0, trimmed.size() - 1), text::TrimSet::whitespaces);
      }
      if (trimmed.empty()) continue;
      const int trimmedLength = trimmed.size() == line.size() ? lineLength : text::graphemeCount(trimmed);
      if (trimmedLength > 24 && !seen.insert(text::nfc(trimmed)).second) {
        dropped.add("dup-line", trimmedLength, 1);
        continue;
      }
      const auto leadBytes = std::size_t(trimmed.data() - line.data());
      const int lead = leadBytes == 0 ? 0 : text::graphemeCount(line.substr(0, leadBytes));

      Para p;
      p.text = std::string(trimmed);
      p.length = trimmedLength;
      p.visible = source.visible;
      p.minX = source.minX;
      p.maxX = source.maxX;
      p.heading = source.heading;
      p.inHeader = source.inHeader;
      p.framedChars = source.framedChars;
      p.visibleChars = source.visibleChars;
      if (source.caret && *source.caret >= lineOffset && *source.caret <= lineOffset + lineLength) {
        p.caret = std::clamp(*source.caret - lineOffset - lead, 0, trimmedLength);
      }
      // Spans run in text order, so each line looks only at those that reach into it.
      while (firstSpan < source.spans.size() && source.spans[firstSpan].end <= lineOffset) ++firstSpan;
      for (std::size_t k = firstSpan; k < source.spans.size() && source.spans[k].start < lineOffset + lineLength; ++k) {
        const TextSpan& span = source.spans[k];
        const int s1 = std::max(span.start, lineOffset) - lineOffset;
        const int e1 = std::min(span.end, lineOffset + lineLength) - lineOffset;
        const int s2 = std::max(s1 - lead, 0);
        const int e2 = std::min(e1 - lead, trimmedLength);
        if (s2 < e2) p.spans.push_back({span.node, s2, e2});
      }
      out.push_back(std::move(p));
    }
  }
  return out;
}

}  // namespace orvak::Cleaner::detail
