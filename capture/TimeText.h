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

// HH:MM:SS:mmm to seconds; throws Error "'%s' is not a valid integer value" for a field that is not one.
long double TimeTextToSeconds(std::string_view timeText);

// Leading and trailing blanks and control characters removed.
std::string TrimText(std::string_view text);

}  // namespace titrelle
