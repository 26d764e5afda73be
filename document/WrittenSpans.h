#pragma once
// The lines already written, as spans of time, read from the file view's subtitles: every time line
// ("HH:MM:SS:mmm --> HH:MM:SS:mmm") is one, numbered by the number line right before it (else by its place
// among the time lines). A time line that does not read is passed over: the user may be halfway through
// typing it in edit mode. Each span carries its text lines as they stand (joined by CR LF).

#include <string_view>
#include <vector>

#include "media/PlayerTimeline.h"

namespace titrelle {

class SubtitleIndex;

// In file order. Linear in the number of subtitles: their times are the index's.
std::vector<TimelineSpan> ReadWrittenSpans(const SubtitleIndex& subtitles);
// The spans of subtitles [first, first + count) appended to `spans`: the same read in runs.
void ReadWrittenSpans(const SubtitleIndex& subtitles, int first, int count, std::vector<TimelineSpan>& spans);
// The same of a file view's text.
std::vector<TimelineSpan> ReadWrittenSpans(std::string_view fileViewText);

// The spans ordered by start, for finding those that show in a stretch of time without going through all.
class WrittenSpanIndex {
 public:
  void Assign(std::vector<TimelineSpan> spans);
  // Those showing at some time in [fromSeconds, toSeconds], by start, into `out` (cleared first).
  void Between(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& out) const;
  std::size_t Size() const { return spans_.size(); }

 private:
  std::vector<TimelineSpan> spans_;
  double longestSeconds_ = 0;
};

}  // namespace titrelle
