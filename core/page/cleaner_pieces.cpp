// Stages 3 and 4: the texts inside the region become pieces; screen furniture among them is dropped.
#include <algorithm>
#include <unordered_map>

#include "core/page/cleaner.h"
#include "core/page/cleaner_stages.h"
#include "core/page/cleaner_vocabulary.h"
#include "core/text/text.h"

namespace orvak::Cleaner::detail {

namespace {

// Control characters U+0010-U+001F: what live-region announcements and private-use markers leave.
bool holdsLiveRegionControl(std::string_view s) {
  for (unsigned char c : s) {
    if (c >= 0x10 && c <= 0x1F) return true;
  }
  return false;
}

bool hasLetterOrNumber(std::string_view s) {
  for (auto g : text::graphemes(s)) {
    if (text::isLetter(g) || text::isNumber(g)) return true;
  }
  return false;
}

// The timestamp shapes all begin with a digit, "today", "yesterday", or a month or weekday name;
// a text that begins with none of these (ignoring case as the patterns do) cannot match them, and
// most pieces are turned away here without running six expressions.
bool mayBeTimestamp(std::string_view n) {
  if (n.empty()) return false;
  if (text::isNumber(text::graphemePrefix(n, 1))) return true;
  const std::string head = text::caseFold(text::graphemePrefix(n, 4));
  static const std::string_view starts[] = {"tod", "yes", "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug",
                                            "sep", "oct", "nov", "dec", "mon", "tue", "wed", "thu", "fri", "sat",
                                            "sun"};
  return std::any_of(std::begin(starts), std::end(starts),
                     [&](std::string_view s) { return std::string_view(head).substr(0, 3) == s; });
}

std::optional<std::string_view> pieceDropReason(const Piece& piece, const NodeTree& tree, int sameText) {
  const auto& v = vocabulary();
  const std::string& n = piece.normalized;
  if (holdsLiveRegionControl(piece.text)) return "a11y-live";
  if (n.empty() || !hasLetterOrNumber(n)) return "symbol-only";
  if (v.uiLabels.contains(text::nfc(text::lowercase(n)))) return "ui-label";
  if (mayBeTimestamp(n) && matchesAny(v.timestampPatterns, n)) return "timestamp";
  const int chars = text::graphemeCount(n);
  if (chars <= 8 && matches(v.countPattern, n)) return "count";
  if (chars <= 24 && sameText > 2 && tree.node(piece.node).role != "AXTextArea") return "repeated-short";
  return std::nullopt;
}

}  // namespace

std::vector<Piece> collectPieces(const NodeTree& tree, int region, const PageModes& modes, DropCounters& dropped) {
  std::vector<Piece> pieces;
  std::vector<char> inRegion(std::size_t(tree.size()), 0);
  for (int i = 0; i < tree.size(); ++i) {
    const int p = tree.parent(i);
    inRegion[std::size_t(i)] = i == region || (p >= 0 && inRegion[std::size_t(p)]);
    const auto& text = tree.node(i).text;
    if (!text) continue;
    if (const auto& mark = tree.effectiveMark(i)) {
      dropped.add(*mark, tree.textChars(i), 1);
    } else if (inRegion[std::size_t(i)]) {
      pieces.push_back({i, *text, {}, tree.textChars(i)});
    } else {
      dropped.add("outside-region", tree.textChars(i), 1);
    }
  }
  if (modes.pdf) {
    for (auto& piece : pieces) {
      piece.text = fixPDFNewlines(piece.text);
      piece.textChars = text::graphemeCount(piece.text);
    }
  }
  return pieces;
}

std::vector<Piece> filterPieces(std::vector<Piece> pieces, const NodeTree& tree, DropCounters& dropped) {
  std::unordered_map<std::string, int> sameText;  // canonical (NFC) keys
  std::vector<std::string> keys;
  keys.reserve(pieces.size());
  for (auto& piece : pieces) {
    piece.normalized = norm(piece.text);
    keys.push_back(text::nfc(piece.normalized));
    ++sameText[keys.back()];
  }
  std::vector<Piece> kept;
  kept.reserve(pieces.size());
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    auto& piece = pieces[k];
    if (auto reason = pieceDropReason(piece, tree, sameText[keys[k]])) {
      dropped.add(*reason, piece.textChars, 1);
    } else {
      kept.push_back(std::move(piece));
    }
  }
  return kept;
}

}  // namespace orvak::Cleaner::detail
