// Reading positions: where a read stopped on a page, so the next read of the same page can pick
// up there. Kept in "positions.json" as digests only; no page text is ever stored.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/date.h"
#include "core/base/json_fwd.h"

namespace orvak {

struct ReadStart;

struct ReadPosition {
  std::string sentenceDigest;  // digest of the first (at most 60) characters of the stop sentence
  std::int64_t sentenceProbeChars = 0;  // how many characters went into it
  std::string startDigest;  // digest of the 80-character snippet where that read had started
  Date savedAt;

  // The position for a read that stopped in `sentence` after starting at `startSnippet`.
  static ReadPosition make(std::string_view sentence, std::string_view startSnippet, Date savedAt);

  bool operator==(const ReadPosition&) const = default;
};

void to_json(json::Json& j, const ReadPosition& p);
void from_json(const json::Json& j, ReadPosition& p);

class PositionStore {
 public:
  static constexpr std::size_t maxEntries = 300;
  static constexpr double maxAge = 1'209'600;  // 14 days: older positions are not resumed
  static constexpr int snippetChars = 80;
  static constexpr int probeChars = 60;

  // The support folder's "positions.json".
  static std::filesystem::path defaultURL();

  // The page key: the address before its first "#" when there is a non-empty address; else
  // `middle` + "|" + the window title when both are present and the title is not empty; else
  // none. Reading positions pass the bundle identifier as `middle`, the library the app name.
  static std::optional<std::string> key(const std::optional<std::string_view>& url,
                                        const std::optional<std::string_view>& middle,
                                        const std::optional<std::string_view>& windowTitle) {
    if (url && !url->empty()) return std::string(url->substr(0, url->find('#')));
    if (middle && windowTitle && !windowTitle->empty()) return std::string(*middle) + "|" + std::string(*windowTitle);
    return std::nullopt;
  }
  // Up to 80 characters of `text` from character `at` ("" at or past the end).
  static std::string snippet(std::string_view text, std::int64_t at);

  // Where to start reading `text` to resume at `saved`, or nothing: too old, a probe too short
  // to trust, a cursor start whose snippet changed, the sentence not found at a word start, or
  // found at or before where reading starts anyway. `start` is the page's own start.
  static std::optional<std::int64_t> resumeOffset(const std::optional<ReadPosition>& saved, std::string_view text,
                                                  const ReadStart& start, Date now);

  // Loads the file. A missing file gives no entries; entries that do not decode are skipped; a
  // file that is not a JSON object at all is moved aside (with a log line). A file that is there
  // but cannot be read is left alone and nothing is saved this session (with a log line).
  explicit PositionStore(std::filesystem::path url);

  std::optional<ReadPosition> get(std::string_view key) const;
  // Stores the position (keeping the 300 most recently saved) and rewrites the file.
  void save(std::string_view key, const ReadPosition& position);
  // Forgets the key's position; rewrites the file only when there was one.
  void remove(std::string_view key);

  const std::filesystem::path& url() const { return url_; }
  std::size_t size() const;

 private:
  using Entries = std::map<std::string, ReadPosition>;
  void load();
  // Writes a copy taken under the lock; skips it when a newer copy was written meanwhile.
  void writeFile(const Entries& copy, std::uint64_t generation);

  std::filesystem::path url_;
  Entries entries_;  // by the digest of the page key
  std::uint64_t generation_ = 0;
  mutable std::mutex lock_;
  std::mutex fileLock_;  // orders file writes; never held together with lock_
  std::uint64_t writtenGeneration_ = 0;
  bool writable_ = true;  // set once in load()
};

}  // namespace orvak
