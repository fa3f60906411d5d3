// What a read keeps of the window capture its text came from: the figures its timing record
// copies and the heading starts its section skips move by. The capturer fills one from each
// capture; reads of plain text (a file, a spoken answer) have none.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvak {

struct ReadCapture {
  std::string appName;
  std::optional<std::string> bundleId;
  double axWalkTotalMs = 0;  // from just before the first walk to just after the last
  std::int64_t attempts = 1;  // walks made
  double cleanMs = 0;
  std::string regionStrategy;  // the cleaned page's region strategy
  std::optional<std::string> docsSetup;
  std::int64_t score = 0;        // the cleaned page's content score
  std::vector<int> headingStarts;  // character offsets of the cleaned page's headings
  bool operator==(const ReadCapture&) const = default;
};

}  // namespace orvak
