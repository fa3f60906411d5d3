// A private home for the test process: HOME and the XDG folders point into a fresh temporary
// folder, so no test ever touches the real user's files.
#pragma once

#include <filesystem>

namespace orvak::test {

// The temporary home set up before the first test runs.
const std::filesystem::path& tempHome();

// A fresh, empty folder under the temporary home, unique per call.
std::filesystem::path freshDir(const std::string& hint = "t");

}  // namespace orvak::test
