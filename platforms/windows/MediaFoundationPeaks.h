#pragma once
// The peaks of a video's sound (media/AudioPeaks.h) on Windows: the sound decoded to PCM with Media
// Foundation's source reader (the system's mfplat and mfreadwrite; the pictures are never decoded).
//
// DecodeAudioPeaks is plain: it runs wherever it is called and hands its results to a callback. The loader
// runs it on a worker thread of its own, which only posts the results to the GUI thread; nothing on the
// GUI thread ever waits for the decoding.

#include <atomic>
#include <filesystem>
#include <functional>

#include "media/AudioPeaks.h"
#include "media/AudioPeaksWorker.h"
#include "platforms/windows/Win32Api.h"

namespace titrelle {

// Decodes the sound of `path`, calling `deliver` with a chunk every `chunkMs` of decoding (and with the
// last, before returning kDone). Stops soon after `cancel` is set. A frame stamped beyond the file's stated
// length, or kGapSeconds beyond the length decoded, is passed over and counted.
AudioPeaksOutcome DecodeAudioPeaks(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                   const std::function<void(AudioPeaksChunk)>& deliver, int chunkMs = 100);

// Loads the peaks of one file at a time, on a worker thread (media/AudioPeaksWorker.h); lives on the GUI
// thread, where `onChanged` is called when the track has more peaks, is done, or has none. The worker posts
// to a message-only window of the loader's, so the results arrive through the GUI thread's message loop.
class AudioPeaksLoader {
 public:
  explicit AudioPeaksLoader(std::function<void()> onChanged);
  ~AudioPeaksLoader();
  AudioPeaksLoader(const AudioPeaksLoader&) = delete;
  AudioPeaksLoader& operator=(const AudioPeaksLoader&) = delete;

  // Starts reading `path`, leaving any earlier file (empty: none).
  void Load(const std::filesystem::path& path) { worker_.Load(path); }
  const AudioPeakTrack& Track() const { return worker_.Track(); }

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // From the worker: `action` runs on the GUI thread.
  void Post(std::function<void()> action);

  HWND window_ = nullptr;
  AudioPeaksWorker worker_;
};

}  // namespace titrelle
