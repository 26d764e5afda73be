#pragma once
// What the player panel shows of the capture beside the picture: the marks of the line being timed and the
// lines already written. The core fills it; a shell only draws what it reads.

#include <optional>
#include <string>
#include <vector>

namespace titrelle {

// A line already written: its number in the file, when it shows, and its text as the user view shows it
// (code page 936; the text lines joined by a blank).
struct TimelineSpan {
  int number = 0;
  double startSeconds = 0;
  double endSeconds = 0;
  std::string text = {};
  bool operator==(const TimelineSpan&) const = default;
};

// The marks of the line being timed; a mark that is not to be shown is empty.
struct TimelineMarks {
  std::optional<double> startSeconds;
  std::optional<double> endSeconds;
  bool operator==(const TimelineMarks&) const = default;
};

class PlayerTimeline {
 public:
  virtual ~PlayerTimeline() = default;
  virtual TimelineMarks Marks() = 0;
  // The lines that show at some time between `fromSeconds` and `toSeconds`, ordered by start, into `spans`
  // (cleared first).
  virtual void SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) = 0;
};

}  // namespace titrelle
