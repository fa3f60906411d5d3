#include "app/system/move_offer.h"

#include <system_error>
#include <variant>

#include "core/base/log.h"
#include "platform/bundle.h"

namespace orvak::MoveToApplications {

namespace fs = std::filesystem;

Decision decide(std::optional<bool> release, bool installed, bool declined) {
  if (release != true) return Decision::notReleased;
  if (installed) return Decision::installed;
  if (declined) return Decision::declined;
  return Decision::offer;
}

bool isUnder(const fs::path& executable, const fs::path& prefix) {
  if (executable.empty() || prefix.empty()) return false;
  const fs::path exe = executable.lexically_normal();
  const fs::path root = prefix.lexically_normal();
  // Component by component, so /usr/local2/bin is not inside /usr/local.
  auto e = exe.begin();
  for (auto r = root.begin(); r != root.end(); ++r) {
    if (r->empty()) continue;  // the empty name after a trailing separator
    if (e == exe.end() || *e != *r) return false;
    ++e;
  }
  return e != exe.end();
}

Decision offerIfNeeded(std::optional<bool> release, const fs::path& executable, const fs::path& prefix,
                       const platform::Defaults& defaults) {
  const Decision d = decide(release, isUnder(executable, prefix), defaults.flag(kDeclinedKey));
  if (d == Decision::offer) Log::write(kNotOfferedLine);
  return d;
}

Decision offerIfNeeded(const platform::Defaults& defaults) {
  const auto entry = platform::bundle::info(platform::bundle::kRelease);
  std::optional<bool> release;
  if (const bool* b = std::get_if<bool>(&entry)) release = *b;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return offerIfNeeded(release, ec ? fs::path() : exe, ORVAK_INSTALL_PREFIX, defaults);
}

}  // namespace orvak::MoveToApplications
