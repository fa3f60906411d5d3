// The section of a page around a reading position: what a spoken question sends as context, and
// the heading test the player skips sections by. Positions count characters (grapheme clusters),
// each paragraph break "\n" counting as one.
#pragma once

#include <string>
#include <string_view>

namespace orvak::PageSection {

// The paragraphs of the section containing `offset`, joined by "\n": back to the nearest heading
// (included) and forward to the next one, within about `maxChars` before and maxChars / 2 after.
// Empty paragraphs are left out; offsets outside the text select the first or last paragraph.
std::string around(std::string_view text, int offset, int maxChars);

// A short line with a letter and no closing punctuation.
bool isHeading(std::string_view paragraph);

}  // namespace orvak::PageSection
