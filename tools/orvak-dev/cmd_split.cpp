// orvak-dev split FILE [--max N]: the sentences of a text file, one per line, as a read would
// speak and number them.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "core/speech/sentence_splitter.h"
#include "core/base/read_file.h"
#include "core/text/text.h"
#include "tools/orvak-dev/commands.h"

namespace orvak::dev {

int runSplit(const Args& args) {
  std::string path;
  int maxLen = 400;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--max" && i + 1 < args.size()) {
      const std::string& value = args[++i];
      std::size_t used = 0;
      try {
        maxLen = std::stoi(value, &used);
      } catch (const std::logic_error&) {
        used = 0;
      }
      if (used == 0 || used != value.size()) throw std::invalid_argument("--max wants a whole number, not \"" + value + "\"");
    } else if (path.empty()) {
      path = args[i];
    } else {
      throw std::invalid_argument("unexpected argument \"" + args[i] + "\"");
    }
  }
  if (path.empty()) throw std::invalid_argument("usage: orvak-dev split FILE [--max N]");
  const auto content = readWholeFile(path);
  if (!content) throw std::runtime_error("cannot open " + path);
  for (const auto& s : SentenceSplitter::split(text::repairUtf8(*content), maxLen)) {
    std::printf("%s\n", s.c_str());
  }
  return 0;
}

}  // namespace orvak::dev
