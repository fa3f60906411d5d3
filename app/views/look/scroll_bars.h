// The thin scroll bar of every scrolling area in the windows: a 6 px handle in the look's faint
// ink with round ends, no arrows and no groove, over the area's own background.
#pragma once

class QAbstractScrollArea;

namespace orvak::look {

// Gives `area` thin scroll bars in the colours of the look now in force; call it again when the
// look changes.
void useThinScrollBars(QAbstractScrollArea& area);

}  // namespace orvak::look
