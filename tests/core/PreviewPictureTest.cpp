// What a shell that paints the preview itself reads from the script the program hands its player.
#include "document/PreviewPicture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Cp936.h"
#include "document/PreviewTrack.h"
#include "style/StyleStrings.h"

namespace titrelle {
namespace {

PreviewLook ScriptDefault() { return {}; }

// The look of the program's default style: 黑体 18, bold, no outline, a shadow of 3.
PreviewLook ProgramDefault() {
  PreviewLook look;
  look.fontName = "黑体";
  look.fontSize = 18;
  look.bold = true;
  look.outline = 0;
  look.shadow = 3;
  look.outlineColour = 0xFFFFFF;
  return look;
}

TEST(PreviewPicture, TheLinesOfTheScriptShowWithTheLookTheirCodesGiveAtTheirTimes) {
  const std::string red = CustomStylePart1("#FF0000");
  const std::string custom = red + CustomStylePart2("Arial", "24", "190", "270");
  PreviewLook customLook;
  customLook.fontName = "Arial";
  customLook.fontSize = 24;
  customLook.colour = 0xFF0000;
  customLook.x = 190;
  customLook.y = 270;
  PreviewLook topLeft;
  topLeft.alignment = 7;
  PreviewLook placed;
  placed.x = 1;
  placed.y = 2;
  const struct Case {
    std::string styledLine;  // code page 936, as the file view holds it
    long long positionMs;
    std::vector<PreviewShownLine> shown;
  } cases[] = {
      {DefaultLinePrefix + Cp936FromUtf8("你好") + "</b>", 1000, {{"你好", ProgramDefault()}}},
      {custom + "Hi", 1000, {{"Hi", customLook}}},
      // From its start, up to its end.
      {custom + "Hi", 500, {{"Hi", customLook}}},
      {custom + "Hi", 2500, {}},
      {custom + "Hi", 499, {}},
      // Codes after the first character leave the look; the position and alignment hold wherever they are.
      {"a<font color=#00FF00>b</font>{\\an7}", 1000, {{"ab", topLeft}}},
      {"{\\c&H00FF00&\\c}x{\\pos(1,2)\\pos(3,4)}", 1000, {{"x", placed}}},
      // Nothing to show: only codes.
      {"{\\b1}", 1000, {}},
  };
  for (const Case& c : cases) {
    const std::string script = PreviewScript({}, 0, 0, PreviewTypedEvent(0.5L, 2.5L, c.styledLine));
    EXPECT_EQ(PreviewLinesAt(ReadPreviewScript(script), c.positionMs), c.shown)
        << Utf8FromCp936(c.styledLine) << " at " << c.positionMs;
  }
}

TEST(PreviewPicture, ASubtitleOfTwoLinesAndTwoSubtitlesAtOnceComeInTheScriptsOrder) {
  const std::string fileView =
      "1\r\n00:00:01:000 --> 00:00:03:000\r\none\r\ntwo\r\n\r\n"
      "2\r\n00:00:02:000 --> 00:00:04:000\r\n<i>three</i>\r\n\r\n";
  const std::vector<PreviewEvent> events = PreviewEvents(fileView);
  const PreviewScriptLines script = ReadPreviewScript(PreviewScript(events, 0, 10000));
  EXPECT_EQ(script.width, 384);
  EXPECT_EQ(script.height, 288);
  PreviewLook italic;
  italic.italic = true;
  EXPECT_EQ(PreviewLinesAt(script, 2500),
            (std::vector<PreviewShownLine>{{"one\ntwo", ScriptDefault()}, {"three", italic}}));
  EXPECT_EQ(PreviewLinesAt(script, 3500), (std::vector<PreviewShownLine>{{"three", italic}}));
}

}  // namespace
}  // namespace titrelle
