// Removes the user's name, home folder and e-mail addresses from text before it leaves the machine.
#pragma once

#include <string>
#include <string_view>

namespace orvak::Scrub {

// In order: the home folder becomes "~"; "/Users/<name>" and "/home/<name>" become "/Users/~" and
// "/home/~"; the name in double quotes becomes "~" in double quotes (all plain, case-sensitive
// substring replacements, skipped when the name is empty or "/"); then every e-mail address
// becomes "<email>".
std::string report(std::string_view text, std::string_view home);

// Every e-mail address (letters, digits and . _ % + -, an "@", letters, digits, dots and hyphens,
// a dot and two or more letters; leftmost and longest first) replaced by "<email>", in time
// linear in the text.
std::string replaceEmails(std::string_view text);

}  // namespace orvak::Scrub
