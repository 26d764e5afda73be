// Insert in edit mode: an empty subtitle after the caret's, timed in the gap to the next, numbered after the
// caret's; one command of the history; the caret on its text line, where its text is typed.
#include <string>
#include <vector>

#include "Scenario.h"
#include "document/UserViewDerivation.h"

namespace titrelle {
namespace {

const std::string kPrefix = ScenarioWorld::DefaultPrefix();

std::string Group(const std::string& number, const std::string& timeLine, const std::string& text) {
  return number + "\r\n" + timeLine + "\r\n" + kPrefix + text + "</b>\r\n\r\n";
}
// As a resumed document writes a text line: without the closing tag.
std::string Inserted(const std::string& number, const std::string& timeLine, const std::string& text = "") {
  return number + "\r\n" + timeLine + "\r\n" + kPrefix + text + "\r\n\r\n";
}

const std::string kOne = Group("1", "00:00:01:000 --> 00:00:02:500", "One");
const std::string kTwo = Group("2", "00:00:03:000 --> 00:00:04:000", "Two");
const std::string kThree = Group("3", "00:00:05:000 --> 00:00:06:000", "Three");
const std::string kCloseTwo = Group("2", "00:00:02:800 --> 00:00:04:000", "Two");
// The last group without its blank line.
const std::string kTwoUnclosed = "2\r\n00:00:03:000 --> 00:00:04:000\r\n" + kPrefix + "Two</b>\r\n";

TEST(InsertSubtitle, InsertAddsAnEmptySubtitleInTheGapAfterTheCaretsOne) {
  const struct {
    const char* name;
    std::string file;
    int caretLine;
    std::string before;  // the new group goes between these two
    std::string after;
    std::string inserted;  // number and time line
    int textLine;
  } cases[] = {
      {"a gap of half a second is filled", kOne + kTwo + kThree, 2, kOne, kTwo + kThree,
       "2\r\n00:00:02:500 --> 00:00:03:000", 6},
      {"a long gap gives two seconds", kOne + Group("2", "00:00:03:000 --> 00:00:09:000", "Two"), 6,
       kOne + Group("2", "00:00:03:000 --> 00:00:09:000", "Two"), "", "3\r\n00:00:09:000 --> 00:00:11:000",
       10},
      {"no room before the next: two seconds all the same", kOne + kCloseTwo, 1, kOne, kCloseTwo,
       "2\r\n00:00:02:500 --> 00:00:04:500", 6},
      {"after a last group without its blank line", kOne + kTwoUnclosed, 6, kOne + kTwoUnclosed + "\r\n", "",
       "3\r\n00:00:04:000 --> 00:00:06:000", 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", c.file);
    world.OpenVideo("movie.avi", ScenarioWorld::kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    world.ClickUserViewLine(c.caretLine);
    const std::size_t split = c.inserted.find("\r\n");
    const std::string withNew =
        c.before + Inserted(c.inserted.substr(0, split), c.inserted.substr(split + 2)) + c.after;

    EXPECT_TRUE(world.PressInUserView(vk::Insert));
    EXPECT_EQ(world.FileBytes("movie.srt"), withNew);
    EXPECT_EQ(world.Form().Editing.UserViewSnapshot().Text(), world.UserView().Text());
    EXPECT_TRUE(world.PressInUserView('Z', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), c.file);
    EXPECT_TRUE(world.PressInUserView('Y', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), withNew);
    // The caret waits on the new text line, and what is typed there is the new subtitle's text.
    EXPECT_EQ(world.UserView().CaretLine(), c.textLine);
    world.TypeInUserView("New");
    EXPECT_EQ(
        world.FileBytes("movie.srt"),
        c.before + Inserted(c.inserted.substr(0, split), c.inserted.substr(split + 2), "New") + c.after);
    EXPECT_EQ(world.UserView().Line(c.textLine), "New");
  }
}

// Insert in the subtitle table goes after the row chosen there, wherever the user view's caret stands (F7
// leaves it after the last subtitle).
TEST(InsertSubtitle, InsertInTheTableAddsAfterTheRowChosen) {
  const std::string groups[] = {kOne, kTwo, kThree};
  // What Insert adds after the first and after the second.
  const std::string inserted[] = {Inserted("2", "00:00:02:500 --> 00:00:03:000"),
                                  Inserted("3", "00:00:04:000 --> 00:00:05:000")};
  const struct {
    const char* name;
    bool chosenWhileCapturing;  // the row chosen before F7
    std::vector<int> rows;
    int current;
    int after;  // the row the new subtitle follows
  } cases[] = {
      {"a row chosen while capturing", true, {0}, 0, 0},
      {"the current one of several", false, {0, 1}, 1, 1},
      {"the current one before another selected", false, {0, 1}, 0, 0},
      {"the last selected, none current", false, {0, 1}, -1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    const std::string file = kOne + kTwo + kThree;
    world.WriteFile("movie.srt", file);
    world.OpenVideo("movie.avi", ScenarioWorld::kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    if (c.chosenWhileCapturing) world.PressF8();
    world.Form().TableRows.SelectRows(c.rows, c.current);
    if (c.chosenWhileCapturing) world.PressF7();
    // The caret after the last subtitle, as F7 leaves it.
    world.UserView().CaretToEnd();
    std::string withNew;
    for (int row = 0; row < 3; ++row) withNew += groups[row] + (row == c.after ? inserted[row] : "");

    KeyEvent key{vk::Insert};
    EXPECT_TRUE(world.Form().TableRows.KeyDown(key));
    EXPECT_EQ(world.FileBytes("movie.srt"), withNew);
    EXPECT_EQ(world.UserView().Text(), DeriveUserViewText(withNew));
    EXPECT_TRUE(world.PressInUserView('Z', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), file);
    EXPECT_TRUE(world.PressInUserView('Y', modifier::Ctrl));
    EXPECT_EQ(world.FileBytes("movie.srt"), withNew);
  }
}

TEST(InsertSubtitle, F8AfterAnInsertAfterTheLastContinuesFromTheNewEnd) {
  ScenarioWorld world;
  world.WriteFile("movie.srt", kOne + kTwo);
  world.OpenVideo("movie.avi", ScenarioWorld::kYes);
  world.WaitUntilOpened();
  world.WaitMs(1);
  world.ClickUserViewLine(6);
  world.PressInUserView(vk::Insert);
  world.PressF8();
  EXPECT_EQ(world.Control("Edit1").Text().substr(0, 12), "00:00:06:000");
}

}  // namespace
}  // namespace titrelle
