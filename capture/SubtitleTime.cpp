#include "capture/SubtitleTime.h"

#include "base/Error.h"
#include "capture/TimeText.h"

namespace titrelle {

namespace {

constexpr long long kMillisecondsPerSecond = 1000;
constexpr long long kMillisecondsPerMinute = 60 * kMillisecondsPerSecond;
constexpr long long kMillisecondsPerHour = 60 * kMillisecondsPerMinute;

// A field of one to three decimal digits, nothing else.
std::optional<int> ReadField(std::string_view field) {
  if (field.empty() || field.size() > 3) return std::nullopt;
  int value = 0;
  for (const char c : field) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

long long Total(int hours, int minutes, int seconds, int milliseconds) {
  return hours * kMillisecondsPerHour + minutes * kMillisecondsPerMinute + seconds * kMillisecondsPerSecond +
         milliseconds;
}

}  // namespace

std::optional<SubtitleTime> SubtitleTime::FromMilliseconds(long long milliseconds) {
  if (milliseconds < 0 || milliseconds > kMostMilliseconds) return std::nullopt;
  return SubtitleTime(milliseconds);
}

std::optional<SubtitleTime> SubtitleTime::Read(std::string_view text) {
  // HH:MM:SS:mmm is 12 characters, HHH:MM:SS:mmm 13.
  if (text.size() != 12 && text.size() != 13) return std::nullopt;
  const std::size_t hourDigits = text.size() - 10;
  const char beforeMilliseconds = text[hourDigits + 6];
  if (text[hourDigits] != ':' || text[hourDigits + 3] != ':' ||
      (beforeMilliseconds != ':' && beforeMilliseconds != ',' && beforeMilliseconds != '.'))
    return std::nullopt;
  const std::optional<int> hours = ReadField(text.substr(0, hourDigits));
  const std::optional<int> minutes = ReadField(text.substr(hourDigits + 1, 2));
  const std::optional<int> seconds = ReadField(text.substr(hourDigits + 4, 2));
  const std::optional<int> milliseconds = ReadField(text.substr(hourDigits + 7, 3));
  if (!hours || !minutes || !seconds || !milliseconds) return std::nullopt;
  return FromMilliseconds(Total(*hours, *minutes, *seconds, *milliseconds));
}

SubtitleTime SubtitleTime::ReadColumns(std::string_view timeText) {
  const auto field = [timeText](std::size_t offset, std::size_t length) {
    const std::string_view text =
        offset < timeText.size() ? timeText.substr(offset, length) : std::string_view();
    const std::optional<int> value = ReadField(text);
    if (!value) throw Error("'" + std::string(text) + "' is not a valid integer value");
    return *value;
  };
  const int hours = field(0, 2);
  const int minutes = field(3, 2);
  const int seconds = field(6, 2);
  const int milliseconds = field(9, 3);
  // Two hour digits stay far below the bound.
  return SubtitleTime(Total(hours, minutes, seconds, milliseconds));
}

long double SubtitleTime::Seconds() const {
  // The whole seconds are exact; only the thousandths round, as they always have.
  return static_cast<long double>(milliseconds_ / kMillisecondsPerSecond) +
         static_cast<long double>(milliseconds_ % kMillisecondsPerSecond) / 1000;
}

void SubtitleTime::AppendTo(std::string& out, TimeLayout layout) const {
  AppendDigits(out, milliseconds_ / kMillisecondsPerHour, 2);
  out += ':';
  AppendDigits(out, milliseconds_ / kMillisecondsPerMinute % 60, 2);
  out += ':';
  AppendDigits(out, milliseconds_ / kMillisecondsPerSecond % 60, 2);
  out += layout == TimeLayout::Program ? ':' : ',';
  AppendDigits(out, milliseconds_ % kMillisecondsPerSecond, 3);
}

std::string SubtitleTime::Text(TimeLayout layout) const {
  std::string text;
  AppendTo(text, layout);
  return text;
}

void AppendDigits(std::string& out, long long value, int width) {
  char digits[24];
  int length = 0;
  do {
    digits[length++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 || length < width);
  while (length > 0) out += digits[--length];
}

}  // namespace titrelle
