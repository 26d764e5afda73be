#pragma once
// The timeline under the picture on Windows: a child window at the bottom of the video panel that paints
// with GDI what the core's rules compose (media/TimelineDrawing.h, media/PlayerTimeline.h): the sound's
// waveform, decoded with Media Foundation, the marks of the line being timed, the lines already written,
// the play head in the middle of ten seconds. It reads the position from the player on a timer of its own
// and paints again only when the picture changes; a click puts the position where it points.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "media/PlayerTimeline.h"
#include "media/TimelineDrawing.h"
#include "platforms/windows/MediaFoundationPeaks.h"
#include "platforms/windows/Win32Api.h"

namespace titrelle {

class TimelineStrip {
 public:
  static constexpr int kHeight = 48;  // at 96 DPI, as on Linux
  static constexpr double kWindowSeconds = 10;

  TimelineStrip(HWND panel, std::function<double()> position, std::function<void(double)> seek);
  ~TimelineStrip();
  TimelineStrip(const TimelineStrip&) = delete;
  TimelineStrip& operator=(const TimelineStrip&) = delete;

  void Load(const std::filesystem::path& media) { peaks_.Load(media); }
  void SetTimeline(PlayerTimeline* timeline);
  void Place(int left, int top, int width, int height);
  HWND Handle() const { return window_; }
  const AudioPeakTrack& Track() const { return peaks_.Track(); }
  // Composes the picture afresh and paints it into `dc`, `width` by `height` pixels.
  void Paint(HDC dc, int width, int height);

 private:
  // Everything the picture is made of: when this is the same, so is the picture.
  struct Picture {
    int width = 0;
    int height = 0;
    double columnsPerSecond = 1;
    std::int64_t startColumn = 0;
    std::int64_t headColumn = 0;
    AudioPeakTrack::State state = AudioPeakTrack::State::kNone;
    std::size_t peaksInView = 0;
    int progressPercent = 0;
    TimelineMarks marks;
    std::vector<TimelineSpan> spans;
    bool operator==(const Picture&) const = default;
  };
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  Picture Compose(int width, int height);
  void Recompose();
  void Draw(HDC dc, const Picture& picture);

  HWND window_ = nullptr;
  std::function<double()> position_;
  std::function<void(double)> seek_;
  AudioPeaksLoader peaks_;
  PlayerTimeline* timeline_ = nullptr;
  Picture shown_;
  std::vector<WaveColumn> columnsScratch_;
};

}  // namespace titrelle
