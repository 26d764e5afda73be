#pragma once
// Loads the peaks of one file at a time (media/AudioPeaks.h) for either shell, on a worker thread. The shell
// gives its own decoding (FFmpeg's libraries, Media Foundation) and its own way to run a function on the GUI
// thread; the worker only decodes and posts what it decodes. The track is kept, and `onChanged` called, on
// the GUI thread alone, where this object lives; nothing there waits for the decoding but a stop, which
// cancels it first.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "media/AudioPeaks.h"

namespace titrelle {

class AudioPeaksWorker {
 public:
  // Decodes the sound of a file, calling `deliver` with each chunk, until done or `cancel` is set.
  using Decode =
      std::function<AudioPeaksOutcome(const std::filesystem::path& path, const std::atomic<bool>& cancel,
                                      const std::function<void(AudioPeaksChunk)>& deliver)>;
  // Called on the worker: runs `action` on the GUI thread later. What the shell has not run when this
  // object goes is the shell's to drop, unrun.
  using PostToGuiThread = std::function<void(std::function<void()> action)>;

  AudioPeaksWorker(Decode decode, PostToGuiThread post, std::function<void()> onChanged);
  ~AudioPeaksWorker() { Stop(); }
  AudioPeaksWorker(const AudioPeaksWorker&) = delete;
  AudioPeaksWorker& operator=(const AudioPeaksWorker&) = delete;

  // Starts reading `path`, leaving any earlier file (empty: none); the track starts again, empty.
  void Load(const std::filesystem::path& path);
  const AudioPeakTrack& Track() const { return track_; }
  // Cancels the decoding and waits for the worker to end. The track stays as it is; what the worker
  // posted and the GUI thread has not run yet is passed over.
  void Stop();

 private:
  struct Job {
    std::atomic<bool> cancel{false};
    std::thread thread;
  };
  void Receive(std::uint64_t generation, AudioPeaksChunk chunk);
  void Finish(std::uint64_t generation, AudioPeaksOutcome outcome);
  void Changed() const {
    if (onChanged_) onChanged_();
  }

  const Decode decode_;
  const PostToGuiThread post_;
  const std::function<void()> onChanged_;
  AudioPeakTrack track_;
  std::unique_ptr<Job> job_;
  std::uint64_t generation_ = 0;  // the file being read; what the worker posts carries the one it read
};

}  // namespace titrelle
