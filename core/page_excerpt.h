// Cutting an excerpt of a kept page text around the words the user searched for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvak {

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
