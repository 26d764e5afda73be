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

void AttachSpanTexts(std::string_view fileViewText, std::vector<TimelineSpan>& spans) {
  std::size_t next = 0;          // the span whose time line comes next
  TimelineSpan* open = nullptr;  // the span whose text lines are being read
  std::size_t start = 0;
  while (start < fileViewText.size()) {
    std::size_t stop = fileViewText.find("\r\n", start);
    if (stop == std::string_view::npos) stop = fileViewText.size();
    const std::string_view line = fileViewText.substr(start, stop - start);
    if (IsTimeLine(line)) {
      // The same time lines as the spans were read from: those whose times read.
      open = ReadTimeLine(line) && next < spans.size() ? &spans[next++] : nullptr;
      if (open != nullptr) open->text.clear();
    } else if (line.empty()) {
      open = nullptr;
    } else if (open != nullptr) {
      if (!open->text.empty()) open->text += "\r\n";
      open->text += line;
    }
    start = stop + 2;
  }
}

std::string PlainSpanText(std::string_view styledLines) {
  std::string plain = DeriveUserViewText(styledLines);
  for (std::size_t at = plain.find("\r\n"); at != std::string::npos; at = plain.find("\r\n", at + 1))
    plain.replace(at, 2, " ");
  return plain;
}

TimelineMarks CaptureTimeline::Marks() { return MarksToShow(session_.MarkStart, session_.MarkEnd); }

void CaptureTimeline::SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) {
  if (!read_ || readRevision_ != fileView_.Revision()) {
    const std::string& text = fileView_.Text();
    std::vector<TimelineSpan> spans = ReadWrittenSpans(text);
    AttachSpanTexts(text, spans);
    spans_.Assign(std::move(spans));
    readRevision_ = fileView_.Revision();
    read_ = true;
  }
  spans_.Between(fromSeconds, toSeconds, spans);
  // Plain only for the lines asked for: a view shows a few of them at a time.
  for (TimelineSpan& span : spans) span.text = PlainSpanText(span.text);
}

}  // namespace titrelle
