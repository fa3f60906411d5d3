#include "platform/bundle.h"

namespace orvak::platform::bundle {

DefaultsValue info(std::string_view key) {
  if (key == kIdentifier) return std::string(ORVAK_BUNDLE_ID);
  if (key == kShortVersion) return std::string(ORVAK_VERSION);
  if (key == kApi) return std::string(ORVAK_API);
  // The release channel is a word; only the "release" channel counts as a released build.
  if (key == kRelease) return std::string_view(ORVAK_RELEASE) == "release";
  if (key == kUpdateKey) {
    const std::string_view k = ORVAK_SU_PUBLIC_ED_KEY;
    if (k.empty()) return {};
    return std::string(k);
  }
  return {};
}

std::string identifier() { return ORVAK_BUNDLE_ID; }
std::string shortVersion() { return ORVAK_VERSION; }

}  // namespace orvak::platform::bundle
