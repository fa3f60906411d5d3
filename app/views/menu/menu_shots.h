// The status menu's pictures for review: the icon in its three states (`--phase` for a read),
// the header and the whole menu, reading and idle.
#pragma once

#include <vector>

#include "app/views/shots.h"

namespace orvak::views::menu {

std::vector<Shot> menuShots();

}  // namespace orvak::views::menu
