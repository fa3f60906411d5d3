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
#include <vector>

class QWidget;

namespace orvak::views {

// The options a shot was given beyond the name, the file, --dark and --scale.
struct ShotOptions {
  std::map<std::string, std::string> values;  // "--key" -> "61"
  std::set<std::string> flags;                // "--compact"
  bool flag(const std::string& name) const { return flags.count(name) != 0; }
  std::optional<std::string> value(const std::string& name) const;
};

struct Shot {
  std::string name;
  std::string summary;
  // Renders the state in the appearance in force, at `scale` device pixels per logical pixel.
  std::function<QImage(double scale)> render;
  // A shot that takes options names them here and renders through `renderWith` instead.
  std::vector<std::string> valued = {};
  std::vector<std::string> flags = {};
  std::function<QImage(double scale, const ShotOptions&)> renderWith = {};
};

std::span<const Shot> shots();
const Shot* findShot(const std::string& name);

// The widget at its size hint (unless it has been sized), painted into a transparent image.
QImage renderWidget(QWidget& widget, double scale);
// The widget `width` wide and as tall as its content wants at that width, taller than the screen
// if need be (a shown window would be held to the screen's height).
QImage renderTall(QWidget& widget, int width, double scale);

}  // namespace orvak::views
