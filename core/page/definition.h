// Turns a plain-text dictionary entry into one short sentence to read aloud: the word, its part
// of speech and its first sense, without pronunciation, examples, phrases, derived forms,
// etymology or bracketed remarks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvak::Definition {

// "word, part of speech: first sense." (or "word: first sense." when the entry names no part of
// speech); nothing when the entry leaves less than three characters of sense. `word` is used as
// given, not the dictionary's headword.
std::optional<std::string> spoken(std::string_view word, std::string_view entry);

}  // namespace orvak::Definition
