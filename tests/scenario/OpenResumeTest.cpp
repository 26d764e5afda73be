// Opening a video on the headless shell: the subtitle file beside it, the question when one exists, the
// backup of a declined file and the resume of an accepted one.
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "Scenario.h"

namespace titrelle {
namespace {

const std::string kDefaultPrefix = ScenarioWorld::DefaultPrefix();

// A file the program wrote earlier: two default-style subtitles, the last ending at 1:04.500.
const std::string kEarlierFile = "1\r\n00:00:01:000 --> 00:00:02:500\r\n" + kDefaultPrefix +
                                 "Hello</b>\r\n\r\n" + "2\r\n00:01:02:003 --> 00:01:04:500\r\n" +
                                 kDefaultPrefix + ScenarioWorld::Gbk("你好") + "</b>\r\n\r\n";

using Open = Scenario;

TEST_F(Open, AVideoWithoutASubtitleFileStartsAnEmptyDocument) {
  OpenVideo("movie.avi");
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_EQ(Form().Document.SubtitlePath, File("movie.srt"));
  EXPECT_EQ(Player().URL(), Path("movie.avi"));
  EXPECT_EQ(UserView().Count(), 0);
  EXPECT_EQ(Form().Document.TempRichEdit.Count(), 0);
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:000");
  EXPECT_EQ(Window().FocusedControl(), &Control("StartTimeButton"));
  EXPECT_FALSE(Control("OpenButton").Enabled());
  EXPECT_FALSE(FileExists("movie.srt"));  // the file comes with the first commit
  WaitUntilOpened();
  EXPECT_FALSE(Player().Playing());  // the video waits for F9
}

TEST_F(Open, CancellingTheOpenDialogChangesNothing) {
  Control("OpenButton").Click();
  EXPECT_EQ(ws.openDialogCount, 1);
  EXPECT_EQ(Player().URL(), "");
  EXPECT_TRUE(Control("OpenButton").Enabled());
  EXPECT_EQ(Form().Document.SubtitlePath, "");
}

TEST_F(Open, AnExistingSubtitleFileBringsTheQuestion) {
  WriteFile("movie.srt", kEarlierFile);
  MessageBoxRequest asked;
  OpenVideo("movie.avi", [&](const MessageBoxRequest& box) {
    asked = box;
    return kNo;
  });
  EXPECT_EQ(asked.caption, "Information");
  EXPECT_EQ(asked.icon, MessageIcon::Information);
  EXPECT_EQ(asked.text, Gbk("SRT字幕文件已存在，是否打开编辑？"));
  EXPECT_EQ(asked.buttons, (std::vector<std::string>{"&Yes", "&No"}));
  EXPECT_EQ(asked.buttons[asked.defaultButton], "&Yes");
  EXPECT_EQ(asked.buttons[asked.escapeButton], "&No");
}

TEST_F(Open, DecliningMakesTheOldFileTheBackupAndStartsANewOne) {
  struct Case {
    const char* name;
    bool olderBackup;
    bool answerByEscape;  // closing the box or Escape
  };
  for (const Case& c : {Case{"no backup yet", false, false}, Case{"an older backup", true, false},
                        Case{"box closed", false, true}}) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.WriteFile("movie.srt", kEarlierFile);
    if (c.olderBackup) world.WriteFile("movie.srt.bak", "older backup");
    world.OpenVideo("movie.avi",
                    [&](const MessageBoxRequest& box) { return c.answerByEscape ? box.escapeButton : kNo; });

    EXPECT_EQ(world.FileBytes("movie.srt.bak"), kEarlierFile);
    EXPECT_FALSE(world.FileExists("movie.srt"));
    EXPECT_EQ(world.UserView().Count(), 0);
    EXPECT_FALSE(world.Control("OpenButton").Enabled());
    EXPECT_TRUE(world.ErrorReports().empty());

    // The first commit writes a new file, with the closing tag.
    world.WaitUntilOpened();
    world.CommitLine("New");
    EXPECT_EQ(world.FileBytes("movie.srt"),
              "1\r\n00:00:00:001 --> 00:00:01:234\r\n" + kDefaultPrefix + "New</b>\r\n\r\n");
    EXPECT_EQ(world.FileBytes("movie.srt.bak"), kEarlierFile);
  }
}

TEST_F(Open, ResumingAFileLoadsItIntoEditModeAndPlaysFromItsLastEnd) {
  WriteFile("movie.srt", kEarlierFile);
  OpenVideo("movie.avi", kYes);

  EXPECT_EQ(UserViewLines(), (std::vector<std::string>{"1", "00:00:01:000 --> 00:00:02:500", "Hello", "", "2",
                                                       "00:01:02:003 --> 00:01:04:500", Gbk("你好"), ""}));
  EXPECT_EQ(Form().Document.TempRichEdit.Text(), kEarlierFile);
  EXPECT_TRUE(UserView().Visible());
  EXPECT_FALSE(Control("Panel3").Visible());
  EXPECT_FALSE(Control("StartTimeButton").Enabled());
  EXPECT_FALSE(Control("EndTimeButton").Enabled());
  EXPECT_FALSE(Control("OpenButton").Enabled());
  EXPECT_EQ(Control("Edit1").Text(), "00:01:02:003 ");
  EXPECT_EQ(Control("Edit2").Text(), "00:01:04:500\r");
  EXPECT_EQ(Control("Label1").Text(), "00:01:04:500\r");
  EXPECT_EQ(Session().ContinueStartText(), "00:01:04:500\r");
  EXPECT_EQ(Session().ContinuePosition(), 64.5L);
  EXPECT_EQ(Form().Document.LoadingFile, 0);
  EXPECT_EQ(Form().Document.OmitClosingTag, 1);
  EXPECT_TRUE(ErrorReports().empty());

  // The pending seek waits for the media, then the video plays from the end of the last subtitle.
  EXPECT_TRUE(Session().PendingSeek());
  WaitUntilOpened();
  WaitMs(1);
  EXPECT_FALSE(Session().PendingSeek());
  EXPECT_TRUE(Player().Playing());
  EXPECT_NEAR(Player().Position(), 64.5, 0.0015);
  Player().ClearCalls();
  WaitMs(100);
  EXPECT_TRUE(Player().Seeks().empty());  // served once: the video now plays on
  EXPECT_EQ(FileBytes("movie.srt"), kEarlierFile);

  // Back to capturing: the next line is numbered 1 again and carries no closing tag.
  PressF8();
  EXPECT_EQ(Control("Edit1").Text(), "00:01:04:500\r");
  CommitLine("Next");
  EXPECT_EQ(FileBytes("movie.srt"),
            kEarlierFile + "1\r\n00:01:04:500 --> 00:01:05:734\r\n" + kDefaultPrefix + "Next\r\n\r\n");
}

TEST_F(Open, ALineCommittedInEditModeRightAfterAResumeGoesOnFromTheFilesLastEnd) {
  WriteFile("movie.srt", kEarlierFile);
  OpenVideo("movie.avi", kYes);
  WaitUntilOpened();
  WaitMs(1);

  // Still in edit mode, nothing marked: the boxes show the last subtitle's times.
  TypeInInput("Again");
  PressEnter();
  EXPECT_EQ(FileBytes("movie.srt"),
            kEarlierFile + "1\r\n00:01:02:003 --> 00:01:04:500\r\n" + kDefaultPrefix + "Again\r\n\r\n");
  EXPECT_EQ(Control("Edit1").Text(), "00:01:04:500");
  EXPECT_EQ(Session().MarkStart(), 64.5L);
  EXPECT_NEAR(Player().Position(), 64.5, 1e-9);  // not back to the start of the video
}

// Chosen: a resume that fails part-way goes back to saving normally, tells the user, and never lets this
// document overwrite the file it could not load.
// A file read whole stays an ordinary document when its last time line does not parse: the error is
// reported, and edits and commits save. Only a file the views cannot hold (here: not code page 936) is
// left as it was, whatever the user does next.
TEST_F(Open, AResumeThatFailsIsReportedAndOnlyAFileNotLoadedIsProtected) {
  struct Case {
    const char* name;
    std::string file;
    std::string report;  // %s: the path; an empty report: the words about the encoding
    bool protectedAfter;
  };
  const Case cases[] = {
      {"no time line", "just some text\r\n", "No time line in file \"%s\"", false},
      {"a bad time", "1\r\n00:00:01:000 --> 00:0x:02:500\r\nHello\r\n\r\n",
       "'0x' is not a valid integer value.", false},
      {"an empty file", "", "No time line in file \"%s\"", false},
      {"a text line holding an arrow", "1\r\n00:00:01:000 --> 00:00:02:500\r\nA --> B\r\n\r\n",
       "'B' is not a valid integer value.", false},
      {"UTF-8 with a byte order mark",
       "\xEF\xBB\xBF"
       "1\r\n00:00:01:000 --> 00:00:02:500\r\nHi\r\n\r\n",
       "", true},
      {"UTF-8 without one",
       "1\r\n00:00:01:000 --> 00:00:02:500\r\n\xE4\xBD\xA0\xE5\xA5\xBD\xE5\x90\x97\r\n\r\n", "", true},
      {"UTF-8 whose characters are code page 936 pairs too",
       "1\r\n00:00:01:000 --> 00:00:02:500\r\ncaf\xC3\xA9 \xE4\xBD\xA0\xE5\xA5\xBD\r\n\r\n", "", true},
      {"UTF-16",
       std::string("\xFF\xFE"
                   "1\0\r\0\n\0",
                   8),
       "", true},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    const std::string path = world.Shown("movie.srt");
    if (const auto at = c.report.find("%s"); at != std::string::npos) c.report.replace(at, 2, path);
    world.WriteFile("movie.srt", c.file);
    world.OpenVideo("movie.avi", kYes);
    ASSERT_EQ(world.ErrorReports().size(), 1u);
    if (c.report.empty()) {
      // 不是 GBK 编码: "not in GBK", with the file's name.
      EXPECT_NE(world.ErrorReports()[0].find(path + "\xA1\xB1\xB2\xBB\xCA\xC7 GBK"), std::string::npos);
    } else {
      EXPECT_EQ(world.ErrorReports()[0], c.report);
    }
    EXPECT_EQ(world.Form().Document.LoadingFile, 0);
    EXPECT_FALSE(world.Session().PendingSeek());
    EXPECT_TRUE(world.Control("OpenButton").Enabled());

    world.WaitUntilOpened();
    world.ClickUserViewLine(world.UserView().Count() >= 3 ? 2 : 0, 100);  // a text line where there is one
    world.TypeInUserView("x");
    world.PressF8();
    world.CommitLine("New");
    if (c.protectedAfter) {
      EXPECT_EQ(world.FileBytes("movie.srt"), c.file);
      // The commit's own save says why, as for a write-protected file.
      ASSERT_EQ(world.ErrorReports().size(), 2u);
      EXPECT_EQ(world.ErrorReports()[1].rfind("Cannot create file \"" + path + "\". ", 0), 0u);
    } else {
      EXPECT_NE(world.FileBytes("movie.srt").find("New"), std::string::npos);
      EXPECT_EQ(world.ErrorReports().size(), 1u);
    }
  }
}

// Chosen: an old file that cannot become the backup is never overwritten; the user is told and may open
// again.
TEST_F(Open, ADeclineWhoseOldFileCannotBecomeTheBackupKeepsIt) {
  WriteFile("movie.srt", kEarlierFile);
  std::filesystem::create_directory(File("movie.srt.bak"));
  WriteFile("movie.srt.bak/keep", "a folder in the way");
  OpenVideo("movie.avi", kNo);

  ASSERT_EQ(ErrorReports().size(), 1u);
  EXPECT_EQ(
      ErrorReports()[0].rfind(
          "Cannot rename file \"" + Shown("movie.srt") + "\" to \"" + Shown("movie.srt.bak") + "\". ", 0),
      0u);
  EXPECT_TRUE(Control("OpenButton").Enabled());
  EXPECT_EQ(FileBytes("movie.srt"), kEarlierFile);

  WaitUntilOpened();
  CommitLine("New");
  EXPECT_EQ(FileBytes("movie.srt"), kEarlierFile);
  EXPECT_EQ(ErrorReports().size(), 2u);

  // Once the folder is out of the way the user opens the video again and declines: now it works. The line
  // the file refused would be lost by the open: the user is asked first, and goes on.
  std::filesystem::remove_all(File("movie.srt.bak"));
  ws.messageBoxAnswers.push_back([](const MessageBoxRequest& question) {
    EXPECT_EQ(question.buttons, TryContinueCancelButtons());
    return 1;
  });
  OpenVideo("movie.avi", kNo);
  EXPECT_TRUE(ws.messageBoxAnswers.empty());
  EXPECT_EQ(FileBytes("movie.srt.bak"), kEarlierFile);
  EXPECT_FALSE(Control("OpenButton").Enabled());
  WaitUntilOpened();
  CommitLine("Again");
  EXPECT_EQ(FileBytes("movie.srt"),
            "1\r\n00:00:00:001 --> 00:00:01:234\r\n" + kDefaultPrefix + "Again</b>\r\n\r\n");
}

TEST_F(Open, AFailingPlayerEndsTheOpenSilentlyAndTheUserMayTryAgain) {
  ws.openDialogAnswers.push_back(Path("movie.avi"));
  Player().FailNext(SimulatedPlayer::Operation::Stop);
  Control("OpenButton").Click();
  EXPECT_TRUE(MessageBoxes().empty());
  EXPECT_TRUE(Control("OpenButton").Enabled());
  OpenVideo("movie.avi");
  EXPECT_FALSE(Control("OpenButton").Enabled());
  EXPECT_EQ(Form().Document.SubtitlePath, File("movie.srt"));
}

}  // namespace
}  // namespace titrelle

namespace titrelle {
namespace {

// Videos under the names people give them, Chinese or not, with quotes and signs: each gets its own
// subtitle file beside it, under the system's own name, to create, resume and decline.
TEST(OpenUnderAnyName, EachVideoHasItsOwnSubtitleFileBesideIt) {
  const struct {
    const char* video;     // UTF-8, as the system holds it
    const char* subtitle;  // the subtitle file beside it
  } names[] = {
      {"\xE7\x94\xB5\xE5\xBD\xB1 \xE7\xAC\xAC\xE4\xB8\x80\xE9\x9B\x86.mp4",  // 电影 第一集.mp4
       "\xE7\x94\xB5\xE5\xBD\xB1 \xE7\xAC\xAC\xE4\xB8\x80\xE9\x9B\x86.srt"},
      {"\xED\x95\x9C\xEA\xB5\xAD.mp4", "\xED\x95\x9C\xEA\xB5\xAD.srt"},  // 한국: no code page 936 character
      {"caf\xC3\xA9 \xF0\x9F\x8E\xAC.mkv", "caf\xC3\xA9 \xF0\x9F\x8E\xAC.srt"},
#ifndef _WIN32
      {"it's \"q\" $x.mp4", "it's \"q\" $x.srt"},  // Windows takes no '"' in a name
#endif
  };
  const std::string earlier =
      "1\r\n00:00:01:000 --> 00:00:02:500\r\n" + ScenarioWorld::DefaultPrefix() + "Old</b>\r\n\r\n";
  for (const auto& name : names) {
    for (const int answer : {-1, ScenarioWorld::kYes, ScenarioWorld::kNo}) {
      SCOPED_TRACE(std::string(name.video) + " answer " + std::to_string(answer));
      ScenarioWorld world;
      if (answer >= 0) world.WriteFile(name.subtitle, earlier);
      EXPECT_EQ(world.OpenVideo(name.video, answer >= 0 ? std::optional<int>(answer) : std::nullopt),
                answer >= 0);
      EXPECT_EQ(world.Player().URL(), world.Path(name.video));
      world.WaitUntilOpened();
      if (answer == ScenarioWorld::kYes) world.PressF8();
      world.CommitLine("New", 3000);
      EXPECT_TRUE(world.ErrorReports().empty());
      const std::string saved = world.FileBytes(name.subtitle);
      EXPECT_NE(saved.find("New"), std::string::npos);
      EXPECT_EQ(saved.find("Old") != std::string::npos, answer == ScenarioWorld::kYes);
      EXPECT_EQ(world.FileBytes(std::string(name.subtitle) + ".bak"),
                answer == ScenarioWorld::kNo ? earlier : "");
      std::size_t entries = 0;
      for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(world.folder)) ++entries;
      // The video, its subtitles, the backup, and the lock file while the document is open.
      EXPECT_EQ(entries, answer == ScenarioWorld::kNo ? 4u : 3u);
      EXPECT_TRUE(world.FileExists("." + std::string(name.subtitle) + ".titrelle-lock"));
    }
  }
}

}  // namespace
}  // namespace titrelle

namespace titrelle {
namespace {

// A video named at start (`titrelle VIDEO`, the desktop's "Open with") opens as if chosen in the dialog; a
// missing one is reported and the program goes on as usual.
TEST(OpenGivenAtStart, OpensAsTheDialogWouldOrSaysTheVideoIsMissing) {
  ScenarioWorld world;
  world.WriteFile("movie.avi", "");
  world.WriteFile("movie.srt", "1\r\n00:00:01:000 --> 00:00:02:500\r\nHi\r\n\r\n");
  world.ws.messageBoxAnswers.push_back([](const MessageBoxRequest&) { return ScenarioWorld::kYes; });
  world.Form().OpenVideoGivenAtStart(world.File("movie.avi"));
  ASSERT_EQ(world.MessageBoxes().size(), 1u);
  EXPECT_EQ(world.MessageBoxes()[0].icon, MessageIcon::Information);  // the question
  EXPECT_EQ(world.UserView().Line(2), "Hi");
  EXPECT_FALSE(world.Control("OpenButton").Enabled());

  // A missing video is not found; a folder is said to be one (是文件夹), not reported missing.
  for (const bool folder : {false, true}) {
    ScenarioWorld missing;
    if (folder) std::filesystem::create_directory(missing.File("gone.avi"));
    missing.Form().OpenVideoGivenAtStart(missing.File("gone.avi"));
    ASSERT_EQ(missing.ErrorReports().size(), 1u);
    const std::string report = missing.ErrorReports()[0];
    EXPECT_NE(report.find(missing.Shown("gone.avi")), std::string::npos);
    EXPECT_EQ(report.find(ScenarioWorld::Gbk("是文件夹")) != std::string::npos, folder);
    EXPECT_EQ(report.find(ScenarioWorld::Gbk("找不到")) != std::string::npos, !folder);
    EXPECT_TRUE(missing.Control("OpenButton").Enabled());
    EXPECT_EQ(missing.Player().URL(), "");
  }
}

// Mended: a second open went on with what the first one's resume had left: its pending seek started the
// new video, its marks and continue position were F8's, and new lines lost their closing tag.
TEST(OpenAgain, ASecondVideoStartsAFreshDocument) {
  ScenarioWorld world;
  world.ws.playerSettings.exists[world.Path("notes.txt")] = false;  // the player cannot play it
  world.WriteFile("notes.srt", kEarlierFile);
  world.OpenVideo("notes.txt", ScenarioWorld::kYes);
  ASSERT_EQ(world.UserView().Count(), 8);
  world.WaitMs(10);
  ASSERT_TRUE(world.Control("OpenButton").Enabled());

  world.OpenVideo("movie.avi");
  world.WaitUntilOpened();
  world.WaitMs(100);
  EXPECT_FALSE(world.Player().Playing());  // it waits for F9
  EXPECT_EQ(world.Player().Position(), 0);
  EXPECT_FALSE(world.UserView().Visible());  // not in edit mode: marking
  EXPECT_TRUE(world.Control("Panel3").Visible());
  world.PressF8();
  EXPECT_EQ(world.Control("Edit1").Text(), "00:00:00:000");
  world.CommitLine("New");
  EXPECT_EQ(world.FileBytes("movie.srt"),
            "1\r\n00:00:00:001 --> 00:00:01:234\r\n" + kDefaultPrefix + "New</b>\r\n\r\n");
  EXPECT_EQ(world.FileBytes("notes.srt"), kEarlierFile);
}

// Mended: a file running past its video's end parked the video at the end with a continue position beyond
// it, so that F9, F10 and Enter did nothing. The user is told, and the video waits at its end.
TEST(OpenPastTheEnd, AResumeWhoseLastEndLiesPastTheVideoStopsAtTheVideosEnd) {
  ScenarioWorld world;
  world.ws.playerSettings.durations[world.Path("movie.avi")] = 60;  // the file's last line ends at 64.5 s
  world.WriteFile("movie.srt", kEarlierFile);
  world.OpenVideo("movie.avi", ScenarioWorld::kYes);
  world.WaitUntilOpened();
  world.WaitMs(10);
  EXPECT_EQ(world.Control("NoticeLabel").Text(),
            ScenarioWorld::Gbk(
                "字幕文件的最后一句结束于 00:01:04:500，晚于视频的结尾 00:01:00:000：视频停在结尾处。"));
  EXPECT_FALSE(world.Player().Playing());
  EXPECT_EQ(world.Player().Position(), 60);
  EXPECT_EQ(world.Control("Label1").Text(), "00:01:00:000");
  world.PressF8();
  EXPECT_EQ(world.Control("Edit1").Text(), "00:01:00:000");
  EXPECT_EQ(world.Session().MarkStart(), 60);
  EXPECT_EQ(world.FileBytes("movie.srt"), kEarlierFile);
}

}  // namespace
}  // namespace titrelle

namespace titrelle {
namespace {

// Mended: a save killed before its rename left a whole copy of the document beside the video for good.
TEST(OpenCleansUp, OpeningAVideoRemovesWhatAKilledSaveLeftBesideItsSubtitleFile) {
  ScenarioWorld world;
  world.WriteFile(".movie.srt.titrelle-save-Ab3xYz", "half a document");
  world.WriteFile(".other.srt.titrelle-save-Ab3xYz", "another video's");
  world.OpenVideo("movie.avi");
  EXPECT_FALSE(world.FileExists(".movie.srt.titrelle-save-Ab3xYz"));
  EXPECT_TRUE(world.FileExists(".other.srt.titrelle-save-Ab3xYz"));
}

// A save in place killed in the middle left the file torn and the whole new text beside it: the open
// completes the file before it asks, says so in one line, and the resume reads the completed text.
TEST(OpenCleansUp, OpeningAVideoCompletesASaveKilledInTheMiddle) {
  ScenarioWorld world;
  world.WriteFile("movie.srt", kEarlierFile.substr(0, 40) + std::string(20, '\0'));
  world.WriteFile(".movie.srt.titrelle-recover", kEarlierFile);
  world.OpenVideo("movie.avi", ScenarioWorld::kYes);
  EXPECT_EQ(world.FileBytes("movie.srt"), kEarlierFile);
  EXPECT_FALSE(world.FileExists(".movie.srt.titrelle-recover"));
  EXPECT_EQ(world.Control("NoticeLabel").Text(),
            world.Gbk("上次保存时程序被中断，已按当时要写的内容补全字幕文件：movie.srt"));
  EXPECT_EQ(world.Form().Document.TempRichEdit.Text(), kEarlierFile);
}

// Chosen: a large file loads in slices between events. Until it is done every key of the key table is
// refused with the progress in the notice line (F9 would start marking on a view still loading, Enter would
// commit into it); a line typed into the entry box stays there. The load ends exactly as in one piece.
TEST(ResumeInSlices, EndsAsAResumeInOnePieceAndRefusesKeysUntilThen) {
  struct Resumed {
    std::string fileView, userView, snapshot, edit1, edit2, label1, notice;
    long double continuePosition = 0;
    std::vector<bool> flags;  // edit mode, the user view shown, pending seek, playing, the five buttons on
    int loadingFile = 0, omitClosingTag = 0;
    std::vector<std::string> reports;
    std::string afterACommit;
    bool operator==(const Resumed&) const = default;
  };
  const auto resume = [](const std::string& file, bool inSlices) {
    ScenarioWorld world;
    world.WriteFile("movie.srt", file);
    if (inSlices) world.Form().ResumeInSlicesFromBytes = 1;
    world.OpenVideo("movie.avi", ScenarioWorld::kYes);
    if (inSlices) {
      EXPECT_TRUE(world.Form().ResumeLoading());
      world.TypeInInput("Waiting");
      world.WaitMs(1);  // one slice done
      world.PressF9();
      world.PressF10();
      world.PressEnter();
      world.PressF8();
      EXPECT_FALSE(world.Player().Playing());
      EXPECT_EQ(world.Control("InputEdit").Text(), "Waiting");
      // 正在读取字幕… 35%
      EXPECT_EQ(world.Control("NoticeLabel").Text(),
                "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xD7\xD6\xC4\xBB\xA1\xAD 35%");
      EXPECT_EQ(world.FileBytes("movie.srt"), file);
      for (int slice = 0; slice < 10 && world.Form().ResumeLoading(); ++slice) world.WaitMs(1);
      EXPECT_FALSE(world.Form().ResumeLoading());
      EXPECT_EQ(world.Control("InputEdit").Text(), "Waiting");
      world.Control("InputEdit").SetText("");
    }
    world.WaitUntilOpened();
    world.WaitMs(1);
    Resumed state{world.Form().Document.TempRichEdit.Text(),
                  world.UserView().Text(),
                  world.Form().Editing.UserViewSnapshot().Text(),
                  world.Control("Edit1").Text(),
                  world.Control("Edit2").Text(),
                  world.Control("Label1").Text(),
                  world.Control("NoticeLabel").Text(),
                  world.Session().ContinuePosition(),
                  {world.Session().InEditMode(), world.UserView().Visible(), world.Session().PendingSeek(),
                   world.Player().Playing()},
                  world.Form().Document.LoadingFile,
                  world.Form().Document.OmitClosingTag,
                  world.ErrorReports(),
                  ""};
    for (std::string& report : state.reports) {  // each world has a folder of its own
      if (const auto at = report.find(world.Shown("movie.srt")); at != std::string::npos)
        report.replace(at, world.Shown("movie.srt").size(), "movie.srt");
    }
    for (const char* button :
         {"OpenButton", "StartTimeButton", "EndTimeButton", "EditButton", "ContinueButton"})
      state.flags.push_back(world.Control(button).Enabled());
    world.PressF8();
    world.CommitLine("New");
    state.afterACommit = world.FileBytes("movie.srt");
    return state;
  };
  std::string many;
  for (int number = 1; number <= 300; ++number) {
    many += std::to_string(number) + "\r\n00:00:" + (number % 60 < 10 ? "0" : "") +
            std::to_string(number % 60) + ":000 --> 00:00:" + (number % 60 < 10 ? "0" : "") +
            std::to_string(number % 60) + ":500\r\n" + kDefaultPrefix + "Line " + std::to_string(number) +
            "</b>\r\n\r\n";
  }
  for (const std::string& file : {kEarlierFile, many, std::string("just some text\r\n")}) {
    SCOPED_TRACE(file.substr(0, 40));
    const Resumed inOnePiece = resume(file, false);
    EXPECT_EQ(resume(file, true), inOnePiece);
  }
}

// While it loads, a resume in slices has the notice line and the buttons; it leaves them as a resume in one
// piece does: the word about a save completed at the open stays, and a load that fails on the way (memory
// ran out) gives the mark buttons back with its error.
TEST(ResumeInSlices, LeavesTheNoticeAndTheButtonsAsAResumeInOnePiece) {
  const auto resume = [](bool inSlices, bool runOutOfMemory) {
    int failures = runOutOfMemory ? 1 : 0;
    ScenarioWorld world;
    world.WriteFile("movie.srt", kEarlierFile.substr(0, 40) + std::string(20, '\0'));
    world.WriteFile(".movie.srt.titrelle-recover", kEarlierFile);
    world.Form().Document.ListenToSubtitles([&failures](const SubtitleChange&) {
      if (failures > 0 && failures-- > 0) throw std::bad_alloc();
    });
    if (inSlices) world.Form().ResumeInSlicesFromBytes = 1;
    world.OpenVideo("movie.avi", ScenarioWorld::kYes);
    for (int slice = 0; slice < 20 && world.Form().ResumeLoading(); ++slice) world.WaitMs(1);
    std::vector<std::string> state{world.Control("NoticeLabel").Text()};
    for (const char* button :
         {"OpenButton", "StartTimeButton", "EndTimeButton", "EditButton", "ContinueButton", "BitBtn1"})
      state.push_back(std::string(button) + (world.Control(button).Enabled() ? " on" : " off"));
    state.push_back(std::to_string(world.ErrorReports().size()) + " reports");
    return state;
  };
  for (const bool runOutOfMemory : {false, true}) {
    SCOPED_TRACE(runOutOfMemory ? "memory ran out" : "loaded");
    EXPECT_EQ(resume(true, runOutOfMemory), resume(false, runOutOfMemory));
  }
}

}  // namespace
}  // namespace titrelle
