#pragma once
// The peaks of a video's sound, for the waveform under the picture: the channels mixed down to one, and for
// every 10 ms the lowest and highest sample. A two-hour film is 720,000 pairs, 2.9 MB. Each shell decodes
// the sound with the system's own means (FFmpeg's libraries on Linux, Media Foundation on Windows) on a
// worker thread, feeds the samples to a PeakAccumulator there, and posts the chunks it gives to the GUI
// thread, where the AudioPeakTrack takes them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace titrelle {

inline constexpr double kPeakSeconds = 0.01;
inline constexpr int kPeaksPerSecond = 100;
// A frame whose time stamp lies further than this from the samples counted so far starts a new count there
// (a gap in the sound, or a stream that starts late); smaller differences are the stamps' own rounding.
inline constexpr double kResyncSeconds = 0.02;
// The peaks reach no further than the file's length as it states it, nor than the length decoded plus this:
// a frame whose time stamp lies beyond is passed over (and counted), so that a damaged stamp cannot ask for
// memory the sound does not account for. Real gaps (a sound that starts late, a dropout) are far shorter.
inline constexpr double kGapSeconds = 600;

// The lowest and highest sample of one 10 ms stretch, full scale 32767.
struct AudioPeak {
  std::int16_t low = 0;
  std::int16_t high = 0;
  bool operator==(const AudioPeak&) const = default;
};

// Peaks decoded since the last chunk: they belong from `firstPeak` on.
struct AudioPeaksChunk {
  std::size_t firstPeak = 0;
  std::vector<AudioPeak> peaks;
  double decodedSeconds = 0;  // how far the decoding has come
  double durationSeconds = 0;  // the sound's length as the file gives it (0 when it does not)
  // Frames passed over so far because their time stamps lie beyond the sound's end (a damaged file).
  std::size_t framesSkipped = 0;
};

enum class AudioPeaksOutcome {
  kDone,        // every peak delivered
  kNoAudio,     // the file has no sound
  kUnreadable,  // not a media file, a header too damaged to tell what it holds, or undecodable sound
  kCancelled,
};

// The peaks of one file as the GUI thread holds them.
struct AudioPeakTrack {
  enum class State { kNone, kReading, kReady, kNoAudio, kUnreadable };
  State state = State::kNone;
  std::vector<AudioPeak> peaks;
  double decodedSeconds = 0;
  double durationSeconds = 0;
  std::size_t framesSkipped = 0;  // frames stamped beyond the sound's end, not shown
  // Fraction decoded, 0 to 1, while reading.
  double Progress() const;
  // Takes a chunk the decoding posted.
  void Add(AudioPeaksChunk chunk);
  // Takes the decoding's outcome; false for a cancelled one, which changes nothing.
  bool Finish(AudioPeaksOutcome outcome);
};

// Turns a stream of mono samples (full scale 1) into the lowest and highest of every 10 ms.
class PeakAccumulator {
 public:
  explicit PeakAccumulator(int sampleRate) : rate_(sampleRate) { Restart(0); }

  void Add(float sample) {
    if (sample_ >= nextBoundary_) Flush();
    low_ = std::min(low_, sample);
    high_ = std::max(high_, sample);
    ++sample_;
  }
  // Interleaved samples, the channels of one instant side by side, mixed down to one.
  template <typename Sample>
  void AddInterleaved(const Sample* samples, std::size_t frames, int channels) {
    const float share = 1.0f / static_cast<float>(channels);
    for (std::size_t i = 0; i < frames; ++i) {
      float sum = 0;
      for (int c = 0; c < channels; ++c) sum += Normal(samples[i * channels + c]);
      Add(sum * share);
    }
  }

  std::int64_t SampleIndex() const { return sample_; }
  int SampleRate() const { return rate_; }

  // The samples that follow belong from sample `index` on.
  void MoveTo(std::int64_t index);
  // Moves to where a frame stamped `seconds` belongs, unless the count so far is already there (within
  // kResyncSeconds).
  void FollowStamp(double seconds);

  // The peaks finished since the last take (the one still filling stays, unless `all`).
  AudioPeaksChunk TakeFinished(bool all);

  static float Normal(std::uint8_t value) { return (static_cast<float>(value) - 128.0f) / 128.0f; }
  static float Normal(std::int16_t value) { return static_cast<float>(value) / 32768.0f; }
  static float Normal(std::int32_t value) { return static_cast<float>(value) / 2147483648.0f; }
  static float Normal(float value) { return value; }
  static float Normal(double value) { return static_cast<float>(value); }

 private:
  // Bucket b holds the samples from ceil(b * rate / 100) on: 10 ms each, whatever the rate.
  std::int64_t BucketStart(std::int64_t bucket) const {
    return (bucket * rate_ + kPeaksPerSecond - 1) / kPeaksPerSecond;
  }
  void Restart(std::int64_t index);
  void Flush();

  int rate_;
  std::int64_t sample_ = 0;
  std::int64_t bucket_ = 0;
  std::int64_t nextBoundary_ = 0;
  float low_ = 0;
  float high_ = 0;
  std::vector<AudioPeak> peaks_;
  std::size_t undelivered_ = 0;
};

}  // namespace titrelle
