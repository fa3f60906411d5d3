// The plainest wording of each spoken command without free text: what a recogniser is asked to
// prefer so that short commands are heard as themselves. Each one parses to its command.
#pragma once

#include <string_view>

namespace orvak {

inline constexpr std::string_view kCommandPhrases[] = {
    "pause",          "stop",           "resume",          "keep going",         "keep reading",
    "faster",         "slower",         "speed up",        "slow down",          "skip ahead",
    "skip",           "go back",        "back",            "repeat that",        "say that again",
    "next section",   "previous section", "next paragraph", "previous paragraph", "start over",
    "read from here", "highlight that", "highlight this paragraph", "remember that", "summarize this",
    "summarize this page", "summarize this section", "summarize this part", "yes", "no",
};

}  // namespace orvak
