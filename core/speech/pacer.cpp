#include "core/speech/pacer.h"

#include <algorithm>

namespace orvak {

bool Pacer::canSend(std::int64_t next, std::int64_t receivedSamples, std::int64_t playedSamples, double sampleRate,
                    std::int64_t charsSent, std::int64_t charsDone) const {
  if (next == 0) return true;
  if (receivedSamples == 0) return next < sentencesBeforeAudio;
  const double buffered = static_cast<double>(receivedSamples - playedSamples) / sampleRate;
  const double covered = static_cast<double>(receivedSamples) / sampleRate * charsPerSec;
  // std::max keeps a NaN in its first argument, so a NaN still refuses the send.
  const double pending = static_cast<double>(charsSent) - std::max(covered, static_cast<double>(charsDone));
  // Written so that a NaN (a rate of 0 gives 0/0 or inf - inf) fails both tests.
  return buffered <= aheadSec && pending <= maxPendingChars;
}

}  // namespace orvak
