// The pill's states for review pictures: "pill-working", "pill-reading-hover", "pill-notice" ...
#pragma once

#include <QImage>
#include <string>
#include <vector>

namespace orvak::views::pill {

struct PillShot {
  std::string name;     // without the "pill-" prefix
  std::string summary;
};
const std::vector<PillShot>& pillShots();
// The pill drawn in that state, at rest, with its transparent margin.
QImage renderPillShot(const std::string& name, double scale);

}  // namespace orvak::views::pill
