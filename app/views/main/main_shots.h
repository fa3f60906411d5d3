// The main window's pictures: `main --page PAGE [--developer] [--no-notes] [--ax off]
// [--onboarding-done] [--items N]`, over a temporary library of N saved items.
#pragma once

#include <vector>

#include "app/views/shots.h"

namespace orvak::views::main {

std::vector<Shot> mainShots();

}  // namespace orvak::views::main
