#include "app/library/citations.h"

#include "core/text/regex.h"

namespace orvak::citations {

std::string strip(std::string_view text) {
  static const text::Regex mark = text::Regex::cached(R"(\s*\[\d{1,3}\])");
  return mark.replaceAll(text, std::string_view(""));
}

}  // namespace orvak::citations
