// Where a mark lands on the speech around a key press, over generated envelopes of 10 ms peaks.
#include "capture/SpeechSnap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace titrelle {
namespace {

struct Burst {
  double from, to;  // seconds
  int level;        // full scale 32767
  bool speechLike;  // the level wanders between a third of `level` and `level`, and rises over 30 ms
};

// `seconds` of a noise floor of `floor` (it wanders between half of it and it), with the bursts over it.
std::vector<AudioPeak> Envelope(double seconds, int floor, const std::vector<Burst>& bursts) {
  std::vector<AudioPeak> peaks(static_cast<std::size_t>(seconds * kPeaksPerSecond + 0.5));
  std::uint32_t noise = 12345;
  auto wander = [&](int top, int bottom) {
    noise = noise * 1664525u + 1013904223u;
    return bottom + static_cast<int>((noise >> 8) % static_cast<std::uint32_t>(top - bottom + 1));
  };
  for (std::size_t i = 0; i < peaks.size(); ++i) {
    int level = wander(floor, floor / 2);
    const double t = static_cast<double>(i) * kPeakSeconds + 1e-9;
    for (const Burst& b : bursts) {
      if (t < b.from || t >= b.to) continue;
      level = b.speechLike ? wander(b.level, b.level / 3) : b.level;
      const double rise = (t - b.from) / 0.03;
      if (b.speechLike && rise < 1) level = static_cast<int>(level * (0.3 + 0.7 * rise));
    }
    peaks[i] = {static_cast<std::int16_t>(-level), static_cast<std::int16_t>(level)};
  }
  return peaks;
}

TEST(FindSpeechEdge, FindsTheEdgeNearestBeforeTheKeyOrLeavesTheKey) {
  const std::vector<Burst> tone = {{1.0, 2.0, 8000, false}};
  const std::vector<Burst> sentence = {{1.0, 2.0, 9000, true}};
  const std::vector<Burst> twoSentences = {{1.0, 2.0, 9000, true}, {2.15, 3.0, 9000, true}};
  const std::vector<Burst> coughFirst = {{0.80, 0.88, 20000, false}, {1.0, 2.0, 9000, true}};
  // A plosive's closure: 60 ms of quiet inside the sentence.
  const std::vector<Burst> plosive = {{1.0, 1.2, 9000, true}, {1.26, 2.0, 9000, true}};
  const struct {
    const char* what;
    double seconds;
    int floor;
    std::vector<Burst> bursts;
    double key;
    SpeechEdge edge;
    std::optional<double> edgeAt;
  } cases[] = {
      {"a tone burst's start, keyed 250 ms late", 4, 30, tone, 1.25, SpeechEdge::Onset, 1.0},
      {"a tone burst's end, keyed 250 ms late", 4, 30, tone, 2.25, SpeechEdge::Offset, 2.0},
      {"a sentence over a loud noise floor", 4, 1500, sentence, 1.30, SpeechEdge::Onset, 1.0},
      {"its end over that floor", 4, 1500, sentence, 2.30, SpeechEdge::Offset, 2.0},
      {"a key pressed 30 ms early", 4, 30, sentence, 0.97, SpeechEdge::Onset, 1.0},
      {"a cough just before the sentence", 4, 30, coughFirst, 1.25, SpeechEdge::Onset, 1.0},
      {"a plosive's gap is not an onset", 4, 30, plosive, 1.40, SpeechEdge::Onset, 1.0},
      {"nor an offset", 4, 30, plosive, 1.30, SpeechEdge::Offset, std::nullopt},
      {"the second of two sentences 150 ms apart", 4, 30, twoSentences, 2.40, SpeechEdge::Onset, 2.15},
      {"the first one's end, keyed as the second starts", 4, 30, twoSentences, 2.25, SpeechEdge::Offset, 2.0},
      {"speech from the sound's first peak", 4, 30, {{0.0, 1.0, 9000, true}}, 0.2, SpeechEdge::Onset, 0.0},
      {"an onset further back than 500 ms", 4, 30, sentence, 1.60, SpeechEdge::Onset, std::nullopt},
      {"an offset further back than 500 ms", 4, 30, sentence, 2.60, SpeechEdge::Offset, std::nullopt},
      {"nothing but the noise floor", 4, 1500, {}, 1.25, SpeechEdge::Onset, std::nullopt},
      {"the onset's stretch not decoded yet", 1.28, 30, sentence, 1.25, SpeechEdge::Onset, std::nullopt},
      {"the offset's quiet not decoded yet", 2.27, 30, sentence, 2.25, SpeechEdge::Offset, std::nullopt},
      {"the offset's last quiet peak not decoded yet",
       1.98,
       30,
       {{1.0, 1.91, 8000, false}},
       1.90,
       SpeechEdge::Offset,
       std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<AudioPeak> peaks = Envelope(c.seconds, c.floor, c.bursts);
    const std::optional<double> found = FindSpeechEdge(peaks, c.key, c.edge);
    ASSERT_EQ(found.has_value(), c.edgeAt.has_value()) << (found ? *found : -1);
    if (found) {
      EXPECT_NEAR(*found, *c.edgeAt, 0.0151);  // within the peak the level rose in, or the next
    }
  }
}

// Stretches whose level goes straight from `levelFrom` to `levelTo` over a floor that wanders between 50 and
// 100.
struct Stretch {
  double from, to;
  int levelFrom, levelTo;
};

std::vector<AudioPeak> Stretches(double seconds, const std::vector<Stretch>& stretches) {
  std::vector<AudioPeak> peaks = Envelope(seconds, 100, {});
  for (std::size_t i = 0; i < peaks.size(); ++i) {
    const double t = static_cast<double>(i) * kPeakSeconds + 1e-9;
    for (const Stretch& s : stretches) {
      if (t < s.from || t >= s.to) continue;
      const auto level =
          static_cast<std::int16_t>(s.levelFrom + (s.levelTo - s.levelFrom) * (t - s.from) / (s.to - s.from));
      peaks[i] = {static_cast<std::int16_t>(-level), level};
    }
  }
  return peaks;
}

TEST(FindSpeechEdge, TakesFadingEdgesAndTheLinesOwnStartOverClicksAndClosures) {
  const struct {
    const char* what;
    std::vector<Stretch> stretches;
    double key;
    SpeechEdge edge;
    double edgeAt;
  } cases[] = {
      {"a tail fading under the threshold",
       {{1.0, 2.0, 9000, 9000}, {2.0, 2.08, 600, 150}},
       2.3,
       SpeechEdge::Offset,
       2.08},
      {"a soft start", {{0.92, 1.0, 150, 600}, {1.0, 2.0, 9000, 9000}}, 1.25, SpeechEdge::Onset, 0.92},
      {"a closure of 100 ms in the first words",
       {{1.0, 1.2, 9000, 9000}, {1.3, 2.0, 9000, 9000}},
       1.35,
       SpeechEdge::Onset,
       1.0},
      {"a word under the threshold, well above the floor",
       {{1.0, 1.15, 9000, 9000}, {1.15, 1.3, 400, 400}, {1.3, 2.0, 9000, 9000}},
       1.35,
       SpeechEdge::Onset,
       1.0},
      {"a click after the line's end",
       {{1.0, 2.0, 9000, 9000}, {2.12, 2.17, 9000, 9000}},
       2.35,
       SpeechEdge::Offset,
       2.0},
      {"a short last word, fading",
       {{1.0, 1.8, 9000, 9000}, {1.9, 1.97, 9000, 9000}, {1.97, 2.02, 400, 400}},
       2.25,
       SpeechEdge::Offset,
       2.02},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<double> found = FindSpeechEdge(Stretches(4, c.stretches), c.key, c.edge);
    ASSERT_TRUE(found.has_value());
    EXPECT_NEAR(*found, c.edgeAt, 0.0051);
  }
}

}  // namespace
}  // namespace titrelle
