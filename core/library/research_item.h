// One thing the user kept while listening (a highlighted passage or a spoken note), and the
// interface every store of such items offers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/date.h"
#include "core/base/json_fwd.h"

namespace orvak {

struct ResearchItem {
  enum class Kind { highlight, note };

  Date ts;
  Kind kind = Kind::highlight;
  std::string quote;
  std::optional<std::string> note;
  std::string transcript;
  std::string app;
  std::string windowTitle;
  std::optional<std::string> url;
  // The sentence's number in the page; orders a page's items.
  std::optional<std::int64_t> sentenceIndex;
  std::string engine;

  bool operator==(const ResearchItem&) const = default;
};

// "highlight" / "note".
std::string_view rawValue(ResearchItem::Kind kind);
// Any other text gives nothing.
std::optional<ResearchItem::Kind> kindFromRaw(std::string_view raw);

// Keys equal the field names; "note", "url" and "sentenceIndex" are left out when absent and
// every other key is required; "ts" is an ISO-8601 date; unknown keys are ignored.
void to_json(json::Json& j, const ResearchItem& item);
void from_json(const json::Json& j, ResearchItem& item);

// Where the voice commands keep research items: the notes database when it opened, otherwise the
// line file. Implementations are safe to call from any thread.
class ResearchStore {
 public:
  virtual ~ResearchStore() = default;
  // Keeps the item for good, or throws the implementation's error.
  virtual void save(const ResearchItem& item) = 0;
  // At most `limit` items, the most recently saved first. Never throws.
  virtual std::vector<ResearchItem> recent(std::size_t limit) = 0;
};

// One line of a research file, or nothing when it does not decode as an item.
std::optional<ResearchItem> decodeResearchLine(std::string_view line);

// Splits raw file bytes at line feeds and decodes each non-empty line on its own, so one damaged
// line (bad JSON, bad UTF-8, unknown kind, missing key) costs only itself. Lines in file order.
std::vector<ResearchItem> decodeResearchLines(std::string_view bytes);

}  // namespace orvak
