// The names of the program's local notifications (platform/notify.h).
#pragma once

#include <string_view>

namespace orvak::notifications {

// The library changed: an item or note was saved, a listened page recorded, a document written or
// page texts kept. The library models reload on it.
inline constexpr std::string_view orvakNotesChanged = "orvak.notesChanged";
// Focus the library's ask bar.
inline constexpr std::string_view orvakFocusAsk = "orvak.focusAsk";
// Jump the onboarding window to a step; the step number is the notification's object.
inline constexpr std::string_view orvakDebugOnboardingStep = "orvak.debugOnboardingStep";

}  // namespace orvak::notifications
