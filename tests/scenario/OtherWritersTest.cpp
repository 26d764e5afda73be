// Other writers of the subtitle file: another editor saving it between two commits, and a second running
// copy of the program opening it.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Scenario.h"

namespace titrelle {
namespace {

// Another editor's version of movie.srt: shorter than the program's, so that it shows even within one tick
// of the file system's clock.
const std::string kTheirs = "1\r\n00:00:05:000 --> 00:00:06:000\r\nB1\r\n\r\n";

std::size_t InformationBoxes(const ScenarioWorld& world) {
  std::size_t count = 0;
  for (const MessageBoxRequest& box : world.MessageBoxes()) count += box.icon == MessageIcon::Information;
  return count;
}

// The user marks the next line's end a second on and commits `text`.
void CommitNext(ScenarioWorld& world, const std::string& text) {
  world.WaitMs(1000);
  world.PressF10();
  world.TypeInInput(text);
  world.PressEnter();
}

// Two lines committed, the second saved in place (the file has a second name): neither of the program's own
// saves, renamed over or written in place, is taken for another writer's. Then another editor saves.
std::unique_ptr<ScenarioWorld> TwoLinesThenAnotherEditorSaves() {
  auto world = std::make_unique<ScenarioWorld>();
  world->OpenVideo("movie.avi");
  world->WaitUntilOpened();
  world->PressF9();
  CommitNext(*world, "One");
  std::error_code linkError;
  std::filesystem::create_hard_link(world->folder / "movie.srt", world->folder / "movie.srt.link", linkError);
  EXPECT_FALSE(linkError) << linkError.message();
  CommitNext(*world, "Two");
  EXPECT_EQ(world->FileBytes("movie.srt"), world->Form().Document.TempRichEdit.Text());
  EXPECT_EQ(InformationBoxes(*world), 0u);
  world->WriteFile("movie.srt", kTheirs);
  return world;
}

// Mended: the next commit wrote the program's view over the other editor's version without a word.
TEST(OtherWriter, ASaveBetweenTwoCommitsIsAskedAboutAndEachAnswerDoesWhatItSays) {
  struct Case {
    int answer;  // keep theirs, write ours, cancel for now
    bool fileHoldsTheirs;
    bool theirsBeside;
    bool notSavedMark;
  };
  for (const Case c :
       {Case{0, true, false, false}, Case{1, false, true, false}, Case{2, true, false, true}}) {
    SCOPED_TRACE(c.answer);
    const std::unique_ptr<ScenarioWorld> world = TwoLinesThenAnotherEditorSaves();
    const std::string title = world->Window().Caption();
    world->ws.messageBoxAnswers.push_back([&c](const MessageBoxRequest&) { return c.answer; });
    CommitNext(*world, "Three");
    ASSERT_EQ(InformationBoxes(*world), 1u);
    // ”在本程序上次读写之后被别的程序改过了。
    EXPECT_NE(
        world->MessageBoxes().back().text.find(world->Gbk("\u201D在本程序上次读写之后被别的程序改过了。")),
        std::string::npos);
    world->WaitMs(1);  // the clock's next tick loads the version kept
    const std::string views = world->Form().Document.TempRichEdit.Text();
    EXPECT_EQ(world->FileBytes("movie.srt"), c.fileHoldsTheirs ? kTheirs : views);
    // Kept theirs: their version is in both views, as a resume leaves it; otherwise ours stays.
    EXPECT_EQ(views == kTheirs, c.answer == 0);
    EXPECT_EQ(views.find("Three") != std::string::npos, c.answer != 0);
    if (c.answer == 0) {
      EXPECT_EQ(world->UserViewLines(),
                (std::vector<std::string>{"1", "00:00:05:000 --> 00:00:06:000", "B1", ""}));
    }
    EXPECT_EQ(world->FileBytes("movie.srt.theirs"), c.theirsBeside ? kTheirs : "");
    EXPECT_EQ(world->Window().Caption(), c.notSavedMark ? title + world->Gbk(" [未保存]") : title);
  }
}

// Put off, the question is not asked again at every key typed in edit mode (each of which saves): those saves
// wait, and so does closing, which asks as it does while saves fail; the next commit asks again.
TEST(OtherWriter, PuttingItOffHoldsTheKeysTypedUntilTheNextCommitAsksAgain) {
  const std::unique_ptr<ScenarioWorld> world = TwoLinesThenAnotherEditorSaves();
  world->ws.messageBoxAnswers.push_back([](const MessageBoxRequest&) { return 2; });
  world->PressF7();
  world->ClickUserViewLine(2, 3);
  world->TypeInUserView("ab");
  EXPECT_EQ(InformationBoxes(*world), 1u);
  EXPECT_EQ(world->FileBytes("movie.srt"), kTheirs);

  world->ws.messageBoxAnswers.push_back([](const MessageBoxRequest&) { return 2; });
  world->Window().Close();
  EXPECT_TRUE(world->Window().Visible());
  EXPECT_EQ(InformationBoxes(*world), 2u);

  world->PressF8();
  world->PressF9();
  world->ws.messageBoxAnswers.push_back([](const MessageBoxRequest&) { return 1; });
  CommitNext(*world, "Three");
  EXPECT_EQ(InformationBoxes(*world), 3u);
  EXPECT_EQ(world->FileBytes("movie.srt"), world->Form().Document.TempRichEdit.Text());
  EXPECT_NE(world->FileBytes("movie.srt").find("Oneab"), std::string::npos);
  EXPECT_EQ(world->FileBytes("movie.srt.theirs"), kTheirs);
}

// Mended: a second copy opening the same video resumed the file, and the first copy's next commit wrote its
// own view over the second's lines; the second copy was told only about the hot keys.
TEST(OtherWriter, ASecondCopyOpeningTheSameFileIsToldAndOnlyReadsIt) {
  ScenarioWorld first;
  first.OpenVideo("movie.avi");
  first.WaitUntilOpened();
  first.PressF9();
  CommitNext(first, "A1");
  const std::string firstCopys = first.FileBytes("movie.srt");

  for (const int answer : {1, 0}) {  // decline, read only
    SCOPED_TRACE(answer);
    ScenarioWorld second(false, first.Desktop());
    second.folder = first.folder;
    second.Start();
    const std::string title = second.Window().Caption();
    second.OpenVideo("movie.avi", answer);
    ASSERT_EQ(InformationBoxes(second), 1u);
    // 另一个正在运行的本程序已经打开了字幕文件
    EXPECT_NE(second.MessageBoxes()[0].text.find(second.Gbk("另一个正在运行的本程序已经打开了字幕文件")),
              std::string::npos);
    if (answer == 1) {
      // Declined: the open ends, and the open button is there for another video.
      EXPECT_TRUE(second.Control("OpenButton").Enabled());
      EXPECT_EQ(second.Form().Document.TempRichEdit.Text(), "");
      continue;
    }
    // Read only: the file is shown, the caption says so, and the edits typed there are never saved.
    EXPECT_EQ(second.Form().Document.TempRichEdit.Text(), firstCopys);
    EXPECT_EQ(second.Window().Caption(), title + second.Gbk(" [只读]"));
    second.ClickUserViewLine(2, 2);
    second.TypeInUserView("B");
    EXPECT_EQ(second.FileBytes("movie.srt"), firstCopys);
    EXPECT_EQ(second.Window().Caption(), title + second.Gbk(" [只读] [未保存]"));

    // The first copy goes on writing as before, unasked.
    CommitNext(first, "A2");
    EXPECT_EQ(first.FileBytes("movie.srt"), first.Form().Document.TempRichEdit.Text());
    EXPECT_EQ(InformationBoxes(first), 0u);
    second.ws.messageBoxAnswers.push_back([](const MessageBoxRequest&) { return 1; });  // close anyway
    second.Window().Close();
  }
}

}  // namespace
}  // namespace titrelle
