#include "media/AudioPeaksWorker.h"

#include <utility>

namespace titrelle {

AudioPeaksWorker::AudioPeaksWorker(Decode decode, PostToGuiThread post, std::function<void()> onChanged)
    : decode_(std::move(decode)), post_(std::move(post)), onChanged_(std::move(onChanged)) {}

void AudioPeaksWorker::Stop() {
  ++generation_;
  if (!job_) return;
  // The decoding looks at the flag between reads (and inside file reads, where it can): it ends soon.
  job_->cancel = true;
  job_->thread.join();
  job_.reset();
}

void AudioPeaksWorker::Load(const std::filesystem::path& path) {
  Stop();
  track_ = AudioPeakTrack{};
  if (!path.empty()) {
    track_.state = AudioPeakTrack::State::kReading;
    job_ = std::make_unique<Job>();
    Job* job = job_.get();
    const std::uint64_t generation = generation_;
    job_->thread = std::thread([this, job, path, generation] {
      const AudioPeaksOutcome outcome = decode_(path, job->cancel, [&](AudioPeaksChunk chunk) {
        post_([this, generation, chunk = std::move(chunk)]() mutable {
          Receive(generation, std::move(chunk));
        });
      });
      post_([this, generation, outcome] { Finish(generation, outcome); });
    });
  }
  Changed();
}

void AudioPeaksWorker::Receive(std::uint64_t generation, AudioPeaksChunk chunk) {
  if (generation != generation_) return;  // from a file left since
  track_.Add(std::move(chunk));
  Changed();
}

void AudioPeaksWorker::Finish(std::uint64_t generation, AudioPeaksOutcome outcome) {
  if (generation != generation_ || !track_.Finish(outcome)) return;
  // The worker posted this as its last act: it has ended, or is a return away from it.
  if (job_) {
    job_->thread.join();
    job_.reset();
  }
  Changed();
}

}  // namespace titrelle
