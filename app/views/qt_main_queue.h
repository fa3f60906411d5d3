// Plugs the Qt event loop in as the main queue of core/base/dispatch.
#pragma once

namespace orvak::views {

// Call once, after the QApplication exists and before any work goes to the main queue.
void useQtMainQueue();

}  // namespace orvak::views
