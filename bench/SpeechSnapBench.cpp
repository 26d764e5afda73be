// The snap of one F9 or F10 to the speech around it, over the peaks of a two-hour sound (720,000 of them):
// a sentence every 4 s over a noise floor, the key 250 ms after the edge, at the start, middle and end.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "capture/SnapLag.h"
#include "capture/SpeechSnap.h"

namespace titrelle::bench {
namespace {

constexpr double kTwoHours = 2 * 3600;

const std::vector<AudioPeak>& TwoHoursOfSentences() {
  static const std::vector<AudioPeak> peaks = [] {
    std::vector<AudioPeak> result(static_cast<std::size_t>(kTwoHours * kPeaksPerSecond));
    std::uint32_t noise = 1;
    for (std::size_t i = 0; i < result.size(); ++i) {
      noise = noise * 1664525u + 1013904223u;
      const bool speaking = i % 400 >= 100 && i % 400 < 300;  // 2 s of speech from 1 s of every 4
      const int level = speaking ? 3000 + static_cast<int>((noise >> 8) % 6000)
                                 : 100 + static_cast<int>((noise >> 8) % 100);
      result[i] = {static_cast<std::int16_t>(-level), static_cast<std::int16_t>(level)};
    }
    return result;
  }();
  return peaks;
}

void BM_SnapKey(benchmark::State& state) {
  const std::vector<AudioPeak>& peaks = TwoHoursOfSentences();
  const auto edge = state.range(0) == 0 ? SpeechEdge::Onset : SpeechEdge::Offset;
  // The sentence nearest the asked share of the sound: its start (or end) plus a reaction time.
  const double sentence = static_cast<double>(state.range(1)) / 100 * (kTwoHours - 8);
  const double key = static_cast<int>(sentence / 4) * 4 + (edge == SpeechEdge::Onset ? 1.25 : 3.25);
  double found = 0;
  for (auto _ : state) {
    found = FindSpeechEdge(peaks, key, edge).value_or(key);
    benchmark::DoNotOptimize(found);
  }
  state.counters["moved_ms"] = (key - found) * 1000;
}
BENCHMARK(BM_SnapKey)->ArgNames({"offset", "at_percent"})->ArgsProduct({{0, 1}, {0, 50, 100}});

// The same with a lag learned: 250 ms finds the edge around it; 150 ms finds nothing there and searches the
// whole stretch after (the most one key costs).
void BM_SnapKeyAfterLag(benchmark::State& state) {
  const std::vector<AudioPeak>& peaks = TwoHoursOfSentences();
  const auto edge = state.range(0) == 0 ? SpeechEdge::Onset : SpeechEdge::Offset;
  SnapLag lag;
  for (int i = 0; i < 5; ++i) lag.Add(static_cast<double>(state.range(1)) / 1000, 0);
  const double key = kTwoHours - 8 + (edge == SpeechEdge::Onset ? 1.25 : 3.25);
  double found = 0;
  for (auto _ : state) {
    found = FindSpeechEdgeAfterLag(peaks, key, edge, lag).value_or(key);
    benchmark::DoNotOptimize(found);
  }
  state.counters["moved_ms"] = (key - found) * 1000;
}
BENCHMARK(BM_SnapKeyAfterLag)->ArgNames({"offset", "lag_ms"})->ArgsProduct({{0, 1}, {250, 150}});

}  // namespace
}  // namespace titrelle::bench
