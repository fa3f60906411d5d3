#include "platform/linux/atspi_text_runs.h"

#include "core/text/text.h"

namespace orvak::atspi {

namespace {

constexpr char32_t kObjectReplacement = 0xFFFC;

bool blank(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const char32_t c = text::nextScalar(s, i);
    if (!(c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x85 || c == 0x2028 || c == 0x2029)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<TextPiece> splitTextRuns(std::string_view text, std::int64_t childCount) {
  std::vector<TextPiece> pieces;
  std::int64_t embedded = 0;
  std::size_t i = 0;
  std::int64_t cp = 0;
  std::int64_t runStart = 0;
  std::size_t runByte = 0;
  auto closeRun = [&](std::size_t byteEnd) {
    const std::string_view run = text.substr(runByte, byteEnd - runByte);
    if (!run.empty() && !blank(run)) pieces.push_back({true, runStart, cp, std::string(run), -1});
  };
  while (i < text.size()) {
    const std::size_t at = i;
    const char32_t c = text::nextScalar(text, i);
    if (c == kObjectReplacement) {
      closeRun(at);
      pieces.push_back({false, 0, 0, {}, embedded++});
      runStart = cp + 1;
      runByte = i;
    }
    ++cp;
  }
  closeRun(text.size());
  if (embedded == 0 || embedded != childCount) return {};
  return pieces;
}

std::string withoutEmbeddedObjects(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char32_t c = text::nextScalar(text, i);
    if (c != kObjectReplacement) text::appendUtf8(out, c);
  }
  return out;
}

}  // namespace orvak::atspi
