// Named pictures of drawn states, rendered offscreen for review (`orvak-dev shot`). Each view
// adds its own states to the table in shots.cpp.
#pragma once

#include <QImage>
#include <functional>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class QWidget;

namespace orvak::views {

// The options a picture takes beyond the look and the scale: each given option's value ("" for a
// flag), by its name ("--state").
using ShotOptions = std::map<std::string, std::string>;

// A bad value of a picture's option; the message says which and what it takes.
struct ShotOptionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Shot {
  std::string name;
  std::string summary;
  // Renders the state in the appearance in force, at `scale` device pixels per logical pixel.
  std::function<QImage(double scale)> render;
  // Pictures with options of their own name them here and render through `renderWith`, which may
  // throw ShotOptionError.
  std::vector<std::string> valued = {};
  std::vector<std::string> flags = {};
  std::function<QImage(double scale, const ShotOptions& options)> renderWith = {};
  std::string usage = {};  // the options' usage, for the workbench
};

std::span<const Shot> shots();
const Shot* findShot(const std::string& name);

// The widget at its size hint (unless it has been sized), painted into a transparent image.
QImage renderWidget(QWidget& widget, double scale);

}  // namespace orvak::views
