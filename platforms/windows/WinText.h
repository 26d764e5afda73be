#pragma once
// The program's texts (code page 936 bytes) and the Win32 API's wide strings, converted at the edge with code
// page 936 whatever the system's own code page is, so that 黑体 (BA DA CC E5) always survives.

#include <string>
#include <string_view>

namespace titrelle {

std::wstring WideFromCp936(std::string_view text);
// A character code page 936 cannot hold becomes "?".
std::string Cp936FromWide(std::wstring_view text);
// The user's text as the core judges it (ui/TypedText.h); half a surrogate pair becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
// The system's words for an error code (GetLastError, a registry result), without the final line break.
std::string SystemMessage(unsigned long error);

}  // namespace titrelle
