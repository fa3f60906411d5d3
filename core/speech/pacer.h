// Whether a read may hand its next sentence to the speech engine now.
//
// The engine is kept a bounded distance ahead of the listener: far enough that playback never
// waits, near enough that a stop, skip or voice command wastes little synthesis, and no engine is
// handed a long backlog before it has produced any audio. A plain value; the player keeps one with
// the defaults and never changes it.
#pragma once

#include <cstdint>

namespace orvak {

struct Pacer {
  double aheadSec = 20;           // most seconds of received, unplayed audio at which a send may go
  double maxPendingChars = 350;   // most characters sent but not yet covered by received audio
  double charsPerSec = 15;        // speaking rate that converts received audio into characters
  int sentencesBeforeAudio = 2;   // how many sentences may go before the first audio

  // `next` is the index of the sentence that would be sent, `receivedSamples` counts every
  // sample received in the read (trimmed ones too), `charsSent` every character sent so far. A
  // comparison with a not-a-number value refuses the send.
  //
  // `charsDone` counts the characters of the sent sentences whose audio has wholly arrived: they
  // are covered whatever the speaking rate. Without it a voice faster than `charsPerSec` would
  // leave more and more characters "pending" until nothing more could be sent and the read
  // stalled with its audio played out.
  bool canSend(std::int64_t next, std::int64_t receivedSamples, std::int64_t playedSamples, double sampleRate,
               std::int64_t charsSent, std::int64_t charsDone = 0) const;

  bool operator==(const Pacer&) const = default;
};

}  // namespace orvak
