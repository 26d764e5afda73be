#include "capture/CaptureTimeline.h"

#include "app/Unit1.h"
#include "document/TimeLine.h"
#include "document/UserViewDerivation.h"

namespace titrelle {

TimelineMarks MarksToShow(long double markStart, long double markEnd) {
  TimelineMarks marks;
  if (markStart > 0) marks.startSeconds = static_cast<double>(markStart);
  if (markEnd > 0 && markEnd > markStart) marks.endSeconds = static_cast<double>(markEnd);
  return marks;
}

std::string PlainSpanText(std::string_view styledLines) {
  std::string plain = DeriveUserViewText(styledLines);
  for (std::size_t at = plain.find("\r\n"); at != std::string::npos; at = plain.find("\r\n", at + 1))
    plain.replace(at, 2, " ");
  return plain;
}

CaptureTimeline::CaptureTimeline(const CaptureSession& session, SubtitleDocument& document)
    : session_(session), document_(document) {
  listener_ = document_.ListenToSubtitles([this](const SubtitleChange&) { read_ = false; });
}

CaptureTimeline::~CaptureTimeline() { document_.StopListening(listener_); }

TimelineMarks CaptureTimeline::Marks() { return MarksToShow(session_.MarkStart, session_.MarkEnd); }

void CaptureTimeline::SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) {
  if (!read_) {
    spans_.Assign(ReadWrittenSpans(document_.Subtitles()));
    read_ = true;
  }
  spans_.Between(fromSeconds, toSeconds, spans);
  // Plain only for the lines asked for: a view shows a few of them at a time.
  for (TimelineSpan& span : spans) span.text = PlainSpanText(span.text);
}

}  // namespace titrelle
