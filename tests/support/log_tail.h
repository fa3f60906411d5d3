// The text log as a test sees it: the lines written since a point.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/log.h"
#include "tests/support/files.h"

namespace orvak::test {

// The log lines written from its construction on.
class LogTail {
 public:
  LogTail() {
    Log::flush();
    std::error_code ec;
    start_ = std::filesystem::file_size(Log::url(), ec);
    if (ec) start_ = 0;
  }
  std::string text() const {
    Log::flush();
    const std::string all = readFile(Log::url());
    return start_ <= all.size() ? all.substr(start_) : all;
  }
  int count(std::string_view needle) const {
    const std::string t = text();
    int n = 0;
    for (auto pos = t.find(needle); pos != std::string::npos; pos = t.find(needle, pos + needle.size())) ++n;
    return n;
  }

 private:
  std::uintmax_t start_ = 0;
};

}  // namespace orvak::test
