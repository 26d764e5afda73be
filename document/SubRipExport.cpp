#include "document/SubRipExport.h"

#include <optional>
#include <vector>

#include "capture/TimeText.h"
#include "document/Cp936Decoder.h"
#include "document/SubtitleFile.h"
#include "document/TimeLine.h"

namespace titrelle {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Each of CR LF, CR and LF ends a line, as when the program reads a file; a text that ends with a break has
// no empty last line.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  lines.reserve(text.size() / 16 + 1);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t stop = start;
    while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
    lines.push_back(text.substr(start, stop - start));
    if (stop == text.size()) break;
    start = stop + 1;
    if (text[stop] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// "<" opens a tag only before a letter or "/letter" ("<i>", "</font>"), so that "a < b" stays text; a "{" or
// "<" that is never closed on its line is text too.
bool OpensTag(std::string_view line, std::size_t at) {
  std::size_t next = at + 1;
  if (next < line.size() && line[next] == '/') ++next;
  return next < line.size() && IsAsciiLetter(line[next]);
}

// Works on UTF-8, where no byte of a multi-byte character is "{", "}", "<" or ">" (in code page 936 a trail
// byte can be "{" or "}").
std::string DropMarkup(std::string_view line) {
  std::string text;
  text.reserve(line.size());
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    std::size_t close = std::string_view::npos;
    if (c == '{') close = line.find('}', i + 1);
    if (c == '<' && OpensTag(line, i)) close = line.find('>', i + 1);
    if (close != std::string_view::npos) {
      i = close + 1;
      continue;
    }
    text += c;
    ++i;
  }
  return text;
}

SubRipExport ExportUtf8(std::string_view utf8, bool plain, bool skipUnreadable) {
  const std::vector<std::string_view> lines = SplitLines(utf8);

  std::vector<std::size_t> timeLines;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (IsTimeLine(lines[i])) timeLines.push_back(i);
  }
  if (timeLines.empty()) {
    if (skipUnreadable) return {};
    throw SubRipExportError(0, "no time line (" + std::string(kTimeLineLayoutText) + ") in " +
                                   std::to_string(lines.size()) + " lines");
  }

  SubRipExport result;
  result.utf8.reserve(utf8.size() + utf8.size() / 8);
  for (std::size_t k = 0; k < timeLines.size(); ++k) {
    const std::size_t timeLine = timeLines[k];
    const std::optional<SubtitleTimes> times = ReadTimeLine(lines[timeLine]);
    if (!times) {
      if (skipUnreadable) continue;
      throw SubRipExportError(static_cast<int>(timeLine) + 1, "'" + TrimText(lines[timeLine]) +
                                                                  "' is not a time line (" +
                                                                  std::string(kTimeLineLayoutText) + ")");
    }
    // The text runs to the next subtitle: its number line, or its time line when it has no number.
    std::size_t textEnd = lines.size();
    if (k + 1 < timeLines.size()) {
      textEnd = timeLines[k + 1];
      if (textEnd - 1 > timeLine && IsNumberLine(lines[textEnd - 1])) --textEnd;
    }

    ++result.subtitleCount;
    result.utf8 += std::to_string(result.subtitleCount);
    result.utf8 += "\r\n";
    AppendTimeLine(result.utf8, *times, TimeLayout::Standard);
    result.utf8 += "\r\n";
    // A blank line ends a subtitle for every reader: blank lines inside the text are left out.
    for (std::size_t i = timeLine + 1; i < textEnd; ++i) {
      if (plain) {
        const std::string text = DropMarkup(lines[i]);
        if (IsBlankLine(text)) continue;
        result.utf8 += text;
      } else {
        if (IsBlankLine(lines[i])) continue;
        result.utf8 += lines[i];
      }
      result.utf8 += "\r\n";
    }
    result.utf8 += "\r\n";
  }
  return result;
}

}  // namespace

SubRipExport ExportStandardSubRip(std::string_view fileBytes, bool plain) {
  // One conversion of the whole file: CR and LF are the same bytes in both encodings, so lines and their
  // numbers stay where they were.
  switch (DetectFileEncoding(fileBytes)) {
    case FileEncoding::Utf8:
      if (fileBytes.starts_with(kByteOrderMark)) fileBytes.remove_prefix(kByteOrderMark.size());
      return ExportUtf8(fileBytes, plain, false);
    case FileEncoding::Utf16:
      throw SubRipExportError(
          0, "the file is in UTF-16, which the copy does not read (only UTF-8 and code page 936)");
    case FileEncoding::Cp936:
      break;
  }
  return ExportUtf8(Utf8FromCp936Document(fileBytes), plain, false);
}

SubRipExport ExportStandardSubRipOfFileView(std::string_view fileViewText) {
  return ExportUtf8(Utf8FromCp936Document(fileViewText), false, true);
}

std::filesystem::path StandardSubRipPath(const std::filesystem::path& subtitlePath) {
  std::filesystem::path standard = subtitlePath;
  standard.replace_extension(".standard.srt");
  return standard;
}

}  // namespace titrelle
