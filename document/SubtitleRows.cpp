#include "document/SubtitleRows.h"

#include <algorithm>
#include <cstdio>

#include "base/Cp936.h"
#include "document/UserViewDerivation.h"

namespace titrelle {

namespace {

// 编号, 开始, 结束, 时长, 字/秒, 文本
constexpr std::string_view kTitles[kRowColumnCount] = {"\xB1\xE0\xBA\xC5",  "\xBF\xAA\xCA\xBC",
                                                       "\xBD\xE1\xCA\xF8",  "\xCA\xB1\xB3\xA4",
                                                       "\xD7\xD6/\xC3\xEB", "\xCE\xC4\xB1\xBE"};
// 与下一句重叠
constexpr std::string_view kOverlapsText = "\xD3\xEB\xCF\xC2\xD2\xBB\xBE\xE4\xD6\xD8\xB5\xFE";
// 短于 %s 秒, 每秒超过 %s 字: the thresholds filled in
constexpr std::string_view kShorterThan = "\xB6\xCC\xD3\xDA ";
constexpr std::string_view kSecondsUnit = " \xC3\xEB";
constexpr std::string_view kMoreASecondThan = "\xC3\xBF\xC3\xEB\xB3\xAC\xB9\xFD ";
constexpr std::string_view kCharactersUnit = " \xD7\xD6";

bool ReadNumber(std::string_view line, int& number) {
  int value = 0;
  bool digits = false;
  for (const char c : line) {
    if (c >= '0' && c <= '9') {
      if (value > 99'999'999) return false;
      value = value * 10 + (c - '0');
      digits = true;
    } else if (static_cast<unsigned char>(c) > ' ') {
      return false;
    }
  }
  if (digits) number = value;
  return digits;
}

std::string Seconds(long long milliseconds, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(milliseconds) / 1000.0);
  return text;
}

}  // namespace

int CountReadCharacters(std::string_view cp936) {
  int count = 0;
  for (std::size_t at = 0; at < cp936.size(); ++at) {
    const auto byte = static_cast<unsigned char>(cp936[at]);
    if (IsLeadByte(byte) && at + 1 < cp936.size()) {
      ++count;
      ++at;
    } else if (byte > ' ' && byte != 0x7F) {
      ++count;
    }
  }
  return count;
}

SubtitleRow ReadSubtitleRow(const SubtitleIndex& subtitles, int row) {
  SubtitleRow result;
  if (!ReadNumber(subtitles.NumberLine(row), result.number)) result.number = row + 1;
  const std::string_view lines = subtitles.TimeAndTextLines(row);
  const std::size_t textStart = lines.find("\r\n");
  if (textStart != std::string_view::npos) {
    // Plain, as the user view shows it: the style markup taken out, the lines joined by a blank (neither a
    // break nor a blank is read). Every character is counted; only the start of a long line is kept.
    const std::string plain = DeriveUserViewText(lines.substr(textStart + 2));
    result.characters = CountReadCharacters(plain);
    result.text = LeadingCharacters(plain, kRowTextBytes);
    for (std::size_t at = result.text.find("\r\n"); at != std::string::npos;
         at = result.text.find("\r\n", at))
      result.text.replace(at, 2, " ");
  }
  const std::optional<SubtitleTimes>& times = subtitles.Times(row);
  if (!times) return result;
  result.timed = true;
  result.startMs = times->start.Milliseconds();
  result.endMs = times->end.Milliseconds();
  result.durationMs = result.endMs - result.startMs;
  if (result.durationMs > 0)
    result.charactersPerSecond = result.characters * 1000.0 / static_cast<double>(result.durationMs);
  if (result.durationMs < kShortestReadableMs) result.flags |= rowflag::Short;
  if (result.charactersPerSecond > kFastestCharactersPerSecond) result.flags |= rowflag::Fast;
  if (row + 1 < subtitles.Count()) {
    const std::optional<SubtitleTimes>& next = subtitles.Times(row + 1);
    if (next && next->start.Milliseconds() < result.endMs) result.flags |= rowflag::OverlapsNext;
  }
  return result;
}

std::string RowCellText(const SubtitleRow& row, RowColumn column) {
  const auto time = [&](long long milliseconds) {
    const std::optional<SubtitleTime> value = SubtitleTime::FromMilliseconds(milliseconds);
    return row.timed && value ? value->Text(TimeLayout::Program) : std::string();
  };
  switch (column) {
    case RowColumn::Number:
      return std::to_string(row.number);
    case RowColumn::Start:
      return time(row.startMs);
    case RowColumn::End:
      return time(row.endMs);
    case RowColumn::Duration:
      return row.timed ? Seconds(row.durationMs, 3) : std::string();
    case RowColumn::CharactersPerSecond: {
      if (!row.timed || row.durationMs <= 0) return {};
      char text[32];
      std::snprintf(text, sizeof text, "%.1f", row.charactersPerSecond);
      return text;
    }
    case RowColumn::Text:
      return row.text;
  }
  return {};
}

std::string RowColumnTitle(RowColumn column) { return std::string(kTitles[static_cast<int>(column)]); }

std::string RowFlagsText(unsigned flags) {
  std::string text;
  const auto add = [&](unsigned flag, std::string_view reason) {
    if ((flags & flag) == 0) return;
    if (!text.empty()) text += "\n";
    text += reason;
  };
  add(rowflag::OverlapsNext, kOverlapsText);
  add(rowflag::Short,
      std::string(kShorterThan) + Seconds(kShortestReadableMs, 1) + std::string(kSecondsUnit));
  char fastest[32];
  std::snprintf(fastest, sizeof fastest, "%g", kFastestCharactersPerSecond);
  add(rowflag::Fast, std::string(kMoreASecondThan) + fastest + std::string(kCharactersUnit));
  return text;
}

RowChange RowsTouched(const SubtitleChange& change, int rowsBefore, int rowsAfter) {
  RowChange rows;
  // An open or a resume replaces every row there was with as many as the file holds.
  const bool everyRowReplaced = change.first == 0 && change.changed + change.removed == rowsBefore &&
                                (change.removed > 0 || change.inserted > 0);
  if (rowsBefore == 0 || rowsAfter == 0 || everyRowReplaced) {
    rows.reload = true;
    return rows;
  }
  // The row before the change reads its next line's start for its overlap.
  rows.firstChanged = std::max(change.first - 1, 0);
  rows.changedCount = change.first + change.changed - rows.firstChanged;
  rows.removedFirst = change.first + change.changed;
  rows.removed = change.removed;
  rows.inserted = change.inserted;
  return rows;
}

}  // namespace titrelle
