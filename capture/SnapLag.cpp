#include "capture/SnapLag.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace titrelle {

namespace {

constexpr int kLeastHalfWidthMs = 60;
constexpr int kMostHalfWidthMs = 250;
// A distance beyond this is no reaction time (a clock that jumped, a value edited by hand).
constexpr int kFarthestMs = 5000;

}  // namespace

void SnapLag::Add(double keySeconds, double edgeSeconds) {
  const long long distance = std::llround((keySeconds - edgeSeconds) * 1000);
  if (std::abs(distance) > kFarthestMs) return;
  distancesMs_.push_back(static_cast<int>(distance));
  while (distancesMs_.size() > kKept) distancesMs_.pop_front();
}

std::optional<int> SnapLag::MedianMs() const {
  if (distancesMs_.size() < kBeforeLearned) return std::nullopt;
  std::vector<int> sorted(distancesMs_.begin(), distancesMs_.end());
  const auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
  std::nth_element(sorted.begin(), middle, sorted.end());
  if (sorted.size() % 2 == 1) return *middle;
  const int below = *std::max_element(sorted.begin(), middle);
  return static_cast<int>(std::lround((below + *middle) / 2.0));
}

std::string SnapLag::Text() const {
  std::string text;
  for (const int distance : distancesMs_) {
    if (!text.empty()) text += ',';
    text += std::to_string(distance);
  }
  return text;
}

SnapLag SnapLag::FromText(std::string_view text) {
  SnapLag lag;
  while (!text.empty()) {
    const std::size_t comma = std::min(text.find(','), text.size());
    const std::string_view item = text.substr(0, comma);
    int distance = 0;
    const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), distance);
    if (error == std::errc() && end == item.data() + item.size() && std::abs(distance) <= kFarthestMs)
      lag.distancesMs_.push_back(distance);
    text.remove_prefix(std::min(comma + 1, text.size()));
  }
  while (lag.distancesMs_.size() > kKept) lag.distancesMs_.pop_front();
  return lag;
}

SpeechSearchWindow WindowAroundLag(int lagMs, SpeechEdge edge) {
  const int halfWidth = std::clamp(lagMs / 2, kLeastHalfWidthMs, kMostHalfWidthMs);
  const double wholeAhead = edge == SpeechEdge::Onset ? kSpeechLookAheadSeconds : 0;
  return {(lagMs + halfWidth) / 1000.0, std::min((halfWidth - lagMs) / 1000.0, wholeAhead)};
}

std::optional<double> FindSpeechEdgeAfterLag(std::span<const AudioPeak> peaks, double keySeconds,
                                             SpeechEdge edge, const SnapLag& lag) {
  const std::optional<int> lagMs = lag.MedianMs();
  if (!lagMs) return FindSpeechEdge(peaks, keySeconds, edge);
  const SpeechSearchWindow around = WindowAroundLag(*lagMs, edge);
  if (const std::optional<double> found = FindSpeechEdge(peaks, keySeconds, edge, around)) return found;
  const double wholeAhead = edge == SpeechEdge::Onset ? kSpeechLookAheadSeconds : 0;
  return FindSpeechEdge(peaks, keySeconds, edge,
                        {std::max(kSpeechLookBackSeconds, around.lookBackSeconds), wholeAhead});
}

std::optional<SubtitleTimes> TimesOnSpeech(std::span<const AudioPeak> peaks, const SubtitleTimes& times) {
  SubtitleTimes moved = times;
  const auto place = [&](SubtitleTime& time, SpeechEdge edge) {
    const std::optional<double> found = FindSpeechEdge(peaks, static_cast<double>(time.Seconds()), edge);
    if (!found) return;
    if (const std::optional<SubtitleTime> edgeTime =
            SubtitleTime::FromMilliseconds(std::llround(*found * 1000)))
      time = *edgeTime;
  };
  place(moved.start, SpeechEdge::Onset);
  place(moved.end, SpeechEdge::Offset);
  if (moved == times || moved.end.Milliseconds() <= moved.start.Milliseconds()) return std::nullopt;
  return moved;
}

}  // namespace titrelle
