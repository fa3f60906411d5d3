#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <stdexcept>

#include "core/base/log.h"
#include "platform/dictionary.h"

namespace orvak::platform {
namespace {

// Bounds on what a database may make us read or hold.
constexpr std::uintmax_t kMaxIndexBytes = 64u << 20;
constexpr std::uint64_t kMaxEntryBytes = 1u << 20;
constexpr std::uint64_t kMaxInflatedBytes = 256u << 20;

struct Damaged : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string lowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// dictd's base-64 numbers: "A" is 0, "/" is 63, most significant digit first.
std::optional<std::uint64_t> base64Number(std::string_view s) {
  static constexpr std::string_view digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (s.empty() || s.size() > 7) return std::nullopt;  // 42 bits: past any real database
  std::uint64_t v = 0;
  for (char c : s) {
    const auto d = digits.find(c);
    if (d == std::string_view::npos) return std::nullopt;
    v = v * 64 + d;
  }
  return v;
}

std::string readFile(const std::filesystem::path& path, std::uintmax_t limit) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) throw Damaged("cannot read " + path.string());
  if (size > limit) throw Damaged(path.string() + " is too large");
  std::ifstream in(path, std::ios::binary);
  std::string bytes(size, '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) throw Damaged("cannot read " + path.string());
  return bytes;
}

// The text of a dictzip file, or of a plain gzip one, a chunk at a time.
class DictData {
 public:
  virtual ~DictData() = default;
  virtual std::string read(std::uint64_t offset, std::uint64_t length) = 0;
};

class PlainData final : public DictData {
 public:
  explicit PlainData(std::string text) : text_(std::move(text)) {}
  std::string read(std::uint64_t offset, std::uint64_t length) override {
    if (offset > text_.size() || length > text_.size() - offset) throw Damaged("entry past the end of the text");
    return text_.substr(offset, length);
  }

 private:
  std::string text_;
};

std::string inflateAll(std::string_view in, int windowBits, std::uint64_t limit) {
  z_stream z{};
  if (inflateInit2(&z, windowBits) != Z_OK) throw Damaged("zlib would not start");
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  std::string out;
  char buf[1 << 15];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_SYNC_FLUSH);
    out.append(buf, sizeof buf - z.avail_out);
    if (out.size() > limit) {
      inflateEnd(&z);
      throw Damaged("inflates past its bound");
    }
    if (rc == Z_BUF_ERROR && z.avail_in == 0) break;  // a chunk ends on a flush, not a stream end
  }
  inflateEnd(&z);
  if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw Damaged("does not inflate");
  return out;
}

class DictzipData final : public DictData {
 public:
  DictzipData(std::string file, std::uint64_t chunkLength, std::vector<std::uint64_t> starts)
      : file_(std::move(file)), chunkLength_(chunkLength), starts_(std::move(starts)) {}

  std::string read(std::uint64_t offset, std::uint64_t length) override {
    if (chunkLength_ == 0) throw Damaged("empty chunks");
    const std::uint64_t first = offset / chunkLength_;
    const std::uint64_t last = (offset + std::max<std::uint64_t>(length, 1) - 1) / chunkLength_;
    if (last + 1 >= starts_.size()) throw Damaged("entry past the last chunk");
    std::string text;
    for (std::uint64_t c = first; c <= last; ++c) {
      const std::string_view raw(file_.data() + starts_[c], starts_[c + 1] - starts_[c]);
      text += inflateAll(raw, -MAX_WBITS, chunkLength_);
    }
    const std::uint64_t skip = offset - first * chunkLength_;
    if (skip > text.size() || length > text.size() - skip) throw Damaged("entry past the end of its chunks");
    return text.substr(skip, length);
  }

 private:
  std::string file_;
  std::uint64_t chunkLength_;
  std::vector<std::uint64_t> starts_;  // byte offsets of each chunk, then the end
};

std::uint16_t le16(const std::string& b, std::size_t at) {
  if (at + 2 > b.size()) throw Damaged("header cut short");
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}

std::unique_ptr<DictData> openData(const std::filesystem::path& folder, const std::string& name) {
  const auto dz = folder / (name + ".dict.dz");
  if (!std::filesystem::exists(dz))
    return std::make_unique<PlainData>(readFile(folder / (name + ".dict"), kMaxInflatedBytes));
  std::string b = readFile(dz, kMaxInflatedBytes);
  if (b.size() < 10 || static_cast<unsigned char>(b[0]) != 0x1f || static_cast<unsigned char>(b[1]) != 0x8b ||
      b[2] != 8)
    throw Damaged(dz.string() + " is not gzip");
  const auto flags = static_cast<unsigned char>(b[3]);
  std::size_t at = 10;
  std::uint64_t chunkLength = 0;
  std::vector<std::uint64_t> sizes;
  if (flags & 4) {  // extra field: dictzip's "RA" subfield lists the chunks
    const std::size_t xlen = le16(b, at);
    at += 2;
    const std::size_t end = at + xlen;
    if (end > b.size()) throw Damaged("extra field cut short");
    while (at + 4 <= end) {
      const char si1 = b[at], si2 = b[at + 1];
      const std::size_t len = le16(b, at + 2);
      const std::size_t data = at + 4;
      if (data + len > end) throw Damaged("extra subfield cut short");
      if (si1 == 'R' && si2 == 'A' && len >= 6) {
        chunkLength = le16(b, data + 2);
        const std::size_t count = le16(b, data + 4);
        if (6 + 2 * count > len) throw Damaged("chunk list cut short");
        for (std::size_t i = 0; i < count; ++i) sizes.push_back(le16(b, data + 6 + 2 * i));
      }
      at = data + len;
    }
    at = end;
  }
  const auto skipZeroTerminated = [&] {
    const auto zero = b.find('\0', at);
    if (zero == std::string::npos) throw Damaged("header name cut short");
    at = zero + 1;
  };
  if (flags & 8) skipZeroTerminated();
  if (flags & 16) skipZeroTerminated();
  if (flags & 2) at += 2;
  if (at > b.size()) throw Damaged("header cut short");
  if (sizes.empty()) return std::make_unique<PlainData>(inflateAll(b, 16 + MAX_WBITS, kMaxInflatedBytes));
  std::vector<std::uint64_t> starts{at};
  for (auto s : sizes) starts.push_back(starts.back() + s);
  if (starts.back() > b.size()) throw Damaged("chunks past the end of the file");
  return std::make_unique<DictzipData>(std::move(b), chunkLength, std::move(starts));
}

// One database: its index lines, held once read, and its text.
class Database {
 public:
  Database(std::filesystem::path folder, std::string name) : folder_(std::move(folder)), name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  bool present() const { return std::filesystem::exists(folder_ / (name_ + ".index")); }

  std::optional<std::string> lookup(std::string_view word) {
    load();
    const std::string key = keyOf(word);
    if (key.empty()) return std::nullopt;
    // First line whose key is not below the word's.
    std::size_t lo = 0, hi = lines_.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (keyOf(headword(mid)) < key) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    std::optional<std::size_t> found;
    for (std::size_t i = lo; i < lines_.size() && keyOf(headword(i)) == key; ++i) {
      if (!found) found = i;
      if (lowerAscii(headword(i)) == lowerAscii(word)) {
        found = i;
        break;
      }
    }
    if (!found) return std::nullopt;
    const std::string_view line = lines_[*found];
    const auto t1 = line.find('\t');
    const auto t2 = line.find('\t', t1 + 1);
    if (t1 == std::string_view::npos || t2 == std::string_view::npos) throw Damaged("index line without offsets");
    const auto t3 = line.find('\t', t2 + 1);
    const auto offset = base64Number(line.substr(t1 + 1, t2 - t1 - 1));
    const auto length =
        base64Number(line.substr(t2 + 1, t3 == std::string_view::npos ? std::string_view::npos : t3 - t2 - 1));
    if (!offset || !length || *length > kMaxEntryBytes) throw Damaged("index offsets do not read");
    if (!data_) data_ = openData(folder_, name_);
    return data_->read(*offset, *length);
  }

 private:
  void load() {
    if (loaded_) return;
    index_ = readFile(folder_ / (name_ + ".index"), kMaxIndexBytes);
    std::size_t at = 0;
    while (at < index_.size()) {
      auto nl = index_.find('\n', at);
      if (nl == std::string::npos) nl = index_.size();
      if (nl > at) lines_.emplace_back(index_.data() + at, nl - at);
      at = nl + 1;
    }
    allChars_ = std::any_of(lines_.begin(), lines_.end(),
                            [](std::string_view l) { return l.starts_with("00-database-allchars\t"); });
    loaded_ = true;
  }

  std::string_view headword(std::size_t i) const {
    const std::string_view l = lines_[i];
    return l.substr(0, l.find('\t'));
  }

  // How the database sorted its headwords: byte order of the lower-cased word when it was made
  // with all characters, else only letters, digits and spaces count.
  std::string keyOf(std::string_view s) const {
    std::string out;
    for (char c : s) {
      const auto u = static_cast<unsigned char>(c);
      if (allChars_ || std::isalnum(u) || u == ' ' || u >= 0x80) out += static_cast<char>(std::tolower(u));
    }
    return out;
  }

  std::filesystem::path folder_;
  std::string name_;
  bool loaded_ = false;
  bool allChars_ = false;
  std::string index_;
  std::vector<std::string_view> lines_;
  std::unique_ptr<DictData> data_;
};

class DictdDictionary final : public Dictionary {
 public:
  DictdDictionary(std::filesystem::path folder, std::vector<std::string> names,
                  std::function<void(const std::string&)> log)
      : log_(std::move(log)) {
    for (auto& n : names) dbs_.push_back({Database(folder, n), false});
  }

  std::optional<std::string> entry(std::string_view word) override {
    std::lock_guard lock(mutex_);
    for (auto& [db, broken] : dbs_) {
      if (broken || !db.present()) continue;
      try {
        const auto raw = db.lookup(word);
        if (!raw) continue;
        const auto plain = db.name() == "gcide" ? plainFromGcide(*raw) : plainFromWordNet(*raw);
        if (plain) return plain;
      } catch (const std::exception& e) {
        broken = true;  // asked again, it would fail again
        log_("dictionary: " + db.name() + " skipped: " + e.what());
      }
    }
    return std::nullopt;
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<Database, bool>> dbs_;
  std::function<void(const std::string&)> log_;
};

// Words of `s` split at white space.
std::vector<std::string> words(std::string_view s) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!cur.empty()) out.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(std::move(cur));
  return out;
}

std::string joined(const std::vector<std::string>& w, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) {
    if (!out.empty()) out += ' ';
    out += w[i];
  }
  return out;
}

// "12:" or "12." gives 12.
std::optional<int> senseNumber(std::string_view token, char mark) {
  if (token.size() < 2 || token.size() > 4 || token.back() != mark) return std::nullopt;
  int n = 0;
  for (char c : token.substr(0, token.size() - 1)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string trimmed(std::string s) {
  const auto a = s.find_first_not_of(" ;,");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" ;,") - a + 1);
}

}  // namespace

std::optional<std::string> plainFromWordNet(std::string_view entry) {
  const auto nl = entry.find('\n');
  const std::string head = trimmed(std::string(entry.substr(0, nl)));
  if (nl == std::string_view::npos) return std::nullopt;
  const auto w = words(entry.substr(nl + 1));
  static const std::vector<std::pair<std::string_view, std::string_view>> parts{
      {"n", "noun"}, {"v", "verb"}, {"adj", "adjective"}, {"adv", "adverb"}};

  std::string out = head + " |  |";
  int expect = 0;  // the next sense number within the current part of speech
  std::size_t senseStart = 0;
  bool any = false;
  const auto closeSense = [&](std::size_t end) {
    if (expect == 0 || senseStart >= end) return;
    std::string text = joined(w, senseStart, end);
    // "definition; "example"; "another" [syn: …]": the first example goes after a colon.
    std::string def = text, example;
    if (const auto q = text.find("; \""); q != std::string::npos) {
      def = text.substr(0, q);
      const auto close = text.find('"', q + 3);
      if (close != std::string::npos) example = text.substr(q + 3, close - q - 3);
    }
    if (const auto b = def.find(" [syn:"); b != std::string::npos) def.erase(b);
    if (const auto b = def.find(" [ant:"); b != std::string::npos) def.erase(b);
    def = trimmed(def);
    if (def.empty()) return;
    out += " " + std::to_string(expect - 1) + " " + def;
    if (!example.empty()) out += ": " + example;
    any = true;
  };
  for (std::size_t i = 0; i < w.size(); ++i) {
    // A part of speech opens with its first sense: "n 1:", "adj 1:".
    if (i + 1 < w.size() && senseNumber(w[i + 1], ':') == 1) {
      const auto part = std::find_if(parts.begin(), parts.end(), [&](const auto& p) { return p.first == w[i]; });
      if (part != parts.end()) {
        closeSense(i);
        out += " " + std::string(part->second);
        expect = 2;
        senseStart = i + 2;
        ++i;
        continue;
      }
    }
    if (expect > 0 && senseNumber(w[i], ':') == expect) {
      closeSense(i);
      ++expect;
      senseStart = i + 1;
    }
  }
  closeSense(w.size());
  if (!any) return std::nullopt;
  return out;
}

std::optional<std::string> plainFromGcide(std::string_view entry) {
  // "Headword \\pro*nun"ci*a*tion\\, n. [etymology …]" then the senses, "1. …" "2. …" or one
  // unnumbered paragraph, with "[…]" remarks anywhere (sources, fields).
  const auto nl = entry.find('\n');
  const std::string first(entry.substr(0, nl));
  std::string head = first, pron;
  std::string rest = nl == std::string_view::npos ? std::string() : std::string(entry.substr(nl));
  if (const auto a = first.find(" \\"); a != std::string::npos) {
    head = first.substr(0, a);
    const auto b = first.find('\\', a + 2);
    if (b == std::string::npos) return std::nullopt;
    pron = first.substr(a + 2, b - a - 2);
    rest = first.substr(b + 1) + rest;
  }
  std::string plain;
  int depth = 0;
  for (char c : rest) {
    if (c == '[') ++depth;
    if (depth == 0) plain += c;
    if (c == ']' && depth > 0) --depth;
  }
  auto w = words(plain);
  static const std::vector<std::pair<std::string_view, std::string_view>> parts{
      {"n.", "noun"},      {"v.", "verb"},           {"a.", "adjective"},      {"adj.", "adjective"},
      {"adv.", "adverb"},  {"prep.", "preposition"}, {"conj.", "conjunction"}, {"interj.", "exclamation"},
      {"pron.", "pronoun"}};
  static const std::vector<std::string_view> marks{",", "&", "t.", "i.", "pl.", "sing.", "p.", "p.p.", "imp."};
  std::string part;
  std::size_t start = 0;
  for (; start < w.size(); ++start) {
    std::string token = w[start];
    if (token.size() > 1 && token.front() == ',') token.erase(0, 1);
    const auto known = std::find_if(parts.begin(), parts.end(), [&](const auto& p) { return p.first == token; });
    if (known != parts.end()) {
      if (part.empty()) part = known->second;
      continue;
    }
    if (std::find(marks.begin(), marks.end(), token) == marks.end()) break;
  }
  std::string senses;
  int expect = 1;
  bool numbered = false;
  for (std::size_t i = start; i <= w.size(); ++i) {
    const bool next = i < w.size() && senseNumber(w[i], '.') == expect;
    if (i == w.size() || next) {
      std::string text = trimmed(joined(w, start, i));
      // Senses end in a full stop; the spoken form adds its own.
      while (!text.empty() && text.back() == '.') text.pop_back();
      if (!text.empty() && (numbered || i == w.size())) {
        senses += " " + std::to_string(numbered ? expect - 1 : 1) + " " + text;
      }
      if (next) {
        numbered = true;
        ++expect;
        start = i + 1;
      }
    }
  }
  if (senses.empty()) return std::nullopt;
  return trimmed(head) + " | " + pron + " | " + part + senses;
}

std::shared_ptr<Dictionary> makeDictdDictionary(std::filesystem::path folder, std::vector<std::string> names,
                                                std::function<void(const std::string&)> log) {
  if (!log) log = [](const std::string& line) { Log::write(line); };
  return std::make_shared<DictdDictionary>(std::move(folder), std::move(names), std::move(log));
}

}  // namespace orvak::platform
