#pragma once
// Where the speech around a key press starts or ends, from the sound's peaks (one per 10 ms). A person
// presses F9 and F10 a reaction time after the speech starts or ends; the mark belongs where the level rose
// out of the background, or fell back into it, shortly before the key.

#include <optional>
#include <span>

#include "media/AudioPeaks.h"

namespace titrelle {

enum class SpeechEdge { Onset, Offset };

// How far back from the key, and (for an onset) ahead of it, the edge is looked for.
inline constexpr double kSpeechLookBackSeconds = 0.5;
inline constexpr double kSpeechLookAheadSeconds = 0.05;

// The onset (or offset) of speech before `keySeconds`: where the level rises out of the noise floor of the
// seconds before the key, after at least a hangover of quiet (so that the gap before a plosive does not
// count); an offset is where a quiet of at least that hangover begins. A sound must rise well above the
// floor somewhere, and last longer than a click; its edges are where it leaves the floor, fading tails
// included. Of several edges in the window the one with the longest quiet outside it wins (a line's start
// over a closure inside its first words), and of equals the nearest the key. `peaks` are the peaks decoded
// so far, from the start of the sound. Empty when there is no such edge, or when the stretch it needs is not
// decoded yet: the key's own position then stands.
std::optional<double> FindSpeechEdge(std::span<const AudioPeak> peaks, double keySeconds, SpeechEdge edge);

// The same within a window of the caller's: from `lookBackSeconds` before the key to `lookAheadSeconds` after
// it (negative: the window ends before the key), for either edge.
struct SpeechSearchWindow {
  double lookBackSeconds = kSpeechLookBackSeconds;
  double lookAheadSeconds = kSpeechLookAheadSeconds;
};
std::optional<double> FindSpeechEdge(std::span<const AudioPeak> peaks, double keySeconds, SpeechEdge edge,
                                     SpeechSearchWindow window);

}  // namespace titrelle
