// The libmpv player on real media: what the program relies on when it opens, plays, seeks, stops and
// closes. Bounds on waiting are only there so that a broken player fails instead of hanging; nothing here
// asserts how fast anything happens.

#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "QtTestApp.h"
#include "TestMedia.h"
#include "base/Cp936.h"
#include "document/PreviewTrack.h"
#include "platforms/linux/MpvPlayer.h"
#include "platforms/linux/PlaybackClock.h"

namespace titrelle {
namespace {

const std::string kOpeningText = "\xD5\xFD\xD4\xDA\xB4\xF2\xBF\xAA";                     // 正在打开
const std::string kPlayingText = "\xD5\xFD\xD4\xDA\xB2\xA5\xB7\xC5";                     // 正在播放
const std::string kPausedText = "\xD2\xD1\xD4\xDD\xCD\xA3";                              // 已暂停
const std::string kStoppedText = "\xD2\xD1\xCD\xA3\xD6\xB9";                             // 已停止
const std::string kCannotOpenText = "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE";  // 无法打开文件

constexpr int kPlayStateStopped = 1;
constexpr int kPlayStatePaused = 2;
constexpr int kWaitMs = 10000;
// The program draws the picture: the tests read the frames it shows.
const MpvPlayerOptions kDrawnByProgram{"null", MpvPlayerOptions::Picture::kDrawnByProgram, ""};
// The player control's waveform strip and transport, under the picture.
constexpr int kPartsUnderThePicture = PlayerPanel::kStripHeight + PlayerPanel::kTransportHeight;

class MpvPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    panel_ = std::make_unique<QWidget>();
    panel_->resize(320, 240);
    panel_->show();
    player_ = std::make_unique<MpvPlayer>(panel_.get(), kDrawnByProgram);
  }
  void TearDown() override {
    player_.reset();
    panel_.reset();
  }

  // Opens as the program does (open, then stop) and waits until the media is loaded.
  void Open(bool withAudio) {
    player_->SetURL(TestVideoPath(withAudio));
    player_->Stop();
    ASSERT_TRUE(ProcessEventsUntil([&] { return player_->PlayState() == kPlayStateStopped; }, kWaitMs));
  }
  bool WaitForPosition(double seconds) {
    return ProcessEventsUntil([&] { return player_->CurrentPosition() > seconds; }, kWaitMs);
  }
  // Positions read about every millisecond for `ms`, or until `count` different ones were seen.
  std::vector<double> ReadPositions(int ms, std::size_t count) {
    std::vector<double> positions;
    std::set<double> distinct;
    ProcessEventsUntil(
        [&] {
          positions.push_back(player_->CurrentPosition());
          distinct.insert(positions.back());
          return distinct.size() >= count;
        },
        ms);
    return positions;
  }

  std::unique_ptr<QWidget> panel_;
  std::unique_ptr<MpvPlayer> player_;
};

TEST_F(MpvPlayerTest, OpenedMediaStaysStoppedAtTheStartShowingItsFirstFrame) {
  player_->SetURL(TestVideoPath(true));
  EXPECT_EQ(player_->Status(), kOpeningText);
  EXPECT_NE(player_->PlayState(), MediaPlayer::kPlayStatePlaying);
  EXPECT_EQ(player_->CurrentPositionString(), "");
  player_->Stop();
  ASSERT_TRUE(ProcessEventsUntil([&] { return player_->PlayState() == kPlayStateStopped; }, kWaitMs));
  ASSERT_TRUE(ProcessEventsUntil([&] { return player_->FramesShown() > 0; }, kWaitMs));

  ProcessEventsFor(300);
  EXPECT_EQ(player_->PlayState(), kPlayStateStopped);
  EXPECT_EQ(player_->Status(), kStoppedText);
  EXPECT_EQ(player_->CurrentPosition(), 0.0);
  EXPECT_EQ(player_->CurrentPositionString(), "00:00");

  // The test pattern's colour bars, drawn at the picture's size (the panel less its waveform strip and
  // transport): many colours, not a blank picture.
  const QImage frame = player_->ShownFrame();
  ASSERT_EQ(frame.size(), QSize(320, 240 - kPartsUnderThePicture));
  std::set<QRgb> colours;
  for (int x = 0; x < frame.width(); x += 4) colours.insert(frame.pixel(x, frame.height() / 3) & 0xF0F0F0);
  EXPECT_GE(colours.size(), 6u);
  // And the widget paints it as it is (the renderer leaves the fourth byte of each pixel as it likes).
  const QImage painted = player_->VideoSurface()->grab().toImage();
  ASSERT_EQ(painted.size(), frame.size());
  for (int x = 0; x < frame.width(); x += 40) {
    EXPECT_EQ(painted.pixel(x, frame.height() / 3) & 0xFFFFFF, frame.pixel(x, frame.height() / 3) & 0xFFFFFF)
        << x;
  }
}

// mpv draws into a native window of the panel's own (with its plain X11 output here): the colour bars reach
// that window on the X server, the position moves on, the preview's track is taken, and the program draws
// no frame itself. The panel around it stays a plain widget.
TEST_F(MpvPlayerTest, DrawsIntoANativeWindowOfItsOwn) {
  player_ = std::make_unique<MpvPlayer>(panel_.get(),
                                        MpvPlayerOptions{"null", MpvPlayerOptions::Picture::kNativeWindow, "x11"});
  ASSERT_TRUE(player_->DrawsIntoNativeWindow());
  QWidget* surface = player_->VideoSurface();
  ASSERT_NE(surface->internalWinId(), 0u);
  EXPECT_EQ(player_->Panel()->internalWinId(), 0u);
  player_->ShowSubtitles(
      PreviewScript({{0, 10000, "Dialogue: 0,0:00:00.00,0:00:10.00,Default,,0,0,0,,LINE\n"}}, 0, 10000));
  Open(true);
  player_->Play();
  ASSERT_TRUE(WaitForPosition(0.5));
  const double earlier = player_->CurrentPosition();
  ASSERT_TRUE(WaitForPosition(earlier + 0.2));
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return !player_->Subtitles().Busy() && player_->Subtitles().ShownTrack() > 0; }, kWaitMs));

  const auto coloursOnScreen = [&] {
    const QImage shown = QGuiApplication::primaryScreen()->grabWindow(surface->winId()).toImage();
    std::set<QRgb> colours;
    for (int x = 0; x < shown.width(); x += 4) colours.insert(shown.pixel(x, shown.height() / 3) & 0xF0F0F0);
    return colours.size();
  };
  EXPECT_TRUE(ProcessEventsUntil([&] { return coloursOnScreen() >= 6; }, kWaitMs));
  EXPECT_EQ(player_->FramesShown(), 0u);
  EXPECT_TRUE(player_->ShownFrame().isNull());
}

// Both clocks: the audio clock, and the frame time of a video without sound.
class MpvPlayerClockTest : public MpvPlayerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MpvPlayerClockTest, PlayingPositionMovesOnInStepsFinerThanAFrame) {
  Open(GetParam());
  player_->Play();
  EXPECT_EQ(player_->PlayState(), MediaPlayer::kPlayStatePlaying);
  EXPECT_EQ(player_->Status(), kPlayingText);
  ASSERT_TRUE(WaitForPosition(0.2));

  const std::vector<double> positions = ReadPositions(kWaitMs, 150);
  double smallestStep = 1;
  std::size_t offFrameGrid = 0;
  for (std::size_t i = 1; i < positions.size(); ++i) {
    // Never back, but for the audio output stalling on a busy machine (which holds the picture too).
    ASSERT_GE(positions[i], positions[i - 1] - 0.01) << "read " << i;
    if (positions[i] > positions[i - 1]) {
      smallestStep = std::min(smallestStep, positions[i] - positions[i - 1]);
      const double frames = positions[i] / 0.04;
      if (std::abs(frames - std::round(frames)) > 0.05) ++offFrameGrid;
    }
  }
  EXPECT_GT(positions.back(), positions.front());
  EXPECT_LT(smallestStep, 0.02);
  EXPECT_GT(offFrameGrid, 10u);
}

INSTANTIATE_TEST_SUITE_P(AudioAndFrameClock, MpvPlayerClockTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "WithSound" : "WithoutSound"; });

class MpvPlayerSeekTest : public MpvPlayerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MpvPlayerSeekTest, ReadRightAfterSeekGivesTheTarget) {
  const bool playing = GetParam();
  Open(true);
  if (playing) {
    player_->Play();
    ASSERT_TRUE(WaitForPosition(0.3));
  }
  player_->SetCurrentPosition(5.123);
  EXPECT_EQ(player_->CurrentPosition(), 5.123);
  EXPECT_EQ(player_->CurrentPositionString(), "00:05");
  // A second seek before the first has landed.
  player_->SetCurrentPosition(3.25);
  EXPECT_EQ(player_->CurrentPosition(), 3.25);
  EXPECT_EQ(player_->CurrentPositionString(), "00:03");

  const std::vector<double> positions = ReadPositions(400, 1000);
  for (double position : positions) {
    ASSERT_GE(position, 3.25);
    ASSERT_LT(position, 5.0);
  }
  if (playing) {
    EXPECT_GT(positions.back(), 3.25);
    EXPECT_EQ(player_->PlayState(), MediaPlayer::kPlayStatePlaying);
  } else {
    EXPECT_EQ(positions.back(), 3.25);
    EXPECT_EQ(player_->PlayState(), kPlayStateStopped);
    player_->Play();
    ASSERT_TRUE(WaitForPosition(3.3));
  }
}

INSTANTIATE_TEST_SUITE_P(PlayingAndStopped, MpvPlayerSeekTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Playing" : "Stopped"; });

TEST_F(MpvPlayerTest, SeekWhileOpeningIsServedOnceLoaded) {
  // What resuming a subtitle file does: seek and play before the media has opened.
  player_->SetURL(TestVideoPath(true));
  player_->SetCurrentPosition(4.0);
  player_->Play();
  EXPECT_EQ(player_->CurrentPosition(), 4.0);
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return player_->PlayState() == MediaPlayer::kPlayStatePlaying; }, kWaitMs));
  ASSERT_TRUE(WaitForPosition(4.05));
  EXPECT_LT(player_->CurrentPosition(), 6.0);
}

// A resume whose last line ends past the video: the position read back is the video's end, opened or not.
TEST_F(MpvPlayerTest, APositionPastTheEndReadsAsTheEnd) {
  for (const bool whileOpening : {false, true}) {
    SCOPED_TRACE(whileOpening);
    if (whileOpening) {
      player_->SetURL(TestVideoPath(false));
      player_->Stop();
    } else {
      Open(false);
    }
    player_->SetCurrentPosition(20000.0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return player_->PlayState() == kPlayStateStopped; }, kWaitMs));
    EXPECT_GE(player_->CurrentPosition(), 9.9);
    EXPECT_LE(player_->CurrentPosition(), 10.1);
  }
}

TEST_F(MpvPlayerTest, PauseHoldsThePositionAndPlayGoesOnFromIt) {
  Open(true);
  player_->Play();
  ASSERT_TRUE(WaitForPosition(0.3));
  player_->Pause();
  const double held = player_->CurrentPosition();
  EXPECT_EQ(player_->PlayState(), kPlayStatePaused);
  EXPECT_EQ(player_->Status(), kPausedText);
  ProcessEventsFor(200);
  EXPECT_EQ(player_->CurrentPosition(), held);

  player_->Play();
  EXPECT_GE(player_->CurrentPosition(), held);
  ASSERT_TRUE(WaitForPosition(held + 0.1));
  EXPECT_LT(player_->CurrentPosition(), held + 5);
}

TEST_F(MpvPlayerTest, StopGoesBackToTheStartAndWaitsForPlay) {
  Open(true);
  player_->Play();
  ASSERT_TRUE(WaitForPosition(0.3));
  player_->Stop();
  EXPECT_EQ(player_->PlayState(), kPlayStateStopped);
  EXPECT_EQ(player_->Status(), kStoppedText);
  EXPECT_EQ(player_->CurrentPosition(), 0.0);
  EXPECT_EQ(player_->CurrentPositionString(), "00:00");
  ProcessEventsFor(300);
  EXPECT_EQ(player_->CurrentPosition(), 0.0);

  player_->Play();
  ASSERT_TRUE(WaitForPosition(0.05));
  EXPECT_LT(player_->CurrentPosition(), 5.0);
}

TEST_F(MpvPlayerTest, EndOfMediaStopsThereAndPlayStartsOver) {
  Open(false);
  player_->SetCurrentPosition(9.7);
  player_->Play();
  ASSERT_TRUE(
      ProcessEventsUntil([&] { return player_->PlayState() != MediaPlayer::kPlayStatePlaying; }, kWaitMs));
  EXPECT_EQ(player_->PlayState(), kPlayStateStopped);
  EXPECT_EQ(player_->Status(), kStoppedText);
  EXPECT_GE(player_->CurrentPosition(), 9.7);
  EXPECT_EQ(player_->CurrentPositionString(), "00:09");

  const double end = player_->CurrentPosition();
  player_->Play();
  // Back at the start: where the seek there goes, or a little past it when the machine has let the media
  // play on before this read (the test's thread can wait for a core while mpv's seek lands).
  EXPECT_LT(player_->CurrentPosition(), end);
  ASSERT_TRUE(WaitForPosition(0.05));
  EXPECT_LT(player_->CurrentPosition(), 5.0);
  EXPECT_EQ(player_->PlayState(), MediaPlayer::kPlayStatePlaying);
}

TEST_F(MpvPlayerTest, MediaThatCannotBeOpenedShowsInTheStatus) {
  const std::filesystem::path notMedia = TestMediaFolder() / "not-media.mp4";
  std::ofstream(notMedia) << "This is a text file, not a video.\n";
  const std::filesystem::path folder = TestMediaFolder();
  for (const std::string& path :
       {(folder / "missing.mp4").string(), notMedia.string(), folder.string(), std::string()}) {
    SCOPED_TRACE(path);
    player_->SetURL(TestVideoPath(true));
    player_->Play();
    player_->SetURL(path);
    ASSERT_TRUE(ProcessEventsUntil([&] { return player_->Status() == kCannotOpenText; }, kWaitMs));
    // The program goes on using the player as usual; nothing throws and nothing plays.
    player_->Play();
    player_->SetCurrentPosition(3);
    player_->Pause();
    player_->Stop();
    ProcessEventsFor(200);
    EXPECT_EQ(player_->Status(), kCannotOpenText);
    EXPECT_NE(player_->PlayState(), MediaPlayer::kPlayStatePlaying);
    EXPECT_EQ(player_->CurrentPosition(), 0.0);
    EXPECT_EQ(player_->CurrentPositionString(), "");
  }
  // And the next good file opens.
  Open(true);
  EXPECT_EQ(player_->Status(), kStoppedText);
}

TEST_F(MpvPlayerTest, OpeningAnotherFileReplacesThePlayingOne) {
  Open(true);
  player_->Play();
  ASSERT_TRUE(WaitForPosition(0.5));
  Open(false);
  ProcessEventsFor(300);
  EXPECT_EQ(player_->PlayState(), kPlayStateStopped);
  EXPECT_EQ(player_->CurrentPosition(), 0.0);
}

// The player takes the system's own name, whatever characters it holds (视频 测试 한국).
TEST_F(MpvPlayerTest, PathsAreTheSystemsOwnNames) {
  const std::filesystem::path named =
      TestMediaFolder() / "\xE8\xA7\x86\xE9\xA2\x91 \xE6\xB5\x8B\xE8\xAF\x95 \xED\x95\x9C\xEA\xB5\xAD.mp4";
  std::filesystem::copy_file(TestVideoPath(false), named, std::filesystem::copy_options::overwrite_existing);
  player_->SetURL(named);
  player_->Stop();
  ASSERT_TRUE(ProcessEventsUntil([&] { return player_->PlayState() != 9; }, kWaitMs));
  EXPECT_EQ(player_->PlayState(), kPlayStateStopped);
}

TEST_F(MpvPlayerTest, InPlaceRectPlacesAndClipsThePicture) {
  // The whole control is placed; the picture takes what its strip and transport leave.
  player_->SetInPlaceRect(10, 20, 110, 140, 32767, 32767);
  EXPECT_EQ(player_->Panel()->geometry(), QRect(10, 20, 100, 120));
  EXPECT_EQ(player_->VideoSurface()->geometry(), QRect(0, 0, 100, 120 - kPartsUnderThePicture));
  EXPECT_TRUE(player_->Panel()->mask().isEmpty());
  player_->SetInPlaceRect(0, 0, 320, 240, 200, 100);
  EXPECT_EQ(player_->Panel()->mask(), QRegion(0, 0, 200, 100));
}

TEST_F(MpvPlayerTest, PlaysOnWithNowhereToDraw) {
  player_->SetInPlaceRect(0, 0, 0, 0, 32767, 32767);
  Open(false);
  const std::uint64_t framesBefore = player_->FramesShown();
  player_->Play();
  ASSERT_TRUE(WaitForPosition(0.5));
  EXPECT_EQ(player_->FramesShown(), framesBefore);
  // Drawn again as soon as there is room.
  player_->SetInPlaceRect(0, 0, 160, 120, 32767, 32767);
  ASSERT_TRUE(ProcessEventsUntil(
      [&] { return player_->ShownFrame().size() == QSize(160, 120 - kPartsUnderThePicture); }, kWaitMs));
}

// Destroying the player is the first thing closing the window does, whatever it is doing at that moment.
TEST_F(MpvPlayerTest, DestroyedInAnyStateWithoutTrouble) {
  enum class Moment { kIdle, kOpening, kPlaying, kSeeking, kFailed };
  for (Moment moment :
       {Moment::kIdle, Moment::kOpening, Moment::kPlaying, Moment::kSeeking, Moment::kFailed}) {
    SCOPED_TRACE(static_cast<int>(moment));
    player_ = std::make_unique<MpvPlayer>(panel_.get(), kDrawnByProgram);
    if (moment != Moment::kIdle) player_->SetURL(TestVideoPath(true));
    if (moment == Moment::kPlaying || moment == Moment::kSeeking) {
      player_->Play();
      ASSERT_TRUE(WaitForPosition(0.2));
    }
    if (moment == Moment::kSeeking) player_->SetCurrentPosition(7.5);
    if (moment == Moment::kFailed) player_->SetURL("/no/such/video.mp4");
    player_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel_->findChildren<VideoWidget*>().isEmpty());
  }
}

// One subtitle line of a megabyte keeps mpv's core busy for seconds (reading the script, then laying the line
// out for the picture). A thread of the test asks mpv's core for the position again and again, as a witness:
// while one of its questions waits for the core, the program's clock must go on being served, tick after
// tick, with everything a tick asks of the player.
TEST_F(MpvPlayerTest, TheClockGoesOnWhileMpvLaysOutAHugeLine) {
  Open(true);
  player_->Play();
  ASSERT_TRUE(WaitForPosition(0.2));

  std::string text;
  while (text.size() < 1000000) text += "Wandering words run on. ";
  const std::string script =
      "[Script Info]\nScriptType: v4.00+\nPlayResX: 384\nPlayResY: 288\n\n[V4+ Styles]\n"
      "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, "
      "Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, "
      "Alignment, MarginL, MarginR, MarginV, Encoding\n"
      "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
      "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
      "Dialogue: 0,0:00:00.00,0:00:10.00,Default,,0,0,0,," +
      text + "\n";

  std::atomic<std::uint64_t> asked{0};
  std::atomic<std::uint64_t> answered{0};
  std::atomic<bool> done{false};
  std::thread witness([&] {
    while (!done) {
      ++asked;
      player_->PlayerClockSeconds();
      ++answered;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  player_->ShowSubtitles(script);
  // Ticks that began and ended while one question of the witness was waiting, counted by question.
  std::map<std::uint64_t, int> ticksWhileWaiting;
  int mostTicks = 0;
  ProcessEventsUntil(
      [&] {
        const std::uint64_t answeredBefore = answered;
        const std::uint64_t question = asked;
        player_->Status();
        player_->CurrentPositionString();
        player_->CurrentPosition();
        player_->PlayState();
        if (question == answeredBefore + 1 && answered == answeredBefore) {
          mostTicks = std::max(mostTicks, ++ticksWhileWaiting[question]);
        }
        return mostTicks >= 250;
      },
      60000);
  done = true;
  witness.join();
  EXPECT_GE(mostTicks, 250);
  EXPECT_EQ(player_->PlayState(), MediaPlayer::kPlayStatePlaying);
}

// ---- The clock made from mpv's readings, on its own ----

TEST(PlaybackClockTest, FrameTimeIsInterpolatedOneFrameBehind) {
  PlaybackClock clock;
  clock.SetFrameDuration(0.04);
  clock.Restart(1.0);
  const auto start = PlaybackClock::TimePoint{} + std::chrono::seconds(100);
  auto at = [&](int ms) { return start + std::chrono::milliseconds(ms); };
  struct Reading {
    double frameTime;
    int atMs;
    double expected;
  };
  const Reading readings[] = {
      {1.04, 0, 1.00},    // first seen: the picture is a frame older
      {1.04, 13, 1.013},  // moving on with the monotonic clock
      {1.04, 55, 1.04},   // never past the next frame's time while it is late
      {1.08, 60, 1.04},   // the late frame: its own time minus a frame, not back
      {1.08, 70, 1.05},  {1.12, 100, 1.08},
  };
  for (const Reading& reading : readings) {
    EXPECT_NEAR(clock.FromFrameTime(reading.frameTime, at(reading.atMs)), reading.expected, 1e-9)
        << "at " << reading.atMs << " ms";
  }
}

TEST(PlaybackClockTest, FrameTimeMovesOnFromWhenItCameInNotFromWhenItIsRead) {
  PlaybackClock clock;
  clock.SetFrameDuration(0.04);
  clock.Restart(1.0);
  const auto start = PlaybackClock::TimePoint{} + std::chrono::seconds(100);
  auto at = [&](int ms) { return start + std::chrono::milliseconds(ms); };
  EXPECT_NEAR(clock.FromFrameTime(1.04, at(0), at(10)), 1.01, 1e-9);
  // The same frame time told again later: still from when it first came in.
  EXPECT_NEAR(clock.FromFrameTime(1.04, at(15), at(20)), 1.02, 1e-9);
  EXPECT_NEAR(clock.FromFrameTime(1.08, at(40), at(41)), 1.041, 1e-9);
}

// A frame time mpv read before a seek may reach the program just after the seek has landed: the first one
// after a restart is taken only where playback can be by then; the next is taken whatever it says.
TEST(PlaybackClockTest, TheFirstFrameTimeAfterARestartMustFitIt) {
  const auto start = PlaybackClock::TimePoint{} + std::chrono::seconds(100);
  auto at = [&](int ms) { return start + std::chrono::milliseconds(ms); };
  struct Case {
    double firstFrameTime;
    int seenAtMs;
    bool taken;
  };
  const Case cases[] = {
      {10.04, 3, true},    // the first frame after the restart
      {9.9, 3, true},      // a little short of it, as the clock reads just after a seek
      {12.5, 3, false},    // from before a seek back (the replay jumping to its start)
      {3.0, 3, false},     // from before a seek forward
      {10.6, 600, true},   // playback has gone on that far
      {10.6, 300, false},  // but not yet that far
  };
  for (const Case& test : cases) {
    PlaybackClock clock;
    clock.SetFrameDuration(0.04);
    clock.Restart(10.0, at(0));
    EXPECT_EQ(clock.TakesFrameTime(test.firstFrameTime, at(test.seenAtMs)), test.taken)
        << test.firstFrameTime << " at " << test.seenAtMs << " ms";
    EXPECT_TRUE(clock.TakesFrameTime(test.firstFrameTime, at(test.seenAtMs + 1)));
  }
}

TEST(PlaybackClockTest, HoldsThroughWobbleAndTheSeekLandingOnly) {
  PlaybackClock clock;
  clock.Restart(5.123);
  const std::pair<double, double> readings[] = {
      {5.1211, 5.123},  // short of the seek target just after the seek
      {5.1225, 5.123},
      {5.1245, 5.1245},
      {5.1243, 5.1245},  // the audio clock's wobble
      {5.1250, 5.1250},
      {5.1210, 5.1210},  // the clock really went back: a position ahead of it would be
                         // ahead of the picture
      {2.0, 2.0},        // moved back by something else
      {std::nan(""), 2.0},
  };
  for (const auto& [raw, expected] : readings) EXPECT_EQ(clock.FromAudio(raw), expected) << raw;

  clock.Restart(3.0);
  EXPECT_EQ(clock.FromAudio(2.5), 2.5);  // far short of the restart: moved by something else
}

TEST(PositionStringTest, MinutesAndSecondsBelowAnHourHoursFromAnHourOn) {
  const std::pair<double, const char*> cases[] = {
      {0, "00:00"},
      {0.999, "00:00"},
      {59.9999, "00:59"},
      {754.1234567, "12:34"},
      {3599.999, "59:59"},
      {3600, "01:00:00"},
      {3723.4567, "01:02:03"},
      {36000, "10:00:00"},
      {363723.5, "101:02:03"},
      {-0.5, "00:00"},
  };
  for (const auto& [seconds, expected] : cases) EXPECT_EQ(FormatPositionString(seconds), expected) << seconds;
}

}  // namespace
}  // namespace titrelle
