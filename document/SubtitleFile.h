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

// A byte order mark says it. Without one, text whose zero bytes sit nearly all in the odd places, or nearly all
// in the even ones, and that reads as UTF-16 code units is UTF-16 (so is text that is a quarter zero bytes);
// well-formed UTF-8 holding a character of several bytes is UTF-8. Everything else is taken for code page 936.
FileEncoding DetectFileEncoding(std::string_view bytes);

}  // namespace titrelle
