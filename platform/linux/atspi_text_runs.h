// A text object's text laid out against its children.
//
// Text objects of most toolkits hold their own text with one U+FFFC (the object replacement
// character) in the place of each embedded child: "Read ￼ now." with a link as the one child.
// Walking only the children would miss "Read " and " now.", walking only the text would miss
// the link's own subtree. `splitTextRuns` cuts the text at the replacement characters into
// runs, so the walk meets runs and children in reading order.
//
// Some programs (Chromium) also give each run as a child of its own; there the children already
// outnumber the replacement characters and are taken as they are.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvak::atspi {

struct TextPiece {
  // A run of the parent's text: code points [start, end) and its UTF-8 text. Otherwise the
  // child with index `child`.
  bool isRun = false;
  std::int64_t start = 0;
  std::int64_t end = 0;
  std::string text;
  std::int64_t child = -1;
  bool operator==(const TextPiece&) const = default;
};

// The pieces in reading order, or an empty list when the children should be taken as they are:
// when the text holds no replacement character, or not one per child. Runs of white space only
// are left out.
std::vector<TextPiece> splitTextRuns(std::string_view text, std::int64_t childCount);

// `text` without its replacement characters.
std::string withoutEmbeddedObjects(std::string_view text);

}  // namespace orvak::atspi
