// Pictures of the first-run window for `orvak-dev shot onboarding`.
#pragma once

#include "app/views/shots.h"

namespace orvak::views::onboarding {

// "onboarding": --step N [--ax on|off] [--hint] [--mic granted|notasked|denied] [--wayland].
Shot onboardingShot();

}  // namespace orvak::views::onboarding
