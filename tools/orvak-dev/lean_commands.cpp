#include <cstdio>
#include <exception>
#include <vector>

#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

int runClean(const Args& args);
int runSplit(const Args& args);
int runSpoken(const Args& args);
int runParse(const Args& args);
int runNotes(const Args& args);
int runPrefs(const Args& args);
int runDefaults(const Args& args);
int runLog(const Args& args);

std::span<const Command> leanCommands() {
  static const std::vector<Command> table{
      {"clean", "FILE [--text] [--bundle ID] [--url URL] [--frame X,Y,W,H]",
       "clean a capture dump or a scene's front window and print the result as JSON", runClean},
      {"split", "FILE [--max N]", "print the sentences of a text file, one per line", runSplit},
      {"spoken", "TEXT", "print what the voice is given for one sentence", runSpoken},
      {"parse", "TRANSCRIPT [--smart]", "print the voice command a transcript gives, its payload or a suggestion", runParse},
      {"notes", "search|markdown|pages|listened|export|open|housekeeping|renumber",
       "the library: saved items, Markdown, kept pages, history, housekeeping, document citations", runNotes},
      {"prefs", "", "print the settings as loaded from the user defaults, with the engine configuration", runPrefs},
      {"defaults", "[read K | write K -KIND V | delete K]", "print or change the user defaults (developer flags)", runDefaults},
      {"log", "MESSAGE", "append one line to the text log and print the log's path", runLog},
  };
  return table;
}

int run(const Command& command, const Args& args) {
  try {
    return command.run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvak-dev %.*s: %s\n", int(command.name.size()), command.name.data(), e.what());
    return 1;
  }
}

}  // namespace orvak::dev
