// The offer to move the application into the system's applications folder, as it stands on
// Linux. Elsewhere a copy started from a download offers to move itself so that it keeps its
// permissions and can update itself from one place. Neither reason holds here: Accessibility is
// not granted per program and updates come from the package manager. So the decision is made as
// everywhere, and where it would offer, one log line says why nothing is shown; nothing is ever
// moved or relaunched.
#pragma once

#include <filesystem>
#include <optional>

#include "platform/defaults.h"

namespace orvak::MoveToApplications {

enum class Decision {
  notReleased,  // the build is not a released one
  installed,    // the program runs from where the build installs it
  declined,     // the user said no to an earlier offer
  offer,        // everything else: the offer would be made
};

inline constexpr const char* kDeclinedKey = "declinedMoveToApplications";
inline constexpr const char* kNotOfferedLine = "move offer: not offered on Linux; install Orvak with its package";

// `release` is the bundle's "OrvakRelease" entry (none when absent or not a Boolean).
Decision decide(std::optional<bool> release, bool installed, bool declined);

// Whether `executable` lies inside `prefix` (a path of its own, not just a common beginning).
bool isUnder(const std::filesystem::path& executable, const std::filesystem::path& prefix);

// Decides for the given facts (the declined flag read from `defaults`) and logs the line above
// when it would offer.
Decision offerIfNeeded(std::optional<bool> release, const std::filesystem::path& executable,
                       const std::filesystem::path& prefix, const platform::Defaults& defaults);

// Decides for this process (the bundle entry, /proc/self/exe under the install prefix, the
// declined flag in `defaults`) and logs the line above when it would offer. Main queue.
Decision offerIfNeeded(const platform::Defaults& defaults);

}  // namespace orvak::MoveToApplications
