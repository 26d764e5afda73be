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
// A sound shorter than this with quiet on both sides (a click, a cough, a door) is not speech.
constexpr std::ptrdiff_t kShortestSpeechPeaks = 10;
// A quiet this long or longer lies between two lines; a shorter one (a comma, a closure) may lie inside one.
// Of the edges around a key, the one with the longer quiet on its outer side wins, up to this.
constexpr std::ptrdiff_t kPausePeaks = 20;
// The stretch before the key whose quietest peaks tell the noise floor: long enough to hold a pause even
// where one line follows another closely.
constexpr std::ptrdiff_t kFloorPeaks = 1000;
// The floor is the level this share of the floor stretch stays under.
constexpr double kFloorShare = 0.1;
// A sound is seeded by a level above the floor times this, and above this share of the way from the floor to
// the loudest peak of the search window, and never at a level below kQuietestSpeech.
constexpr double kFloorFactor = 3;
constexpr double kRangeShare = 0.06;
constexpr int kQuietestSpeech = 100;
// Peaks above the floor times this keep a sound together and carry its edges out (a syllable's fading
// tail, a soft start), up to this far past its seeding peaks.
constexpr double kEdgeFactor = 1.8;
constexpr std::ptrdiff_t kFadePeaks = 10;

int Level(const AudioPeak& peak) { return std::max(std::abs(int{peak.low}), std::abs(int{peak.high})); }

std::ptrdiff_t PeakAt(double seconds) {
  return static_cast<std::ptrdiff_t>(std::floor(seconds * kPeaksPerSecond));
}

// Peaks [begin, end) with no hangover of quiet inside.
struct Sound {
  std::ptrdiff_t begin, end;
};

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
  const std::ptrdiff_t needed = edge == SpeechEdge::Onset ? last + 1 : last + 1 + kHangoverPeaks;
  if (needed > count) return std::nullopt;

  // The noise floor: a low share of the levels of the ten seconds that end with the window (near the sound's
  // start, its first ten seconds as far as they are decoded), a fixed number wherever the key is.
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

  // The sounds around the window, far enough out on both sides to tell the quiet beside each edge in it
  // (before the sound's start counts as quiet; past what is decoded is not looked at). A sound holds peaks
  // above the threshold; a quiet that ends it is a hangover of peaks near the floor (under edgeLevel), so a
  // syllable that stays under the threshold but clearly above the floor keeps the sound together.
  const double edgeLevel = std::max(floor * kEdgeFactor, double{kQuietestSpeech});
  const std::ptrdiff_t margin = kPausePeaks + kShortestSpeechPeaks + kHangoverPeaks + kFadePeaks;
  const std::ptrdiff_t from = std::max<std::ptrdiff_t>(0, first - margin);
  const std::ptrdiff_t to = std::min(count, last + 1 + margin);
  const auto level = [&](std::ptrdiff_t i) { return Level(peaks[static_cast<std::size_t>(i)]); };
  std::vector<Sound> sounds;
  std::ptrdiff_t quietPeaks = 0;
  bool parted = true;  // a hangover of quiet since the last sound
  for (std::ptrdiff_t i = from; i < to; ++i) {
    const int here = level(i);
    quietPeaks = here <= edgeLevel ? quietPeaks + 1 : 0;
    parted = parted || quietPeaks >= kHangoverPeaks;
    if (here <= threshold) continue;
    if (parted) sounds.push_back({i, i});
    sounds.back().end = i + 1;
    parted = false;
  }
  // A sound fades in and out under the threshold: its edges reach out over the peaks still above edgeLevel,
  // a little way, and never into the sound beside.
  for (std::size_t s = 0; s < sounds.size(); ++s) {
    const std::ptrdiff_t before = std::max(s > 0 ? sounds[s - 1].end : from, sounds[s].begin - kFadePeaks);
    while (sounds[s].begin > before && level(sounds[s].begin - 1) > edgeLevel) --sounds[s].begin;
    const std::ptrdiff_t after =
        std::min(s + 1 < sounds.size() ? sounds[s + 1].begin : to, sounds[s].end + kFadePeaks);
    while (sounds[s].end < after && level(sounds[s].end) > edgeLevel) ++sounds[s].end;
  }
  // A short sound seen whole (its fading edges included) is a click: part of the quiet.
  std::erase_if(sounds, [&](const Sound& s) {
    return s.end - s.begin < kShortestSpeechPeaks && (from == 0 || s.begin - kHangoverPeaks >= from) &&
           s.end + kHangoverPeaks <= to;
  });

  // Of the edges in the window, the one with the longest quiet on its outer side (up to a pause between
  // lines), and of those the nearest the key: a line's start rather than a closure's end just after it.
  std::optional<std::ptrdiff_t> best;
  std::ptrdiff_t bestQuiet = 0;
  for (std::size_t s = 0; s < sounds.size(); ++s) {
    // An onset lies at a sound's first peak, an offset after its last.
    const std::ptrdiff_t loud = edge == SpeechEdge::Onset ? sounds[s].begin : sounds[s].end - 1;
    if (loud < first || loud > last) continue;
    const std::ptrdiff_t at = edge == SpeechEdge::Onset ? loud : loud + 1;
    std::ptrdiff_t quiet;
    if (edge == SpeechEdge::Onset) {
      quiet = s > 0 ? at - sounds[s - 1].end : kPausePeaks;
    } else {
      quiet = s + 1 < sounds.size() ? sounds[s + 1].begin - at : to - at;
    }
    quiet = std::min(quiet, kPausePeaks);
    if (!best || quiet >= bestQuiet) {
      best = at;
      bestQuiet = quiet;
    }
  }
  if (!best) return std::nullopt;
  return static_cast<double>(*best) * kPeakSeconds;
}

}  // namespace titrelle
