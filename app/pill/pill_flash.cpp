// The short messages of the pill, as a table: the first row whose test matches a text decides
// what it shows and how long it stays.
#include <array>
#include <string_view>

#include "app/pill/pill.h"
#include "core/text/text.h"

namespace orvak {
namespace {

using FlashKind = PillState::Kind;

enum class Test { beginsWith, equals, any };
// How a row builds a text: a fixed one, the message itself, the message without its last
// character, the message after the matched beginning, or the note in quotes.
enum class From { fixed, message, dropLast, afterMatch, quotedNote };

struct Part {
  From from;
  const char* fixed = "";
};

struct Row {
  Test test;
  std::array<const char*, 4> texts;  // any one of them matches; unused slots are null
  FlashKind kind;
  Part state;
  Part sub;
  std::optional<double> seconds;
  bool counts = false;
};

const Row kRows[] = {
    {Test::beginsWith, {"Listening"}, FlashKind::listening, {From::fixed, "Listening…"}, {From::fixed}, std::nullopt},
    {Test::beginsWith, {"Highlighted"}, FlashKind::saved, {From::fixed, "Highlighted"}, {From::fixed, "Saved to your notes"},
     1.6, true},
    {Test::beginsWith, {"Note saved"}, FlashKind::saved, {From::fixed, "Note saved"}, {From::quotedNote}, 2.2, true},
    {Test::equals, {"Skipping ahead", "Going back", "Resuming", "From the top"}, FlashKind::info, {From::message},
     {From::fixed}, 1.1},
    {Test::equals, {"Thinking…", "Summarizing…"}, FlashKind::working, {From::dropLast}, {From::fixed}, std::nullopt},
    {Test::beginsWith, {"Answer: "}, FlashKind::info, {From::fixed, "Orvak"}, {From::afterMatch}, std::nullopt},
    {Test::equals, {"Keep reading?"}, FlashKind::listening, {From::fixed, "Keep reading?"},
     {From::fixed, "Say yes, or ask another question"}, 6.0},
    {Test::equals, {"Read it?"}, FlashKind::listening, {From::fixed, "Read it to you?"},
     {From::fixed, "Say yes, or ask something else"}, 6.0},
    {Test::beginsWith, {"Paused · "}, FlashKind::info, {From::fixed, "Paused"}, {From::afterMatch}, 3.0},
    {Test::beginsWith, {"Couldn't"}, FlashKind::warn, {From::message}, {From::fixed}, 2.8},
    {Test::any, {}, FlashKind::info, {From::message}, {From::fixed}, 1.6},
};

// The matched beginning or whole text, if the row matches.
std::optional<std::string_view> match(const Row& row, std::string_view text) {
  if (row.test == Test::any) {
    return std::string_view{};
  }
  for (const char* t : row.texts) {
    if (t == nullptr) {
      break;
    }
    const std::string_view candidate(t);
    if (row.test == Test::equals ? text == candidate : text.starts_with(candidate)) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::string build(const Part& part, std::string_view text, std::string_view matched,
                  const std::optional<std::string>& note) {
  switch (part.from) {
    case From::fixed:
      return part.fixed;
    case From::message:
      return std::string(text);
    case From::dropLast:
      return std::string(text::graphemePrefix(text, text::graphemeCount(text) - 1));
    case From::afterMatch: {
      // Counted in characters, as the beginning itself is.
      const auto n = text::graphemeCount(matched);
      return std::string(text::graphemeSubstring(text, n, text::graphemeCount(text) - n));
    }
    case From::quotedNote:
      // An empty note would show as bare quotes; it reads as no note.
      return note && !note->empty() ? "“" + *note + "”" : std::string("Saved to your notes");
  }
  return {};
}

}  // namespace

FlashLook flashLook(const std::string& text, const std::optional<std::string>& note) {
  for (const auto& row : kRows) {
    if (const auto matched = match(row, text)) {
      return {row.kind, build(row.state, text, *matched, note), build(row.sub, text, *matched, note), row.seconds,
              row.counts};
    }
  }
  return {FlashKind::info, text, "", 1.6, false};  // the last row matches everything
}

}  // namespace orvak
