// The waveform's peaks, decoded with FFmpeg's libraries from generated videos whose sound is known: loud
// where the tone bursts are, silent elsewhere; none for a video without sound or a file that is no video.
// Bounds on waiting only make a broken loader fail instead of hanging.

#include "platforms/linux/AudioPeaks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "QtTestApp.h"
#include "TestMedia.h"

namespace titrelle {
namespace {

constexpr int kWaitMs = 20000;
constexpr int kLoud = 32767 / 2;   // the bursts are at 0.8 of full scale
constexpr int kQuiet = 32767 / 50;

// The largest swing of the peaks from `fromSeconds` to `toSeconds`.
int Swing(const std::vector<AudioPeak>& peaks, double fromSeconds, double toSeconds) {
  int swing = 0;
  for (auto i = static_cast<std::size_t>(fromSeconds / kPeakSeconds);
       i < static_cast<std::size_t>(toSeconds / kPeakSeconds) && i < peaks.size(); ++i) {
    swing = std::max({swing, -static_cast<int>(peaks[i].low), static_cast<int>(peaks[i].high)});
  }
  return swing;
}

// The smallest swing of any one peak in the stretch: every 10 ms of a burst is loud.
int LeastSwing(const std::vector<AudioPeak>& peaks, double fromSeconds, double toSeconds) {
  int least = 32767;
  for (auto i = static_cast<std::size_t>(fromSeconds / kPeakSeconds);
       i < static_cast<std::size_t>(toSeconds / kPeakSeconds) && i < peaks.size(); ++i) {
    least = std::min(least, std::max(-static_cast<int>(peaks[i].low), static_cast<int>(peaks[i].high)));
  }
  return least;
}

void ExpectBurstsWhereTheyAre(const std::vector<AudioPeak>& peaks) {
  // Ten seconds, a pair every 10 ms (the coder's last block may add a few).
  EXPECT_GE(peaks.size(), 995u);
  EXPECT_LE(peaks.size(), 1010u);
  for (const auto& burst : kBurstSeconds) {
    SCOPED_TRACE(burst[0]);
    // The coder smears each edge over a few milliseconds: the edges' 30 ms are left out.
    EXPECT_GT(LeastSwing(peaks, burst[0] + 0.03, burst[1] - 0.03), kLoud);
    EXPECT_LT(Swing(peaks, burst[0] - 0.5, burst[0] - 0.03), kQuiet);
    EXPECT_LT(Swing(peaks, burst[1] + 0.03, burst[1] + 0.5), kQuiet);
  }
  EXPECT_LT(Swing(peaks, 0, 1.97), kQuiet);
  EXPECT_LT(Swing(peaks, 2.53, 5.97), kQuiet);
  EXPECT_LT(Swing(peaks, 6.53, 10), kQuiet);
}

TEST(AudioPeaksTest, DecodingFindsTheBurstsWhereTheyAreInChunksThatFollowOneAnother) {
  std::atomic<bool> cancel{false};
  std::vector<AudioPeak> peaks;
  std::vector<AudioPeaksChunk> chunks;
  // A chunk at every chance: the pieces must still join up.
  const AudioPeaksOutcome outcome = DecodeAudioPeaks(
      TestBurstVideoPath(), cancel,
      [&](AudioPeaksChunk chunk) {
        if (peaks.size() < chunk.firstPeak + chunk.peaks.size()) peaks.resize(chunk.firstPeak + chunk.peaks.size());
        std::copy(chunk.peaks.begin(), chunk.peaks.end(), peaks.begin() + static_cast<long>(chunk.firstPeak));
        chunks.push_back(std::move(chunk));
      },
      0);
  ASSERT_EQ(outcome, AudioPeaksOutcome::kDone);
  ASSERT_GT(chunks.size(), 2u);
  for (std::size_t i = 1; i < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].firstPeak, chunks[i - 1].firstPeak + chunks[i - 1].peaks.size()) << i;
    EXPECT_GE(chunks[i].decodedSeconds, chunks[i - 1].decodedSeconds) << i;
  }
  EXPECT_NEAR(chunks.back().durationSeconds, 10, 0.1);
  EXPECT_NEAR(chunks.back().decodedSeconds, 10, 0.1);
  ExpectBurstsWhereTheyAre(peaks);
}

TEST(AudioPeaksTest, NoSoundNoFileAndACancelledDecodingSaySo) {
  std::atomic<bool> cancel{false};
  int delivered = 0;
  const auto count = [&](AudioPeaksChunk) { ++delivered; };
  EXPECT_EQ(DecodeAudioPeaks(TestVideoPath(false), cancel, count), AudioPeaksOutcome::kNoAudio);
  TemporaryFolder folder("peaks");
  const std::filesystem::path notes = folder.Path() / "notes.txt";
  std::ofstream(notes) << "not a video\n";
  EXPECT_EQ(DecodeAudioPeaks(notes, cancel, count), AudioPeaksOutcome::kUnreadable);
  EXPECT_EQ(DecodeAudioPeaks(folder.Path() / "missing.mp4", cancel, count), AudioPeaksOutcome::kUnreadable);
  // A header too damaged to say what the file holds says nothing of its sound either.
  EXPECT_EQ(DecodeAudioPeaks(TestDamagedHeaderVideoPath(), cancel, count), AudioPeaksOutcome::kUnreadable);
  EXPECT_EQ(delivered, 0);
  cancel = true;
  EXPECT_EQ(DecodeAudioPeaks(TestBurstVideoPath(), cancel, count), AudioPeaksOutcome::kCancelled);
}

// Stamps that jump by days, in a file that states as much for its length: the peaks stay within what the
// sound decoded accounts for, the frames stamped beyond are passed over and counted.
TEST(AudioPeaksTest, FramesStampedFarBeyondTheSoundArePassedOverAndCounted) {
  std::atomic<bool> cancel{false};
  std::vector<AudioPeak> peaks;
  AudioPeaksChunk last;
  const AudioPeaksOutcome outcome = DecodeAudioPeaks(TestJumpingStampsPath(), cancel, [&](AudioPeaksChunk chunk) {
    if (peaks.size() < chunk.firstPeak + chunk.peaks.size()) peaks.resize(chunk.firstPeak + chunk.peaks.size());
    std::copy(chunk.peaks.begin(), chunk.peaks.end(), peaks.begin() + static_cast<long>(chunk.firstPeak));
    last = std::move(chunk);
  });
  ASSERT_EQ(outcome, AudioPeaksOutcome::kDone);
  EXPECT_GT(last.durationSeconds, 86400);
  // About 4 s before the jump; the 6 s after it are stamped a day and more on.
  EXPECT_GT(peaks.size(), 350u);
  EXPECT_LT(peaks.size(), 450u);
  EXPECT_GT(last.framesSkipped, 250u);
  EXPECT_GT(LeastSwing(peaks, kBurstSeconds[0][0] + 0.03, kBurstSeconds[0][1] - 0.03), kLoud);
}

TEST(AudioPeaksTest, TheLoaderReadsOnAWorkerAndTheGuiThreadGetsTheSamePeaks) {
  TestApplication();
  AudioPeaksLoader loader;
  int changes = 0;
  QObject::connect(&loader, &AudioPeaksLoader::Changed, [&] { ++changes; });
  // A file left while it is read gives nothing more: only the newest counts.
  loader.Load(TestVideoPath(true));
  loader.Load(TestBurstVideoPath());
  EXPECT_EQ(loader.Track().state, AudioPeakTrack::State::kReading);
  EXPECT_TRUE(loader.Track().peaks.empty());
  ASSERT_TRUE(ProcessEventsUntil([&] { return loader.Track().state != AudioPeakTrack::State::kReading; }, kWaitMs));
  EXPECT_EQ(loader.Track().state, AudioPeakTrack::State::kReady);
  EXPECT_EQ(loader.Track().Progress(), 1.0);
  EXPECT_GE(changes, 3);
  ExpectBurstsWhereTheyAre(loader.Track().peaks);

  loader.Load(TestVideoPath(false));
  ASSERT_TRUE(ProcessEventsUntil([&] { return loader.Track().state != AudioPeakTrack::State::kReading; }, kWaitMs));
  EXPECT_EQ(loader.Track().state, AudioPeakTrack::State::kNoAudio);
  EXPECT_TRUE(loader.Track().peaks.empty());
  loader.Load({});
  EXPECT_EQ(loader.Track().state, AudioPeakTrack::State::kNone);
  // Gone while reading: the worker stops and nothing reaches the loader afterwards.
  {
    AudioPeaksLoader leaving;
    leaving.Load(TestBurstVideoPath());
  }
  QCoreApplication::sendPostedEvents();  // whatever the worker posted before it was stopped
}

}  // namespace
}  // namespace titrelle
