#include "media/TimelineDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>

namespace titrelle {

namespace {

// The ruler's steps between labelled ticks, the smallest first: one is taken whose labels stand at least
// kRulerLabelColumns apart.
constexpr double kRulerSteps[] = {0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1200, 3600};
constexpr double kRulerLabelColumns = 80;
constexpr double kRulerTickColumns = 8;  // minor ticks closer than this are left out

}  // namespace

void ComposeRuler(double startSeconds, double endSeconds, double columnsPerSecond, Ruler& ruler) {
  ruler.ticks.clear();
  ruler.stepSeconds = kRulerSteps[std::size(kRulerSteps) - 1];
  for (const double candidate : kRulerSteps) {
    if (candidate * columnsPerSecond >= kRulerLabelColumns) {
      ruler.stepSeconds = candidate;
      break;
    }
  }
  ruler.tenths = ruler.stepSeconds < 1;
  int ticksPerStep = 1;
  for (const int parts : {5, 2}) {
    if (ruler.stepSeconds / parts * columnsPerSecond >= kRulerTickColumns) {
      ticksPerStep = parts;
      break;
    }
  }
  const double tick = ruler.stepSeconds / ticksPerStep;
  for (auto k = static_cast<std::int64_t>(std::floor(std::max(startSeconds, 0.0) / tick)); k * tick <= endSeconds;
       ++k) {
    ruler.ticks.push_back({k * tick, k % ticksPerStep == 0});
  }
}

std::string RulerText(double seconds, bool tenths) {
  const long long total = std::llround(seconds * 10);
  const long long hours = total / 36000;
  const long long minutes = total / 600 % 60;
  const long long wholeSeconds = total / 10 % 60;
  char text[48];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, wholeSeconds);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes, wholeSeconds);
  }
  std::string label = text;
  if (tenths) label += "." + std::to_string(total % 10);
  return label;
}

void ComposeWaveform(const std::vector<AudioPeak>& peaks, std::size_t available, int width, double startSeconds,
                     double columnsPerSecond, int bandTop, int bandHeight, std::vector<WaveColumn>& columns) {
  columns.clear();
  available = std::min(available, peaks.size());
  const int middle = bandTop + bandHeight / 2;
  const double halfHeight = (bandHeight - 2) / 2.0;
  // Each column's times are reckoned from its place counted from the media's start, so that a column shows
  // the same wherever the view starts: a view moved over by whole columns keeps what it drew.
  const double startColumn = std::round(startSeconds * columnsPerSecond);
  const bool onAColumn = std::abs(startSeconds * columnsPerSecond - startColumn) < 1e-6;
  const auto timeAt = [&](int x) {
    return onAColumn ? (startColumn + x) / columnsPerSecond : startSeconds + x / columnsPerSecond;
  };
  for (int x = 0; x < width; ++x) {
    const double from = timeAt(x);
    const double to = timeAt(x + 1);
    if (to <= 0) continue;
    const auto first = static_cast<std::size_t>(std::max(std::floor(from / kPeakSeconds), 0.0));
    const auto last = std::max(static_cast<std::size_t>(std::max(std::floor(to / kPeakSeconds), 0.0)), first + 1);
    if (first >= available) break;
    int low = 0;
    int high = 0;
    for (std::size_t i = first; i < std::min(last, available); ++i) {
      low = std::min<int>(low, peaks[i].low);
      high = std::max<int>(high, peaks[i].high);
    }
    const int top = middle - static_cast<int>(std::lround(high * halfHeight / 32767));
    const int bottom = middle - static_cast<int>(std::lround(low * halfHeight / 32767));
    columns.push_back({x, top, std::max(bottom - top, 0) + 1});
  }
}

}  // namespace titrelle
