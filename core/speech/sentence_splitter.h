// Splits cleaned page text into the sentences the system reads, highlights and seeks by.
//
// Sentence numbers key saved reading positions, word timings and highlights, so the rules here
// are part of the stored format: the same text must always give the same list. Lengths are in
// user-perceived characters (grapheme clusters). Pure and safe to call from any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvak::SentenceSplitter {

// The sentences of `text` in reading order, none longer than `maxLen` characters (callers pass
// 400). A newline always ends a sentence. Each sentence is trimmed of horizontal white space and
// non-empty, except that a cut landing on a double space can leave one empty piece (see `cap`).
std::vector<std::string> split(std::string_view text, int maxLen);

// The sentences of one line (no newlines, already trimmed), each trimmed and non-empty.
std::vector<std::string> splitParagraph(std::string_view paragraph);

// Cuts an over-long sentence into pieces of at most `maxLen` characters, preferring to cut after
// "; ", then ", ", then " ". A `maxLen` below 1 is taken as 1, so every cut makes progress.
std::vector<std::string> cap(std::string_view sentence, int maxLen);

}  // namespace orvak::SentenceSplitter
