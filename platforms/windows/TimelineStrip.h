#pragma once
// The timeline under the picture on Windows: a child window at the bottom of the video panel that paints
// with GDI what the core's rules compose (media/TimelineDrawing.h, media/PlayerTimeline.h): the sound's
// waveform, decoded with Media Foundation, the ruler of the time, the marks of the line being timed, every
// line already written as a block with its number and text, and the play head. Which stretch of time it
// shows is the core's TimelineView (media/TimelineView.h): ten seconds following the position, until the
// wheel zooms around the pointer or a drag on empty ground scrolls. It reads the position from the player
// on a timer of its own and paints again only when the picture changes; a click puts the position where it
// points, a press on a line drags it (its edge or the whole of it) through the core's PlayerTimeline.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "media/PlayerTimeline.h"
#include "media/TimelineDrawing.h"
#include "media/TimelineMouse.h"
#include "media/TimelineView.h"
#include "platforms/windows/MediaFoundationPeaks.h"
#include "platforms/windows/Win32Api.h"

namespace titrelle {

class TimelineStrip {
 public:
  // At 96 DPI: the ruler, the band of the lines' numbers and texts, and 48 pixels of waveform.
  static constexpr int kHeight = 80;

  // `dispatch` runs the program's handlers of a drag (a release changes the document), reporting failures.
  using Dispatch = TimelineMouse::Dispatch;
  TimelineStrip(HWND panel, std::function<double()> position, std::function<void(double)> seek,
                Dispatch dispatch = {});
  ~TimelineStrip();
  TimelineStrip(const TimelineStrip&) = delete;
  TimelineStrip& operator=(const TimelineStrip&) = delete;

  // The timer on Handle() that refreshes the picture 25 times a second while the play head may move.
  static constexpr UINT_PTR kRefreshTimer = 1;

  void Load(const std::filesystem::path& media) { peaks_.Load(media); }
  // The player's play state: while the video plays (or is on its way to) the strip follows the play head on
  // its timer; with nothing open, stopped, paused or at the end it waits for the program's events.
  void FollowPlayState(int state);
  // Whether the play head moves in the player's play state `state`: playing, or on its way to.
  static bool PlayHeadMoves(int state);
  void SetTimeline(PlayerTimeline* timeline);
  void Place(int left, int top, int width, int height);
  HWND Handle() const { return window_; }
  const AudioPeakTrack& Track() const { return peaks_.Track(); }
  // Looks again at what the picture is made of (after the program handled an event: a load, a commit, an
  // undo) and, when it changed, paints it at once.
  void Recompose();
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
  void Draw(HDC dc, const Picture& picture);
  double SecondsAt(int x) const { return (shown_.startColumn + x) / shown_.columnsPerSecond; }
  // The pointer's shape for what a press at `x` would take.
  void ShowGrab(int x);
  void Press(int x);
  void Move(int x);
  void Release(int x);
  void Wheel(int x, int wheelUnits);
  void EndSpanDrag();

  HWND window_ = nullptr;
  std::function<double()> position_;
  std::function<void(double)> seek_;
  TimelineMouse mouse_;  // the program's timeline and how the mouse's handlers run
  bool refreshing_ = false;  // the play head may move
  bool timerSet_ = false;    // the refresh timer runs (for one ring more once the play head stands)
  bool pressed_ = false;
  bool dragging_ = false;      // moved beyond the system's drag distance since the press
  bool draggingSpan_ = false;  // the press took a line
  int pressX_ = 0;
  TimelineGrab grab_ = TimelineGrab::None;
  AudioPeaksLoader peaks_;
  Picture shown_;
  TimelineView view_;
  std::vector<WaveColumn> columnsScratch_;
};

}  // namespace titrelle
