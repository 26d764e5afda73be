// The sound's peaks decoded with Media Foundation (under Wine, or on Windows): a tone burst between two
// silences, written here as a PCM WAV file, comes out where it is and as loud as it is, directly, through
// the loader's worker thread, and in the timeline's picture.
#include "platforms/windows/MediaFoundationPeaks.h"
#include "platforms/windows/SubtitleOverlay.h"
#include "platforms/windows/TimelineStrip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TemporaryFolder.h"

namespace titrelle {
namespace {

namespace fs = std::filesystem;

struct ToneBurst {
  int rate;
  int channels;
  double silenceSeconds;  // before the tone, and after it
  double toneSeconds;
  double amplitude;  // of full scale
};

void PutLittleEndian(std::string& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A 16-bit PCM WAV file of the burst, a 440 Hz sine on every channel.
void WriteWav(const fs::path& path, const ToneBurst& burst) {
  const auto frames = static_cast<std::uint32_t>(std::lround((2 * burst.silenceSeconds + burst.toneSeconds) * burst.rate));
  const auto toneStart = static_cast<std::uint32_t>(std::lround(burst.silenceSeconds * burst.rate));
  const auto toneEnd = toneStart + static_cast<std::uint32_t>(std::lround(burst.toneSeconds * burst.rate));
  const std::uint32_t dataBytes = frames * burst.channels * 2;
  std::string bytes = "RIFF";
  PutLittleEndian(bytes, 36 + dataBytes, 4);
  bytes += "WAVEfmt ";
  PutLittleEndian(bytes, 16, 4);
  PutLittleEndian(bytes, 1, 2);  // PCM
  PutLittleEndian(bytes, burst.channels, 2);
  PutLittleEndian(bytes, burst.rate, 4);
  PutLittleEndian(bytes, burst.rate * burst.channels * 2, 4);
  PutLittleEndian(bytes, burst.channels * 2, 2);
  PutLittleEndian(bytes, 16, 2);
  bytes += "data";
  PutLittleEndian(bytes, dataBytes, 4);
  for (std::uint32_t i = 0; i < frames; ++i) {
    const double value = i >= toneStart && i < toneEnd
                             ? burst.amplitude * 32767 * std::sin(2 * std::numbers::pi * 440 * (i - toneStart) / burst.rate)
                             : 0;
    for (int c = 0; c < burst.channels; ++c) {
      PutLittleEndian(bytes, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(value))), 2);
    }
  }
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<AudioPeak> DecodeAll(const fs::path& path, AudioPeaksOutcome& outcome) {
  const std::atomic<bool> cancel{false};
  AudioPeakTrack track;
  outcome = DecodeAudioPeaks(path, cancel, [&](AudioPeaksChunk chunk) { track.Add(std::move(chunk)); });
  return track.peaks;
}

TEST(MediaFoundationPeaks, ATonesPeaksStandWhereItSoundsAndAsLoud) {
  const ToneBurst bursts[] = {
      {44100, 2, 1.0, 0.5, 0.5},
      {8000, 1, 0.3, 0.4, 0.25},
  };
  for (const ToneBurst& burst : bursts) {
    SCOPED_TRACE(std::to_string(burst.rate) + " Hz, " + std::to_string(burst.channels) + " channels");
    TemporaryFolder folder("peaks");
    const fs::path path = folder / L"\u58F0\u97F3.wav";  // 声音.wav
    WriteWav(path, burst);
    AudioPeaksOutcome outcome{};
    const std::vector<AudioPeak> peaks = DecodeAll(path, outcome);
    ASSERT_EQ(outcome, AudioPeaksOutcome::kDone);
    const auto at = [](double seconds) { return static_cast<std::size_t>(std::lround(seconds * 100)); };
    const double total = 2 * burst.silenceSeconds + burst.toneSeconds;
    ASSERT_NEAR(static_cast<double>(peaks.size()), total * 100, 1);
    const double loudest = burst.amplitude * 32767;
    for (std::size_t i = 0; i < peaks.size(); ++i) {
      const double seconds = static_cast<double>(i) / 100;
      // The stretches that hold the tone's edges may hold part of it.
      if (i + 1 < at(burst.silenceSeconds) || i > at(burst.silenceSeconds + burst.toneSeconds)) {
        EXPECT_EQ(peaks[i], AudioPeak{}) << seconds << " s";
      } else if (i > at(burst.silenceSeconds) && i + 1 < at(burst.silenceSeconds + burst.toneSeconds)) {
        // 10 ms of 440 Hz holds more than four periods: the stretch reaches the tone's crest both ways.
        EXPECT_NEAR(peaks[i].high, loudest, loudest * 0.02) << seconds << " s";
        EXPECT_NEAR(peaks[i].low, -loudest, loudest * 0.02) << seconds << " s";
      }
    }
  }
}

// A video as users have them: H.264 and AAC in MP4, made by scripts/test-windows.sh with FFmpeg, its sound
// silent but for a 440 Hz tone at half of full scale from 1.0 s to 1.5 s.
TEST(MediaFoundationPeaks, AVideosToneBurstStandsWhereItSounds) {
  const wchar_t* video = _wgetenv(L"TITRELLE_TONE_VIDEO");
  if (video == nullptr || *video == L'\0') GTEST_SKIP() << "no tone video given (TITRELLE_TONE_VIDEO)";
  AudioPeaksOutcome outcome{};
  const std::vector<AudioPeak> peaks = DecodeAll(video, outcome);
  ASSERT_EQ(outcome, AudioPeaksOutcome::kDone);
  ASSERT_NEAR(static_cast<double>(peaks.size()), 250, 3);
  // AAC is lossy: the silence is near silent, the tone near its level.
  const double loudest = 0.5 * 32767;
  for (const std::size_t i : {20, 50, 90, 210, 240}) EXPECT_LT(peaks[i].high, loudest * 0.05) << i;
  for (const std::size_t i : {105, 125, 145}) EXPECT_NEAR(peaks[i].high, loudest, loudest * 0.1) << i;
}

TEST(MediaFoundationPeaks, TheLoaderDeliversOnTheGuiThreadWhatTheDecodingGives) {
  TemporaryFolder folder("peaks");
  const fs::path tone = folder / L"tone.wav";
  WriteWav(tone, {22050, 2, 0.2, 0.3, 0.5});
  const fs::path notSound = folder / L"notes.wav";
  std::ofstream(notSound, std::ios::binary) << "not a sound at all";

  int changes = 0;
  const DWORD guiThread = GetCurrentThreadId();
  AudioPeaksLoader loader([&] {
    EXPECT_EQ(GetCurrentThreadId(), guiThread);
    ++changes;
  });
  const auto waitWhileReading = [&] {
    MSG message;
    while (loader.Track().state == AudioPeakTrack::State::kReading && GetMessageW(&message, nullptr, 0, 0) > 0) {
      DispatchMessageW(&message);
    }
  };
  const struct {
    fs::path path;
    AudioPeakTrack::State state;
  } cases[] = {
      {tone, AudioPeakTrack::State::kReady},
      {notSound, AudioPeakTrack::State::kUnreadable},
      {folder / L"missing.wav", AudioPeakTrack::State::kUnreadable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.filename().string());
    changes = 0;
    loader.Load(c.path);
    EXPECT_EQ(loader.Track().state, AudioPeakTrack::State::kReading);
    waitWhileReading();
    EXPECT_EQ(loader.Track().state, c.state);
    EXPECT_GE(changes, 2);  // the start, and the end
    AudioPeaksOutcome outcome{};
    const std::vector<AudioPeak> direct = DecodeAll(c.path, outcome);
    EXPECT_EQ(loader.Track().peaks, direct);
  }
  // Another file before the first is done: the first one's results never reach the track.
  loader.Load(tone);
  loader.Load(fs::path());
  EXPECT_EQ(loader.Track().state, AudioPeakTrack::State::kNone);
  EXPECT_TRUE(loader.Track().peaks.empty());
}

class OneLineTimeline : public PlayerTimeline {
 public:
  TimelineMarks Marks() override { return {0.5, std::nullopt}; }
  void SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) override {
    spans.clear();
    if (fromSeconds < 3 && toSeconds > 2) spans.push_back({7, 2, 3, "x"});
  }
};

TEST(TimelineStrip, PaintsTheToneTheMarkTheLineAndThePlayHeadWhereTheyAreAndZoomsAndScrolls) {
  TemporaryFolder folder("peaks");
  const fs::path tone = folder / L"tone.wav";
  WriteWav(tone, {22050, 1, 1.0, 0.5, 0.5});
  HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1000, 48, nullptr, nullptr, nullptr, nullptr);
  OneLineTimeline timeline;
  TimelineStrip strip(panel, [] { return 1.25; }, nullptr);
  strip.SetTimeline(&timeline);
  strip.Load(tone);
  MSG message;
  while (strip.Track().state == AudioPeakTrack::State::kReading && GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
  ASSERT_EQ(strip.Track().state, AudioPeakTrack::State::kReady);

  // Ten seconds across 1000 columns, the play head (1.25 s) in the middle: a time's column is 375 + 100 t.
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 1000, 48);
  ReleaseDC(nullptr, screen);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  strip.Paint(dc, 1000, 48);
  const struct {
    const char* what;
    int x, y;
    COLORREF colour;
  } cases[] = {
      {"before the sound: nothing", 300, 16, RGB(0x1b, 0x1f, 0x24)},
      {"the silence: a line through the middle only", 400, 16, RGB(0x1b, 0x1f, 0x24)},
      {"the silence's line", 400, 24, RGB(0x5f, 0xd3, 0x8d)},
      {"the tone, well above the middle", 490, 16, RGB(0x5f, 0xd3, 0x8d)},
      {"the start mark", 425, 40, RGB(0x33, 0xdd, 0x55)},
      {"the play head", 500, 2, RGB(0xff, 0xff, 0xff)},
      {"the line written, past the sound's end", 650, 40, RGB(39, 58, 86)},
      {"after the line", 700, 40, RGB(0x1b, 0x1f, 0x24)},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPixel(dc, c.x, c.y), c.colour) << c.what;

  // A notch of the wheel over the play head zooms in around it: the line, 2 s to 3 s, now from column 594
  // to 719. A drag on empty ground from column 100 to 300 takes the view 200 columns back in time.
  strip.Place(0, 0, 1000, 48);
  const auto paintedAt = [&](int x) {
    strip.Paint(dc, 1000, 48);
    return GetPixel(dc, x, 40);
  };
  const COLORREF line = RGB(39, 58, 86);
  const COLORREF ground = RGB(0x1b, 0x1f, 0x24);
  POINT head{500, 20};
  ClientToScreen(strip.Handle(), &head);
  SendMessageW(strip.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(head.x, head.y));
  EXPECT_EQ(paintedAt(585), ground) << "zoomed: before the line";
  EXPECT_EQ(paintedAt(705), line) << "zoomed: the line";
  SendMessageW(strip.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 20));
  SendMessageW(strip.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 20));
  SendMessageW(strip.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 20));
  EXPECT_EQ(paintedAt(785), ground) << "scrolled: before the line";
  EXPECT_EQ(paintedAt(905), line) << "scrolled: the line";
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  DestroyWindow(panel);
}

// With nothing open, stopped, paused or at the end, nothing moves the play head: the strip's timer does not
// run (the program would wake 25 times a second for nothing).
TEST(TimelineStrip, RefreshesOnItsTimerOnlyWhileTheVideoPlays) {
  HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1000, 48, nullptr, nullptr, nullptr, nullptr);
  const struct {
    const char* what;
    std::optional<int> state;
    bool refreshes;
  } cases[] = {
      {"nothing open", std::nullopt, false}, {"ready", 10, false},        {"stopped", 1, false},
      {"paused", 2, false},                  {"at the end", 8, false},    {"playing", 3, true},
      {"buffering", 6, true},                {"transitioning", 9, true},
  };
  for (const auto& c : cases) {
    TimelineStrip strip(panel, [] { return 0.0; }, nullptr);
    if (c.state) strip.FollowPlayState(*c.state);
    EXPECT_EQ(KillTimer(strip.Handle(), TimelineStrip::kRefreshTimer) != FALSE, c.refreshes) << c.what;
  }
  // The lines over the picture alike: shown while the video stands, no timer follows the play head.
  for (const bool moves : {false, true}) {
    SubtitleOverlay overlay(panel, [] { return 0.0; });
    if (moves) overlay.FollowPlayHead(true);
    overlay.Show({});
    EXPECT_EQ(KillTimer(overlay.Handle(), SubtitleOverlay::kRefreshTimer) != FALSE, moves) << moves;
  }
  DestroyWindow(panel);
}

}  // namespace
}  // namespace titrelle
