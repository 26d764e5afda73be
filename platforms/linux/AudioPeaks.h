#pragma once
// The peaks of a video's sound (media/AudioPeaks.h) on Linux: the sound decoded with FFmpeg's libraries
// (sound only: the pictures are never read).
//
// DecodeAudioPeaks is plain: it runs wherever it is called and hands its results to a callback. The loader
// runs it on a worker thread of its own, which only posts the results to the GUI thread; nothing on the
// GUI thread ever waits for the decoding.

#include <QObject>
#include <atomic>
#include <filesystem>
#include <functional>

#include "media/AudioPeaks.h"
#include "media/AudioPeaksWorker.h"

namespace titrelle {

// Decodes the sound of `path`, calling `deliver` with a chunk every `chunkMs` of decoding (and with the
// last, before returning kDone). Stops soon after `cancel` is set, file reads included. A frame stamped
// beyond the file's stated length, or kGapSeconds beyond the length decoded, is passed over and counted.
AudioPeaksOutcome DecodeAudioPeaks(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                   const std::function<void(AudioPeaksChunk)>& deliver, int chunkMs = 100);

// Loads the peaks of one file at a time, on a worker thread (media/AudioPeaksWorker.h); lives on the GUI
// thread, where the worker's results arrive through Qt's queued calls.
class AudioPeaksLoader : public QObject {
  Q_OBJECT

 public:
  explicit AudioPeaksLoader(QObject* parent = nullptr);

  // Starts reading `path`, leaving any earlier file (empty: none).
  void Load(const std::filesystem::path& path) { worker_.Load(path); }
  const AudioPeakTrack& Track() const { return worker_.Track(); }

 signals:
  // The track has more peaks, is done, or has none.
  void Changed();

 private:
  AudioPeaksWorker worker_;
};

}  // namespace titrelle
