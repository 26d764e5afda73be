#pragma once
// What the preview's script (document/PreviewTrack.h) shows at one time, for a shell whose player draws no
// script itself and paints the lines over the picture on its own: each subtitle that shows then, its text
// and its look (font, size, colours, outline, shadow, where it stands), read from the script's default
// style and the override codes before the subtitle's first character. Codes later in a line (a colour that
// changes mid-line, the "{\b0}" a closing tag leaves at its end) do not change its look.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace titrelle {

struct PreviewLook {
  std::string fontName = "Arial";   // UTF-8
  double fontSize = 16;             // in the script's pixels
  std::uint32_t colour = 0xFFFFFF;  // 0xRRGGBB, the letters
  std::uint32_t outlineColour = 0x000000;
  std::uint32_t shadowColour = 0x000000;
  double outline = 1;  // in the script's pixels
  double shadow = 0;
  bool bold = false;
  bool italic = false;
  int alignment = 2;  // as on a numeric keypad: 2 bottom centre, 8 top centre
  // Where the line stands (its alignment's point), in the script's pixels; none: at its alignment's edge.
  std::optional<double> x, y;
  bool operator==(const PreviewLook&) const = default;
};

struct PreviewShownLine {
  std::string text;  // UTF-8, its lines separated by "\n"
  PreviewLook look;
  bool operator==(const PreviewShownLine&) const = default;
};

struct PreviewScriptEvent {
  long long startMs = 0;
  long long endMs = 0;
  PreviewShownLine line;
};

// A script read once, to be asked for many times.
struct PreviewScriptLines {
  double width = 384;  // the script's size, its positions' frame
  double height = 288;
  std::vector<PreviewScriptEvent> events;  // in the script's order
};

PreviewScriptLines ReadPreviewScript(std::string_view script);

// The subtitles that show at `positionMs` (from their start, up to their end), in the script's order; a
// subtitle with no text shows nothing.
std::vector<PreviewShownLine> PreviewLinesAt(const PreviewScriptLines& script, long long positionMs);

}  // namespace titrelle
