// Edits that join or split lines of the user view are undone back to exactly the view the user had, whatever
// the program itself did to the view before: a resume, a commit in edit mode or while capturing, opening
// another video, earlier edits and earlier undos.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Scenario.h"

namespace titrelle {
namespace {

const std::string kPrefix = ScenarioWorld::DefaultPrefix();
const std::string kTimeLine1 = "00:00:01:000 --> 00:00:02:500";
const std::string kTimeLine2 = "00:00:03:000 --> 00:00:04:000";
//   0 "1"   1 time   2 One   3 ""
//   4 "2"   5 time   6 Two   7 ""
const std::string kFile = "1\r\n" + kTimeLine1 + "\r\n" + kPrefix + "One</b>\r\n\r\n2\r\n" + kTimeLine2 +
                          "\r\n" + kPrefix + "Two</b>\r\n\r\n";
// Ends without a break on a line of markup alone, which the user view shows as the empty line after its final
// break: a commit then breaks the user view first.
const std::string kFileEndingOnMarkup =
    "1\r\n" + kTimeLine1 + "\r\n" + kPrefix + "One</b>\r\n\r\n2\r\n" + kTimeLine2 + "\r\n" + kPrefix + "</b>";

void Resume(ScenarioWorld& world, const std::string& name, const std::string& file) {
  world.WriteFile(name + ".srt", file);
  world.OpenVideo(name + ".avi", ScenarioWorld::kYes);
  world.WaitUntilOpened();
  world.WaitMs(1);
}

void CommitLine(ScenarioWorld& world, const std::string& text) {
  world.TypeInInput(text);
  world.PressEnter();
}

// A file whose resume fails (it holds no time line) after its text reached both views: the open button stays
// usable, and the user may open another video.
const std::string kFileWithoutTimes = "Notes\r\nMore notes\r\n";

// Splits and joins on the text line reading `text` are all undone; afterwards an edit of that line still
// reaches its own line of the file.
void ExpectBreakEditsUndone(ScenarioWorld& world, const std::string& subtitleFile, const std::string& text) {
  const std::string view = world.UserView().Text();
  const std::string file = world.FileBytes(subtitleFile);
  const std::vector<std::string> lines = world.UserViewLines();
  const int line = static_cast<int>(std::find(lines.begin(), lines.end(), text) - lines.begin());
  ASSERT_LT(line, static_cast<int>(lines.size()));
  const struct {
    const char* name;
    std::function<void()> edit;
  } edits[] = {
      {"a paste holding a break", [&] { world.UserView().Paste("x\r\ny"); }},
      {"Enter inside the line", [&] { world.PressInUserView(vk::Return); }},
      {"Backspace at the line's start",
       [&] {
         world.PressInUserView(vk::Home);
         world.PressInUserView(vk::Back);
       }},
  };
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit.name);
    ASSERT_TRUE(world.ClickUserViewLine(line, 1));
    edit.edit();
    EXPECT_EQ(world.UserView().Text(), view);
    EXPECT_EQ(world.FileBytes(subtitleFile), file);
  }

  std::vector<std::string> expected = ScenarioWorld::SplitLines(file);
  expected[line] = kPrefix + text + "!" + (world.Form().Document.OmitClosingTag == 0 ? "</b>" : "");
  world.ClickUserViewLine(line, static_cast<int>(text.size()));
  world.TypeInUserView("!");
  EXPECT_EQ(ScenarioWorld::SplitLines(world.FileBytes(subtitleFile)), expected);
}

TEST(LineBreakUndo, RestoresTheViewAsTheProgramLastLeftIt) {
  const struct {
    const char* name;
    std::function<void(ScenarioWorld&)> before;
    std::string subtitleFile;
    std::string text;  // of the text line to edit
  } cases[] = {
      {"right after a resume", [](ScenarioWorld& world) { Resume(world, "movie", kFile); }, "movie.srt",
       "Two"},
      {"after edits of a text, a number and a time line",
       [](ScenarioWorld& world) {
         Resume(world, "movie", kFile);
         world.ClickUserViewLine(2, 3);
         world.TypeInUserView("z");
         world.ClickUserViewLine(4, 1);
         world.TypeInUserView("0");
         world.ClickUserViewLine(5, 29);
         world.TypeInUserView("1");
       },
       "movie.srt", "Onez"},
      {"after a commit in edit mode",
       [](ScenarioWorld& world) {
         Resume(world, "movie", kFile);
         world.ClickUserViewLine(2, 3);
         CommitLine(world, "New");
       },
       "movie.srt", "New"},
      {"after a commit in edit mode that breaks the user view first",
       [](ScenarioWorld& world) {
         Resume(world, "movie", kFileEndingOnMarkup);
         CommitLine(world, "New");
       },
       "movie.srt", "New"},
      {"after a commit while capturing, back in edit mode",
       [](ScenarioWorld& world) {
         Resume(world, "movie", kFile);
         world.PressF8();
         world.PressF9();
         world.WaitMs(500);
         world.PressF10();
         CommitLine(world, "New");
         world.PressF7();
       },
       "movie.srt", "New"},
      {"after an earlier undo",
       [](ScenarioWorld& world) {
         Resume(world, "movie", kFile);
         world.ClickUserViewLine(6, 1);
         world.UserView().Paste("a\r\nb");
         world.ClickUserViewLine(2, 3);
         world.TypeInUserView("z");
       },
       "movie.srt", "Onez"},
      {"after opening another video and resuming its file",
       [](ScenarioWorld& world) {
         Resume(world, "notes", kFileWithoutTimes);
         world.ClickUserViewLine(1, 4);
         world.TypeInUserView("z");
         Resume(world, "other", "1\r\n" + kTimeLine2 + "\r\n" + kPrefix + "Other</b>\r\n\r\n");
       },
       "other.srt", "Other"},
      {"after opening a video without a file and capturing a line",
       [](ScenarioWorld& world) {
         Resume(world, "notes", kFileWithoutTimes);
         world.OpenVideo("fresh.avi");
         world.WaitUntilOpened();
         world.WaitMs(100);
         world.PressF9();
         world.WaitMs(500);
         world.PressF10();
         CommitLine(world, "Fresh");
         world.PressF7();
       },
       "fresh.srt", "Fresh"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    c.before(world);
    ASSERT_TRUE(world.UserView().Visible());
    ExpectBreakEditsUndone(world, c.subtitleFile, c.text);
  }
}

}  // namespace
}  // namespace titrelle
