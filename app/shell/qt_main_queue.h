// The dispatch main queue on the Qt event loop: work sent to it runs on the GUI thread.
#pragma once

namespace orvak::shell {

// Call once, right after the QApplication is made and before anything uses the main queue.
void plugMainQueueIntoQt();

}  // namespace orvak::shell
