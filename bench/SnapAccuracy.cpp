// How close F9 and F10 marks land to the speech, with and without the snap, on sentences whose true start and
// end are known from their samples. scripts/measure-snap.sh makes the sentences (raw 16-bit mono clips) and
// runs this:
//
//   titrelle_snap_accuracy [--rate=48000] [--rounds=10] [--seed=1] [--noise-db=-50] [--gain-db=10]
//                          [--write=joined.raw] [--show=N] clip.raw...
//
// Each round lays every clip out once, in a shuffled order, trimmed to its own first and last sample above a
// tiny threshold (its true start and end), at a random gain of up to --gain-db below full, with a pause of
// 0.3 to 3 s between two clips, over a noise bed of --noise-db (RMS, dB below full scale). The peaks come
// from the program's own PeakAccumulator; a key is pressed at each true edge plus a reaction time of 150 to
// 400 ms, and the snap (FindSpeechEdge, with the rule the marking keeps: an end never on or before its start)
// moves it. Prints the distances from the true edges and how many marks landed on another sentence; --show
// lists the worst N snapped marks. Everything random comes from --seed: the same seed, the same figures.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "capture/SpeechSnap.h"
#include "media/AudioPeaks.h"

namespace titrelle::bench {
namespace {

// A sample at or under this share of full scale is the clip's silence, not its speech (about 33 in 16 bits).
constexpr double kSilence = 0.001;
constexpr double kLeadSeconds = 2.0;  // noise before the first sentence and after the last
constexpr double kShortestPause = 0.3, kLongestPause = 3.0;
constexpr double kFastestReaction = 0.15, kSlowestReaction = 0.40;

struct Options {
  int rate = 48000;
  int rounds = 10;
  std::uint32_t seed = 1;
  double noiseDb = -50;
  double gainDb = 10;
  std::string write;
  std::size_t show = 0;
  std::vector<std::string> clips;
};

struct Clip {
  std::string name;
  std::vector<float> samples;  // from the first sample above kSilence to the last
};

// One sentence as laid out in a round.
struct Placed {
  const Clip* clip;
  double start, end;  // true edges, seconds
};

// One mark: where it belongs, where the key was pressed, where the snap put it.
struct Mark {
  SpeechEdge edge;
  int round;
  std::string clip;
  double truth, key, snapped;
  bool keyOnOther, snappedOnOther;
};

// A uniform number in [0, 1) from the generator's 32 bits: the same on every standard library.
double Uniform(std::mt19937& random) { return static_cast<double>(random()) / 4294967296.0; }
double Between(std::mt19937& random, double low, double high) { return low + (high - low) * Uniform(random); }
double Gaussian(std::mt19937& random) {
  const double u = 1 - Uniform(random);  // (0, 1]
  return std::sqrt(-2 * std::log(u)) * std::cos(2 * M_PI * Uniform(random));
}

std::optional<Clip> ReadClip(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<float> samples(bytes.size() / 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    std::int16_t value;
    std::memcpy(&value, bytes.data() + 2 * i, 2);
    samples[i] = PeakAccumulator::Normal(value);
  }
  const auto loud = [](float s) { return std::abs(s) > kSilence; };
  const auto first = std::find_if(samples.begin(), samples.end(), loud);
  if (first == samples.end()) return std::nullopt;
  const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
  Clip clip;
  clip.name = path.substr(path.find_last_of('/') + 1);
  clip.samples.assign(first, last);
  return clip;
}

// The nearest-rank quantile of distances already sorted.
double Quantile(const std::vector<double>& sorted, double share) {
  const auto rank = static_cast<std::size_t>(std::ceil(share * static_cast<double>(sorted.size())));
  return sorted[std::max<std::size_t>(rank, 1) - 1];
}

// Lays out one round, returns its peaks and where each sentence lies.
std::vector<AudioPeak> LayOut(const Options& options, const std::vector<Clip>& clips, std::mt19937& random,
                              std::vector<Placed>& placed, std::ofstream* write) {
  std::vector<const Clip*> order;
  for (const Clip& clip : clips) order.push_back(&clip);
  for (std::size_t i = order.size(); i > 1; --i)
    std::swap(order[i - 1], order[static_cast<std::size_t>(Uniform(random) * static_cast<double>(i))]);

  const auto rate = static_cast<double>(options.rate);
  std::vector<float> sound(static_cast<std::size_t>(kLeadSeconds * rate));
  placed.clear();
  for (std::size_t k = 0; k < order.size(); ++k) {
    if (k > 0)
      sound.resize(sound.size() +
                   static_cast<std::size_t>(Between(random, kShortestPause, kLongestPause) * rate));
    const float gain = static_cast<float>(std::pow(10.0, -Between(random, 0, options.gainDb) / 20));
    const double start = static_cast<double>(sound.size()) / rate;
    for (float s : order[k]->samples) sound.push_back(s * gain);
    placed.push_back({order[k], start, static_cast<double>(sound.size()) / rate});
  }
  sound.resize(sound.size() + static_cast<std::size_t>(kLeadSeconds * rate));

  const double noise = std::pow(10.0, options.noiseDb / 20);
  PeakAccumulator accumulator(options.rate);
  for (float& s : sound) {
    s = std::clamp(s + static_cast<float>(noise * Gaussian(random)), -1.0f, 1.0f);
    accumulator.Add(s);
  }
  if (write != nullptr) {
    for (float s : sound) {
      const auto value = static_cast<std::int16_t>(std::lround(s * 32767));
      write->write(reinterpret_cast<const char*>(&value), 2);
    }
  }
  return accumulator.TakeFinished(true).peaks;
}

void Measure(const Options& options, const std::vector<Clip>& clips) {
  std::mt19937 random(options.seed);
  std::ofstream write;
  if (!options.write.empty()) write.open(options.write, std::ios::binary);
  std::vector<Mark> marks;
  std::vector<Placed> placed;
  for (int round = 0; round < options.rounds; ++round) {
    const std::vector<AudioPeak> peaks =
        LayOut(options, clips, random, placed, round == 0 && write ? &write : nullptr);
    // A mark lies on another sentence when it is not between the end of the one before and the start of the
    // one after.
    const auto onOther = [&](std::size_t k, double at) {
      return (k > 0 && at <= placed[k - 1].end) || (k + 1 < placed.size() && at >= placed[k + 1].start);
    };
    for (std::size_t k = 0; k < placed.size(); ++k) {
      const double startKey = placed[k].start + Between(random, kFastestReaction, kSlowestReaction);
      const double endKey = placed[k].end + Between(random, kFastestReaction, kSlowestReaction);
      const double start = FindSpeechEdge(peaks, startKey, SpeechEdge::Onset).value_or(startKey);
      double end = FindSpeechEdge(peaks, endKey, SpeechEdge::Offset).value_or(endKey);
      if (end <= start) end = endKey;
      marks.push_back({SpeechEdge::Onset, round, placed[k].clip->name, placed[k].start, startKey, start,
                       onOther(k, startKey), onOther(k, start)});
      marks.push_back({SpeechEdge::Offset, round, placed[k].clip->name, placed[k].end, endKey, end,
                       onOther(k, endKey), onOther(k, end)});
    }
  }

  std::printf("%zu sentences x %d rounds, noise bed %.0f dB, sentences 0 to -%.0f dB, seed %u\n\n",
              clips.size(), options.rounds, options.noiseDb, options.gainDb, options.seed);
  std::printf("| marks | median | 90%% | worst | on another sentence |\n|---|---|---|---|---|\n");
  for (const SpeechEdge edge : {SpeechEdge::Onset, SpeechEdge::Offset}) {
    for (const bool snapped : {false, true}) {
      std::vector<double> distances;
      int other = 0;
      for (const Mark& m : marks) {
        if (m.edge != edge) continue;
        distances.push_back(std::abs((snapped ? m.snapped : m.key) - m.truth) * 1000);
        other += snapped ? m.snappedOnOther : m.keyOnOther;
      }
      std::sort(distances.begin(), distances.end());
      std::printf("| %s, %s | %.0f ms | %.0f ms | %.0f ms | %d of %zu |\n",
                  edge == SpeechEdge::Onset ? "starts" : "ends", snapped ? "snapped" : "at the key",
                  Quantile(distances, 0.5), Quantile(distances, 0.9), distances.back(), other,
                  distances.size());
    }
  }
  if (options.show == 0) return;
  std::vector<const Mark*> worst;
  for (const Mark& m : marks) worst.push_back(&m);
  const auto off = [](const Mark* m) { return std::abs(m->snapped - m->truth); };
  std::sort(worst.begin(), worst.end(), [&](const Mark* a, const Mark* b) { return off(a) > off(b); });
  std::printf("\nworst snapped marks (seconds into their round; --write keeps round 0):\n");
  for (std::size_t i = 0; i < std::min(options.show, worst.size()); ++i) {
    const Mark& m = *worst[i];
    std::printf("  round %2d %-5s %-16s truth %8.3f key %8.3f mark %8.3f (%+.0f ms)%s\n", m.round,
                m.edge == SpeechEdge::Onset ? "start" : "end", m.clip.c_str(), m.truth, m.key, m.snapped,
                (m.snapped - m.truth) * 1000, m.snappedOnOther ? " ON ANOTHER SENTENCE" : "");
  }
}

bool Parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](const char* name) -> const char* {
      const std::size_t length = std::strlen(name);
      return arg.compare(0, length, name) == 0 ? arg.c_str() + length : nullptr;
    };
    if (const char* v = value("--rate="))
      options.rate = std::atoi(v);
    else if (const char* v = value("--rounds="))
      options.rounds = std::atoi(v);
    else if (const char* v = value("--seed="))
      options.seed = static_cast<std::uint32_t>(std::strtoul(v, nullptr, 10));
    else if (const char* v = value("--noise-db="))
      options.noiseDb = std::atof(v);
    else if (const char* v = value("--gain-db="))
      options.gainDb = std::atof(v);
    else if (const char* v = value("--write="))
      options.write = v;
    else if (const char* v = value("--show="))
      options.show = static_cast<std::size_t>(std::atoi(v));
    else if (arg.compare(0, 2, "--") == 0)
      return false;
    else
      options.clips.push_back(arg);
  }
  return options.rate > 0 && options.rounds > 0 && !options.clips.empty();
}

}  // namespace
}  // namespace titrelle::bench

int main(int argc, char** argv) {
  using namespace titrelle::bench;
  Options options;
  if (!Parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--rate=48000] [--rounds=10] [--seed=1] [--noise-db=-50] [--gain-db=10] "
                 "[--write=joined.raw] [--show=N] clip.raw...\n",
                 argv[0]);
    return 2;
  }
  std::vector<Clip> clips;
  for (const std::string& path : options.clips) {
    std::optional<Clip> clip = ReadClip(path);
    if (!clip) {
      std::fprintf(stderr, "%s: no sound above the silence, or not readable\n", path.c_str());
      return 1;
    }
    clips.push_back(std::move(*clip));
  }
  Measure(options, clips);
  return 0;
}
