#include "editing/CaretSubtitle.h"

#include <algorithm>
#include <string_view>

#include "capture/TimeText.h"

namespace titrelle {

namespace {

// A piece of the listing holding nothing but blanks: what separates two subtitles. The empty piece after a
// final break is one too.
bool IsBlankPiece(const Listing& listing, int piece) {
  if (piece >= listing.Count()) return true;
  return TrimmedView(listing.LineView(piece)).empty();
}

}  // namespace

std::optional<CaretSubtitle> FindCaretSubtitle(const Listing& fileView, int caretLine) {
  const int pieces = fileView.PieceCount();
  int line = std::clamp(caretLine, 0, pieces - 1);
  while (line > 0 && IsBlankPiece(fileView, line)) --line;
  if (IsBlankPiece(fileView, line)) return std::nullopt;
  int first = line;
  while (first > 0 && !IsBlankPiece(fileView, first - 1)) --first;
  CaretSubtitle subtitle;
  subtitle.first = first;
  int timeLine = -1;
  int last = first;
  for (; last < pieces && !IsBlankPiece(fileView, last); ++last) {
    if (timeLine < 0 && IsTimeLine(fileView.LineView(last))) timeLine = last;
  }
  if (timeLine < 0) return std::nullopt;
  const std::optional<SubtitleTimes> times = ReadTimeLine(fileView.LineView(timeLine));
  if (!times) return std::nullopt;
  subtitle.timeLine = timeLine;
  subtitle.times = *times;
  // The blank line closing the group goes with it, when there is one.
  subtitle.end = std::min(last + 1, pieces);
  return subtitle;
}

bool IsLastSubtitle(const Listing& fileView, const CaretSubtitle& subtitle) {
  for (int line = fileView.Count() - 1; line >= subtitle.end; --line) {
    if (IsTimeLine(fileView.LineView(line))) return false;
  }
  return true;
}

std::optional<CaretSubtitle> NextSubtitle(const Listing& fileView, const CaretSubtitle& subtitle) {
  const int count = fileView.Count();
  for (int line = subtitle.end; line < count; ++line) {
    if (IsTimeLine(fileView.LineView(line))) {
      std::optional<CaretSubtitle> next = FindCaretSubtitle(fileView, line);
      if (next && next->timeLine == line) return next;
    }
  }
  return std::nullopt;
}

std::optional<SubtitleTimes> InsertedSubtitleTimes(const SubtitleTimes& before,
                                                   const std::optional<SubtitleTimes>& next) {
  const long long startMs = before.end.Milliseconds();
  long long endMs = startMs + kInsertedMs;
  if (next && next->start.Milliseconds() - startMs >= kShortestGapMs)
    endMs = std::min(endMs, next->start.Milliseconds());
  const std::optional<SubtitleTime> end = SubtitleTime::FromMilliseconds(endMs);
  if (!end) return std::nullopt;
  return SubtitleTimes{before.end, *end};
}

}  // namespace titrelle
