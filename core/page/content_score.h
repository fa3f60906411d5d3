// How much a cleaned page looks like readable prose, and whether it is only a block or sign-in wall.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/json_fwd.h"

namespace orvak {

struct ContentScore {
  int score = 0;                       // 0 to 100
  std::string quality;                 // "empty", "poor", "marginal", "good" or "excellent"
  std::optional<std::string> blocked;  // the block phrase found
  int length = 0;                      // characters of the trimmed text
  int sentences = 0;                   // sentence pieces longer than 20 characters
  double diversity = 0;                // distinct words / words, 3 decimals
  double navRatio = 0;                 // navigation-word matches / words, 3 decimals
  std::vector<std::string> issues;

  bool operator==(const ContentScore&) const = default;
};

void to_json(json::Json& j, const ContentScore& s);
void from_json(const json::Json& j, ContentScore& s);

namespace ContentScorer {

// Pure: depends on nothing but the text.
ContentScore score(std::string_view text);

}  // namespace ContentScorer

}  // namespace orvak
