#include "document/WrittenSpans.h"

#include <algorithm>

#include "capture/TimeText.h"
#include "document/TimeLine.h"

namespace titrelle {

namespace {

bool ReadNumber(std::string_view line, int& number) {
  line = TrimmedView(line);
  if (line.empty() || line.size() > 9) return false;
  int value = 0;
  for (const char c : line) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  number = value;
  return true;
}

}  // namespace

std::vector<TimelineSpan> ReadWrittenSpans(std::string_view fileViewText) {
  std::vector<TimelineSpan> spans;
  std::string_view previousLine;
  int timeLines = 0;
  int lineIndex = 0;
  std::size_t start = 0;
  while (start < fileViewText.size()) {
    std::size_t stop = fileViewText.find("\r\n", start);
    if (stop == std::string_view::npos) stop = fileViewText.size();
    const std::string_view line = fileViewText.substr(start, stop - start);
    if (IsTimeLine(line)) {
      ++timeLines;
      if (const std::optional<SubtitleTimes> times = ReadTimeLine(line)) {
        TimelineSpan span;
        span.startSeconds = static_cast<double>(times->start.Seconds());
        span.endSeconds = static_cast<double>(times->end.Seconds());
        if (!ReadNumber(previousLine, span.number)) span.number = timeLines;
        span.timeLine = lineIndex;
        spans.push_back(span);
      }
    }
    previousLine = line;
    start = stop + 2;
    ++lineIndex;
  }
  return spans;
}

void WrittenSpanIndex::Assign(std::vector<TimelineSpan> spans) {
  spans_ = std::move(spans);
  std::stable_sort(spans_.begin(), spans_.end(), [](const TimelineSpan& a, const TimelineSpan& b) {
    return a.startSeconds < b.startSeconds;
  });
  longestSeconds_ = 0;
  for (const TimelineSpan& span : spans_) {
    longestSeconds_ = std::max(longestSeconds_, span.endSeconds - span.startSeconds);
  }
}

void WrittenSpanIndex::Between(double fromSeconds, double toSeconds, std::vector<TimelineSpan>& out) const {
  out.clear();
  // No span is longer than the longest: one that starts earlier than this ends before `fromSeconds`.
  const double earliestStart = fromSeconds - longestSeconds_;
  auto it =
      std::lower_bound(spans_.begin(), spans_.end(), earliestStart,
                       [](const TimelineSpan& span, double seconds) { return span.startSeconds < seconds; });
  for (; it != spans_.end() && it->startSeconds <= toSeconds; ++it) {
    if (it->endSeconds >= fromSeconds) out.push_back(*it);
  }
}

}  // namespace titrelle
