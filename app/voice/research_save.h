// Keeping a highlight or a note that was asked for by voice, with the "saved" cue: one helper for
// the voice commands and for the actions of spoken answers.
#pragma once

#include <functional>
#include <string>

#include "core/library/research_item.h"

namespace orvak {

class AudioGraph;

// Saves `item` in `store`. On success the saved cue plays on the main queue (when cue sounds are
// on): over the graph's cue node while its engine runs, which mixes it over whatever answer is
// playing, else on a sound player of its own. On failure one line "research save failed: …"
// goes to `log` (the text log when none) and false comes back; no cue.
bool saveResearch(ResearchStore& store, const ResearchItem& item, AudioGraph& graph,
                  const std::function<void(const std::string&)>& log = {});

}  // namespace orvak
