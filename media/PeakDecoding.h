#pragma once
// What one decoding of a sound's peaks keeps as it goes, whichever library decodes (media/AudioPeaks.h):
// the peaks so far, how much sound they account for, the frames passed over, and a chunk delivered every
// so often. Runs wherever the decoding runs.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "media/AudioPeaks.h"

namespace titrelle {

class PeakDecoding {
 public:
  // `durationSeconds`: the sound's length as the file gives it; `fileSeconds`: the longest length the file
  // states, of the sound or of the whole (0 for either: not stated). A chunk goes to `deliver` at most
  // every `chunkMs` of decoding.
  PeakDecoding(int sampleRate, double durationSeconds, double fileSeconds,
               std::function<void(AudioPeaksChunk)> deliver, int chunkMs);

  // Whether the frame stamped `seconds` from the file's start (not finite: no stamp) is decoded. One that
  // starts beyond the file's stated length (with a tenth to spare, for lengths estimated from the bit
  // rate), or kGapSeconds beyond what the sound decoded so far accounts for (a damaged file's stated length
  // may hold its damaged stamps), is passed over and counted; the samples of one taken go where its stamp
  // says.
  bool TakeFrameAt(double seconds);
  // Where a taken frame's samples go; then CountSamples with how many instants it held.
  PeakAccumulator& Peaks() { return peaks_; }
  void CountSamples(std::int64_t instants) { samplesDecoded_ += instants; }
  std::int64_t SamplesDecoded() const { return samplesDecoded_; }

  // Delivers the peaks finished so far, when a chunk is due.
  void DeliverWhenDue();
  // Delivers the rest, the peak still filling included: the decoding is done.
  void DeliverLast() { Deliver(true); }

 private:
  using Clock = std::chrono::steady_clock;
  void Deliver(bool all);

  PeakAccumulator peaks_;
  const double durationSeconds_;
  const double fileSeconds_;
  const std::function<void(AudioPeaksChunk)> deliver_;
  const std::chrono::milliseconds chunk_;
  std::int64_t samplesDecoded_ = 0;
  std::size_t framesSkipped_ = 0;
  Clock::time_point lastDelivery_ = Clock::now();
};

}  // namespace titrelle
