// The user's own lag: the median of the last distances, kept as text, and the search it steers.
#include "capture/SnapLag.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace titrelle {
namespace {

std::string Repeated(const std::string& item, int times) {
  std::string text = item;
  for (int i = 1; i < times; ++i) text += "," + item;
  return text;
}

TEST(SnapLag, KeepsTheNewestFiftyDistancesAndTellsTheirMedianOnceFiveAreKnown) {
  const struct {
    const char* what;
    std::string stored;
    std::vector<double> keyedLate;  // seconds, added after reading
    std::optional<int> medianMs;
    std::string text;
  } cases[] = {
      {"nothing learned", "", {}, std::nullopt, ""},
      {"four are not enough", "", {0.2, 0.3, 0.25, 0.21}, std::nullopt, "200,300,250,210"},
      {"an odd count: the middle one", "300,100,250", {0.2, -0.02}, 200, "300,100,250,200,-20"},
      {"an even count: between the middle two",
       "100,200,300,400,500,600",
       {},
       350,
       "100,200,300,400,500,600"},
      {"what is no number is passed over", "120,,x,9999,1e2,140,160,180,200", {}, 160, "120,140,160,180,200"},
      {"the oldest go past fifty",
       Repeated("900", 48),
       {0.1, 0.1, 0.1, 0.1, 0.1},
       900,
       Repeated("900", 45) + "," + Repeated("100", 5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SnapLag lag = SnapLag::FromText(c.stored);
    for (const double late : c.keyedLate) lag.Add(10 + late, 10);
    EXPECT_EQ(lag.MedianMs(), c.medianMs);
    EXPECT_EQ(lag.Text(), c.text);
  }
}

// Quiet at level 40, loud stretches at 9000, in 10 ms peaks.
std::vector<AudioPeak> Loud(double seconds, const std::vector<std::pair<double, double>>& stretches) {
  std::vector<AudioPeak> peaks(static_cast<std::size_t>(seconds * kPeaksPerSecond), AudioPeak{-40, 40});
  for (const auto& [from, to] : stretches) {
    for (auto i = static_cast<std::size_t>(from * kPeaksPerSecond + 0.5);
         i < static_cast<std::size_t>(to * kPeaksPerSecond + 0.5); ++i)
      peaks[i] = {-9000, 9000};
  }
  return peaks;
}

TEST(SnapLag, TheSearchLooksAroundTheLagFirstShortForAQuickHandAndFarBackForASlowOne) {
  const struct {
    const char* what;
    std::vector<std::pair<double, double>> speech;
    int lagMs;
    double key;
    SpeechEdge edge;
    std::optional<double> withoutLag;
    std::optional<double> withLag;
  } cases[] = {
      // A syllable after a short pause lies just after the key: a quick hand meant the sentence's start.
      {"quick hand, a syllable after the key",
       {{1.0, 1.09}, {1.17, 2.0}},
       150,
       1.15,
       SpeechEdge::Onset,
       1.17,
       1.0},
      // 600 ms late: beyond the whole search's half second.
      {"slow hand, the start", {{1.0, 2.0}}, 600, 1.6, SpeechEdge::Onset, std::nullopt, 1.0},
      {"slow hand, the end", {{1.0, 2.0}}, 600, 2.6, SpeechEdge::Offset, std::nullopt, 2.0},
      {"nothing around the lag: the whole stretch", {{1.0, 2.0}}, 150, 1.40, SpeechEdge::Onset, 1.0, 1.0},
      {"no speech at all", {}, 250, 1.25, SpeechEdge::Onset, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<AudioPeak> peaks = Loud(4, c.speech);
    SnapLag lag;
    EXPECT_EQ(FindSpeechEdgeAfterLag(peaks, c.key, c.edge, lag), c.withoutLag);
    for (int i = 0; i < 5; ++i) lag.Add(10 + c.lagMs / 1000.0, 10);
    ASSERT_EQ(lag.MedianMs(), c.lagMs);
    const std::optional<double> found = FindSpeechEdgeAfterLag(peaks, c.key, c.edge, lag);
    ASSERT_EQ(found.has_value(), c.withLag.has_value());
    if (found) {
      EXPECT_NEAR(*found, *c.withLag, 1e-9);
    }
  }
}

}  // namespace
}  // namespace titrelle
