// Rewrites one sentence of page text into what a speech engine should be given: the user's own
// pronunciations, addresses as words, no emoji or markup debris, symbols, money, units, dates and
// Roman numerals spelled out, common abbreviations expanded, and a closing mark so engines pause.
//
// Only the engine's input is rewritten; the screen keeps the sentence as split. Every function is
// safe to call from any thread at once. Compiled patterns live in one process-wide cache (shared
// under its lock, never cleared): one entry per constant pattern plus one per distinct
// pronunciation form, so a sentence never compiles anything once the forms have been seen.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/speech/pronunciation.h"
#include "core/text/regex.h"

namespace orvak::SpeechText {

// The product's own name as engines should say it; applied after the user's entries.
const std::vector<Pronunciation>& builtIn();

// The text to send to the engine. It may be empty (a sentence of emoji or stray marks): callers
// must not send an empty text to an engine.
std::string spoken(std::string_view sentence, std::span<const Pronunciation> pronunciations);

// True when the sentence has a letter, mark or digit that is not an emoji shown as a picture.
bool speakable(std::string_view sentence);

// The capture groups of one match: [0] the whole match; a group that took no part is empty.
using Groups = std::vector<std::string>;
using Transform = std::function<std::string(const Groups&)>;

// Replaces every match of `pattern` (ICU syntax, always multi-line) with transform(groups). The
// compiled pattern comes from the shared cache. A text without a match comes back unchanged.
std::string replace(std::string_view text, std::string_view pattern, text::RegexFlags options,
                    const Transform& transform);

// The stages of `spoken`, each from text to text.
std::string applyPronunciations(std::string_view text, std::span<const Pronunciation> list);
std::string spokenDomain(std::string_view domain);
std::string dropEmoji(std::string_view text);
std::string symbols(std::string_view text);
std::string endWithPause(std::string_view text);

}  // namespace orvak::SpeechText
