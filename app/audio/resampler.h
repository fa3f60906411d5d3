// Changes the sample rate of a mono stream: a windowed-sinc filter whose cut-off follows the lower
// of the two rates, so that going down to 16 kHz for recognition does not fold the upper voice
// band back into the speech range. The filter's state is kept between pieces, so a stream cut
// into 10 ms chunks converts exactly as it would in one piece.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace orvak::audio {

class Resampler {
 public:
  // Throws std::invalid_argument unless both rates are positive and finite.
  Resampler(double inputRate, double outputRate);

  double inputRate() const { return inRate_; }
  double outputRate() const { return outRate_; }

  // Converts the next piece of the stream. The output lags the input by the filter's half width,
  // which `flush` gives back at the end.
  std::vector<float> process(std::span<const float> input);
  // The output still held back by the filter, as if the stream went on in silence.
  std::vector<float> flush();

  // A whole signal in one pass: ceil(frames × outputRate / inputRate) samples.
  static std::vector<float> convert(std::span<const float> input, double inputRate, double outputRate);

 private:
  void produce(std::vector<float>& out, double limit);

  double inRate_;
  double outRate_;
  double step_;     // input samples per output sample
  int halfWidth_;   // input samples on each side of an output instant
  std::vector<float> table_;  // the kernel at kPhases + 1 fractional offsets, 2 × halfWidth_ taps each
  std::vector<float> history_;  // input not yet left behind, starting halfWidth_ before `time_`
  double time_;     // the next output instant, in input samples from the start of `history_`
  std::size_t produced_ = 0;
  std::size_t consumed_ = 0;  // input samples received
};

}  // namespace orvak::audio
