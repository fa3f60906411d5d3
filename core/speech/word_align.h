// Pairs the words a voice reports as spoken with the words of the sentence on screen, so that the
// word being heard can be highlighted. Speech changes written text: numbers and symbols are read
// out as several words, and voices split, drop or add words; the matching tolerates all of that.
//
// Pure functions; safe from any thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text.h"

namespace orvak::WordAlign {

// The words of a text as grapheme ranges: runs of non-white-space characters without the
// punctuation around them. A leading "$", "€", "£", "#" or "@" and a trailing "%" stay, and so
// does punctuation inside a word ("don't", "3.5", "e-mail").
std::vector<text::GraphemeRange> tokens(std::string_view text);

// For each spoken word, the index of the screen word it belongs to: never absent and never
// decreasing while there are screen words, absent for all when there are none. `lookahead`
// (at least 1) bounds how far a spoken word may jump ahead over unspoken screen words.
std::vector<std::optional<int>> map(std::span<const std::string> screen,
                                    std::span<const std::string> spoken, int lookahead);

}  // namespace orvak::WordAlign
