#include "capture/TimeText.h"

#include <charconv>
#include <cmath>
#include <string>

#include "capture/SubtitleTime.h"

namespace titrelle {

namespace {

constexpr int kSignificantDigits = 15;
// Below 1E-4 the decimal text would be mostly zeros; from 1E15 on it would need more digits than are kept.
constexpr int kSmallestFixedExponent = -4;
constexpr int kLargestFixedExponent = kSignificantDigits - 1;

}  // namespace

std::string PositionDecimalText(double position) {
  if (std::isnan(position)) return "NAN";
  if (std::isinf(position)) return position < 0 ? "-INF" : "INF";
  if (position == 0) return "0";

  // d.dddddddddddddde[+-]x: the rounding to 15 significant digits is done here, without the locale.
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, position,
                                          std::chars_format::scientific, kSignificantDigits - 1);
  if (error != std::errc()) return "0";
  const std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));

  const bool negative = scientific.front() == '-';
  const std::size_t mantissaStart = negative ? 1 : 0;
  const std::size_t exponentMark = scientific.find('e');
  std::string digits;
  for (std::size_t i = mantissaStart; i < exponentMark; ++i) {
    if (scientific[i] != '.') digits += scientific[i];
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = 0;
  std::string_view exponentText = scientific.substr(exponentMark + 1);
  if (exponentText.front() == '+') exponentText.remove_prefix(1);
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

  std::string text = negative ? "-" : "";
  const std::size_t integerDigits = exponent < 0 ? 0 : static_cast<std::size_t>(exponent) + 1;
  if (exponent < kSmallestFixedExponent || exponent > kLargestFixedExponent) {
    text += digits.front();
    if (digits.size() > 1) text.append(".").append(digits, 1);
    text += exponent < 0 ? "E-" : "E";
    text += std::to_string(exponent < 0 ? -exponent : exponent);
  } else if (exponent < 0) {
    text.append("0.").append(static_cast<std::size_t>(-exponent - 1), '0').append(digits);
  } else if (digits.size() <= integerDigits) {
    text.append(digits).append(integerDigits - digits.size(), '0');
  } else {
    text.append(digits, 0, integerDigits).append(".").append(digits, integerDigits);
  }
  return text;
}

std::string ComposeTimeText(std::string_view positionString, double position) {
  const std::string decimal = PositionDecimalText(position);
  std::string milliseconds;
  const std::size_t point = decimal.find('.');
  if (point != std::string::npos) {
    // Cut, not rounded: a position just short of the next second must not show that second's milliseconds.
    milliseconds = decimal.substr(point + 1, 3);
    milliseconds.resize(3, '0');
  } else if (positionString.empty()) {
    // No position at all: the first characters of the number, which at 0 gives the no-position text ":0".
    milliseconds = decimal.substr(0, 3);
  } else {
    // A whole second (or a position below a tenth of a millisecond, written as "5E-5"): its milliseconds
    // are 000. Taking the first digits of the number instead would write 3723 s as 01:02:03:372, and
    // 1 s as the broken time "00:00:01:1" that no later resume could read back.
    milliseconds = "000";
  }
  std::string joined = std::string(positionString) + ":" + milliseconds;
  // The player writes MM:SS below an hour; the stored layout always has hours.
  if (joined.size() == 9) return "00:" + joined;
  return joined;
}

long double TimeTextToSeconds(std::string_view timeText) {
  return SubtitleTime::ReadColumns(timeText).Seconds();
}

std::string TrimText(std::string_view text) { return std::string(TrimmedView(text)); }

std::string_view TrimmedView(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace titrelle
