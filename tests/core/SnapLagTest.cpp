// The user's own lag: the median of the last distances, kept as text, and the search it steers.
#include "capture/SnapLag.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace titrelle {
namespace {

TEST(SnapLag, KeepsTheNewestFiftyDistancesAndTellsTheirMedianOnceFiveAreKnown) {
  std::string fifty = "900";
  for (int i = 1; i < 48; ++i) fifty += ",900";
  const struct {
    const char* what;
    std::string stored;
    std::vector<int> addedMs;
    std::optional<int> medianMs;
    std::string text;
  } cases[] = {
      {"four are not enough", "", {200, 300, 250, 210}, std::nullopt, "200,300,250,210"},
      {"an odd count: the middle one", "300,100,250", {200, -20}, 200, "300,100,250,200,-20"},
      {"an even count: between the middle two",
       "100,200,300,400,500,600",
       {},
       350,
       "100,200,300,400,500,600"},
      {"what is no number is passed over", "120,,x,9999,1e2,140,160,180,200", {}, 160, "120,140,160,180,200"},
      {"the oldest go past fifty", fifty, {100, 100, 100}, 900, fifty.substr(4) + ",100,100,100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SnapLag lag = SnapLag::FromText(c.stored);
    for (const int ms : c.addedMs) lag.Add(10 + ms / 1000.0, 10);
    EXPECT_EQ(lag.MedianMs(), c.medianMs);
    EXPECT_EQ(lag.Text(), c.text);
  }
}

TEST(SnapLag, TheSearchLooksAroundTheLagFirstShortForAQuickHandAndFarBackForASlowOne) {
  const struct {
    const char* what;
    std::vector<std::pair<int, int>> loudPeaks;  // [from, to) in 10 ms peaks, over a quiet floor
    int lagMs;
    double key;
    SpeechEdge edge;
    std::optional<double> withoutLag;
    std::optional<double> withLag;
  } cases[] = {
      // A short word, a pause, then the line: the whole half second prefers the word's start, quieter
      // before it; a quick hand pressed for the line.
      {"quick hand, a word before the line",
       {{100, 115}, {130, 200}},
       150,
       1.45,
       SpeechEdge::Onset,
       1.0,
       1.3},
      // 600 ms late is beyond the whole search's half second.
      {"slow hand, the start", {{100, 200}}, 600, 1.6, SpeechEdge::Onset, std::nullopt, 1.0},
      {"slow hand, the end", {{100, 200}}, 600, 2.6, SpeechEdge::Offset, std::nullopt, 2.0},
      {"nothing around the lag: the whole stretch", {{100, 200}}, 150, 1.40, SpeechEdge::Onset, 1.0, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<AudioPeak> peaks(400, AudioPeak{-40, 40});
    for (const auto& [from, to] : c.loudPeaks)
      std::fill(peaks.begin() + from, peaks.begin() + to, AudioPeak{-9000, 9000});
    SnapLag lag;
    EXPECT_EQ(FindSpeechEdgeAfterLag(peaks, c.key, c.edge, lag), c.withoutLag);
    for (int i = 0; i < 5; ++i) lag.Add(10 + c.lagMs / 1000.0, 10);
    const std::optional<double> found = FindSpeechEdgeAfterLag(peaks, c.key, c.edge, lag);
    ASSERT_TRUE(found.has_value());
    EXPECT_NEAR(*found, *c.withLag, 1e-9);
  }
}

}  // namespace
}  // namespace titrelle
