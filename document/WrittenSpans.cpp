#include "document/WrittenSpans.h"

#include <algorithm>

#include "base/Error.h"
#include "capture/TimeText.h"

namespace titrelle {

namespace {

constexpr std::string_view kArrow = "-->";
constexpr std::size_t kTimeTextLength = 12;  // HH:MM:SS:mmm

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The time text's shape, before TimeTextToSeconds reads it: it takes a sign or a short field too.
bool ReadTime(std::string_view text, double& seconds) {
  if (text.size() != kTimeTextLength || text[2] != ':' || text[5] != ':' || text[8] != ':') return false;
  for (const std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u, 9u, 10u, 11u}) {
    if (!IsDigit(text[i])) return false;
  }
  try {
    seconds = static_cast<double>(TimeTextToSeconds(text));
  } catch (const Error&) {
    return false;
  }
  return true;
}

bool ReadNumber(std::string_view line, int& number) {
  line = Trimmed(line);
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
  std::size_t start = 0;
  while (start < fileViewText.size()) {
    std::size_t stop = fileViewText.find("\r\n", start);
    if (stop == std::string_view::npos) stop = fileViewText.size();
    const std::string_view line = fileViewText.substr(start, stop - start);
    const std::size_t arrow = line.find(kArrow);
    if (arrow != std::string_view::npos) {
      ++timeLines;
      TimelineSpan span;
      if (ReadTime(Trimmed(line.substr(0, arrow)), span.startSeconds) &&
          ReadTime(Trimmed(line.substr(arrow + kArrow.size())), span.endSeconds)) {
        if (!ReadNumber(previousLine, span.number)) span.number = timeLines;
        spans.push_back(span);
      }
    }
    previousLine = line;
    start = stop + 2;
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
  auto it = std::lower_bound(spans_.begin(), spans_.end(), earliestStart,
                             [](const TimelineSpan& span, double seconds) { return span.startSeconds < seconds; });
  for (; it != spans_.end() && it->startSeconds <= toSeconds; ++it) {
    if (it->endSeconds >= fromSeconds) out.push_back(*it);
  }
}

}  // namespace titrelle
