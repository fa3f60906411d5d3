// One spoken word as a speech engine reports it.
//
// `start` and `end` are seconds. They count from the start of the sentence's own audio when the
// engine says which sentence the words belong to, and from the start of the read's audio stream
// when it does not; the audio timeline turns both into stream times.
#pragma once

#include <string>

#include "core/base/json.h"

namespace orvak {

struct WordTiming {
  std::string word;  // as the engine spelled it
  double start = 0;
  double end = 0;
  bool operator==(const WordTiming&) const = default;
};

void fields(json::Record<WordTiming> auto& w, auto&& f) {
  f("word", w.word);
  f("start", w.start);
  f("end", w.end);
}

inline void to_json(json::Json& j, const WordTiming& w) { json::writeFields(j, w); }
inline void from_json(const json::Json& j, WordTiming& w) { json::readFields(j, w); }

}  // namespace orvak
