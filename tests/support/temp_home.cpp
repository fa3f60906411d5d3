#include "tests/support/temp_home.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace orvak::test {

const std::filesystem::path& tempHome() {
  static const std::filesystem::path home = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "orvak-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("cannot make a temporary home");
    std::filesystem::path h(tmpl);
    setenv("HOME", h.c_str(), 1);
    setenv("XDG_DATA_HOME", (h / ".local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", (h / ".local/state").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (h / ".config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (h / ".cache").c_str(), 1);
    return h;
  }();
  return home;
}

std::filesystem::path freshDir(const std::string& hint) {
  static std::atomic<int> counter{0};
  auto dir = tempHome() / "fresh" / (hint + "-" + std::to_string(counter++));
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace orvak::test
