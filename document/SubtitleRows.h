#pragma once
// The subtitle table's rows: what a row shows of one subtitle, read from the subtitle index on demand (a
// view asks for the rows it shows, a screen at a time), and the flags that point the user at a line worth
// a second look. The texts are code page 936, ready to show.

#include <cstddef>
#include <string>
#include <string_view>

#include "document/SubtitleIndex.h"

namespace titrelle {

// The flags' thresholds, in one place.
// A line shown for less than this is too short to read.
inline constexpr long long kShortestReadableMs = 700;
// More characters a second than this cannot be read (Chinese characters; see CountReadCharacters).
inline constexpr double kFastestCharactersPerSecond = 15.0;

namespace rowflag {
constexpr unsigned OverlapsNext = 1;  // it ends after the next line starts
constexpr unsigned Short = 2;         // shown for less than kShortestReadableMs
constexpr unsigned Fast = 4;          // more than kFastestCharactersPerSecond characters a second
}  // namespace rowflag

// What a row keeps of its text at most, in bytes: more than any cell can show.
inline constexpr std::size_t kRowTextBytes = 8192;

enum class RowColumn { Number, Start, End, Duration, CharactersPerSecond, Text };
inline constexpr int kRowColumnCount = 6;

struct SubtitleRow {
  int number = 0;      // its number line's number, else its place among the subtitles from 1
  bool timed = false;  // false while its time line does not read: no times, no flags
  long long startMs = 0;
  long long endMs = 0;
  long long durationMs = 0;        // end less start (negative for a line whose end comes first)
  int characters = 0;              // CountReadCharacters of its text
  double charactersPerSecond = 0;  // 0 when it lasts no time
  std::string text;                // as the user view shows it, its lines joined by a blank; at most
                                   // its first kRowTextBytes
  unsigned flags = 0;              // rowflag bits
};

// The characters a reader reads in a line of code page 936 text: a double-byte character (a Chinese
// character, a full-width mark) counts one, as does every single-byte character but blanks and control
// characters.
int CountReadCharacters(std::string_view cp936);

// Row `row` of the table over `subtitles` (0 <= row < subtitles.Count()).
SubtitleRow ReadSubtitleRow(const SubtitleIndex& subtitles, int row);

// What a cell shows: the times as the program writes them, durations in seconds with milliseconds, the
// speed to a tenth.
std::string RowCellText(const SubtitleRow& row, RowColumn column);
// The column's title (编号, 开始, 结束, 时长, 字/秒, 文本).
std::string RowColumnTitle(RowColumn column);
// Why a row is flagged, one reason a line (empty for none).
std::string RowFlagsText(unsigned flags);

// A change of the subtitles as the rows it touches: the rows whose cells may read otherwise (the changed
// ones, and the one before them, whose overlap with its next line may have come or gone), then the rows
// removed or inserted. A change that empties the table, fills an empty one, or replaces every row with more
// or fewer (an open, a resume) is a reload: a view takes the rows anew.
struct RowChange {
  int firstChanged = 0;
  int changedCount = 0;
  int removedFirst = 0;
  int removed = 0;
  int inserted = 0;
  bool reload = false;
};
RowChange RowsTouched(const SubtitleChange& change, int rowsBefore, int rowsAfter);

}  // namespace titrelle
