// Named pictures of drawn states, rendered offscreen for review (`orvak-dev shot`). Each view
// adds its own states to the table in shots.cpp.
#pragma once

#include <QImage>
#include <functional>
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

std::span<const Shot> shots();
const Shot* findShot(const std::string& name);

// The widget at its size hint (unless it has been sized), painted into a transparent image.
QImage renderWidget(QWidget& widget, double scale);

}  // namespace orvak::views
