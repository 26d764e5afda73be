#pragma once
// The peaks of a video's sound, for the waveform under the picture: the sound decoded with FFmpeg's
// libraries (sound only: the pictures are never read), the channels mixed down to one, and for every 10 ms
// the lowest and highest sample. A two-hour film is 720,000 pairs, 2.9 MB.
//
// DecodeAudioPeaks is plain: it runs wherever it is called and hands its results to a callback. The loader
// runs it on a worker thread of its own, which only posts the results to the GUI thread; nothing on the
// GUI thread ever waits for the decoding.

#include <QObject>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace titrelle {

inline constexpr double kPeakSeconds = 0.01;

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

// Decodes the sound of `path`, calling `deliver` with a chunk every `chunkMs` of decoding (and with the
// last, before returning kDone). Stops soon after `cancel` is set, file reads included. The peaks reach no
// further than the file's length as it states it, nor than the length decoded plus kGapSeconds: a
// frame whose time stamp lies beyond is passed over (and counted), so that a damaged stamp cannot ask for
// memory the sound does not account for. Real gaps (a sound that starts late, a dropout) are far shorter.
inline constexpr double kGapSeconds = 600;
AudioPeaksOutcome DecodeAudioPeaks(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                   const std::function<void(AudioPeaksChunk)>& deliver, int chunkMs = 100);

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
};

// Loads the peaks of one file at a time, on a worker thread; lives on the GUI thread.
class AudioPeaksLoader : public QObject {
  Q_OBJECT

 public:
  explicit AudioPeaksLoader(QObject* parent = nullptr);
  ~AudioPeaksLoader() override;

  // Starts reading `path`, leaving any earlier file (empty: none).
  void Load(const std::filesystem::path& path);
  const AudioPeakTrack& Track() const { return track_; }

 signals:
  // The track has more peaks, is done, or has none.
  void Changed();

 private:
  struct Job {
    std::atomic<bool> cancel{false};
    std::thread thread;
  };
  void StopJob();
  void Receive(std::uint64_t generation, AudioPeaksChunk chunk);
  void Finish(std::uint64_t generation, AudioPeaksOutcome outcome);

  AudioPeakTrack track_;
  std::unique_ptr<Job> job_;
  std::uint64_t generation_ = 0;
};

}  // namespace titrelle
