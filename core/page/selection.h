// Where a passage the user selected (or quoted by voice) lies in the captured text. Matching is
// by words, so differences of spacing, line breaks, letter case and punctuation do not matter.
//
// Pure functions; safe from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/text.h"

namespace orvak::Selection {

// The selection trimmed of white space and line breaks when it holds at least two words; a
// single word is never worth starting a read from.
std::optional<std::string> meaningful(const std::optional<std::string>& selection);

// The grapheme range of the first run of words in `text` that equals the selection's words.
std::optional<text::GraphemeRange> locate(std::string_view selection, std::string_view text);

// Where to start for the selection: its own location, else that of its first 8 words, its first
// 5 words, or (when only the tail survived) its last 6 words. A grapheme offset.
std::optional<int32_t> find(std::string_view selection, std::string_view text);

}  // namespace orvak::Selection
