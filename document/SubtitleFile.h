#pragma once
// The subtitle file on disk: its text is the file view's text, byte for byte. Reading and saving go through
// the file-system edge (ui/FileSystem.h); this is what the program does with the bytes.

#include <string>
#include <string_view>

namespace titrelle {

// A file's bytes as the file view holds them: CR LF, a lone CR and a lone LF each become one CR LF.
std::string NormalizeLineBreaks(std::string_view bytes);

}  // namespace titrelle

namespace titrelle {

// What a subtitle file's bytes are written in, as far as they tell. The program edits code page 936 only.
enum class FileEncoding { Cp936, Utf8, Utf16 };

// A byte order mark says it. Without one, text whose zero bytes sit nearly all in the odd places, or nearly
// all in the even ones, and that reads as UTF-16 code units is UTF-16 (so is text that is a quarter zero
// bytes); well-formed UTF-8 holding a character of several bytes is UTF-8. Everything else is taken for code
// page 936.
FileEncoding DetectFileEncoding(std::string_view bytes);

// The same look, and whether the line breaks need NormalizeLineBreaks, taken at a file read a piece at a
// time: each piece is looked at once, as it comes, cut just after a line feed (an ASCII byte ends no UTF-8
// character and no CR LF), and the pieces together tell what the whole would.
class FileTextScan {
 public:
  // Looks at what came since the last call, up to its last line feed; at the end, at all of it. `bytes` is
  // everything read so far.
  void Scan(std::string_view bytes, bool atEnd);
  // Once every byte was looked at.
  FileEncoding Encoding(std::string_view bytes) const;
  // Every line break is CR LF already: NormalizeLineBreaks would give the bytes as they are.
  bool BreaksAreCrLf() const { return carriageReturns_ == crLineFeeds_ && lineFeeds_ == crLineFeeds_; }
  std::size_t Scanned() const { return scanned_; }

 private:
  std::size_t scanned_ = 0;
  std::size_t zeros_[2] = {0, 0};  // at even places of the file, at odd places
  bool utf8_ = true;               // well-formed UTF-8 so far
  bool multiByte_ = false;         // holding a character of several bytes
  std::size_t lineFeeds_ = 0;
  std::size_t carriageReturns_ = 0;
  std::size_t crLineFeeds_ = 0;
};

}  // namespace titrelle
