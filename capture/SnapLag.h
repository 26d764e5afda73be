#pragma once
// The user's own lag: how long after the speech starts or ends this user presses F9 and F10, learned from the
// distances the last marks moved onto the speech. The search for an edge then looks first where that lag
// puts it, in a window that stays short for a quick hand and grows for a slow one, and only then in the
// whole stretch before the key.

#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "capture/SpeechSnap.h"
#include "document/TimeLine.h"

namespace titrelle {

class SnapLag {
 public:
  static constexpr std::size_t kKept = 50;          // the newest distances kept
  static constexpr std::size_t kBeforeLearned = 5;  // with fewer, there is no lag to search around yet

  // A mark keyed at `keySeconds` moved onto the speech at `edgeSeconds`.
  void Add(double keySeconds, double edgeSeconds);
  // The median of the distances kept, in milliseconds (positive: the key came after the edge); empty while
  // fewer than kBeforeLearned are known.
  std::optional<int> MedianMs() const;
  // As the settings keep them: the distances in milliseconds, oldest first, between commas ("250,231,-12").
  // Reading skips what is no number, and keeps the newest kKept.
  std::string Text() const;
  static SnapLag FromText(std::string_view text);

 private:
  std::deque<int> distancesMs_;
};

// Where to look first for an edge keyed this long after it: around the lag, half the lag (at least 60 ms, at
// most 250 ms) either side, never past where the whole search would look.
SpeechSearchWindow WindowAroundLag(int lagMs, SpeechEdge edge);

// The edge near `keySeconds`, searched first around the learned lag, then in the whole stretch before the key
// (reaching back as far as the window around the lag does, for a slow hand). Without a lag learned, the
// whole stretch alone.
std::optional<double> FindSpeechEdgeAfterLag(std::span<const AudioPeak> peaks, double keySeconds,
                                             SpeechEdge edge, const SnapLag& lag);

// A line already written, its edges moved onto the speech around them, each as a key pressed there would be
// found without a lag (an edge that already stands on the speech stays): empty when neither edge moves, or
// when the end would not come after the start.
std::optional<SubtitleTimes> TimesOnSpeech(std::span<const AudioPeak> peaks, const SubtitleTimes& times);

}  // namespace titrelle
