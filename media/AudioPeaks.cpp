#include "media/AudioPeaks.h"

#include <cmath>
#include <utility>

namespace titrelle {

double AudioPeakTrack::Progress() const {
  if (state == State::kReady) return 1;
  if (durationSeconds <= 0) return 0;
  return std::clamp(decodedSeconds / durationSeconds, 0.0, 1.0);
}

void AudioPeakTrack::Add(AudioPeaksChunk chunk) {
  const std::size_t end = chunk.firstPeak + chunk.peaks.size();
  if (peaks.size() < end) peaks.resize(end);
  std::copy(chunk.peaks.begin(), chunk.peaks.end(), peaks.begin() + static_cast<std::ptrdiff_t>(chunk.firstPeak));
  decodedSeconds = chunk.decodedSeconds;
  durationSeconds = chunk.durationSeconds;
  framesSkipped = chunk.framesSkipped;
}

bool AudioPeakTrack::Finish(AudioPeaksOutcome outcome) {
  switch (outcome) {
    case AudioPeaksOutcome::kDone:
      state = State::kReady;
      return true;
    case AudioPeaksOutcome::kNoAudio:
      state = State::kNoAudio;
      return true;
    case AudioPeaksOutcome::kUnreadable:
      state = State::kUnreadable;
      return true;
    case AudioPeaksOutcome::kCancelled:
      break;
  }
  return false;
}

void PeakAccumulator::MoveTo(std::int64_t index) {
  if (sample_ > BucketStart(bucket_)) Flush();
  Restart(std::max<std::int64_t>(index, 0));
  undelivered_ = std::min(undelivered_, static_cast<std::size_t>(bucket_));
}

void PeakAccumulator::FollowStamp(double seconds) {
  const auto expected = static_cast<std::int64_t>(std::llround(std::max(seconds, 0.0) * rate_));
  if (std::abs(expected - sample_) > static_cast<std::int64_t>(kResyncSeconds * rate_)) MoveTo(expected);
}

AudioPeaksChunk PeakAccumulator::TakeFinished(bool all) {
  if (all && sample_ > BucketStart(bucket_)) Flush();
  AudioPeaksChunk chunk;
  const std::size_t end = all ? peaks_.size() : std::min(peaks_.size(), static_cast<std::size_t>(bucket_));
  chunk.firstPeak = std::min(undelivered_, end);
  chunk.peaks.assign(peaks_.begin() + static_cast<std::ptrdiff_t>(chunk.firstPeak),
                     peaks_.begin() + static_cast<std::ptrdiff_t>(end));
  chunk.decodedSeconds = static_cast<double>(sample_) / rate_;
  undelivered_ = end;
  return chunk;
}

void PeakAccumulator::Restart(std::int64_t index) {
  sample_ = index;
  bucket_ = index * kPeaksPerSecond / rate_;
  nextBoundary_ = BucketStart(bucket_ + 1);
  low_ = std::numeric_limits<float>::max();
  high_ = std::numeric_limits<float>::lowest();
}

void PeakAccumulator::Flush() {
  const auto scaled = [](float value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767));
  };
  const auto index = static_cast<std::size_t>(bucket_);
  if (peaks_.size() <= index) peaks_.resize(index + 1);
  // A bucket met again (the stamps went back a little) keeps what it had too.
  if (low_ <= high_) {
    peaks_[index].low = std::min(peaks_[index].low, scaled(low_));
    peaks_[index].high = std::max(peaks_[index].high, scaled(high_));
  }
  Restart(sample_);
}

}  // namespace titrelle
