// Looking a word up in a dictionary on this computer, for the "define …" voice command.
//
// The entry comes back in one plain form, whatever the dictionary wrote it in:
//   "headword | pronunciation | part of speech 1 first sense: an example 2 second sense …"
// with the part of speech spelled out ("noun", "verb", "adjective", "adverb" …), the senses
// numbered, and a sense's first example after a colon. Either of the first two fields may be
// empty. Definition::spoken reads this form.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvak::platform {

class Dictionary {
 public:
  virtual ~Dictionary() = default;
  // The entry for `word` (matched without regard to case), or nothing. Never throws: a database
  // that cannot be read is skipped with one log line and the next one is asked.
  virtual std::optional<std::string> entry(std::string_view word) = 0;
};

// Debian's dictd databases read directly: NAME.index (sorted headwords with base-64 offsets,
// searched by halves) and NAME.dict.dz (dictzip, inflated chunk by chunk; plain gzip and
// uncompressed NAME.dict are read too). `names` are asked in order; "wn" (WordNet) and "gcide"
// (the Collaborative International Dictionary) have their formats turned into the plain form.
// `log` defaults to the text log.
std::shared_ptr<Dictionary> makeDictdDictionary(std::filesystem::path folder = "/usr/share/dictd",
                                                std::vector<std::string> names = {"wn", "gcide"},
                                                std::function<void(const std::string&)> log = {});

// The plain form of one WordNet entry (as dict-wn stores it) or GCIDE entry; nothing when it
// holds no sense. Exposed for tests.
std::optional<std::string> plainFromWordNet(std::string_view entry);
std::optional<std::string> plainFromGcide(std::string_view entry);

}  // namespace orvak::platform
