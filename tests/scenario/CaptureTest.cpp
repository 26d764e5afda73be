// Capturing lines on the headless shell: the user marks a line with F9 and F10 while the video plays, types
// its text and presses Enter; the subtitle file beside the video holds every committed line at once.
#include <functional>
#include <string>
#include <vector>

#include "Scenario.h"
#include "capture/TimeText.h"

namespace titrelle {
namespace {

const std::string kDefaultPrefix = ScenarioWorld::DefaultPrefix();

std::string Group(int number, const std::string& timeLine, const std::string& text) {
  return std::to_string(number) + "\r\n" + timeLine + "\r\n" + kDefaultPrefix + text + "</b>\r\n\r\n";
}

class Capture : public Scenario {
 protected:
  // The user opens a video without a subtitle file and waits until it is ready (stopped at 0).
  Capture() {
    OpenVideo("movie.avi");
    WaitUntilOpened();
  }
  std::string Text(const char* name) { return Control(name).Text(); }
  bool MarkButtonsEnabled() {
    return Control("StartTimeButton").Enabled() && Control("EndTimeButton").Enabled();
  }
};

TEST_F(Capture, TheFirstLineOfANewDocumentIsSavedByteForByte) {
  PressF9();
  EXPECT_EQ(Text("Edit1"), "00:00:00:001");
  WaitMs(2345);
  PressF10();
  EXPECT_EQ(Text("Edit2"), "00:00:02:345");
  EXPECT_FALSE(MarkButtonsEnabled());
  EXPECT_EQ(Window().FocusedControl(), &Control("InputEdit"));
  WaitMs(10);  // the segment has repeated once: its end was passed at 2.346 s
  TypeInInput("Hello");
  PressEnter();

  const std::string expected =
      "1\r\n00:00:00:001 --> 00:00:02:345\r\n" + kDefaultPrefix + "Hello</b>\r\n\r\n";
  EXPECT_EQ(FileBytes("movie.srt"), expected);
  EXPECT_EQ(FileBytes("movie.srt").size(), 88u);
  EXPECT_EQ(UserViewLines(), (std::vector<std::string>{"1", "00:00:00:001 --> 00:00:02:345", "Hello", ""}));
  EXPECT_EQ(Form().Document.TempRichEdit.Text(), expected);
  EXPECT_EQ(Session().LineCount(), 1);
  // The next line starts where the replay last passed the end, and the video goes on from there.
  EXPECT_EQ(Text("Edit1"), "00:00:02:346");
  EXPECT_EQ(Text("Edit2"), "00:00:00:000");
  EXPECT_EQ(Text("InputEdit"), "");
  EXPECT_TRUE(MarkButtonsEnabled());
  EXPECT_NEAR(Player().Position(), 2.346, 1e-9);
  EXPECT_TRUE(Player().Playing());
}

TEST_F(Capture, AnEndMarkedOnAWholeSecondIsWrittenAsAFullTime) {
  PressF9();
  WaitMs(3000);
  PressF10();  // exactly 3 s: no fraction in the player's position
  EXPECT_EQ(Text("Edit2"), "00:00:03:000");
  WaitMs(5);
  TypeInInput("Hello");
  PressEnter();
  EXPECT_EQ(FileBytes("movie.srt"), Group(1, "00:00:00:001 --> 00:00:03:000", "Hello"));
  EXPECT_EQ(Text("Edit1"), "00:00:03:001");  // the replay passed the end one millisecond later
}

TEST_F(Capture, ThreeLinesInARowEachStartWhereTheLastEnded) {
  PressF9();
  const struct {
    int waitMs;
    const char* text;
  } lines[] = {{1234, "One"}, {1111, "Two"}, {1000, "Three"}};
  for (const auto& line : lines) {
    WaitMs(line.waitMs);
    PressF10();
    WaitMs(5);
    TypeInInput(line.text);
    PressEnter();
  }
  EXPECT_EQ(FileBytes("movie.srt"), Group(1, "00:00:00:001 --> 00:00:01:234", "One") +
                                        Group(2, "00:00:01:235 --> 00:00:02:346", "Two") +
                                        Group(3, "00:00:02:347 --> 00:00:03:347", "Three"));
  EXPECT_EQ(UserView().Count(), 12);
  EXPECT_EQ(Form().Document.TempRichEdit.Count(), 12);
}

TEST_F(Capture, EnterWithAnEmptyBoxDoesNothingAndTheSegmentGoesOnRepeating) {
  PressF9();
  WaitMs(1234);
  PressF10();
  PressEnter();
  EXPECT_FALSE(FileExists("movie.srt"));
  EXPECT_EQ(Session().LineCount(), 0);
  EXPECT_FALSE(MarkButtonsEnabled());

  Player().ClearCalls();
  WaitMs(3000);
  EXPECT_EQ(Player().Seeks().size(), 3u);
  EXPECT_LE(Player().Position(), 1.235);
}

// The clock wakes for what is due and for nothing else: a label fresh on every frame while the video plays,
// the replay's jump a millisecond past the end mark, and no wake-up at all while nothing plays.
TEST_F(Capture, TheClockWakesWhenSomethingIsDueAndSleepsWhileNothingPlays) {
  WaitMs(10);
  long long rings = ws.wakeUpRings;
  WaitMs(10000);
  EXPECT_EQ(ws.wakeUpRings, rings) << "stopped";

  PressF9();
  for (int frame = 0; frame < 40; ++frame) {
    WaitMs(7);
    EXPECT_NEAR(static_cast<double>(TimeTextToSeconds(Text("Label1"))), Player().Position(),
                HeadlessWindowSystem::kFrameMs / 1000.0 + 0.001);
  }
  PressF10();
  for (int jump = 0; jump < 5; ++jump) {
    const long double resumed = Session().ResumePosition();
    for (int i = 0; i < 2000 && Session().ResumePosition() == resumed; ++i) WaitMs(1);
    EXPECT_GT(Session().ResumePosition(), Session().MarkEnd());
    EXPECT_LT(Session().ResumePosition() - Session().MarkEnd(), 0.0015L);  // the next millisecond's step
  }

  PressF7();  // edit mode pauses the video
  WaitMs(10);
  rings = ws.wakeUpRings;
  WaitMs(10000);
  EXPECT_EQ(ws.wakeUpRings, rings) << "paused";
  EXPECT_FALSE(ws.keepingPrecise);
}

TEST_F(Capture, TheSegmentRepeatsAndTheNextLineStartsWhereItsEndWasLastPassed) {
  PressF9();
  WaitMs(1234);
  PressF10();
  Player().ClearCalls();
  WaitMs(2000);
  // Every jump goes back to the start mark; the video stays within the segment.
  for (double seek : Player().Seeks()) EXPECT_NEAR(seek, 0.00101, 1e-9);
  EXPECT_GE(Player().Seeks().size(), 2u);
  EXPECT_LE(Player().Position(), 1.235);

  // The user drags the player's slider beyond the end: the replay notices it there.
  Player().Place(1.8);
  WaitMs(1);
  EXPECT_EQ(Session().ResumeStartText(), "00:00:01:801");
  TypeInInput("Hello");
  PressEnter();
  EXPECT_EQ(Text("Edit1"), "00:00:01:801");
  EXPECT_NEAR(Player().Position(), 1.801, 1e-9);
  // After the commit the start lies beyond the old end: the replay rests until the next F10.
  Player().ClearCalls();
  WaitMs(500);
  EXPECT_TRUE(Player().Seeks().empty());
}

// Mended: the first F9 wrote 00:00:00:001 wherever the video stood, while the replay looped from there.
TEST(CaptureFirstMark, StartsAt001OnlyAtTheVideosStart) {
  const struct {
    const char* name;
    bool play;  // played there with the player's own button (no F9); else placed with its slider
    double seconds;
    const char* startBox;
    double markStart;
  } cases[] = {
      {"on the first frame", false, 0.02, "00:00:00:001", 0.02101},
      {"placed further on", false, 2.5, "00:00:02:500", 2.5},
      {"played to 5 s", true, 5, "00:00:05:000", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.OpenVideo("movie.avi");
    world.WaitUntilOpened();
    if (c.play) {
      world.Player().Play();
      world.WaitMs(static_cast<long long>(c.seconds * 1000));
    } else {
      world.Player().Place(c.seconds);
    }
    world.PressF9();
    EXPECT_EQ(world.Control("Edit1").Text(), c.startBox);
    EXPECT_NEAR(static_cast<double>(world.Session().MarkStart()), c.markStart, 1e-9);
    world.WaitMs(1000);
    world.PressF10();
    world.WaitMs(5);
    world.TypeInInput("Hi");
    world.PressEnter();
    EXPECT_EQ(world.FileBytes("movie.srt").substr(0, 19), std::string("1\r\n") + c.startBox + " -->");
  }
}

// Mended: a line marked up to the video's end never repeated, the player standing at the end for good.
TEST(CaptureAtTheEnd, ALineMarkedUpToTheVideosEndRepeatsFromItsStart) {
  ScenarioWorld world;
  world.ws.playerSettings.durations[world.Path("movie.avi")] = 3;
  world.OpenVideo("movie.avi");
  world.WaitUntilOpened();
  world.PressF9();
  world.WaitMs(1500);
  world.PressF9();  // the line starts at 1.5 s
  world.WaitMs(2000);
  ASSERT_FALSE(world.Player().Playing());  // ended at 3 s
  world.PressF10();
  EXPECT_EQ(world.Control("Edit2").Text(), "00:00:03:000");
  world.Player().ClearCalls();
  world.WaitMs(5);
  EXPECT_EQ(world.Player().Seeks(), std::vector<double>{1.5});
  EXPECT_TRUE(world.Player().Playing());
  world.WaitMs(3100);  // ended twice more, back at the start each time
  EXPECT_EQ(world.Player().Seeks().size(), 3u);
  EXPECT_TRUE(world.Player().Playing());
  world.TypeInInput("Last");
  world.PressEnter();
  EXPECT_NE(world.FileBytes("movie.srt").find("00:00:01:500 --> 00:00:03:000"), std::string::npos);
}

TEST_F(Capture, ASecondF9BeforeF10MarksTheCurrentPosition) {
  PressF9();
  WaitMs(1500);
  PressF9();
  EXPECT_EQ(Text("Edit1"), "00:00:01:500");
  EXPECT_NEAR(static_cast<double>(Session().MarkStart()), 1.5, 1e-9);
}

TEST_F(Capture, MarksKeyedAReactionTimeLateLandWhereTheSpeechStartsAndEndsUnlessCtrlIsHeld) {
  // Speech from 1 s to 2 s and from 4 s to 5 s over a quiet background, in the sound's 10 ms peaks.
  std::vector<AudioPeak>& peaks = ws.playerSettings.peaks;
  peaks.resize(600, AudioPeak{-40, 40});
  for (int i = 100; i < 200; ++i) peaks[i] = peaks[i + 300] = {-9000, 9000};
  PressF9();  // the first line's start stays at the video's start
  EXPECT_EQ(Text("Edit1"), "00:00:00:001");
  // Ctrl+F9 and Ctrl+F10 mark where the keys are pressed.
  Player().SetCurrentPosition(1.25);
  Control("Panel2").PressKey(vk::F9, modifier::Ctrl);
  EXPECT_EQ(Text("Edit1"), "00:00:01:250");
  WaitMs(1000);
  Control("Panel2").PressKey(vk::F10, modifier::Ctrl);
  EXPECT_EQ(Text("Edit2"), "00:00:02:250");
  WaitMs(5);
  TypeInInput("One");
  PressEnter();

  Player().SetCurrentPosition(4.25);
  PressF9();
  EXPECT_EQ(Text("Edit1"), "00:00:04:000");
  EXPECT_EQ(Text("NoticeLabel"), Gbk("起点对齐语音：提前 0.25 秒"));
  WaitMs(980);
  PressF10();
  EXPECT_EQ(Text("Edit2"), "00:00:05:000");
  EXPECT_EQ(Text("NoticeLabel"), Gbk("终点对齐语音：提前 0.23 秒"));
  Player().ClearCalls();
  WaitMs(5);
  EXPECT_EQ(Player().Seeks(), std::vector<double>{4.0});  // the replay loops the speech itself
  TypeInInput("Two");
  PressEnter();
  EXPECT_EQ(FileBytes("movie.srt"), Group(1, "00:00:01:250 --> 00:00:02:250", "One") +
                                        Group(2, "00:00:04:000 --> 00:00:05:000", "Two"));
}

// Mended: a commit before the replay has jumped since F10 (the video paused right after F10) used to take the
// start of the next line from an earlier jump, or from none (an empty start box and the video sent to 0).
TEST(CaptureMend, ACommitBeforeTheReplayJumpedContinuesFromTheMarkedEnd) {
  struct Case {
    const char* name;
    bool earlierLine;  // a first line committed the usual way, so an older jump exists
  };
  for (const Case& c : {Case{"first line", false}, Case{"after an earlier line", true}}) {
    SCOPED_TRACE(c.name);
    ScenarioWorld world;
    world.OpenVideo("clip.avi");
    world.WaitUntilOpened();
    world.PressF9();
    std::string expected;
    std::string start = "00:00:00:001";
    int number = 1;
    if (c.earlierLine) {
      world.WaitMs(1234);
      world.PressF10();
      world.WaitMs(5);
      world.TypeInInput("Earlier");
      world.PressEnter();
      expected += Group(number++, "00:00:00:001 --> 00:00:01:234", "Earlier");
      start = "00:00:01:235";
    }
    world.WaitMs(2345);
    world.PressF10();
    const std::string end = world.Control("Edit2").Text();
    const long double markEnd = world.Session().MarkEnd();
    world.Player().Pause();  // the user pauses the video with the player's own button
    world.TypeInInput("Paused");
    world.PressEnter();
    expected += Group(number++, start + " --> " + end, "Paused");

    EXPECT_EQ(world.Control("Edit1").Text(), end);
    EXPECT_EQ(world.Session().MarkStart(), markEnd);
    EXPECT_NEAR(world.Player().Position(), static_cast<double>(markEnd), 1e-9);

    // The user plays on and marks the next end: the line starts where the paused one ended.
    world.Player().Play();
    world.WaitMs(1000);
    world.PressF10();
    const std::string nextEnd = world.Control("Edit2").Text();
    world.WaitMs(5);
    world.TypeInInput("Next");
    world.PressEnter();
    expected += Group(number++, end + " --> " + nextEnd, "Next");
    EXPECT_EQ(world.FileBytes("clip.srt"), expected);
  }
}

TEST_F(Capture, AWriteProtectedFileIsReportedOncePerCommitAndTheViewsKeepEveryLine) {
  PressF9();
  WaitMs(1234);
  PressF10();
  WaitMs(5);
  TypeInInput("One");
  PressEnter();
  const std::string saved = FileBytes("movie.srt");
  SetReadOnly("movie.srt", true);

  WaitMs(1000);
  PressF10();
  WaitMs(5);
  TypeInInput("Two");
  PressEnter();
  ASSERT_EQ(ErrorReports().size(), 1u);
  EXPECT_EQ(ErrorReports()[0].rfind("Cannot create file \"" + Shown("movie.srt") + "\". ", 0), 0u);
  EXPECT_EQ(FileBytes("movie.srt"), saved);
  EXPECT_EQ(UserView().Count(), 8);
  EXPECT_EQ(Form().Document.TempRichEdit.Count(), 8);
  EXPECT_EQ(Session().LineCount(), 2);
  EXPECT_TRUE(MarkButtonsEnabled());  // the steps before the save stand

  // Once writable again, the next commit saves everything the views hold.
  SetReadOnly("movie.srt", false);
  WaitMs(1000);
  PressF10();
  WaitMs(5);
  TypeInInput("Three");
  PressEnter();
  EXPECT_EQ(ErrorReports().size(), 1u);
  EXPECT_EQ(FileBytes("movie.srt"), Form().Document.TempRichEdit.Text());
  EXPECT_EQ(Form().Document.TempRichEdit.Count(), 12);
}

// Closing while saves fail would lose what the disk lacks: the user is asked, and may try again, go on or stay.
TEST(CaptureClose, ClosingWhileSavesFailAsksFirstAndLosesNothingUnlessTheUserGoesOn) {
  for (const int finalAnswer : {0, 1}) {  // try again once the file is writable; go on without it
    SCOPED_TRACE(finalAnswer);
    ScenarioWorld world;
    world.OpenVideo("movie.avi");
    world.WaitUntilOpened();
    world.PressF9();
    world.WaitMs(1234);
    world.PressF10();
    world.TypeInInput("One");
    world.PressEnter();
    const std::string first = world.FileBytes("movie.srt");
    world.SetReadOnly("movie.srt", true);
    world.WaitMs(1000);
    world.PressF10();
    world.TypeInInput("Two");
    world.PressEnter();
    const std::size_t boxesBefore = world.MessageBoxes().size();
    auto answer = [&world](int button) {
      world.ws.messageBoxAnswers.push_back([button](const MessageBoxRequest&) { return button; });
    };

    // Cancel keeps the window; trying again while the file is still protected reports and asks again.
    answer(2);
    world.Window().Close();
    ASSERT_TRUE(world.Window().Visible());
    ASSERT_EQ(world.MessageBoxes().size(), boxesBefore + 1);
    // ”没有保存成功，第 2 条字幕
    EXPECT_NE(world.MessageBoxes().back().text.find(world.Gbk("\u201D\u6CA1\u6709\u4FDD\u5B58\u6210\u529F\uFF0C\u7B2C 2 \u6761\u5B57\u5E55")),
              std::string::npos)
        << world.MessageBoxes().back().text;
    answer(0);
    answer(0);  // the failed save's report
    answer(2);
    world.Window().Close();
    ASSERT_TRUE(world.Window().Visible());
    EXPECT_EQ(world.MessageBoxes().size(), boxesBefore + 4);  // the question, the failed save's report, the question
    EXPECT_EQ(world.FileBytes("movie.srt"), first);

    world.SetReadOnly("movie.srt", false);
    const std::string views = world.Form().Document.TempRichEdit.Text();
    answer(finalAnswer);
    world.Window().Close();
    EXPECT_FALSE(world.Window().Visible());
    EXPECT_EQ(world.FileBytes("movie.srt"), finalAnswer == 0 ? views : first);
  }
}

// The group is saved once, when complete; a player that fails after the append still leaves it in the file.
TEST_F(Capture, ACommitWhosePlayerFailsStillSavesTheLine) {
  PressF9();
  WaitMs(1234);
  PressF10();
  WaitMs(5);
  TypeInInput("Hello");
  Player().FailNext(SimulatedPlayer::Operation::SetCurrentPosition);
  PressEnter();
  EXPECT_EQ(ErrorReports(), std::vector<std::string>{"Player call failed."});
  EXPECT_EQ(FileBytes("movie.srt"), Group(1, "00:00:00:001 --> 00:00:01:234", "Hello"));
  EXPECT_EQ(Session().LineCount(), 1);
}

// Chosen: a tick whose player call fails shows nothing, and the ticks after it run as before.
TEST_F(Capture, TicksWhosePlayerCallsFailShowNothingAndLaterTicksGoOn) {
  PressF9();
  WaitMs(1234);
  PressF10();
  const std::string label = Text("Label1");
  for (auto operation :
       {SimulatedPlayer::Operation::Status, SimulatedPlayer::Operation::CurrentPositionString,
        SimulatedPlayer::Operation::CurrentPosition}) {
    Player().FailNext(operation, 50);
    WaitMs(50);
  }
  EXPECT_TRUE(MessageBoxes().empty());
  // The segment replay came back with the ticks: the video is inside the segment again.
  Player().ClearCalls();
  WaitMs(1300);
  EXPECT_FALSE(Player().Seeks().empty());
  EXPECT_LE(Player().Position(), 1.235);
  EXPECT_NE(Text("Label1"), label);
  EXPECT_EQ(Text("Label1").size(), 12u);
}

TEST(CaptureBeforeTheMediaOpened, NoPositionYetShowsZeroTimesInTheMarkBoxes) {
  // Before the media opened there is no position: F9 still marks the first start, and a ":0" end box
  // lasts only until the next tick.
  ScenarioWorld world;
  world.OpenVideo("slow.avi");
  world.PressF9();
  EXPECT_EQ(world.Control("Edit1").Text(), "00:00:00:001");
  world.PressF10();
  EXPECT_EQ(world.Control("Edit2").Text(), ":0");
  world.WaitMs(1);
  EXPECT_EQ(world.Control("Edit2").Text(), "00:00:00:000");
}

}  // namespace
}  // namespace titrelle

namespace titrelle {
namespace {

// After Enter, a word beside the player names the line and the file, and goes after a few seconds; a line
// whose end is not after its start is refused with a word saying why (mended: it was written), and stays
// in the entry box until F10 marks an end.
TEST(CaptureWords, ASavedLineIsNamedAndALineThatWouldNeverShowIsRefused) {
  ScenarioWorld world;
  world.OpenVideo("\xE7\x94\xB5\xE5\xBD\xB1.avi");  // 电影.avi
  world.WaitUntilOpened();
  world.PressF9();
  world.WaitMs(2000);
  world.PressF10();
  world.WaitMs(5);
  world.TypeInInput("One");
  world.PressEnter();
  EXPECT_EQ(world.Control("NoticeLabel").Text(), world.Gbk("第1句已保存：电影.srt"));
  world.WaitMs(5000);
  EXPECT_EQ(world.Control("NoticeLabel").Text(), "");

  world.PressF8();  // paused where the last line ended
  world.PressF10();
  world.TypeInInput("Never shown");
  world.PressEnter();
  EXPECT_EQ(world.Form().Session.LineCount(), 1);
  EXPECT_EQ(world.Control("InputEdit").Text(), "Never shown");
  EXPECT_NE(world.Control("NoticeLabel").Text().find("F10"), std::string::npos);
  EXPECT_TRUE(world.Control("EndTimeButton").Enabled());

  world.Player().Play();
  world.WaitMs(1500);
  world.PressF10();
  world.WaitMs(5);
  world.PressEnter();
  EXPECT_EQ(world.Form().Session.LineCount(), 2);
  EXPECT_NE(world.FileBytes("\xE7\x94\xB5\xE5\xBD\xB1.srt").find("Never shown"), std::string::npos);
}

// Mended: a character code page 936 cannot hold was shown where it was typed and saved as "?".
TEST(CaptureWords, ACharacterCodePage936CannotHoldIsRefusedWhereItIsTypedOrPastedAndTheRestKept) {
  const std::string refused = ScenarioWorld::Gbk("这个字符无法以 GBK 保存");
  const struct {
    const char* what;
    bool userView;  // else the entry box
    std::function<void(HeadlessControl&)> act;
    std::string kept;  // the entry box's text, or the user view's text line after "Hi"
    bool refusedOne;
  } cases[] = {
      {"a paste into the entry box", false, [](HeadlessControl& c) { c.Paste("a\U0001F600b"); }, "ab", true},
      {"Korean from an input method", false, [](HeadlessControl& c) { c.CommitInputMethod("한국어x"); }, "x",
       true},
      {"Chinese from an input method", false, [](HeadlessControl& c) { c.CommitInputMethod("你好"); },
       ScenarioWorld::Gbk("你好"), false},
      {"a question mark of the user's own", false, [](HeadlessControl& c) { c.Paste("a?b"); }, "a?b", false},
      {"a paste into the user view", true, [](HeadlessControl& c) { c.Paste("a\U00020000b"); }, "Hiab", true},
      {"an emoji from an input method into the user view", true,
       [](HeadlessControl& c) { c.CommitInputMethod("\U0001F600"); }, "Hi", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScenarioWorld world;
    world.OpenVideo("movie.avi");
    world.WaitUntilOpened();
    world.PressF9();
    world.WaitMs(2000);
    world.PressF10();
    world.WaitMs(5);
    if (c.userView) {
      world.TypeInInput("Hi");
      world.PressEnter();
      world.PressF7();
      world.ClickUserViewLine(2, 2);
      c.act(world.UserView());
      EXPECT_EQ(world.UserView().Line(2), c.kept);
    } else {
      c.act(world.Control("InputEdit"));
      EXPECT_EQ(world.Control("InputEdit").Text(), c.kept);
    }
    EXPECT_EQ(world.Control("NoticeLabel").Text() == refused, c.refusedOne);
    if (!c.userView) world.PressEnter();
    EXPECT_NE(world.FileBytes("movie.srt").find("\r\n" + kDefaultPrefix + c.kept + "</b>\r\n"), std::string::npos)
        << world.FileBytes("movie.srt");
  }
}

// Mended: a file the player cannot open left the open button disabled for good.
TEST(CaptureWords, AFileThePlayerCannotOpenGivesTheOpenButtonBack) {
  ScenarioWorld world;
  world.ws.playerSettings.exists[world.Path("notes.txt")] = false;
  world.OpenVideo("notes.txt");
  EXPECT_FALSE(world.Control("OpenButton").Enabled());
  world.WaitMs(10);
  EXPECT_TRUE(world.Control("OpenButton").Enabled());
  EXPECT_NE(world.Control("Label2").Text().find_first_not_of(' '), std::string::npos);
  EXPECT_FALSE(world.Control("NoticeLabel").Text().empty());
}

}  // namespace
}  // namespace titrelle

namespace titrelle {
namespace {

// What the player panel's strip is given: the marks of the line being timed, and each line written as a
// numbered span, as the user goes.
TEST_F(Capture, TheTimelineFollowsTheMarksAndTheLinesWritten) {
  TimelineMarks marks = Form().Timeline.Marks();
  EXPECT_EQ(marks, TimelineMarks{});
  PressF9();
  marks = Form().Timeline.Marks();
  ASSERT_TRUE(marks.startSeconds.has_value());
  EXPECT_NEAR(*marks.startSeconds, 0.00101, 1e-9);
  EXPECT_FALSE(marks.endSeconds.has_value());
  WaitMs(1500);
  PressF10();
  marks = Form().Timeline.Marks();
  EXPECT_NEAR(*marks.startSeconds, 0.00101, 1e-9);
  ASSERT_TRUE(marks.endSeconds.has_value());
  EXPECT_NEAR(*marks.endSeconds, 1.5, 1e-9);
  WaitMs(5);
  TypeInInput("One");
  PressEnter();
  // The next line starts where the replay passed the end; its end is not marked yet.
  marks = Form().Timeline.Marks();
  EXPECT_NEAR(*marks.startSeconds, 1.501, 1e-9);
  EXPECT_FALSE(marks.endSeconds.has_value());
  std::vector<TimelineSpan> spans;
  Form().Timeline.SpansBetween(0, 10, spans);
  EXPECT_EQ(spans, (std::vector<TimelineSpan>{{1, 0.001, 1.5, "One"}}));

  PressF9();
  WaitMs(1000);
  PressF10();
  WaitMs(5);
  TypeInInput("Two");
  PressEnter();
  Form().Timeline.SpansBetween(0, 10, spans);
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_EQ(spans[1].number, 2);
  EXPECT_EQ(spans[1].text, "Two");
  Form().Timeline.SpansBetween(1.6, 10, spans);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_EQ(spans[0].number, 2);
  // An edit in edit mode reaches it too: the line is read again from the file view after a change.
  Form().Document.TempRichEdit.ReplaceLine(1, "00:00:00:500 --> 00:00:01:500");
  Form().Timeline.SpansBetween(0, 1, spans);
  ASSERT_EQ(spans.size(), 1u);
  EXPECT_DOUBLE_EQ(spans[0].startSeconds, 0.5);
}

TEST(CaptureTimelineMarks, AnEndIsShownOnlyAfterItsStart) {
  const struct {
    long double start, end;
    TimelineMarks marks;
  } cases[] = {
      {0, 0, {}},
      {1.5L, 0, {1.5, std::nullopt}},
      {1.5L, 2.5L, {1.5, 2.5}},
      {2.5L, 2.5L, {2.5, std::nullopt}},  // after a commit, before the replay jumped
      {2.6L, 2.5L, {2.6, std::nullopt}},  // after a commit, the replay having passed the end
      {0, 2.5L, {std::nullopt, 2.5}},
  };
  for (const auto& entry : cases) {
    EXPECT_EQ(MarksToShow(entry.start, entry.end), entry.marks) << static_cast<double>(entry.start);
  }
}

// Each line's text on the timeline: the lines of its group after its time line, plain, on one line; a time
// line that does not read has no span and gives its text to none.
TEST(CaptureTimelineTexts, EachSpanHasTheTextOfItsOwnGroup) {
  const struct {
    const char* name;
    std::string fileView;
    std::vector<std::string> texts;
  } cases[] = {
      {"styled, two lines",
       "1\r\n00:00:01:000 --> 00:00:02:000\r\n{\\fnA\\fs18}<b>one</b>\r\n<b>two</b>\r\n\r\n", {"one two"}},
      {"a time line being typed",
       "1\r\n00:00:01:000 --> 00:00:0\r\nlost\r\n\r\n2\r\n00:00:03:000 --> 00:00:04:000\r\nkept\r\n\r\n",
       {"kept"}},
      {"no text, no last break",
       "1\r\n00:00:01:000 --> 00:00:02:000\r\n\r\n2\r\n00:00:03:000 --> 00:00:04:000\r\nlast", {"", "last"}},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.name);
    const std::vector<TimelineSpan> spans = ReadWrittenSpans(entry.fileView);
    std::vector<std::string> texts;
    for (const TimelineSpan& span : spans) texts.push_back(PlainSpanText(span.text));
    EXPECT_EQ(texts, entry.texts);
  }
}

}  // namespace
}  // namespace titrelle
