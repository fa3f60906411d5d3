// Pictures of the highlight overlay's looks over a sample page, for `orvak-dev shot`.
#pragma once

#include <vector>

#include "app/views/shots.h"

namespace orvak::views {

std::vector<Shot> overlayShots();

}  // namespace orvak::views
