#include "core/pacer.h"

namespace orvak {

bool Pacer::canSend(std::int64_t next, std::int64_t receivedSamples, std::int64_t playedSamples, double sampleRate,
                    std::int64_t charsSent) const {
  if (next == 0) return true;
  if (receivedSamples == 0) return next < sentencesBeforeAudio;
  const double buffered = static_cast<double>(receivedSamples - playedSamples) / sampleRate;
  const double pending =
      static_cast<double>(charsSent) - static_cast<double>(receivedSamples) / sampleRate * charsPerSec;
  // Written so that a NaN (a rate of 0 gives 0/0 or inf - inf) fails both tests.
  return buffered <= aheadSec && pending <= maxPendingChars;
}

}  // namespace orvak
