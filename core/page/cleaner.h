// Cleaner: turns the walked nodes of one window into the text worth reading aloud, in paragraphs,
// with its reading region, what was dropped and why, and where reading starts.
//
// Pure functions over constant tables built once on first use: any thread, several at once.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/page/ax_node.h"
#include "core/page/clean_result.h"
#include "core/text/regex.h"
#include "core/text/text.h"

namespace orvak::Cleaner {

// `nodes` in walk order (a parent before its children, id == index, node 0 the window).
CleanResult clean(const std::vector<AXNode>& nodes, const std::optional<Frame>& windowFrame,
                  const std::optional<std::string>& bundleId, const std::optional<std::string>& url);

// --- Text normalisation ---

// No-break spaces become spaces, invisible characters go, runs of spaces and tabs become one
// space, and white space and line breaks are trimmed from both ends. Inner line breaks stay.
std::string norm(std::string_view text);

// Joins the hard-wrapped lines of PDF text: a line feed between a capital, digit or colon and a
// letter or digit disappears; any other lone line feed becomes a space.
std::string fixPDFNewlines(std::string_view text);

struct NormMapping {
  std::string text;
  // For each character of `text`, the UTF-16 offset in the input of its first code point, plus
  // one final entry (see normMap).
  std::vector<int> utf16;
  bool operator==(const NormMapping&) const = default;
};

// `norm` (after the PDF line repair when `pdf`), with the way back to the input: the final entry
// is the UTF-16 offset of the first trimmed-away code point after the last character, or the
// input's UTF-16 length when nothing was trimmed from the end.
NormMapping normMap(std::string_view text, bool pdf);

// --- Pattern and mail tests ---

// True when `re` finds a match anywhere in `text`.
bool matches(const text::Regex& re, std::string_view text);
// False for texts over 40 characters; otherwise whether any pattern matches.
bool matchesAny(const std::vector<text::Regex>& patterns, std::string_view text);

bool isMail(const std::optional<std::string>& url);
std::optional<std::string> mailSubject(const std::optional<std::string>& headerText);
bool isMailFurniture(std::string_view text);

struct ReplyCut {
  int paragraph = 0;
  int offset = 0;  // characters into that paragraph
  bool operator==(const ReplyCut&) const = default;
};
// Where quoted earlier mail begins, if anywhere.
std::optional<ReplyCut> replyCut(const std::vector<std::string>& paragraphs);

bool isBackMatter(std::string_view heading, bool browser);

}  // namespace orvak::Cleaner
