// Pictures of the feedback form and the alerts, for review.
#pragma once

#include <vector>

#include "app/views/shots.h"

namespace orvak::views::feedback {

// feedback-form, feedback-form-signed-in, crash-alert, feedback-sent, feedback-failed.
std::vector<Shot> feedbackShots();

}  // namespace orvak::views::feedback
