// Running a helper program: an argument list (never a shell), optional standard input, standard
// output captured, standard error discarded, and a time limit.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace orvak::platform {

struct ProcessResult {
  int status = -1;  // exit status; -1 when it was killed or ended by a signal
  std::string output;
};

// Runs `argv[0]` (searched on PATH) with `argv`. Returns nullopt when it cannot be started.
// A program still running after `timeoutSeconds` is killed.
std::optional<ProcessResult> runProcess(const std::vector<std::string>& argv, const std::optional<std::string>& input,
                                        double timeoutSeconds = 10);

}  // namespace orvak::platform
