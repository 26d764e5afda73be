// Marks that land on the speech, with the user in charge: the check box under the video, the user's own lag
// kept in the settings, the key's tick on the timeline, and the lines already written moved onto the speech
// in edit mode, as one step of the history.
#include <optional>
#include <string>
#include <vector>

#include "Scenario.h"
#include "document/UserViewDerivation.h"

namespace titrelle {
namespace {

const std::string kDefaultPrefix = ScenarioWorld::DefaultPrefix();

std::string Group(const std::string& number, const std::string& timeLine, const std::string& text) {
  return number + "\r\n" + timeLine + "\r\n" + kDefaultPrefix + text + "</b>\r\n\r\n";
}

// Speech from 1 s to 2 s and from 4 s to 5 s over a quiet background, in the sound's 10 ms peaks.
void SpeakTwice(ScenarioWorld& world) {
  std::vector<AudioPeak>& peaks = world.ws.playerSettings.peaks;
  peaks.resize(1000, AudioPeak{-40, 40});
  for (int i = 100; i < 200; ++i) peaks[i] = peaks[i + 300] = {-9000, 9000};
}

const std::string kOnSpeech = "00:00:04:000 --> 00:00:05:000";
const std::string kKeyed = "00:00:04:250 --> 00:00:05:230";

TEST(SpeechSnap, TheCheckBoxTurnsTheMarksOnTheSpeechOffAndOnAndTheSettingsKeepItAndTheLag) {
  const struct {
    const char* name;
    std::optional<std::string> storedChoice;
    std::string storedLag;
    bool click;
    bool onSpeech;
    double startKey;
    std::string timeLine;
    std::string storedAfter;
    std::string lagAfter;
  } cases[] = {
      {"on when never chosen", std::nullopt, "", false, true, 4.25, kOnSpeech, "", "250,230"},
      {"turned off", std::nullopt, "", true, false, 4.25, kKeyed, "0", ""},
      {"off since the last run", "0", "", false, false, 4.25, kKeyed, "0", ""},
      {"turned on again", "0", "", true, true, 4.25, kOnSpeech, "1", "250,230"},
      // 600 ms late is beyond the plain search; the lag learned before finds it.
      {"a slow hand's lag from the last run", "1", "600,600,600,600,600", false, true, 4.6, kOnSpeech, "1",
       "600,600,600,600,600,600,230"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world(false);
    if (c.storedChoice) world.ws.registry.SetText("srtSpeechSnap", *c.storedChoice);
    if (!c.storedLag.empty()) world.ws.registry.SetText("srtSpeechLag", c.storedLag);
    SpeakTwice(world);
    world.Start();
    HeadlessControl& box = world.Control("SpeechSnapCheckBox");
    if (c.click) {
      ASSERT_TRUE(box.Click());
    }
    EXPECT_EQ(box.Checked(), c.onSpeech);
    EXPECT_EQ(world.ws.registry.Text("srtSpeechSnap"), c.storedAfter);
    world.OpenVideo("movie.avi");
    world.WaitUntilOpened();
    world.PressF9();
    world.Player().SetCurrentPosition(c.startKey);
    world.PressF9();
    world.WaitMs(static_cast<long long>((5.23 - c.startKey) * 1000 + 0.5));
    world.PressF10();
    EXPECT_EQ(world.Control("Edit1").Text() + " --> " + world.Control("Edit2").Text(), c.timeLine);
    // The keys' ticks beside the marks that moved, and the line replays what was marked.
    const std::vector<double> ticks = world.Form().Timeline.Marks().keyedSeconds;
    EXPECT_EQ(ticks.size(), c.onSpeech ? 2u : 0u);
    world.WaitMs(5);
    world.TypeInInput("Two");
    world.PressEnter();
    EXPECT_EQ(world.FileBytes("movie.srt"), Group("1", c.timeLine, "Two"));
    EXPECT_EQ(world.Form().Timeline.Marks().keyedSeconds, ticks);  // the line committed last keeps them
    EXPECT_EQ(world.ws.registry.Text("srtSpeechLag"), c.lagAfter);
    // One Ctrl+Z takes the line back.
    ASSERT_TRUE(world.Control("InputEdit").PressKey('Z', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), "");
  }
}

TEST(SpeechSnap, TheLinesWrittenLandOnTheSpeechAsOneStepOfTheHistory) {
  const std::string one = Group("1", "00:00:01:250 --> 00:00:02:250", "One");
  const std::string two = Group("2", "00:00:04:250 --> 00:00:05:230", "Two");
  const std::string silent = Group("3", "00:00:07:000 --> 00:00:08:000", "Silent");
  const std::string file = one + two + silent;
  const std::string oneOnSpeech = Group("1", "00:00:01:000 --> 00:00:02:000", "One");
  const std::string twoOnSpeech = Group("2", "00:00:04:000 --> 00:00:05:000", "Two");
  const struct {
    const char* name;
    std::vector<int> rows;  // empty: Shift+F9 in the user view, on line `caretLine`
    int caretLine;
    std::string after;
  } cases[] = {
      {"the subtitle under the caret", {}, 6, one + twoOnSpeech + silent},
      {"the rows selected in the table", {0, 1, 2}, 0, oneOnSpeech + twoOnSpeech + silent},
      {"no speech around it", {}, 10, file},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world(false);
    SpeakTwice(world);
    world.Start();
    world.WriteFile("movie.srt", file);
    world.OpenVideo("movie.avi", ScenarioWorld::kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    // Shift+F9 twice: the second finds the edges on the speech already.
    for (int time = 0; time < 2; ++time) {
      KeyEvent key{vk::F9, modifier::Shift};
      if (c.rows.empty()) {
        world.ClickUserViewLine(c.caretLine);
        EXPECT_TRUE(world.PressInUserView(vk::F9, modifier::Shift));
      } else {
        world.Form().TableRows.SelectRows(c.rows, c.rows.front());
        EXPECT_TRUE(world.Form().TableRows.KeyDown(key));
      }
      EXPECT_EQ(world.FileBytes("movie.srt"), c.after);
      EXPECT_EQ(world.UserView().Text(), DeriveUserViewText(c.after));
    }
    // One step of the history, whatever the number of lines.
    world.PressInUserView('Z', modifier::Ctrl);
    EXPECT_EQ(world.FileBytes("movie.srt"), file);
    world.PressInUserView('Y', modifier::Ctrl);
    EXPECT_EQ(world.FileBytes("movie.srt"), c.after);
  }
}

}  // namespace
}  // namespace titrelle
