// Splitting text into its white-space separated pieces, the way a reader counts words.
#pragma once

#include <string_view>
#include <vector>

#include "core/text/text.h"

namespace orvak {

// One maximal run of characters (graphemes) that are not white space.
struct WordRun {
  std::string_view text;      // a view into the split text
  text::GraphemeRange range;  // where it lies, in graphemes
};

// The runs of `text` in order; line ends count as white space and runs are never empty.
std::vector<WordRun> wordRuns(std::string_view text);

// The same runs as text only.
std::vector<std::string_view> splitAtWhitespace(std::string_view text);

}  // namespace orvak
