// Undo and redo of the document's commands on the headless shell: the file's bytes, both views and the
// capture state go back and forth together.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Scenario.h"

namespace titrelle {
namespace {

const std::string kDefaultPrefix = ScenarioWorld::DefaultPrefix();

// What undo and redo must put back: the file, the user view and where the next line starts.
struct Snapshot {
  std::string file;
  std::vector<std::string> userView;
  int lineCount;
  std::string startBox;
  std::string continueStartText;
  long double continuePosition;
  bool operator==(const Snapshot&) const = default;
};

class UndoRedo : public Scenario {
 protected:
  Snapshot Take() {
    return {FileBytes("movie.srt"),        UserViewLines(),
            Session().LineCount(),         Control("Edit1").Text(),
            Session().ContinueStartText(), Session().ContinuePosition()};
  }
  void CommitLine(const std::string& text) {
    WaitMs(300);
    PressF10();
    WaitMs(10);
    TypeInInput(text);
    PressEnter();
  }
  bool CtrlKeyInInput(int key, unsigned shift = 0) {
    return Control("InputEdit").PressKey(key, modifier::Ctrl | shift);
  }
};

TEST_F(UndoRedo, EnterThenCtrlZTakesTheLineBackAndCtrlYPutsItBack) {
  OpenVideo("movie.avi");
  WaitUntilOpened();
  PressF9();
  CommitLine("One");
  const Snapshot one = Take();
  CommitLine("Two");
  const Snapshot two = Take();
  ASSERT_NE(one, two);

  ASSERT_TRUE(CtrlKeyInInput('Z'));
  EXPECT_EQ(Take(), one);
  ASSERT_TRUE(CtrlKeyInInput('Y'));
  EXPECT_EQ(Take(), two);
  ASSERT_TRUE(CtrlKeyInInput('Z'));
  EXPECT_EQ(Take(), one);
  ASSERT_TRUE(CtrlKeyInInput('Z', modifier::Shift));  // redo, the other way
  EXPECT_EQ(Take(), two);
  ASSERT_TRUE(CtrlKeyInInput('Z'));
  ASSERT_TRUE(Control("StartTimeButton").PressKey('Z', modifier::Ctrl));  // wherever the focus is
  EXPECT_EQ(FileBytes("movie.srt"), "");
  EXPECT_TRUE(UserViewLines().empty());
  EXPECT_EQ(Session().LineCount(), 0);
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:001");

  // A box holding text keeps the keys for itself; a new commit ends what could be redone.
  TypeInInput("Three");
  ASSERT_TRUE(CtrlKeyInInput('Y'));
  EXPECT_EQ(FileBytes("movie.srt"), "");
  PressF10();
  PressEnter();
  const Snapshot three = Take();
  EXPECT_EQ(three.file, "1\r\n00:00:00:001 --> " + Control("Edit1").Text() + "\r\n" + kDefaultPrefix +
                            "Three</b>\r\n\r\n");
  ASSERT_TRUE(CtrlKeyInInput('Y'));
  EXPECT_EQ(Take(), three);
}

// A resumed file that ends without a break: the commit breaks first, and its undo gives the very bytes back.
TEST_F(UndoRedo, UndoingACommitAfterAResumeGivesTheFilesOwnBytesBack) {
  const std::string earlier = "1\r\n00:00:01:000 --> 00:00:02:000\r\n" + kDefaultPrefix + "Earlier";
  WriteFile("movie.srt", earlier);
  OpenVideo("movie.avi", kYes);
  WaitUntilOpened();
  WaitMs(1);
  const Snapshot resumed = Take();
  TypeInInput("Again");
  PressEnter();
  const Snapshot committed = Take();
  ASSERT_NE(committed.file, earlier);

  ASSERT_TRUE(CtrlKeyInInput('Z'));
  EXPECT_EQ(FileBytes("movie.srt"), earlier);
  EXPECT_EQ(Take(), resumed);
  ASSERT_TRUE(CtrlKeyInInput('Y'));
  EXPECT_EQ(Take(), committed);

  // An edit of the resumed text line after the commit is the history's last step: undone first, then the
  // commit; redone in the same order, and the views still correspond line by line.
  ASSERT_TRUE(ClickUserViewLine(2, 3));
  ASSERT_TRUE(TypeInUserView("!"));
  const std::string typed = FileBytes("movie.srt");
  ASSERT_TRUE(CtrlKeyInInput('Z'));
  EXPECT_EQ(FileBytes("movie.srt"), committed.file);
  ASSERT_TRUE(CtrlKeyInInput('Z'));
  EXPECT_EQ(FileBytes("movie.srt"), earlier);
  ASSERT_TRUE(CtrlKeyInInput('Y'));
  ASSERT_TRUE(CtrlKeyInInput('Y'));
  EXPECT_EQ(FileBytes("movie.srt"), typed);
  EXPECT_EQ(UserViewLines()[2], "Ear!lier");
  ASSERT_TRUE(ClickUserViewLine(2, 0));
  ASSERT_TRUE(TypeInUserView("E"));
  std::string expected = typed;
  expected.replace(expected.find("Ear!lier"), 8, "EEar!lier");
  EXPECT_EQ(FileBytes("movie.srt"), expected);
}

// Typing in the user view goes through the history: keys in one line without a pause are one step, and the
// steps undo and redo in one order with the document's other commands, from Ctrl+Z and Ctrl+Y in the view.
TEST(TypingUndo, TypingInTheUserViewIsOneStepPerLineAndPause) {
  const std::string file = "1\r\n00:00:01:000 --> 00:00:02:500\r\n" + kDefaultPrefix +
                           "One</b>\r\n\r\n2\r\n" + "00:00:03:000 --> 00:00:04:000\r\n" + kDefaultPrefix +
                           "Two</b>\r\n\r\n";
  struct Step {
    std::function<void(ScenarioWorld&)> act;
    int line;  // where undo and redo leave the caret; -1: not looked at
  };
  // Keys one by one, as the user types them.
  const auto type = [](int line, int column, std::string text) {
    return Step{[=](ScenarioWorld& world) {
                  ASSERT_TRUE(world.ClickUserViewLine(line, column));
                  for (const char c : text) ASSERT_TRUE(world.TypeInUserView(std::string(1, c)));
                },
                line};
  };
  const struct {
    const char* name;
    std::vector<Step> steps;  // each one step of the history
  } cases[] = {
      {"three characters in one line", {type(2, 3, "abc")}},
      {"typing in two lines", {type(2, 3, "ab"), type(6, 1, "cd")}},
      {"a pause of more than a second between keys",
       {type(2, 3, "a"),
        {[](ScenarioWorld& world) {
           world.WaitMs(1001);
           ASSERT_TRUE(world.TypeInUserView("b"));
         },
         2}}},
      {"keys at both ends of a line, a double-byte character typed and erased",
       {{[](ScenarioWorld& world) {
           ASSERT_TRUE(world.ClickUserViewLine(2, 3));
           ASSERT_TRUE(world.TypeInUserView("\xBA\xDA"));
           ASSERT_TRUE(world.TypeInUserView("b"));
           ASSERT_TRUE(world.ClickUserViewLine(2, 0));
           ASSERT_TRUE(world.TypeInUserView("x"));
           ASSERT_TRUE(world.ClickUserViewLine(2, 7));
           ASSERT_TRUE(world.PressInUserView(vk::Back));
           ASSERT_TRUE(world.PressInUserView(vk::Back));
           ASSERT_EQ(world.UserViewLines()[2], "xOne");
         },
         2}}},
      {"a commit, then typing",
       {{[](ScenarioWorld& world) {
           ASSERT_TRUE(world.ClickUserViewLine(2, 3));
           world.TypeInInput("New");
           world.PressEnter();
         },
         -1},
        type(2, 1, "z")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", file);
    world.OpenVideo("movie.avi", ScenarioWorld::kYes);
    world.WaitUntilOpened();
    world.WaitMs(1);
    using State = std::pair<std::string, std::vector<std::string>>;  // the file's bytes, the user view
    const auto state = [&] { return State{world.FileBytes("movie.srt"), world.UserViewLines()}; };
    std::vector<State> states{state()};
    for (const Step& step : c.steps) {
      step.act(world);
      states.push_back(state());
      ASSERT_NE(states.back(), states[states.size() - 2]);
    }
    const auto ctrl = [&](int key) { ASSERT_TRUE(world.PressInUserView(key, modifier::Ctrl)); };
    for (std::size_t undone = 1; undone <= c.steps.size(); ++undone) {
      ctrl('Z');
      const std::size_t at = c.steps.size() - undone;
      EXPECT_EQ(state(), states[at]) << "after undo " << undone;
      if (c.steps[at].line >= 0) {
        EXPECT_EQ(world.UserView().CaretLine(), c.steps[at].line);
      }
    }
    ctrl('Z');  // nothing older: the file stays as it was opened
    EXPECT_EQ(state(), states.front());
    for (std::size_t redone = 1; redone <= c.steps.size(); ++redone) {
      ctrl('Y');
      EXPECT_EQ(state(), states[redone]) << "after redo " << redone;
      if (c.steps[redone - 1].line >= 0) {
        EXPECT_EQ(world.UserView().CaretLine(), c.steps[redone - 1].line);
      }
    }
  }
}

}  // namespace
}  // namespace titrelle
