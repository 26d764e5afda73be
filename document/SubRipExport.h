#pragma once
// A standard SubRip copy of a subtitle file, for today's players and video sites: a comma before the
// milliseconds, subtitles numbered from 1 in file order, UTF-8 with CR LF breaks. The program's own files
// keep their colon and code page 936; this copy is written beside them, never over them.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace titrelle {

// A file that cannot be read as subtitles. The message is UTF-8 (it goes to a terminal) and names no file;
// `line` is the 1-based line it is about, 0 when it is about the whole file.
class SubRipExportError : public std::runtime_error {
 public:
  SubRipExportError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int Line() const { return line_; }

 private:
  int line_;
};

struct SubRipExport {
  std::string utf8;       // the standard SubRip text
  int subtitleCount = 0;  // how many subtitles it holds
};

// Converts a subtitle file's bytes (code page 936, or UTF-8 as DetectFileEncoding tells it; any of CR LF,
// CR and LF as breaks); a file in UTF-16 is refused. A subtitle starts at its time line (document/TimeLine.h:
// its times in the program's layout, or with a comma or point before the milliseconds); a number line right before it is its
// number, and its text is every non-blank line up to the next subtitle's number or time line. `plain` drops
// "{...}" and "<...>" markup. Throws SubRipExportError for a time line that does not read, and for a file
// with no time line at all.
SubRipExport ExportStandardSubRip(std::string_view fileBytes, bool plain = false);

// The same of the file view's text, which is code page 936 whatever its bytes look like. It is a document
// being edited, whose time line may be half typed: a subtitle whose time line does not read is left out,
// and a text without one gives an empty copy.
SubRipExport ExportStandardSubRipOfFileView(std::string_view fileViewText);

// "movie.srt" gives "movie.standard.srt", in the same folder.
std::filesystem::path StandardSubRipPath(const std::filesystem::path& subtitlePath);

}  // namespace titrelle
