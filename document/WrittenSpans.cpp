#include "document/WrittenSpans.h"

#include <algorithm>

#include "base/Cp936.h"
#include "capture/TimeText.h"
#include "document/SubtitleIndex.h"
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

std::vector<TimelineSpan> ReadWrittenSpans(const SubtitleIndex& subtitles) {
  std::vector<TimelineSpan> spans;
  spans.reserve(static_cast<std::size_t>(subtitles.Count()));
  ReadWrittenSpans(subtitles, 0, subtitles.Count(), spans);
  return spans;
}

void ReadWrittenSpans(const SubtitleIndex& subtitles, int first, int count,
                      std::vector<TimelineSpan>& spans) {
  for (int k = first; k < first + count; ++k) {
    const std::optional<SubtitleTimes>& times = subtitles.Times(k);
    if (!times) continue;
    TimelineSpan span;
    span.startSeconds = static_cast<double>(times->start.Seconds());
    span.endSeconds = static_cast<double>(times->end.Seconds());
    if (!ReadNumber(subtitles.NumberLine(k), span.number)) span.number = k + 1;
    span.timeLine = subtitles.TimeLine(k);
    // Its text lines as they stand, joined by CR LF: the view makes them plain for the lines it shows. Only
    // their start can be shown; the markup that plain text loses fits many times in what is kept.
    const std::string_view lines = subtitles.TimeAndTextLines(k);
    const std::size_t textStart = lines.find("\r\n");
    if (textStart != std::string_view::npos)
      span.text = LeadingCharacters(lines.substr(textStart + 2), kSpanTextBytes);
    spans.push_back(span);
  }
}

std::vector<TimelineSpan> ReadWrittenSpans(std::string_view fileViewText) {
  Listing fileView;
  fileView.SetListingText(fileViewText);
  return ReadWrittenSpans(SubtitleIndex(fileView));
}

void WrittenSpanIndex::Assign(std::vector<TimelineSpan> spans) {
  spans_ = std::move(spans);
  // A file's subtitles are nearly always in order already: a look costs far less than a sort.
  const auto byStart = [](const TimelineSpan& a, const TimelineSpan& b) {
    return a.startSeconds < b.startSeconds;
  };
  if (!std::is_sorted(spans_.begin(), spans_.end(), byStart))
    std::stable_sort(spans_.begin(), spans_.end(), byStart);
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
