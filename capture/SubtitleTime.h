#pragma once
// A subtitle's start or end: whole milliseconds from the video's start, read from and written in the two
// layouts a time takes in the files: the program's own, with a colon before the milliseconds
// ("00:00:01:000"), and the standard SubRip one, with a comma ("00:00:01,000").

#include <optional>
#include <string>
#include <string_view>

namespace titrelle {

enum class TimeLayout {
  Program,   // HH:MM:SS:mmm
  Standard,  // HH:MM:SS,mmm
};

class SubtitleTime {
 public:
  // 999:59:59,999. Three hour digits at most: no field, sum or product of a reading can overflow, and every
  // time written reads back.
  static constexpr long long kMostMilliseconds = 1000LL * 3600 * 1000 - 1;

  constexpr SubtitleTime() = default;

  // nullopt outside 0 .. kMostMilliseconds.
  static std::optional<SubtitleTime> FromMilliseconds(long long milliseconds);

  // "HH:MM:SS:mmm", or with a comma or a point before the milliseconds (files from elsewhere); two or three
  // digits of hours, two of minutes and of seconds (read as they stand, 00 to 99), three of milliseconds.
  // Nothing else: no blank, no sign. nullopt for anything that is not such a time.
  static std::optional<SubtitleTime> Read(std::string_view text);

  // The program's own layout read by its columns, as the time boxes and caret following hold it: hours from
  // characters 1-2, minutes 4-5, seconds 7-8, milliseconds 10-12; the characters between and after them are
  // not looked at. Throws Error "'%s' is not a valid integer value" naming the first field that is not
  // made of decimal digits.
  static SubtitleTime ReadColumns(std::string_view timeText);

  long long Milliseconds() const { return milliseconds_; }
  // Whole seconds plus the thousandths, in the extended precision the program keeps seconds in.
  long double Seconds() const;

  // Minutes and seconds below 60, at least two digits of hours.
  void AppendTo(std::string& out, TimeLayout layout) const;
  std::string Text(TimeLayout layout) const;

  friend bool operator==(SubtitleTime, SubtitleTime) = default;

 private:
  explicit constexpr SubtitleTime(long long milliseconds) : milliseconds_(milliseconds) {}
  long long milliseconds_ = 0;
};

// Appends `value` (not negative) in decimal, at least `width` digits (zeros in front): times are written by
// hand, tens of thousands of them in a large document.
void AppendDigits(std::string& out, long long value, int width);

}  // namespace titrelle
