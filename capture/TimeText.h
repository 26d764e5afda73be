#pragma once
#include <string>
#include <string_view>

namespace titrelle {

inline constexpr const char* kNoPositionText = ":0";
inline constexpr const char* kZeroTimeText = "00:00:00:000";
inline constexpr const char* kFirstStartTimeText = "00:00:00:001";

// The position as decimal text with 15 significant digits: trailing zeros and point dropped, "." whatever
// the locale, scientific notation below 0.0001 ("5E-5").
std::string PositionDecimalText(double position);

// The text steps of a build: S + ":" + milliseconds field, with "00:" put before a 9-character result.
std::string ComposeTimeText(std::string_view positionString, double position);

// HH:MM:SS:mmm to seconds, read by its columns (SubtitleTime::ReadColumns); throws Error "'%s' is not a valid
// integer value" for a field that is not made of decimal digits.
long double TimeTextToSeconds(std::string_view timeText);

// A blank or a control character, compared as an unsigned byte: the bytes of a double-byte character are all
// above 0x80 and never blanks.
constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading and trailing blanks and control characters removed.
std::string TrimText(std::string_view text);
std::string_view TrimmedView(std::string_view text);

}  // namespace titrelle
