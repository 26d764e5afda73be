#pragma once
// What the player panel shows of the capture beside the picture: the marks of the line being timed and the
// lines already written. The core fills it; a shell only draws what it reads, and reports the mouse on it
// in times: which line a drag takes, where it lands and the change it makes are the core's to decide.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace titrelle {

// A line already written: its number in the file, when it shows, and its text as the user view shows it
// (code page 936; the text lines joined by a blank), at most its first kSpanTextBytes.
// A label shows a few words of a line, never more bytes than the strip has pixels: a line of megabytes
// made plain whole after every key would stop the window.
inline constexpr std::size_t kSpanTextBytes = 8192;

struct TimelineSpan {
  int number = 0;
  double startSeconds = 0;
  double endSeconds = 0;
  std::string text = {};
  bool dragged = false;  // being dragged: shown where it would land
  int timeLine = -1;     // where its time line stands in the file view, for the core
  // What is drawn: where the line stands in the file does not change the picture.
  bool operator==(const TimelineSpan& other) const {
    return number == other.number && startSeconds == other.startSeconds && endSeconds == other.endSeconds &&
           text == other.text && dragged == other.dragged;
  }
};

// The marks of the line being timed; a mark that is not to be shown is empty.
struct TimelineMarks {
  std::optional<double> startSeconds;
  std::optional<double> endSeconds;
  // Where F9 and F10 were pressed for marks that moved onto the speech (of the line being timed, and of the
  // line committed last): thin ticks beside the edges.
  std::vector<double> keyedSeconds = {};
  bool operator==(const TimelineMarks&) const = default;
};

// What a press of the mouse at a place of the timeline takes: a line's start or end edge (a re-time of that
// edge), the whole line (a move), or nothing (the view scrolls).
enum class TimelineGrab { None, StartEdge, EndEdge, Whole };

class PlayerTimeline {
 public:
  virtual ~PlayerTimeline() = default;
  virtual TimelineMarks Marks() = 0;
  // The lines that show at some time between `fromSeconds` and `toSeconds`, ordered by start, into `spans`
  // (cleared first). A line being dragged is there with the times it would land at.
  virtual void SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) = 0;

  // The mouse, in times, a column of the view being `secondsPerColumn` wide. What a press at `seconds` would
  // take (the pointer's shape says so).
  virtual TimelineGrab GrabAt(double seconds, double secondsPerColumn) {
    (void)seconds;
    (void)secondsPerColumn;
    return TimelineGrab::None;
  }
  // A press: true when it took a line, which is then dragged until the release; false leaves the drag to
  // the view (a scroll).
  virtual bool PressAt(double seconds, double secondsPerColumn) {
    (void)seconds;
    (void)secondsPerColumn;
    return false;
  }
  virtual void DragTo(double seconds) { (void)seconds; }
  // The line lands where the pointer left it: one change of the document, or a refusal.
  virtual void ReleaseAt(double seconds) { (void)seconds; }
  // The drag ends with nothing changed (the mouse was taken away).
  virtual void CancelDrag() {}
};

}  // namespace titrelle
