#include "core/library/position_store.h"
#include "core/base/json.h"
#include "core/base/read_file.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/page/clean_result.h"
#include "core/base/dispatch.h"
#include "core/base/log.h"
#include "core/base/paths.h"
#include "core/page/privacy.h"
#include "core/text/text.h"

namespace orvak {

namespace fs = std::filesystem;

// ---- ReadPosition ----

ReadPosition ReadPosition::make(std::string_view sentence, std::string_view startSnippet, Date savedAt) {
  const std::string_view probe = text::graphemePrefix(sentence, PositionStore::probeChars);
  return ReadPosition{Privacy::digest(probe), text::graphemeCount(probe), Privacy::digest(startSnippet), savedAt};
}

void fields(json::Record<ReadPosition> auto& p, auto&& f) {
  f("sentenceDigest", p.sentenceDigest);
  f("sentenceProbeChars", p.sentenceProbeChars);
  f("startDigest", p.startDigest);
  f("savedAt", p.savedAt);
}

void to_json(json::Json& j, const ReadPosition& p) { json::writeFields(j, p); }
void from_json(const json::Json& j, ReadPosition& p) { json::readFields(j, p); }

// ---- Static rules ----

fs::path PositionStore::defaultURL() { return OrvakPaths::support() / "positions.json"; }

std::string PositionStore::snippet(std::string_view text, std::int64_t at) {
  const auto start = static_cast<std::int32_t>(std::clamp<std::int64_t>(at, 0, INT32_MAX));
  return std::string(text::graphemeSubstring(text, start, snippetChars));
}

namespace {

bool isPunctuation(std::string_view grapheme) {
  const auto c = text::firstScalar(grapheme);
  return c && u_ispunct(static_cast<UChar32>(*c));
}

// What the word-start rule needs to know of one character.
struct CharClass {
  bool space = false;
  bool breaksWord = false;  // white space or punctuation: the next character may start a word
};

// Page text is mostly ASCII: single-byte characters come from a table made once with the same
// Unicode rules as every other character.
CharClass classify(std::string_view grapheme) {
  static const auto ascii = [] {
    std::array<CharClass, 128> table{};
    for (int c = 0; c < 128; ++c) {
      const char ch = static_cast<char>(c);
      const std::string_view g(&ch, 1);
      table[c].space = text::isWhitespace(g);
      table[c].breaksWord = table[c].space || isPunctuation(g);
    }
    return table;
  }();
  if (grapheme.size() == 1 && static_cast<unsigned char>(grapheme[0]) < 128) {
    return ascii[static_cast<unsigned char>(grapheme[0])];
  }
  const bool space = text::isWhitespace(grapheme);
  return CharClass{space, space || isPunctuation(grapheme)};
}

}  // namespace

std::optional<std::int64_t> PositionStore::resumeOffset(const std::optional<ReadPosition>& saved,
                                                        std::string_view text, const ReadStart& start, Date now) {
  if (!saved) return std::nullopt;
  if (now.sinceEpoch - saved->savedAt.sinceEpoch >= maxAge) return std::nullopt;
  const std::int64_t p = saved->sentenceProbeChars;
  if (p < 8) return std::nullopt;
  if (start.reason == ReadStart::Reason::cursor && Privacy::digest(snippet(text, start.offset)) != saved->startDigest) {
    return std::nullopt;
  }

  // One pass builds the character boundaries; every candidate is then digested straight from the
  // text's bytes, so no substring is built per position.
  const text::GraphemeMap map(text);
  const std::int64_t n = map.count();
  if (n < p) return std::nullopt;
  const auto at = [&](std::int64_t g) { return static_cast<std::size_t>(map.utf8Offset(static_cast<int32_t>(g))); };
  const auto grapheme = [&](std::int64_t g) { return text.substr(at(g), at(g + 1) - at(g)); };

  bool previousBreaks = true;  // position 0 is always a word start
  for (std::int64_t i = 0; i + p <= n; ++i) {
    const CharClass here = classify(grapheme(i));
    if (previousBreaks && !here.space &&
        Privacy::digest(text.substr(at(i), at(i + p) - at(i))) == saved->sentenceDigest) {
      return i > start.offset ? std::optional<std::int64_t>(i) : std::nullopt;
    }
    previousBreaks = here.breaksWord;
  }
  return std::nullopt;
}

// ---- The store ----

PositionStore::PositionStore(fs::path url) : url_(std::move(url)) { load(); }

void PositionStore::load() {
  const auto file = readFile(url_);
  if (file.status == FileContents::Status::missing) return;  // no file yet: start empty
  if (!file.ok()) {
    // What we could not read we must not write over: the file stays as it is, and this
    // session's positions live in memory only.
    writable_ = false;
    Log::write("positions: cannot read " + url_.filename().string() + " (" + file.error +
               "); positions will not be saved this session");
    return;
  }

  json::Json root;
  try {
    root = json::parse(file.bytes);
  } catch (const json::DecodeError&) {
  }
  if (!root.is_object()) {
    // Kept for a person to look at rather than deleted; the store starts afresh.
    const fs::path aside = url_.string() + ".unreadable-" + std::to_string(dispatch::wallMillis());
    std::error_code ec;
    fs::rename(url_, aside, ec);
    Log::write("positions: " + url_.filename().string() + " is not readable as positions; " +
               (ec ? "could not move it aside (" + ec.message() + ")" : "moved to " + aside.filename().string()));
    return;
  }
  // One damaged entry costs only itself.
  for (const auto& [digestKey, value] : root.items()) {
    try {
      entries_.emplace(digestKey, value.get<ReadPosition>());
    } catch (const std::exception&) {
    }
  }
}

std::optional<ReadPosition> PositionStore::get(std::string_view key) const {
  const std::string k = Privacy::digest(key);
  std::lock_guard guard(lock_);
  const auto it = entries_.find(k);
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

void PositionStore::save(std::string_view key, const ReadPosition& position) {
  const std::string k = Privacy::digest(key);
  Entries copy;
  std::uint64_t generation;
  {
    std::lock_guard guard(lock_);
    entries_[k] = position;
    if (entries_.size() > maxEntries) {
      std::vector<Entries::iterator> order;
      for (auto it = entries_.begin(); it != entries_.end(); ++it) order.push_back(it);
      std::sort(order.begin(), order.end(),
                [](const auto& a, const auto& b) { return a->second.savedAt < b->second.savedAt; });
      const std::size_t excess = entries_.size() - maxEntries;
      for (std::size_t i = 0; i < excess; ++i) entries_.erase(order[i]);
    }
    copy = entries_;
    generation = ++generation_;
  }
  writeFile(copy, generation);
}

void PositionStore::remove(std::string_view key) {
  const std::string k = Privacy::digest(key);
  Entries copy;
  std::uint64_t generation;
  {
    std::lock_guard guard(lock_);
    if (entries_.erase(k) == 0) return;
    copy = entries_;
    generation = ++generation_;
  }
  writeFile(copy, generation);
}

std::size_t PositionStore::size() const {
  std::lock_guard guard(lock_);
  return entries_.size();
}

void PositionStore::writeFile(const Entries& copy, std::uint64_t generation) {
  std::string bytes;
  try {
    json::Json root = json::Json::object();
    for (const auto& [k, v] : copy) root[k] = v;
    bytes = json::dump(root);
  } catch (const std::exception&) {
    return;  // nothing written; the next save tries again with the entries in memory
  }
  std::lock_guard guard(fileLock_);
  if (!writable_) return;
  // Two threads may reach here out of order; a copy older than the one on disk is dropped.
  if (generation <= writtenGeneration_) return;
  try {
    writeFileAtomically(url_, bytes);
    writtenGeneration_ = generation;
  } catch (const std::exception&) {
    // Ignored: the entries stay current in memory and the next save writes them again.
  }
}

}  // namespace orvak
