// What the document tells its listeners (the preview, the player panel's strip, a table of the subtitles)
// after each change the user makes: which subtitles were added, removed or changed, and nothing else.
#include <functional>
#include <string>
#include <vector>

#include "Scenario.h"
#include "style/RestyleDocument.h"

namespace titrelle {
namespace {

const std::string kDefaultPrefix = ScenarioWorld::DefaultPrefix();
const std::string kCustomPrefix = "<font color=#FF0000>{\\fnArial\\fs20\\pos(10,20)\\}";

// Three subtitles: lines 0-3, 4-7 and 8-11.
const std::string kFile = "1\r\n00:00:01:000 --> 00:00:02:500\r\n" + kDefaultPrefix + "One</b>\r\n\r\n" +
                          "2\r\n00:00:03:000 --> 00:00:04:000\r\n" + kDefaultPrefix + "Two</b>\r\n\r\n" +
                          "3\r\n00:00:05:000 --> 00:00:06:000\r\n" + kDefaultPrefix + "Three</b>\r\n\r\n";

class SubtitleReports : public Scenario {
 protected:
  SubtitleReports() {
    Form().Document.ListenToSubtitles([this](const SubtitleChange& change) { told_.push_back(change); });
  }
  struct Step {
    const char* what;
    std::function<void()> action;
    std::vector<SubtitleChange> told;
  };
  void Run(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      told_.clear();
      step.action();
      EXPECT_EQ(told_, step.told) << step.what;
    }
    EXPECT_TRUE(ErrorReports().empty());
  }
  void CommitLine(const std::string& text) {
    PressF9();
    WaitMs(300);
    PressF10();
    WaitMs(10);
    TypeInInput(text);
    PressEnter();
  }
  bool CtrlKeyInInput(int key) { return Control("InputEdit").PressKey(key, modifier::Ctrl); }

 private:
  std::vector<SubtitleChange> told_;
};

TEST_F(SubtitleReports, CommitUndoRedoAndRestyleNameTheSubtitlesTheyChange) {
  Run({
      {"open",
       [&] {
         OpenVideo("movie.avi");
         WaitUntilOpened();
       },
       {}},
      {"first commit", [&] { CommitLine("One"); }, {{0, 0, 0, 1}}},
      {"second commit", [&] { CommitLine("Two"); }, {{1, 0, 0, 1}}},
      {"undo", [&] { CtrlKeyInInput('Z'); }, {{1, 0, 1, 0}}},
      {"redo", [&] { CtrlKeyInInput('Y'); }, {{1, 0, 0, 1}}},
      {"restyle",
       [&] { RestyleDocument(Form().Document, kCustomPrefix, StyleMode::Custom); },
       {{0, 2, 0, 0}}},
      {"restyle undone", [&] { CtrlKeyInInput('Z'); }, {{0, 2, 0, 0}}},
  });
}

TEST_F(SubtitleReports, AResumeAddsEverySubtitleAndAnEditChangesItsOwn) {
  WriteFile("movie.srt", kFile);
  Run({
      {"resume",
       [&] {
         OpenVideo("movie.avi", kYes);
         WaitUntilOpened();
       },
       {{0, 0, 0, 3}}},
      {"a text line",
       [&] {
         ClickUserViewLine(6, 3);
         TypeInUserView("!");
       },
       {{1, 1, 0, 0}}},
      {"a time line",
       [&] {
         ClickUserViewLine(9, 29);
         TypeInUserView("1");
       },
       {{2, 1, 0, 0}}},
      // A number line changes in the user view only: the file view keeps it.
      {"a number line",
       [&] {
         ClickUserViewLine(0, 1);
         TypeInUserView("0");
       },
       {}},
      {"a commit in edit mode",
       [&] {
         PressF8();
         CommitLine("Four");
       },
       {{3, 0, 0, 1}}},
  });
  EXPECT_EQ(Form().Document.Subtitles().At(1).textLines, std::vector<std::string>{kDefaultPrefix + "Two!"});
  EXPECT_EQ(Form().Document.Subtitles().At(2).timeLine, "00:00:05:000 --> 00:00:06:0001");
  EXPECT_EQ(Form().Document.Subtitles().At(3).textLines, std::vector<std::string>{kDefaultPrefix + "Four"});
}

// A listener goes with its view (the strip, a table): one that stops while a change is told, even its own
// listening, hears nothing more, and those after it still hear that change.
TEST_F(SubtitleReports, AListenerThatStopsHearsNoMoreAndTheOthersGoOnHearing) {
  SubtitleDocument& document = Form().Document;
  std::vector<std::string> heard;
  int once = 0;
  once = document.ListenToSubtitles([&](const SubtitleChange&) {
    heard.push_back("once");
    document.StopListening(once);
  });
  const int always = document.ListenToSubtitles([&](const SubtitleChange&) { heard.push_back("always"); });
  OpenVideo("movie.avi");
  WaitUntilOpened();
  CommitLine("One");
  CommitLine("Two");
  document.StopListening(always);
  CommitLine("Three");
  EXPECT_EQ(heard, (std::vector<std::string>{"once", "always", "always"}));
}

}  // namespace
}  // namespace titrelle
