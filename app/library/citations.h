// Citation marks in answers and documents: bracketed decimal numbers of one to three digits,
// "[3]". Removed wherever text is read aloud, copied or exported with its own source list.
#pragma once

#include <string>
#include <string_view>

namespace orvak::citations {

// Every mark with the white space before it: "rose [2] [3]." -> "rose.". "[1234]" is not a mark.
std::string strip(std::string_view text);

}  // namespace orvak::citations
