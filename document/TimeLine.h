#pragma once
// The second line of a subtitle's line group: its start, a blank, the arrow, a blank, its end. Every part of
// the program that looks for, reads or writes a time line does it here, so that they all agree on which line
// is one and on what its times are.

#include <optional>
#include <string>
#include <string_view>

#include "capture/SubtitleTime.h"

namespace titrelle {

// Its bytes are below every trail byte of code page 936: a plain search cannot match inside a double-byte
// character.
inline constexpr std::string_view kTimeLineArrow = "-->";

// What a time line looks like, for messages.
inline constexpr std::string_view kTimeLineLayoutText = "HH:MM:SS:mmm --> HH:MM:SS:mmm";

// A line holding the arrow anywhere is a time line: resuming, following the caret, the write-back, the
// copies and the views all go by this. Its times may still not read (a line being typed, a subtitle text
// holding the arrow).
inline bool IsTimeLine(std::string_view line) { return line.find(kTimeLineArrow) != std::string_view::npos; }

// A line of decimal digits alone, blanks around them aside: a subtitle's number.
bool IsNumberLine(std::string_view line);

// A line of blanks and control characters alone, or none: no subtitle's text.
bool IsBlankLine(std::string_view line);

struct SubtitleTimes {
  SubtitleTime start;
  SubtitleTime end;
  friend bool operator==(const SubtitleTimes&, const SubtitleTimes&) = default;
};

// The start is what stands before the first arrow, the end what follows it up to the next blank (a standard
// file may carry coordinates after it), blanks around either aside; each must read as a SubtitleTime.
std::optional<SubtitleTimes> ReadTimeLine(std::string_view line);

// "start --> end" in the layout asked for.
void AppendTimeLine(std::string& out, const SubtitleTimes& times, TimeLayout layout);

// The time line a commit writes: the two boxes' texts as they stand, blanks around them removed.
std::string ComposeTimeLine(std::string_view startText, std::string_view endText);

// A time line read by its columns, as caret following shows it in the two boxes: characters 1 to 12 are the
// start, characters 18 to 29 the end (empty when the line is shorter than 18 characters). Whether they are
// times is SubtitleTime::ReadColumns' to say.
struct TimeLineColumns {
  std::string start;
  std::string end;
};
TimeLineColumns ReadTimeLineColumns(std::string_view line);

}  // namespace titrelle
