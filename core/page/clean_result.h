// The cleaned text of one window, where it came from, what was dropped and where reading starts.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/page/content_score.h"
#include "core/base/json_fwd.h"

namespace orvak {

// A stretch [start, end) of the clean text and the node it came from. Offsets count characters
// (grapheme clusters) of the clean text.
struct TextSpan {
  int node = 0;
  int start = 0;
  int end = 0;
  bool operator==(const TextSpan&) const = default;
};

struct ReadStart {
  enum class Reason { top, viewport, cursor };

  int offset = 0;
  Reason reason = Reason::top;
  std::optional<int> visibleParagraphs;  // present when on-screen positions were known

  // The paragraph count takes part: both absent, or both present and equal.
  bool operator==(const ReadStart&) const = default;
};

const char* reasonName(ReadStart::Reason reason);
// Throws json::DecodeError for any other name.
ReadStart::Reason reasonFromName(const std::string& name);

struct CleanResult {
  std::string text;
  int chars = 0;
  std::string region = "none";
  std::optional<int> regionNodeId;
  std::string regionStrategy = "window";
  std::map<std::string, int> droppedCharsByReason;
  std::map<std::string, int> droppedPiecesByReason;
  int keptPieces = 0;
  ContentScore score;
  ReadStart start;
  std::vector<std::array<int, 2>> visibleSpans;
  std::vector<TextSpan> spans;
  std::vector<int> headingStarts;

  // Whether the character at `offset` is on screen; absent when nothing is known to be.
  std::optional<bool> onScreen(int offset) const;

  bool operator==(const CleanResult&) const = default;
};

void to_json(json::Json& j, const TextSpan& s);
void from_json(const json::Json& j, TextSpan& s);
void to_json(json::Json& j, const ReadStart& s);
void from_json(const json::Json& j, ReadStart& s);
void to_json(json::Json& j, const CleanResult& r);
void from_json(const json::Json& j, CleanResult& r);

}  // namespace orvak
