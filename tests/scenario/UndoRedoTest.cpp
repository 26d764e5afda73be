// Undo and redo of the document's commands on the headless shell: the file's bytes, both views and the
// capture state go back and forth together.
#include <string>
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
    return {FileBytes("movie.srt"),      UserViewLines(),
            Session().LineCount,         Control("Edit1").Text(),
            Session().ContinueStartText, Session().ContinuePosition};
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
  EXPECT_EQ(Session().LineCount, 0);
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

  // The resumed text line edited after the commit keeps its edit when the commit is undone, and the views
  // still correspond line by line.
  ASSERT_TRUE(ClickUserViewLine(2, 3));
  ASSERT_TRUE(TypeInUserView("!"));
  ASSERT_TRUE(CtrlKeyInInput('Z'));
  const std::string edited = "1\r\n00:00:01:000 --> 00:00:02:000\r\n" + kDefaultPrefix + "Ear!lier";
  EXPECT_EQ(FileBytes("movie.srt"), edited);
  EXPECT_EQ(UserViewLines(), (std::vector<std::string>{"1", "00:00:01:000 --> 00:00:02:000", "Ear!lier"}));
  ASSERT_TRUE(ClickUserViewLine(2, 0));
  ASSERT_TRUE(TypeInUserView("E"));
  EXPECT_EQ(FileBytes("movie.srt"), "1\r\n00:00:01:000 --> 00:00:02:000\r\n" + kDefaultPrefix + "EEar!lier");
}

}  // namespace
}  // namespace titrelle
