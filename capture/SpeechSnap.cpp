#include "capture/SpeechSnap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace titrelle {
namespace {

// A quiet shorter than this inside speech (a plosive's closure, a breath between syllables) belongs to it.
constexpr std::ptrdiff_t kHangoverPeaks = 8;
// The stretch before the key whose quietest peaks tell the noise floor.
constexpr std::ptrdiff_t kFloorPeaks = 300;
// The floor is the level this share of the floor stretch stays under.
constexpr double kFloorShare = 0.1;
// The level counts as speech above the floor times this, and above this share of the way from the floor to
// the loudest peak of the search window, and never at a level below kQuietestSpeech.
constexpr double kFloorFactor = 3;
constexpr double kRangeShare = 0.06;
constexpr int kQuietestSpeech = 100;

int Level(const AudioPeak& peak) { return std::max(std::abs(int{peak.low}), std::abs(int{peak.high})); }

std::ptrdiff_t PeakAt(double seconds) {
  return static_cast<std::ptrdiff_t>(std::floor(seconds * kPeaksPerSecond));
}

}  // namespace

std::optional<double> FindSpeechEdge(std::span<const AudioPeak> peaks, double keySeconds, SpeechEdge edge) {
  // An offset is looked for up to the key only.
  return FindSpeechEdge(peaks, keySeconds, edge,
                        {kSpeechLookBackSeconds, edge == SpeechEdge::Onset ? kSpeechLookAheadSeconds : 0});
}

std::optional<double> FindSpeechEdge(std::span<const AudioPeak> peaks, double keySeconds, SpeechEdge edge,
                                     SpeechSearchWindow window) {
  const auto count = static_cast<std::ptrdiff_t>(peaks.size());
  const std::ptrdiff_t key = PeakAt(keySeconds);
  if (key < 0) return std::nullopt;
  const std::ptrdiff_t first =
      std::max<std::ptrdiff_t>(0, key - std::llround(window.lookBackSeconds * kPeaksPerSecond));
  const std::ptrdiff_t last = key + std::llround(window.lookAheadSeconds * kPeaksPerSecond);  // inclusive
  if (last < first) return std::nullopt;
  // An offset needs the hangover after it heard out; an onset needs nothing past its window.
  const std::ptrdiff_t needed = edge == SpeechEdge::Onset ? last + 1 : last + kHangoverPeaks;
  if (needed > count) return std::nullopt;

  // The noise floor: a low share of the levels of the few seconds that end with the window (near the sound's
  // start, its first few seconds as far as they are decoded), a fixed number wherever the key is.
  const std::ptrdiff_t floorTo = std::max(last + 1, std::min(count, kFloorPeaks));
  const std::ptrdiff_t floorFrom = std::max<std::ptrdiff_t>(0, floorTo - kFloorPeaks);
  std::vector<int> levels;
  levels.reserve(static_cast<std::size_t>(floorTo - floorFrom));
  for (std::ptrdiff_t i = floorFrom; i < floorTo; ++i)
    levels.push_back(Level(peaks[static_cast<std::size_t>(i)]));
  const auto nth =
      levels.begin() + static_cast<std::ptrdiff_t>(kFloorShare * static_cast<double>(levels.size()));
  std::nth_element(levels.begin(), nth, levels.end());
  const double floor = *nth;
  int loudest = 0;
  for (std::ptrdiff_t i = first; i <= last; ++i)
    loudest = std::max(loudest, Level(peaks[static_cast<std::size_t>(i)]));
  const double threshold =
      std::max({floor * kFloorFactor, floor + kRangeShare * (loudest - floor), double{kQuietestSpeech}});
  if (loudest <= threshold) return std::nullopt;

  // Before the sound's start counts as quiet; past what is decoded never comes into question (checked above).
  auto loud = [&](std::ptrdiff_t i) {
    return i >= 0 && Level(peaks[static_cast<std::size_t>(i)]) > threshold;
  };
  auto quietRun = [&](std::ptrdiff_t from) {
    for (std::ptrdiff_t i = from; i < from + kHangoverPeaks; ++i)
      if (loud(i)) return false;
    return true;
  };
  if (edge == SpeechEdge::Onset) {
    for (std::ptrdiff_t i = last; i >= first; --i)
      if (loud(i) && quietRun(i - kHangoverPeaks)) return static_cast<double>(i) * kPeakSeconds;
  } else {
    for (std::ptrdiff_t i = last; i >= first; --i)
      if (loud(i) && quietRun(i + 1)) return static_cast<double>(i + 1) * kPeakSeconds;
  }
  return std::nullopt;
}

}  // namespace titrelle
