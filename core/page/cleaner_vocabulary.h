// The cleaner's fixed vocabularies: roles, classes, interface labels and the text shapes of page
// furniture. Built once on first use, read-only afterwards, shared by every clean on any thread.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/text/regex.h"

namespace orvak::Cleaner {

// Start offsets nearer the top than this read from the top instead.
inline constexpr int minSkipChars = 200;

struct Vocabulary {
  Vocabulary();

  // Exact, case-sensitive sets; keys that are lowercased before lookup are stored lowercase.
  std::unordered_set<std::string> dropRoles;
  std::unordered_set<std::string> dropSubroles;
  std::unordered_set<std::string> containerRoles;
  std::vector<std::string> junkClassSubstrings;  // in reporting order
  std::unordered_set<std::string> sidebarClasses;
  std::unordered_set<std::string> priorityClasses;
  std::unordered_set<std::string> uiLabels;
  std::unordered_set<std::string> mailLabels;
  std::vector<std::string> mailHosts;
  // Plain substrings of a page address that mark a webmail page whose quoted replies are cut.
  std::vector<std::string> webmailMarkers;
  std::vector<std::string> backMatterHeadings;

  std::vector<text::Regex> timestampPatterns;  // case-insensitive
  text::Regex countPattern;
  text::Regex creditPattern;
  text::Regex bylinePattern;
  std::vector<text::Regex> mailPatterns;   // case-insensitive
  std::vector<text::Regex> replyMarkers;   // case-insensitive, anchors at line boundaries
};

const Vocabulary& vocabulary();

}  // namespace orvak::Cleaner
