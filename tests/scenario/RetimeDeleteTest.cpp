// Correcting a resumed file from the keyboard in edit mode: re-timing and deleting the subtitle under the
// caret, each undone and redone through the document's history, and the player's keys in the video panel.
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

//   0 "1"  1 time  2 One    3 ""
//   4 "2"  5 time  6 Two    7 ""
//   8 "3"  9 time 10 Three 11 ""
const std::string kOne = Group("1", "00:00:01:000 --> 00:00:02:500", "One");
const std::string kTwo = Group("2", "00:00:03:000 --> 00:00:04:000", "Two");
const std::string kThree = Group("3", "00:00:05:000 --> 00:00:06:000", "Three");
const std::string kFile = kOne + kTwo + kThree;

class RetimeDelete : public Scenario {
 protected:
  void Resume() {
    WriteFile("movie.srt", kFile);
    OpenVideo("movie.avi", kYes);
    WaitUntilOpened();
    WaitMs(1);
    ASSERT_TRUE(ErrorReports().empty());
    ASSERT_TRUE(Session().InEditMode());
  }
  // The caret on `line`, the video paused at `seconds`.
  void StandAt(int line, double seconds) {
    ClickUserViewLine(line);
    Player().Pause();
    Player().Place(seconds);
  }
  bool Undo() { return PressInUserView('Z', modifier::Ctrl); }
  bool Redo() { return PressInUserView('Y', modifier::Ctrl); }
};

TEST_F(RetimeDelete, EachReTimeKeyChangesOneEdgeAndIsUndoneAndRedone) {
  const struct {
    const char* name;
    int caretLine;
    int key;
    unsigned shift;
    double position;
    std::string after;
  } cases[] = {
      {"F11 on the text line", 6, vk::F11, 0, 3.25, "00:00:03:250 --> 00:00:04:000"},
      {"F12 on the number line", 4, vk::F12, 0, 4.75, "00:00:03:000 --> 00:00:04:750"},
      {"Alt+Left on the time line", 5, vk::Left, modifier::Alt, 0, "00:00:02:900 --> 00:00:04:000"},
      {"Alt+Right on the blank line after", 7, vk::Right, modifier::Alt, 0, "00:00:03:100 --> 00:00:04:000"},
      {"Alt+Shift+Left", 6, vk::Left, modifier::Alt | modifier::Shift, 0, "00:00:03:000 --> 00:00:03:900"},
      {"Alt+Shift+Right", 6, vk::Right, modifier::Alt | modifier::Shift, 0, "00:00:03:000 --> 00:00:04:100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", kFile);
    world.OpenVideo("movie.avi", kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    world.ClickUserViewLine(c.caretLine);
    world.Player().Pause();
    world.Player().Place(c.position);
    const std::string after = kOne + Group("2", c.after, "Two") + kThree;

    EXPECT_TRUE(world.PressInUserView(c.key, c.shift));
    EXPECT_EQ(world.FileBytes("movie.srt"), after);
    EXPECT_EQ(world.UserView().Line(5), c.after);
    EXPECT_TRUE(world.PressInUserView('Z', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), kFile);
    EXPECT_EQ(world.UserView().Line(5), "00:00:03:000 --> 00:00:04:000");
    EXPECT_TRUE(world.PressInUserView('Y', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), after);
    EXPECT_EQ(world.Form().Editing.UserViewSnapshot().Text(), world.UserView().Text());
  }
}

TEST_F(RetimeDelete, AnEndNotAfterItsStartIsRefusedWithAWord) {
  Resume();
  StandAt(6, 4.0);  // the end itself
  PressInUserView(vk::F11);
  EXPECT_EQ(FileBytes("movie.srt"), kFile);
  EXPECT_EQ(Control("NoticeLabel").Text(), Gbk("终止时间须晚于起始时间。"));
  // Nothing joined the history: Ctrl+Z has nothing of this to take back.
  EXPECT_FALSE(Form().Document.History.CanUndo());
}

TEST_F(RetimeDelete, F8AfterReTimingTheLastLineContinuesFromItsNewEnd) {
  Resume();
  StandAt(10, 0);
  PressInUserView(vk::Right, modifier::Alt | modifier::Shift);
  PressF8();
  EXPECT_EQ(Control("Edit1").Text().substr(0, 12), "00:00:06:100");
  EXPECT_DOUBLE_EQ(Player().Position(), 6.1);
  // Undone, F8 goes back to the old end.
  PressF7();
  Undo();
  PressF8();
  EXPECT_EQ(Control("Edit1").Text().substr(0, 12), "00:00:06:000");
  EXPECT_DOUBLE_EQ(Player().Position(), 6.0);
}

TEST_F(RetimeDelete, CtrlShiftDeleteRemovesTheGroupAndKeepsTheOtherNumbers) {
  const struct {
    const char* name;
    int caretLine;
    std::string after;
  } cases[] = {
      {"the first", 2, kTwo + kThree},
      {"the middle one", 5, kOne + kThree},
      {"the last, caret after it", 12, kOne + kTwo},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", kFile);
    world.OpenVideo("movie.avi", kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    world.ClickUserViewLine(c.caretLine);
    EXPECT_TRUE(world.PressInUserView(vk::Delete, modifier::Ctrl | modifier::Shift));
    EXPECT_EQ(world.FileBytes("movie.srt"), c.after);
    EXPECT_EQ(world.Form().Editing.UserViewSnapshot().Text(), world.UserView().Text());
    EXPECT_TRUE(world.PressInUserView('Z', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), kFile);
    EXPECT_EQ(world.Form().Editing.UserViewSnapshot().Text(), world.UserView().Text());
    EXPECT_TRUE(world.PressInUserView('Y', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), c.after);
  }
}

TEST_F(RetimeDelete, TypingInTheViewKeepsItsOwnUndoUntilTheNextCommand) {
  Resume();
  StandAt(6, 0);
  PressInUserView(vk::Delete, modifier::Ctrl | modifier::Shift);
  ClickUserViewLine(6, 5);  // the last text, "Three"
  TypeInUserView("!");
  // The view's own: the delete stays done.
  PressInUserView('Z', modifier::Ctrl);
  EXPECT_EQ(FileBytes("movie.srt").find("Two"), std::string::npos);
}

TEST_F(RetimeDelete, ReTimingIsForEditModeOnly) {
  OpenVideo("movie.avi");
  WaitUntilOpened();
  PressF9();
  WaitMs(500);
  PressF10();
  TypeInInput("One");
  PressEnter();
  const std::string file = FileBytes("movie.srt");
  ASSERT_FALSE(file.empty());
  Control("Panel2").PressKey(vk::F11);
  Control("Panel2").PressKey(vk::Delete, modifier::Ctrl | modifier::Shift);
  EXPECT_EQ(FileBytes("movie.srt"), file);
}

TEST_F(RetimeDelete, ThePlayersKeysWorkInTheVideoPanelAndNowhereTheyWouldBeTyping) {
  OpenVideo("movie.avi");
  WaitUntilOpened();
  const struct {
    const char* name;
    const char* control;
    int key;
    unsigned shift;
    double position;  // after, from 10 s, paused
    bool playing;
  } cases[] = {
      {"Space plays", "Panel2", vk::Space, 0, 10, true},
      {"Left steps back", "Panel2", vk::Left, 0, 8, false},
      {"Right steps forward", "Panel2", vk::Right, 0, 12, false},
      {"Shift+Left steps back a little", "Panel2", vk::Left, modifier::Shift, 9.8, false},
      {"Shift+Right steps forward a little", "Panel2", vk::Right, modifier::Shift, 10.2, false},
      {"Space in the entry box is typed", "InputEdit", vk::Space, 0, 10, false},
      {"Left in the entry box moves its caret", "InputEdit", vk::Left, 0, 10, false},
      {"Space in a time box is typed", "Edit1", vk::Space, 0, 10, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Player().Pause();
    Player().Place(10);
    Control(c.control).PressKey(c.key, c.shift);
    EXPECT_NEAR(Player().Position(), c.position, 1e-9);
    EXPECT_EQ(Player().Playing(), c.playing);
  }
  // A step never goes before the video's start.
  Player().Pause();
  Player().Place(1);
  Control("Panel2").PressKey(vk::Left);
  EXPECT_EQ(Player().Position(), 0);
}

// Delete in the subtitle table: the rows selected, apart or together, go as one step; the views keep their
// lines in step, so that undo and redo give back the same bytes.
TEST_F(RetimeDelete, DeleteInTheTableTakesTheSelectedRowsAsOneStep) {
  const struct {
    const char* name;
    std::vector<int> rows;
    std::string after;
  } cases[] = {
      {"the first and the last", {0, 2}, kTwo},
      {"the last two", {1, 2}, kOne},
      {"every one", {2, 0, 1}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", kFile);
    world.OpenVideo("movie.avi", kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    world.Form().TableRows.SelectRows(c.rows, c.rows.front());
    KeyEvent key{vk::Delete};
    EXPECT_TRUE(world.Form().TableRows.KeyDown(key));
    EXPECT_EQ(world.FileBytes("movie.srt"), c.after);
    EXPECT_EQ(world.UserView().Text(), DeriveUserViewText(c.after));
    // The rows deleted left the selection: Delete again has nothing to take.
    EXPECT_TRUE(world.Form().TableRows.SelectedRows().empty());
    world.Form().TableRows.KeyDown(key);
    EXPECT_EQ(world.FileBytes("movie.srt"), c.after);
    EXPECT_TRUE(world.PressInUserView('Z', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), kFile);
    EXPECT_TRUE(world.PressInUserView('Y', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), c.after);
  }
}

}  // namespace
}  // namespace titrelle
