// The application icon: the orb on a dark rounded square.
#pragma once

#include <QImage>

namespace orvak::look::AppIcon {

// 512 x 512, drawn once and shared.
const QImage& image();
// The same drawing at any size, sharp at every one (the brand export's large icons).
QImage render(int side);

}  // namespace orvak::look::AppIcon
