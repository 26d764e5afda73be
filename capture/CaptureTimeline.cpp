#include "capture/CaptureTimeline.h"

#include "app/Unit1.h"

namespace titrelle {

TimelineMarks MarksToShow(long double markStart, long double markEnd) {
  TimelineMarks marks;
  if (markStart > 0) marks.startSeconds = static_cast<double>(markStart);
  if (markEnd > 0 && markEnd > markStart) marks.endSeconds = static_cast<double>(markEnd);
  return marks;
}

TimelineMarks CaptureTimeline::Marks() { return MarksToShow(session_.MarkStart, session_.MarkEnd); }

void CaptureTimeline::SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) {
  if (!read_ || readRevision_ != fileView_.Revision()) {
    spans_.Assign(ReadWrittenSpans(fileView_.Text()));
    readRevision_ = fileView_.Revision();
    read_ = true;
  }
  spans_.Between(fromSeconds, toSeconds, spans);
}

}  // namespace titrelle
