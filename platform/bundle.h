// The application bundle's information entries. They are fixed when the program is built (CMake
// cache variables ORVAK_BUNDLE_ID, ORVAK_API, ORVAK_RELEASE, ORVAK_VERSION, ORVAK_SU_PUBLIC_ED_KEY)
// and read through the same typed values as the user defaults.
#pragma once

#include <string>
#include <string_view>

#include "platform/defaults.h"

namespace orvak::platform::bundle {

// Entry names.
inline constexpr std::string_view kIdentifier = "CFBundleIdentifier";           // text
inline constexpr std::string_view kShortVersion = "CFBundleShortVersionString";  // text
inline constexpr std::string_view kApi = "OrvakAPI";                              // text
inline constexpr std::string_view kRelease = "OrvakRelease";  // Boolean: true in released builds
inline constexpr std::string_view kUpdateKey = "SUPublicEDKey";  // text; absent when not configured

// The entry named `key`; std::monostate for any other name or an entry this build leaves out.
DefaultsValue info(std::string_view key);

// Shorthands for the two entries every build has.
std::string identifier();
std::string shortVersion();

}  // namespace orvak::platform::bundle
