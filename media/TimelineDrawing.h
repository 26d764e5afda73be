#pragma once
// The rules the timeline under the picture is drawn by, whichever shell paints it: the ruler's ticks and
// labels, and the waveform's extent at each column. Plain values in, plain values out; the shell turns
// seconds into its columns and paints.

#include <cstddef>
#include <string>
#include <vector>

#include "media/AudioPeaks.h"

namespace titrelle {

struct RulerTick {
  double seconds = 0;
  bool labelled = false;  // a long tick with the time beside it; else a short one between
  bool operator==(const RulerTick&) const = default;
};

struct Ruler {
  double stepSeconds = 0;  // between labelled ticks
  bool tenths = false;     // the labels show tenths of a second
  std::vector<RulerTick> ticks;
};

// The ruler from `startSeconds` (not before 0) to `endSeconds` at `columnsPerSecond`: labelled ticks on the
// smallest round step that keeps their labels 80 columns apart, and between them fifths or halves where
// those stand 8 columns apart.
void ComposeRuler(double startSeconds, double endSeconds, double columnsPerSecond, Ruler& ruler);
// A ruler label: M:SS, H:MM:SS from an hour on, with tenths (M:SS.T) where asked.
std::string RulerText(double seconds, bool tenths);

// The waveform at one column, from `top` down `height` pixels.
struct WaveColumn {
  int x = 0;
  int top = 0;
  int height = 0;
  bool operator==(const WaveColumn&) const = default;
};

// The waveform's columns from 0 to `width`, the view starting at `startSeconds`: each column spans the
// lowest and highest of the 10 ms peaks it covers (the first `available` of `peaks`), scaled so that full
// scale reaches the edges of the band from `bandTop` down `bandHeight` pixels. Columns before the sound's
// start have none; the columns end where the available peaks do.
void ComposeWaveform(const std::vector<AudioPeak>& peaks, std::size_t available, int width, double startSeconds,
                     double columnsPerSecond, int bandTop, int bandHeight, std::vector<WaveColumn>& columns);

}  // namespace titrelle
