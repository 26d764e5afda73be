#include "document/TimeLine.h"

#include "capture/TimeText.h"

namespace titrelle {

namespace {

// "start --> end": the start's 12 characters and a blank come before the arrow, a blank after it.
constexpr std::size_t kColumnsTimeLength = 12;
constexpr std::size_t kColumnsEndOffset = kColumnsTimeLength + 1 + kTimeLineArrow.size() + 1;

}  // namespace

bool IsNumberLine(std::string_view line) {
  const std::string_view digits = TrimmedView(line);
  if (digits.empty()) return false;
  for (const char c : digits) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

bool IsBlankLine(std::string_view line) {
  for (const char c : line) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

std::optional<SubtitleTimes> ReadTimeLine(std::string_view line) {
  const std::size_t arrow = line.find(kTimeLineArrow);
  if (arrow == std::string_view::npos) return std::nullopt;
  const std::optional<SubtitleTime> start = SubtitleTime::Read(TrimmedView(line.substr(0, arrow)));
  if (!start) return std::nullopt;
  std::string_view end = TrimmedView(line.substr(arrow + kTimeLineArrow.size()));
  std::size_t endLength = 0;
  while (endLength < end.size() && !IsBlank(end[endLength])) ++endLength;
  const std::optional<SubtitleTime> endTime = SubtitleTime::Read(end.substr(0, endLength));
  if (!endTime) return std::nullopt;
  return SubtitleTimes{*start, *endTime};
}

void AppendTimeLine(std::string& out, const SubtitleTimes& times, TimeLayout layout) {
  times.start.AppendTo(out, layout);
  out += ' ';
  out += kTimeLineArrow;
  out += ' ';
  times.end.AppendTo(out, layout);
}

std::string ComposeTimeLine(std::string_view startText, std::string_view endText) {
  std::string line(TrimmedView(startText));
  line += ' ';
  line += kTimeLineArrow;
  line += ' ';
  line += TrimmedView(endText);
  return line;
}

TimeLineColumns ReadTimeLineColumns(std::string_view line) {
  TimeLineColumns columns;
  columns.start = std::string(line.substr(0, kColumnsTimeLength));
  if (line.size() > kColumnsEndOffset)
    columns.end = std::string(line.substr(kColumnsEndOffset, kColumnsTimeLength));
  return columns;
}

}  // namespace titrelle
