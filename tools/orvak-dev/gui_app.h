// The Qt application object for workbench commands that draw.
#pragma once

#include <QApplication>
#include <memory>

namespace orvak::dev {

// An application on the offscreen platform: pictures come out the same with or without a display.
std::unique_ptr<QApplication> offscreenApp();

}  // namespace orvak::dev
