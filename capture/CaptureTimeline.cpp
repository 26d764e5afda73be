#include "capture/CaptureTimeline.h"

#include <algorithm>
#include <cmath>

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
  listener_ = document_.ListenToSubtitles([this](const SubtitleChange&) {
    read_ = false;
    pending_.clear();
    pendingUpTo_ = 0;
  });
}

CaptureTimeline::~CaptureTimeline() { document_.StopListening(listener_); }

TimelineMarks CaptureTimeline::Marks() {
  TimelineMarks marks = MarksToShow(session_.MarkStart(), session_.MarkEnd());
  // A key beside its mark while the mark stands; those of the line committed last as long as it is last.
  const auto keyed = [&](const CaptureSession::KeyedMark& mark, bool shown) {
    if (mark.keyedAt > 0 && shown) marks.keyedSeconds.push_back(static_cast<double>(mark.keyedAt));
  };
  keyed(session_.KeyedStart(), marks.startSeconds && session_.MarkStart() == session_.KeyedStart().markedAt);
  keyed(session_.KeyedEnd(), marks.endSeconds && session_.MarkEnd() == session_.KeyedEnd().markedAt);
  keyed(session_.CommittedKeyedStart(), true);
  keyed(session_.CommittedKeyedEnd(), true);
  return marks;
}

void CaptureTimeline::ReadSpans() {
  if (read_) return;
  // The old spans go first: at a million lines, two sets of them at once are a tenth of a gigabyte.
  spans_.Assign({});
  // A file still loading comes in runs of lines, each a change: its spans are read once it is all there.
  if (document_.LoadingFile != 0) return;
  spans_.Assign(ReadWrittenSpans(document_.Subtitles()));
  read_ = true;
}

bool CaptureTimeline::ReadSomeSpans(int most) {
  const SubtitleIndex& subtitles = document_.Subtitles();
  if (pendingUpTo_ == 0) {
    spans_.Assign({});
    pending_.reserve(static_cast<std::size_t>(subtitles.Count()));
  }
  const int count = std::min(most, subtitles.Count() - pendingUpTo_);
  ReadWrittenSpans(subtitles, pendingUpTo_, count, pending_);
  pendingUpTo_ += count;
  if (pendingUpTo_ < subtitles.Count()) return true;
  spans_.Assign(std::move(pending_));
  pending_ = {};
  pendingUpTo_ = 0;
  read_ = true;
  return false;
}

void CaptureTimeline::SpansBetween(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& spans) {
  ReadSpans();
  spans_.Between(fromSeconds, toSeconds, spans);
  if (drag_) {
    // The dragged line shows where it would land, in its place by start.
    std::erase_if(spans, [&](const TimelineSpan& span) { return span.timeLine == drag_->span.timeLine; });
    TimelineSpan landed = drag_->span;
    landed.startSeconds = static_cast<double>(drag_->landing.startMs) / 1000;
    landed.endSeconds = static_cast<double>(drag_->landing.endMs) / 1000;
    landed.dragged = true;
    if (std::max(landed.startSeconds, landed.endSeconds) >= fromSeconds &&
        std::min(landed.startSeconds, landed.endSeconds) <= toSeconds) {
      const auto at =
          std::upper_bound(spans.begin(), spans.end(), landed.startSeconds,
                           [](double start, const TimelineSpan& span) { return start < span.startSeconds; });
      spans.insert(at, std::move(landed));
    }
  }
  // Plain only for the lines asked for: a view shows a few of them at a time.
  for (TimelineSpan& span : spans) span.text = PlainSpanText(span.text);
}

SpanGrab CaptureTimeline::GrabNear(double seconds, double secondsPerColumn) {
  ReadSpans();
  const double reach = kEdgeGrabColumns * secondsPerColumn;
  spans_.Between(seconds - reach, seconds + reach, nearScratch_);
  return GrabAmong(nearScratch_, seconds, secondsPerColumn);
}

TimelineGrab CaptureTimeline::GrabAt(double seconds, double secondsPerColumn) {
  if (drag_) return drag_->part;
  return GrabNear(seconds, secondsPerColumn).part;
}

bool CaptureTimeline::PressAt(double seconds, double secondsPerColumn) {
  drag_.reset();
  if (!(secondsPerColumn > 0)) return false;
  const SpanGrab grab = GrabNear(seconds, secondsPerColumn);
  if (grab.part == TimelineGrab::None) return false;
  Drag drag;
  drag.part = grab.part;
  drag.span = nearScratch_[grab.index];
  drag.pressSeconds = seconds;
  drag.secondsPerColumn = secondsPerColumn;
  drag.revision = document_.TempRichEdit.Revision();
  drag.landing = {std::llround(drag.span.startSeconds * 1000), std::llround(drag.span.endSeconds * 1000)};
  drag_ = std::move(drag);
  return true;
}

DraggedTimes CaptureTimeline::Land(double seconds) {
  const Drag& drag = *drag_;
  const long long startMs = std::llround(drag.span.startSeconds * 1000);
  const long long endMs = std::llround(drag.span.endSeconds * 1000);
  const double moved = seconds - drag.pressSeconds;
  // What the moved edges could snap to: the other lines' edges near where they would land, the play head.
  const double reach = kSnapColumns * drag.secondsPerColumn;
  targetsScratch_.clear();
  for (const bool end : {false, true}) {
    if ((end && drag.part == TimelineGrab::StartEdge) || (!end && drag.part == TimelineGrab::EndEdge))
      continue;
    const double near = static_cast<double>(end ? endMs : startMs) / 1000 + moved;
    spans_.Between(near - reach, near + reach, nearScratch_);
    for (const TimelineSpan& span : nearScratch_) {
      if (span.timeLine == drag.span.timeLine) continue;
      targetsScratch_.push_back(span.startSeconds);
      targetsScratch_.push_back(span.endSeconds);
    }
  }
  if (PlayHead) {
    if (const std::optional<double> head = PlayHead()) targetsScratch_.push_back(*head);
  }
  return LandDrag(drag.part, startMs, endMs, moved, targetsScratch_, drag.secondsPerColumn);
}

void CaptureTimeline::DragTo(double seconds) {
  if (!drag_ || drag_->revision != document_.TempRichEdit.Revision()) return;
  drag_->landing = Land(seconds);
}

void CaptureTimeline::ReleaseAt(double seconds) {
  if (!drag_) return;
  const bool current = drag_->revision == document_.TempRichEdit.Revision();
  const DraggedTimes landing = current ? Land(seconds) : DraggedTimes{};
  const int timeLine = drag_->span.timeLine;
  drag_.reset();
  if (current && OnDragged) OnDragged(timeLine, landing);
}

void CaptureTimeline::CancelDrag() { drag_.reset(); }

}  // namespace titrelle
