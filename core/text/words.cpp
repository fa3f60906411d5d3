#include "core/text/words.h"

namespace orvak {

std::vector<WordRun> wordRuns(std::string_view s) {
  std::vector<WordRun> out;
  std::size_t startByte = 0;
  int32_t startG = 0;
  int32_t g = 0;
  bool inWord = false;
  const auto close = [&](std::size_t endByte) {
    out.push_back({s.substr(startByte, endByte - startByte), {startG, g}});
  };
  for (const std::string_view c : text::graphemes(s)) {
    const auto at = static_cast<std::size_t>(c.data() - s.data());
    const bool white = text::isWhitespace(c);
    if (inWord && white) close(at);
    if (!inWord && !white) {
      startByte = at;
      startG = g;
    }
    inWord = !white;
    ++g;
  }
  if (inWord) close(s.size());
  return out;
}

std::vector<std::string_view> splitAtWhitespace(std::string_view s) {
  std::vector<std::string_view> out;
  for (const auto& run : wordRuns(s)) out.push_back(run.text);
  return out;
}

}  // namespace orvak
