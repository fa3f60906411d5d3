// A document the service wrote from what the user listened to and saved: paragraphs citing
// numbered sources, each source a quote from a page or a saved item.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/date.h"
#include "core/base/json_fwd.h"

namespace orvak {

struct WrittenDoc {
  struct Para {
    std::string text;
    std::vector<std::int64_t> cites;  // the `n` of the sources cited, in citing order
    bool operator==(const Para&) const = default;
  };

  struct Source {
    std::int64_t n = 0;
    std::optional<std::int64_t> itemId;  // the saved item quoted; absent for the page itself
    std::string quote;
    std::optional<std::string> note;
    std::string title;
    std::optional<std::string> url;
    bool operator==(const Source&) const = default;
  };

  std::int64_t id = 0;
  Date created;
  std::string title;
  std::string question;
  std::vector<Para> paragraphs;
  std::vector<Source> sources;

  // The paragraphs, then a "Sources:" list with one "[n] “quote” — title, url" line per source.
  std::string plain() const;

  bool operator==(const WrittenDoc&) const = default;
};

void to_json(json::Json& j, const WrittenDoc::Para& p);
void from_json(const json::Json& j, WrittenDoc::Para& p);
void to_json(json::Json& j, const WrittenDoc::Source& s);
void from_json(const json::Json& j, WrittenDoc::Source& s);
void to_json(json::Json& j, const WrittenDoc& d);
void from_json(const json::Json& j, WrittenDoc& d);

}  // namespace orvak
