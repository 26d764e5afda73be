// The subtitles over the video, on the headless shell: what the player is told to draw, and when. The lines
// already written follow every change on the next tick; the line being typed shows over its segment.
#include <string>
#include <vector>

#include "Scenario.h"
#include "document/PreviewTrack.h"
#include "style/FontOptionUnit.h"

namespace titrelle {
namespace {

const std::string kHeiti = ScenarioWorld::Gbk("黑体");
const std::string kSongti = ScenarioWorld::Gbk("宋体");
// The default style as an event's text shows it, before the text.
const std::string kDefaultLook = "{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}{\\b1}";

std::string Event(const std::string& start, const std::string& end, const std::string& text) {
  return "Dialogue: 0," + start + "," + end + ",Default,,0,0,0,," + text;
}

class Preview : public Scenario {
 protected:
  explicit Preview(bool start = true) : Scenario(false) {
    ws.fontFamilies = {kSongti, kHeiti};
    if (start) Start();
  }

  // The events of the script the player draws now.
  std::vector<std::string> Shown() {
    std::vector<std::string> events;
    if (!Player().ShowingSubtitles()) return events;
    const std::string& script = Player().Subtitles();
    for (std::size_t at = script.find("\nDialogue: "); at != std::string::npos;
         at = script.find("\nDialogue: ", at + 1)) {
      events.push_back(script.substr(at + 1, script.find('\n', at + 1) - at - 1));
    }
    return events;
  }
  int Updates() { return Player().CountOf(SimulatedPlayer::Operation::ShowSubtitles); }
  void OpenNewDocument() {
    OpenVideo("movie.avi");
    WaitUntilOpened();
  }
  void MarkAndType(long long lengthMs, const std::string& text) {
    PressF9();
    WaitMs(lengthMs);
    PressF10();
    TypeInInput(text);
    WaitMs(1);
  }
  HeadlessControl& CheckBox() { return Control("PreviewCheckBox"); }
};

TEST_F(Preview, TheTypedLineShowsOverItsSegmentAndTheCommittedLineTakesItsPlace) {
  OpenNewDocument();
  EXPECT_TRUE(CheckBox().Checked());
  EXPECT_TRUE(Player().ShowingSubtitles());
  EXPECT_TRUE(Shown().empty());

  // Typing before F10 marks an end shows nothing: there is no segment yet.
  PressF9();
  TypeInInput("early");
  WaitMs(1);
  EXPECT_TRUE(Shown().empty());
  Control("InputEdit").SetText("");

  WaitMs(2344);
  PressF10();
  TypeInInput("He");
  WaitMs(1);
  EXPECT_EQ(Shown(), std::vector<std::string>{Event("0:00:00.00", "0:00:02.35", kDefaultLook + "He{\\b0}")});
  TypeInInput(Gbk("llo 你好"));
  WaitMs(1);
  EXPECT_EQ(Shown(),
            std::vector<std::string>{Event("0:00:00.00", "0:00:02.35", kDefaultLook + "Hello 你好{\\b0}")});
  // The segment repeats and nothing changes: the player is not asked again.
  const int updates = Updates();
  WaitMs(3000);
  EXPECT_EQ(Updates(), updates);

  PressEnter();
  WaitMs(1);
  EXPECT_EQ(Updates(), updates + 1);
  EXPECT_EQ(Shown(),
            std::vector<std::string>{Event("0:00:00.00", "0:00:02.35", kDefaultLook + "Hello 你好{\\b0}")});

  // The next line, typed while the first shows: both.
  MarkAndType(1000, "Two");
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1], Event("0:00:02.35", "0:00:03.35", kDefaultLook + "Two{\\b0}"));
  PressEnter();
  WaitMs(1);
  EXPECT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1], Event("0:00:02.35", "0:00:03.35", kDefaultLook + "Two{\\b0}"));
}

TEST_F(Preview, AHugeLineShowsCutWhileTheFileAndAKeyOnItKeepItWhole) {
  std::string huge;
  for (int i = 0; i < 500000; ++i) huge += Gbk("字");
  const std::string timeLine = "1\r\n00:00:01:000 --> 00:00:02:500\r\n";
  const std::string file = timeLine + DefaultPrefix() + huge + "</b>\r\n\r\n";
  WriteFile("movie.srt", file);
  OpenVideo("movie.avi", kYes);
  WaitUntilOpened();
  WaitMs(1);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_LT(Shown()[0].size(), 2 * kPreviewLineBytes);
  EXPECT_EQ(FileBytes("movie.srt"), file);
  // A key at the line's end writes the whole line back, the key with it (a resumed file's lines go without
  // the closing tag), and the player is still handed the cut line.
  ASSERT_TRUE(ClickUserViewLine(2, static_cast<int>(huge.size())));
  ASSERT_TRUE(TypeInUserView("!"));
  WaitMs(1);
  EXPECT_EQ(FileBytes("movie.srt"), timeLine + DefaultPrefix() + huge + "!\r\n\r\n");
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_LT(Shown()[0].size(), 2 * kPreviewLineBytes);
}

TEST_F(Preview, AResumedFileShowsAndEveryEditInEditModeFollows) {
  WriteFile("movie.srt", "1\r\n00:00:01:000 --> 00:00:02:500\r\n" + DefaultPrefix() + Gbk("好") +
                             "</b>\r\n\r\n2\r\n00:00:03:000 --> 00:00:04:000\r\n" + DefaultPrefix() +
                             "Two</b>\r\n\r\n");
  OpenVideo("movie.avi", kYes);
  WaitUntilOpened();
  WaitMs(1);
  EXPECT_EQ(Shown(),
            (std::vector<std::string>{Event("0:00:01.00", "0:00:02.50", kDefaultLook + "好{\\b0}"),
                                      Event("0:00:03.00", "0:00:04.00", kDefaultLook + "Two{\\b0}")}));

  // A text line: the resumed file's lines are written back without a closing tag.
  ASSERT_TRUE(ClickUserViewLine(6, 3));
  ASSERT_TRUE(TypeInUserView("!"));
  WaitMs(1);
  EXPECT_EQ(Shown()[1], Event("0:00:03.00", "0:00:04.00", kDefaultLook + "Two!"));
  // A time line, digit by digit: while it does not read, only its own subtitle is left out.
  ASSERT_TRUE(ClickUserViewLine(5, 8));
  ASSERT_TRUE(PressInUserView(vk::Back));
  WaitMs(1);
  EXPECT_EQ(Shown(), std::vector<std::string>{Event("0:00:01.00", "0:00:02.50", kDefaultLook + "好{\\b0}")});
  ASSERT_TRUE(TypeInUserView("5"));
  WaitMs(1);
  EXPECT_EQ(Shown()[1], Event("0:00:05.00", "0:00:04.00", kDefaultLook + "Two!"));
}

TEST_F(Preview, ThePlayerHoldsTheMinutesAroundThePositionAndTheyMoveWithIt) {
  WriteFile("movie.srt",
            "1\r\n00:00:01:000 --> 00:00:02:000\r\nnear\r\n\r\n"
            "2\r\n01:00:00:000 --> 01:00:01:000\r\nfar\r\n\r\n"
            "3\r\n00:02:30:000 --> 00:02:31:000\r\nlater\r\n\r\n");
  OpenVideo("movie.avi", kYes);
  WaitUntilOpened();
  // The resume goes on at the last line's end, an hour in.
  Player().Place(1.0);
  WaitFrames(2);
  EXPECT_EQ(Shown(), std::vector<std::string>{Event("0:00:01.00", "0:00:02.00", "near")});
  // Playing on into the stretch's last minute brings the next minutes, and lets the first go.
  Player().Place(90.0);
  WaitFrames(2);
  EXPECT_EQ(Shown(), std::vector<std::string>{Event("0:02:30.00", "0:02:31.00", "later")});
  const int updates = Updates();
  WaitMs(1000);
  EXPECT_EQ(Updates(), updates);
  // A jump far away: the lines there.
  Player().Place(3599.5);
  WaitFrames(2);
  EXPECT_EQ(Shown(), std::vector<std::string>{Event("1:00:00.00", "1:00:01.00", "far")});
}

TEST_F(Preview, ARestyleFromTheFontDialogShowsAtOnce) {
  OpenNewDocument();
  MarkAndType(700, "one");
  PressEnter();
  WaitMs(1);

  ASSERT_TRUE(Control("BitBtn1").Click());
  TFontOptionForm& dialog = *Form().FontOptionForm;
  auto& window = dynamic_cast<HeadlessWindow&>(*dialog.Form);
  // Custom: colour #123456, 宋体, size 24, at 120, 40.
  ASSERT_TRUE(window.Get("CheckBoxDefault").Click());
  ws.colorAnswers.push_back(0x563412);
  ASSERT_TRUE(window.Get("PanelColor").Click());
  ASSERT_TRUE(window.Get("PanelName").Click());
  const auto& names = window.Get("FontNameComboBox");
  int songti = -1;
  for (int i = 0; i < names.ItemCount(); ++i) songti = names.Item(i) == kSongti ? i : songti;
  ASSERT_TRUE(window.Get("FontNameComboBox").SelectItem(songti));
  ASSERT_TRUE(window.Get("PanelSize").Click());
  ASSERT_TRUE(window.Get("FontSizeComboBox").SelectItem(23));
  window.Get("Edit1").SetText("");
  ASSERT_TRUE(window.Get("Edit1").Type("120"));
  window.Get("Edit2").SetText("");
  ASSERT_TRUE(window.Get("Edit2").Type("40"));
  ASSERT_TRUE(window.Get("SaveButton").Click());
  WaitMs(1);
  const std::string customLook = "{\\c&H563412&}{\\fn宋体\\fs24\\pos(120,40)\\}";
  EXPECT_EQ(Shown(), std::vector<std::string>{Event("0:00:00.00", "0:00:00.70", customLook + "one")});

  // The line typed next shows in the new style too.
  MarkAndType(500, "two");
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_EQ(Shown()[1], Event("0:00:00.70", "0:00:01.20", customLook + "two"));
}

TEST_F(Preview, TheCheckBoxTurnsThePreviewOffAndOnAndTheChoiceIsKept) {
  OpenNewDocument();
  MarkAndType(700, "one");
  PressEnter();
  WaitMs(1);
  ASSERT_EQ(Shown().size(), 1u);

  ASSERT_TRUE(CheckBox().Click());
  EXPECT_FALSE(Player().ShowingSubtitles());
  EXPECT_EQ(ws.registry.Text("srtPreview"), "0");
  // Off, nothing reaches the player: neither a commit nor a typed line.
  const int updates = Updates();
  MarkAndType(500, "two");
  PressEnter();
  WaitMs(10);
  EXPECT_EQ(Updates(), updates);
  EXPECT_FALSE(Player().ShowingSubtitles());

  // Turned on while a line is typed: the typed line shows too, and the typing goes on in the entry box.
  MarkAndType(500, "three");
  ASSERT_TRUE(CheckBox().Click());
  EXPECT_EQ(ws.registry.Text("srtPreview"), "1");
  EXPECT_EQ(Shown().size(), 3u);
  EXPECT_EQ(Window().FocusedControl(), &Control("InputEdit"));
  EXPECT_TRUE(ErrorReports().empty());
}

class PreviewChosenOff : public Preview {
 protected:
  PreviewChosenOff() : Preview(false) {
    ws.registry.SetText("srtPreview", "0");
    Start();
  }
};

TEST_F(PreviewChosenOff, AChoiceFromAnEarlierRunIsReadAtStart) {
  EXPECT_FALSE(CheckBox().Checked());
  OpenNewDocument();
  MarkAndType(700, "one");
  PressEnter();
  WaitMs(10);
  EXPECT_EQ(Updates(), 0);
  EXPECT_FALSE(Player().ShowingSubtitles());
  // Reading the choice writes nothing.
  for (const auto& [name, text] : ws.registry.writes) EXPECT_NE(name, "srtPreview");
}

TEST_F(Preview, AFailingPlayerOrStoreCostsNoLineAndTheNextChangeShows) {
  OpenNewDocument();
  Player().FailNext(SimulatedPlayer::Operation::ShowSubtitles, 3);
  MarkAndType(700, "one");
  PressEnter();
  WaitFrames(4);
  EXPECT_TRUE(ErrorReports().empty());
  EXPECT_EQ(FileBytes("movie.srt"),
            "1\r\n00:00:00:001 --> 00:00:00:700\r\n" + DefaultPrefix() + "one</b>\r\n\r\n");
  EXPECT_EQ(Shown().size(), 1u);

  // A choice the store cannot keep still takes effect, and the user is told.
  ws.registry.failingWrites.insert("srtPreview");
  ASSERT_TRUE(CheckBox().Click());
  EXPECT_FALSE(Player().ShowingSubtitles());
  ASSERT_EQ(ErrorReports().size(), 1u);
  EXPECT_NE(ErrorReports()[0].find("srtPreview"), std::string::npos);
}

}  // namespace
}  // namespace titrelle
