// A small library to look at: saved highlights and notes, listened pages, kept page texts and
// written documents, with times given as seconds before a chosen "now", so pictures and tests
// show the same days and times on every machine. The sample is resources/samples/library.json.
#pragma once

#include <string_view>

#include "core/base/date.h"
#include "core/library/notes_store.h"

namespace orvak::sample {

// Fills `store` from the sample's JSON text as if it had been saved up to `now`. Pages listened
// to long enough ago are warned of their clearing (for a keep period of 90 days). Throws
// json::DecodeError on a malformed sample.
void fillLibrary(NotesStore& store, std::string_view json, Date now);

}  // namespace orvak::sample
