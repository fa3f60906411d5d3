// The executable's developer modes, looked for before the application starts, in this order:
// "--trigger [OPTIONS]" starts a read in the running application and prints its timing record,
// "--export-iconset DIR" writes the icon at ten sizes, "--render-voice FILE OUT [VOICE]" speaks a
// text file into OUT.wav and OUT.words.json, "--export-brand DIR" writes the brand images, and
// "--control COMMAND" sends one control to the running application. A mode whose arguments are
// missing counts as absent. None opens a window.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvak::shell {

// The exit code of the mode that ran; none when the application should start normally.
std::optional<int> runDeveloperMode(int argc, char** argv, const std::vector<std::string>& args);

}  // namespace orvak::shell
