// Named pictures of drawn states, rendered offscreen for review (`orvak-dev shot`). Each view
// adds its own states to the table in shots.cpp.
#pragma once

#include <QImage>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>

class QWidget;

namespace orvak::views {

struct Shot {
  std::string name;
  std::string summary;
  // Renders the state in the appearance in force, at `scale` device pixels per logical pixel.
  std::function<QImage(double scale)> render;
};

// What a shot may be asked for beyond its name (`orvak-dev shot NAME OUT.png --page voice ...`):
// valued options by name without the dashes, and flags.
struct ShotOptions {
  std::map<std::string, std::string> values;
  std::set<std::string> flags;
  std::optional<std::string> value(const std::string& name) const;
  bool flag(const std::string& name) const { return flags.count(name) != 0; }
};
// The options of the shot being rendered; set by the caller before `render`.
ShotOptions& shotOptions();

std::span<const Shot> shots();
const Shot* findShot(const std::string& name);

// The widget at its size hint (unless it has been sized), painted into a transparent image.
QImage renderWidget(QWidget& widget, double scale);

}  // namespace orvak::views
