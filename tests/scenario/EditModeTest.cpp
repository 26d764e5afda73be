// Edit mode on the headless shell: the user resumes a subtitle file, moves about in the user view, corrects
// lines, and the subtitle file follows every change at once.
#include <string>
#include <vector>

#include "Scenario.h"
#include "style/FontOptionUnit.h"

namespace titrelle {
namespace {

const std::string kDefaultPrefix = ScenarioWorld::DefaultPrefix();

// Three subtitles; the last two share their times, and the first text is one double-byte character.
//   0 "1"   1 time   2 好     3 ""
//   4 "2"   5 time   6 Two    7 ""
//   8 "3"   9 time  10 Three 11 ""
const std::string kTimeLine1 = "00:00:01:000 --> 00:00:02:500";
const std::string kTimeLine2 = "00:00:03:000 --> 00:00:04:000";
const std::string kFile = "1\r\n" + kTimeLine1 + "\r\n" + kDefaultPrefix + ScenarioWorld::Gbk("好") +
                          "</b>\r\n\r\n" + "2\r\n" + kTimeLine2 + "\r\n" + kDefaultPrefix +
                          "Two</b>\r\n\r\n" + "3\r\n" + kTimeLine2 + "\r\n" + kDefaultPrefix +
                          "Three</b>\r\n\r\n";

class EditMode : public Scenario {
 protected:
  // The user opens the video, answers Yes, and the video has opened.
  void Resume(const std::string& file = kFile) {
    WriteFile("movie.srt", file);
    OpenVideo("movie.avi", kYes);
    WaitUntilOpened();
    WaitMs(1);
    ASSERT_TRUE(ErrorReports().empty());
  }
  std::vector<std::string> FileLines() { return ScenarioWorld::SplitLines(FileBytes("movie.srt")); }
  // The original file with one line replaced.
  static std::vector<std::string> FileWith(int index, const std::string& line) {
    std::vector<std::string> lines = ScenarioWorld::SplitLines(kFile);
    lines[index] = line;
    return lines;
  }
};

TEST_F(EditMode, ClickingATimeLineShowsItsTimesAndRepeatsIt) {
  Resume();
  Player().ClearCalls();
  ClickUserViewLine(5, 3);
  EXPECT_EQ(Control("Edit1").Text(), "00:00:03:000");
  EXPECT_EQ(Control("Edit2").Text(), "00:00:04:000");
  EXPECT_EQ(Session().MarkStart(), 3.0L);
  EXPECT_EQ(Session().MarkEnd(), 4.0L);
  EXPECT_EQ(Player().Seeks(), (std::vector<double>{3.0, 3.0}));  // mouse down and mouse up
  EXPECT_TRUE(Player().Playing());
  WaitMs(2500);
  EXPECT_GE(Player().Seeks().size(), 4u);
  EXPECT_GE(Player().Position(), 3.0);
  EXPECT_LE(Player().Position(), 4.001);

  // The text line below keeps the segment; a click there does not seek.
  Player().ClearCalls();
  ClickUserViewLine(6, 1);
  EXPECT_TRUE(Player().Seeks().empty());
  EXPECT_EQ(Session().MarkStart(), 3.0L);
  // The arrow keys reach a time line too: it is sought on key up.
  for (int line = 6; line > 1; --line) PressInUserView(vk::Up);
  EXPECT_EQ(UserView().CaretLine(), 1);
  EXPECT_EQ(Control("Edit1").Text(), "00:00:01:000");
  EXPECT_EQ(Session().MarkEnd(), 2.5L);
  EXPECT_EQ(Player().Seeks().back(), 1.0);
}

// The edges of play or pause: a line that starts at the very beginning gives no start mark, so it plays once
// and runs on past its end; a line of no length sits on both bounds of the pause and holds the video there.
TEST_F(EditMode, ALineFromTheVeryStartPlaysOnceAndALineOfNoLengthPauses) {
  const struct {
    const char* name;
    std::string timeLine;
    bool playing;
  } cases[] = {
      {"from 00:00:00:000", "00:00:00:000 --> 00:00:01:000", true},
      {"of no length", "00:00:02:000 --> 00:00:02:000", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", "1\r\n" + c.timeLine + "\r\n" + kDefaultPrefix + "One</b>\r\n\r\n");
    world.OpenVideo("movie.avi", kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    world.ClickUserViewLine(1, 3);
    const double start = world.Player().Seeks().back();
    EXPECT_EQ(world.Player().Playing(), c.playing);
    world.Player().ClearCalls();
    world.WaitMs(2500);
    EXPECT_TRUE(world.Player().Seeks().empty());
    EXPECT_EQ(world.Player().Position() > start + 2.0, c.playing) << world.Player().Position();
  }
}

TEST_F(EditMode, TypingInATextLineRewritesThatLineWithTheCurrentStyle) {
  Resume();
  // The newest font dialog chose another style; a resumed file carries no closing tag from now on.
  Form().FontOptionForm->StylePart1 = "<font color=#FF0000>";
  Form().FontOptionForm->StylePart2 = "{\\fnArial\\fs20\\pos(10,20)\\}";
  ClickUserViewLine(6, 3);
  TypeInUserView("!");
  EXPECT_EQ(UserView().Line(6), "Two!");
  EXPECT_EQ(FileLines(), FileWith(6, "<font color=#FF0000>{\\fnArial\\fs20\\pos(10,20)\\}Two!"));
  EXPECT_EQ(FileBytes("movie.srt"), Form().Document.TempRichEdit.Text());
}

// Chosen: a time line's write-back changes the caret's own line, never another one with the same text.
TEST_F(EditMode, TypingInATimeLineRewritesOnlyThatLine) {
  Resume();
  ClickUserViewLine(9, 29);
  PressInUserView(vk::Back);
  TypeInUserView("9");
  EXPECT_EQ(UserView().Line(9), "00:00:03:000 --> 00:00:04:009");
  EXPECT_EQ(FileLines(), FileWith(9, "00:00:03:000 --> 00:00:04:009"));
  // The segment follows the new times on the key's key up.
  EXPECT_EQ(Control("Edit2").Text(), "00:00:04:009");
  EXPECT_EQ(Session().MarkEnd(), 4.009L);
}

// Mended in part: Backspace at the start of a line and Enter, which would join or split lines, are refused
// like the Backspace and Delete that would break a group.
TEST_F(EditMode, TheKeyGuardKeepsEveryGroupWhole) {
  Resume();
  const struct {
    const char* name;
    int line, column, key;
  } cases[] = {
      {"Backspace in a one-digit number", 4, 1, vk::Back},
      {"Delete in a one-digit number", 4, 0, vk::Delete},
      {"Backspace in one double-byte character", 2, 2, vk::Back},
      {"Delete at the end of a text line", 6, 3, vk::Delete},
      {"Delete at the end of a time line", 5, 29, vk::Delete},
      {"Backspace at the start of a text line", 6, 0, vk::Back},
      {"Backspace at the start of a time line", 5, 0, vk::Back},
      {"Enter in a time line", 5, 12, vk::Return},
      {"Enter at the end of a text line", 6, 3, vk::Return},
      {"Ctrl+Enter in a text line", 6, 1, -vk::Return},
  };
  const std::vector<std::string> lines = UserViewLines();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClickUserViewLine(c.line, c.column);
    if (c.key < 0) {
      PressInUserView(-c.key, modifier::Ctrl);
    } else {
      PressInUserView(c.key);
    }
    EXPECT_EQ(UserViewLines(), lines);
    EXPECT_EQ(FileBytes("movie.srt"), kFile);
  }

  // Adding text first, then deleting, works; a number line changes in the user view only.
  ClickUserViewLine(2, 2);
  TypeInUserView("a");
  PressInUserView(vk::Left);
  PressInUserView(vk::Back);
  EXPECT_EQ(UserView().Line(2), "a");
  EXPECT_EQ(FileLines(), FileWith(2, kDefaultPrefix + "a"));
  ClickUserViewLine(4, 1);
  TypeInUserView("0");
  EXPECT_EQ(UserView().Line(4), "20");
  EXPECT_EQ(FileLines(), FileWith(2, kDefaultPrefix + "a"));
}

// Mended: a selection inside one line is edited as the user asks, from its first column too; one that holds
// a line break is refused, whatever key would replace it.
TEST_F(EditMode, ASelectionIsEditedUnlessItHoldsALineBreak) {
  Resume();
  const struct {
    const char* name;
    int line, column, endLine, endColumn;
    const char* typed;  // typed over the selection; nullptr: Backspace
    const char* textLine10;
  } cases[] = {
      {"Backspace on a selection from column 0", 10, 0, 10, 2, nullptr, "ree"},
      {"typing over a selection from column 0", 10, 0, 10, 1, "Th", "Thee"},
      {"Backspace on a selection across a break", 9, 5, 10, 2, nullptr, "Thee"},
      {"typing over a selection across a break", 10, 2, 11, 0, "x", "Thee"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClickUserViewLine(c.line, c.column);
    UserView().Select(c.line, c.column, c.endLine, c.endColumn);
    if (c.typed) {
      TypeInUserView(c.typed);
    } else {
      PressInUserView(vk::Back);
    }
    EXPECT_EQ(UserView().Line(10), c.textLine10);
    EXPECT_EQ(UserView().Count(), 12);
    EXPECT_EQ(FileLines(), FileWith(10, kDefaultPrefix + c.textLine10));
  }
}

// Mended: a failing save while typing was silent. The first failure is reported, the caption says that the
// file lags behind while saves keep failing, and the next save that succeeds writes everything and clears it.
TEST_F(EditMode, AFailingSaveWhileTypingIsReportedOnceAndMarkedUntilASaveSucceeds) {
  Resume();
  const std::string title = Window().Caption();
  SetReadOnly("movie.srt", true);
  ClickUserViewLine(6, 3);
  TypeInUserView("abc");
  EXPECT_EQ(ErrorReports().size(), 1u);
  EXPECT_EQ(Window().Caption(), title + Gbk(" [未保存]"));
  EXPECT_EQ(FileBytes("movie.srt"), kFile);
  EXPECT_EQ(UserView().Line(6), "Twoabc");

  SetReadOnly("movie.srt", false);
  TypeInUserView("d");
  EXPECT_EQ(ErrorReports().size(), 1u);
  EXPECT_EQ(Window().Caption(), title);
  EXPECT_EQ(FileLines(), FileWith(6, kDefaultPrefix + "Twoabcd"));
}

TEST_F(EditMode, EmptyLinesAreReadOnly) {
  Resume();
  ClickUserViewLine(7);
  EXPECT_TRUE(UserView().ReadOnly());
  TypeInUserView("x");
  EXPECT_EQ(UserView().Line(7), "");
  EXPECT_EQ(FileBytes("movie.srt"), kFile);
  ClickUserViewLine(6);
  EXPECT_FALSE(UserView().ReadOnly());
}

// Mended: a paste holding line breaks would shift every later line against the file; it is undone.
TEST_F(EditMode, PastingLineBreaksIsRefusedAndPlainPastesAreWrittenBack) {
  Resume();
  const std::vector<std::string> lines = UserViewLines();
  ClickUserViewLine(6, 1);
  UserView().Paste("x\r\ny");
  EXPECT_EQ(UserViewLines(), lines);
  EXPECT_EQ(UserView().PhysicalLineCount(), 13);
  EXPECT_EQ(FileBytes("movie.srt"), kFile);

  ClickUserViewLine(6, 1);
  UserView().Paste("xy");
  EXPECT_EQ(UserView().Line(6), "Txywo");
  EXPECT_EQ(FileLines(), FileWith(6, kDefaultPrefix + "Txywo"));
}

// Chosen: a subtitle text holding "-->" is still a text line: it keeps its style markup in the file.
TEST_F(EditMode, ATextLineHoldingAnArrowKeepsItsStyle) {
  Resume();
  ClickUserViewLine(6, 3);
  TypeInUserView("-->");
  EXPECT_EQ(FileLines(), FileWith(6, kDefaultPrefix + "Two-->"));
}

TEST_F(EditMode, F8GoesBackToCapturingWhereTheFileEnded) {
  Resume();
  ClickUserViewLine(1);
  PressF8();
  EXPECT_FALSE(UserView().Visible());
  EXPECT_TRUE(Control("Panel3").Visible());
  EXPECT_TRUE(Control("StartTimeButton").Enabled());
  EXPECT_TRUE(Control("EndTimeButton").Enabled());
  EXPECT_EQ(Window().FocusedControl(), &Control("InputEdit"));
  EXPECT_EQ(Control("Edit1").Text(), "00:00:04:000\r");
  EXPECT_EQ(Control("Edit2").Text(), "00:00:00:000");
  EXPECT_FALSE(Player().Playing());
  EXPECT_EQ(Player().Position(), 4.0);
  EXPECT_EQ(Session().MarkStart(), 4.0L);
  EXPECT_EQ(Session().MarkEnd(), 2.5L);  // left as the last click set it
  EXPECT_FALSE(Session().InEditMode());
  // F7 brings the user view back, paused, with the caret at its end.
  PressF7();
  EXPECT_TRUE(UserView().Visible());
  EXPECT_FALSE(Control("Panel3").Visible());
  EXPECT_EQ(UserView().CaretLine(), 12);
  EXPECT_FALSE(Control("StartTimeButton").Enabled());
}

TEST_F(EditMode, F7OnAnEmptyListingLetsNothingBeTyped) {
  PressF7();
  EXPECT_TRUE(UserView().Visible());
  TypeInUserView("x");
  EXPECT_EQ(UserView().Count(), 0);
  EXPECT_TRUE(UserView().ReadOnly());
}

// Chosen: a commit made while the user view is shown appends its group after the lines in the file view and
// leaves them as they were, also when the loaded file did not end with a line break.
TEST_F(EditMode, ACommitInEditModeLeavesTheExistingLinesAlone) {
  const std::string withoutFinalBreak = kFile.substr(0, kFile.size() - 4);
  // The last text line is markup alone, so the user view shows it as the empty line after a final break.
  const std::string endingOnMarkup =
      kFile.substr(0, kFile.size() - std::string("Three</b>\r\n\r\n").size()) + "</b>";
  const struct {
    const char* name;
    std::string file;
    std::string appended;
  } cases[] = {
      {"the file ends with a break", kFile, "1\r\n" + kTimeLine2 + "\r\n" + kDefaultPrefix + "New\r\n\r\n"},
      {"the file ends without one", withoutFinalBreak,
       "\r\n1\r\n" + kTimeLine2 + "\r\n" + kDefaultPrefix + "New\r\n"},
      {"the file ends without one on a line of markup", endingOnMarkup,
       "\r\n1\r\n" + kTimeLine2 + "\r\n" + kDefaultPrefix + "New\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", c.file);
    world.OpenVideo("movie.avi", kYes);
    world.WaitUntilOpened();
    world.ClickUserViewLine(5, 3);  // the caret on a time line whose text another line shares
    world.TypeInInput("New");
    world.PressEnter();
    EXPECT_EQ(world.FileBytes("movie.srt"), c.file + c.appended);
    EXPECT_EQ(world.UserView().Count(), world.Form().Document.TempRichEdit.Count());
    EXPECT_TRUE(world.UserView().Visible());

    // The views still correspond: the new text line is written back to its own line.
    const int newText = world.UserView().Count() - (c.file == kFile ? 2 : 1);
    ASSERT_EQ(world.UserView().Line(newText), "New");
    world.ClickUserViewLine(newText, 3);
    world.TypeInUserView("!");
    std::string edited = c.appended;
    edited.insert(edited.find(kDefaultPrefix + "New") + (kDefaultPrefix + "New").size(), "!");
    EXPECT_EQ(world.FileBytes("movie.srt"), c.file + edited);
  }
}

}  // namespace
}  // namespace titrelle
