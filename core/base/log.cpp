#include "core/base/log.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <system_error>

#include "core/base/dispatch.h"
#include "core/base/jsonl.h"
#include "core/base/paths.h"
#include "core/text/text.h"
#include "core/base/timing.h"

namespace orvak::Log {

namespace {

// The queue and the path are never destroyed: lines still queued when the process exits must not
// meet a destroyed path (they are simply lost, as the log promises nothing at exit).
dispatch::Queue& logQueue() {
  // Held through a pointer: the leak checker counts what a global still points to as kept.
  static auto* const queue = new std::shared_ptr<dispatch::Queue>(dispatch::makeQueue("orvak.log"));
  return **queue;
}

// Escapes C0 controls, DEL, the C1 controls (U+0085 among them; U+009B starts terminal escape
// sequences), and the Unicode line breaks U+2028 and U+2029.
std::string escapeControls(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", c);
      out += buf;
    } else if (const auto next = i + 1 < in.size() ? static_cast<unsigned char>(in[i + 1]) : 0;
               c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04X", next);
      out += buf;
      ++i;
    } else if (c == 0xE2 && i + 2 < in.size() && static_cast<unsigned char>(in[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(in[i + 2]) == 0xA8 || static_cast<unsigned char>(in[i + 2]) == 0xA9)) {
      out += static_cast<unsigned char>(in[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

void writeToStderr(const std::string& line) {
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

void rotateIfLarge(std::size_t incoming) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(url(), ec);
  if (ec || size + incoming <= kRotateBytes) return;
  std::filesystem::path old = url();
  old += ".1";
  std::filesystem::rename(url(), old, ec);
}

}  // namespace

const std::filesystem::path& url() {
  static const std::filesystem::path& value = *new std::filesystem::path(OrvakPaths::logs() / "orvak.log");
  return value;
}

std::string formatLine(std::string_view message, std::int64_t millisSinceEpoch) {
  return "[" + Timestamp::formatMillis(millisSinceEpoch) + "] " + escapeControls(text::repairUtf8(message));
}

void write(std::string_view message) {
  std::string line = formatLine(message, dispatch::wallMillis());
  line.push_back('\n');
  logQueue().async([line = std::move(line)] {
    writeToStderr(line);
    try {
      rotateIfLarge(line.size());
      JSONL::appendBytes(line, url());
    } catch (...) {
      // The log cannot report its own failures; the next line tries again from the start.
    }
  });
}

void flush() {
  if (logQueue().isCurrent()) return;
  logQueue().sync([] {});
}

std::string whole(double v) {
  if (!std::isfinite(v)) return "0";
  if (v >= 9.2e18) return std::to_string(std::numeric_limits<long long>::max());
  if (v <= -9.2e18) return std::to_string(std::numeric_limits<long long>::min());
  return std::to_string(static_cast<long long>(v));
}

}  // namespace orvak::Log
