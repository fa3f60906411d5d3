// Cutting an excerpt of a kept page text around the words the user searched for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvak {

// Adds one letter or number character (a grapheme) to a search word. A prepended letter such as
// U+0D4E joins with whatever follows it into one character, so a quote, a percent sign or an
// underscore can ride along behind a letter; those bytes are left out, since in a full-text
// phrase a quote ends the phrase and in a LIKE pattern the other two are wildcards.
void appendWordCharacter(std::string& word, std::string_view grapheme);

// Search terms as page search uses them: lower-cased, only letters and numbers kept, terms
// shorter than 3 characters dropped; order and duplicates kept. "Don't" gives "dont".
std::vector<std::string> normalisePageTerms(const std::vector<std::string>& terms);

// About `length` characters of `text`: around the first occurrence (in the lower-cased text) of
// the first term that occurs at all, starting a third of `length` before it and moved forward to
// just after a sentence end ('.', '!', '?', line feed) found within that third; the opening of
// the text when no term occurs. Trimmed; "…" appended when the text goes on. The matched term is
// always inside the excerpt when it is shorter than a third of `length`.
std::string pageExcerpt(std::string_view text, const std::vector<std::string>& terms, std::int32_t length);

}  // namespace orvak
