#include "media/PeakDecoding.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace titrelle {

PeakDecoding::PeakDecoding(int sampleRate, double durationSeconds, double fileSeconds,
                           std::function<void(AudioPeaksChunk)> deliver, int chunkMs)
    : peaks_(sampleRate),
      durationSeconds_(durationSeconds),
      fileSeconds_(fileSeconds),
      deliver_(std::move(deliver)),
      chunk_(chunkMs) {}

bool PeakDecoding::TakeFrameAt(double seconds) {
  if (!std::isfinite(seconds)) return true;
  const double decoded = static_cast<double>(samplesDecoded_) / peaks_.SampleRate() + kGapSeconds;
  const double latestStart = fileSeconds_ > 0 ? std::min(fileSeconds_ * 1.1 + 1, decoded) : decoded;
  if (seconds > latestStart) {
    ++framesSkipped_;
    return false;
  }
  peaks_.FollowStamp(seconds);
  return true;
}

void PeakDecoding::DeliverWhenDue() {
  if (Clock::now() - lastDelivery_ >= chunk_) Deliver(false);
}

void PeakDecoding::Deliver(bool all) {
  AudioPeaksChunk chunk = peaks_.TakeFinished(all);
  chunk.durationSeconds = durationSeconds_;
  chunk.framesSkipped = framesSkipped_;
  deliver_(std::move(chunk));
  lastDelivery_ = Clock::now();
}

}  // namespace titrelle
