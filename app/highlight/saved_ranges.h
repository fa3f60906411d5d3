// The page's earlier highlights, located in the text of the current capture, so
// the band can underline them: ranges of cleaned-text characters, in the order
// the library returns the items.
#pragma once

#include <vector>

#include "app/capture/capture.h"
#include "core/text/text.h"

namespace orvak {

class NotesStore;

// None for a private window, without a library, or for a page without a key.
// Notes are not underlined; a quote no longer on the page is skipped.
std::vector<text::GraphemeRange> savedRanges(const Capture& capture, NotesStore* notes);

}  // namespace orvak
