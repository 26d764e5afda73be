// The headless shell itself: its controls must behave as the real ones in what the program relies on, or
// every scenario built on them proves nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Error.h"
#include "platforms/headless/HeadlessWindowSystem.h"

namespace titrelle {
namespace {

class HeadlessShell : public ::testing::Test {
 protected:
  HeadlessShell() {
    WindowTable entry;
    entry.name = "Test";
    entry.width = 400;
    entry.height = 300;
    entry.controls.push_back(Make("Panel", ControlKind::Panel, ""));
    entry.controls.push_back(Make("Edit", ControlKind::Edit, "Panel"));
    entry.controls.push_back(Make("View", ControlKind::UserView, "Panel"));
    entry.controls.push_back(Make("Check", ControlKind::CheckBox, ""));
    entry.controls.push_back(Make("List", ControlKind::ComboBox, ""));
    entry.controls.push_back(Make("Video", ControlKind::MediaPanel, ""));
    window = ws.CreateWindow(entry);
    window->Show();
    view = &Headless().UserView("View");
    view->OnChange = [this] { events.push_back("change:" + view->Text()); };
    view->OnKeyDown = [this](KeyEvent& key) {
      events.push_back("down:" + std::to_string(view->CaretLine()) + "," +
                       std::to_string(view->CaretColumn()));
      if (key.key == swallow) key.swallowed = true;
    };
    view->OnKeyUp = [this](KeyEvent&) {
      events.push_back("up:" + std::to_string(view->CaretLine()) + "," + std::to_string(view->CaretColumn()));
    };
  }
  static ControlEntry Make(const std::string& name, ControlKind kind, const std::string& parent) {
    ControlEntry control;
    control.name = name;
    control.kind = kind;
    control.parent = parent;
    return control;
  }
  HeadlessWindow& Headless() { return dynamic_cast<HeadlessWindow&>(*window); }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    for (int i = 0; i < view->Count(); ++i) lines.push_back(view->Line(i));
    return lines;
  }

  HeadlessWindowSystem ws;
  std::unique_ptr<Window> window;
  HeadlessUserView* view = nullptr;
  std::vector<std::string> events;
  int swallow = -1;
};

TEST_F(HeadlessShell, UserViewKeysApplyBetweenKeyDownAndKeyUp) {
  view->SetListingText("ab\r\ncd\r\n");
  events.clear();
  view->PlaceCaret(1, 0);
  view->PressKey(vk::Up);
  view->PressKey(vk::End);
  view->Type("x");
  EXPECT_EQ(events, (std::vector<std::string>{"down:1,0", "up:0,0", "down:0,0", "up:0,2", "down:0,2",
                                              "change:abx\r\ncd\r\n", "up:0,3"}));
}

TEST_F(HeadlessShell, UserViewEditsIncludingThoseThatJoinOrSplitLines) {
  const struct {
    const char* what;
    int line, column;
    int key;
    std::vector<std::string> lines;
    int caretLine, caretColumn;
  } cases[] = {
      {"backspace inside a line", 0, 2, vk::Back, {"a", "cd", "ef"}, 0, 1},
      {"backspace at a line's start joins it to the line above", 1, 0, vk::Back, {"abcd", "ef"}, 0, 2},
      {"backspace at the very start does nothing", 0, 0, vk::Back, {"ab", "cd", "ef"}, 0, 0},
      {"delete inside a line", 1, 0, vk::Delete, {"ab", "d", "ef"}, 1, 0},
      {"delete at a line's end joins the next line", 0, 2, vk::Delete, {"abcd", "ef"}, 0, 2},
      {"enter splits the line", 1, 1, vk::Return, {"ab", "c", "d", "ef"}, 2, 0},
      {"home", 1, 1, vk::Home, {"ab", "cd", "ef"}, 1, 0},
      {"down keeps the column", 0, 1, vk::Down, {"ab", "cd", "ef"}, 1, 1},
      {"right at a line's end goes to the next line", 0, 2, vk::Right, {"ab", "cd", "ef"}, 1, 0},
      {"left at a line's start goes to the line above's end", 2, 0, vk::Left, {"ab", "cd", "ef"}, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    view->SetListingText("ab\r\ncd\r\nef");
    view->PlaceCaret(c.line, c.column);
    view->PressKey(c.key);
    EXPECT_EQ(Lines(), c.lines);
    EXPECT_EQ(view->CaretLine(), c.caretLine);
    EXPECT_EQ(view->CaretColumn(), c.caretColumn);
  }
}

TEST_F(HeadlessShell, UserViewCountsDoubleByteCharactersAsOneKeyAndTwoBytes) {
  const std::string wen = "\xCE\xC4";  // one double-byte character
  view->SetListingText("a" + wen + "b");
  view->PlaceCaret(0, 4);
  view->PressKey(vk::Left);
  EXPECT_EQ(view->CaretColumn(), 3);
  view->PressKey(vk::Left);
  EXPECT_EQ(view->CaretColumn(), 1);  // over the whole character
  view->PressKey(vk::Delete);
  EXPECT_EQ(view->Line(0), "ab");
  view->Type(wen);
  EXPECT_EQ(view->Line(0), "a" + wen + "b");
  EXPECT_EQ(view->CaretColumn(), 3);
  view->PressKey(vk::Back);
  EXPECT_EQ(view->Line(0), "ab");
}

TEST_F(HeadlessShell, SwallowedKeysAndReadOnlyLeaveTheTextAlone) {
  view->SetListingText("ab\r\ncd");
  view->PlaceCaret(1, 0);
  swallow = vk::Back;
  events.clear();
  view->PressKey(vk::Back);
  EXPECT_EQ(view->Text(), "ab\r\ncd");
  EXPECT_EQ(events, (std::vector<std::string>{"down:1,0", "up:1,0"}));  // key up still comes

  swallow = -1;
  view->SetReadOnly(true);
  events.clear();
  view->Type("x");
  view->PressKey(vk::Back);
  view->PressKey(vk::Return);
  view->Paste("y\r\nz");
  EXPECT_EQ(view->Text(), "ab\r\ncd");
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const std::string& e) { return e.rfind("change", 0) == 0; }),
            0);
  view->PressKey(vk::Right);  // the caret still moves
  EXPECT_EQ(view->CaretColumn(), 1);
}

TEST_F(HeadlessShell, AKeyWhoseHandlerFailsIsNotActedOn) {
  view->SetListingText("ab");
  view->PlaceCaret(0, 2);
  view->OnKeyDown = [](KeyEvent&) { throw Error("guard failed"); };
  view->PressKey(vk::Back);
  view->Type("c");
  EXPECT_EQ(view->Text(), "ab");
  EXPECT_EQ(ws.messageBoxes.size(), 2u);  // each failure reported
}

TEST_F(HeadlessShell, PasteMayCarryLineBreaks) {
  view->SetListingText("ab");
  view->PlaceCaret(0, 1);
  view->Paste("x\r\ny");
  EXPECT_EQ(Lines(), (std::vector<std::string>{"ax", "yb"}));
  EXPECT_EQ(view->CaretLine(), 1);
  EXPECT_EQ(view->CaretColumn(), 1);
}

TEST_F(HeadlessShell, AddLeavesTheCaretAsARichEditDoes) {
  // After a final break the caret stands at the start of the empty last line.
  view->Add("1");
  view->Add("00:00:00:001 --> 00:00:01:000");
  EXPECT_EQ(view->Text(), "1\r\n00:00:00:001 --> 00:00:01:000\r\n");
  EXPECT_EQ(view->CaretLine(), 2);
  EXPECT_EQ(view->CaretColumn(), 0);
  EXPECT_EQ(view->Line(view->CaretLine()), "");
  // Without a final break the appended line itself holds the caret, at its end.
  view->SetListingText("1\r\nlast");
  view->PlaceCaret(0, 0);
  view->Add("next");
  EXPECT_EQ(view->CaretLine(), 2);
  EXPECT_EQ(view->CaretColumn(), 4);
  // Programmatic changes are changes too.
  events.clear();
  view->Clear();
  view->Add("x");
  view->SetListingText("y");
  EXPECT_EQ(events, (std::vector<std::string>{"change:", "change:x\r\n", "change:y"}));
}

TEST_F(HeadlessShell, ClickMovesTheCaretBeforeMouseDownAndUp) {
  view->SetListingText("ab\r\ncd");
  std::vector<int> seen;
  view->OnMouseDown = [&] { seen.push_back(view->CaretLine()); };
  view->OnMouseUp = [&] { seen.push_back(view->CaretLine()); };
  EXPECT_TRUE(view->ClickAt(1, 9));
  EXPECT_EQ(seen, (std::vector<int>{1, 1}));
  EXPECT_EQ(view->CaretColumn(), 2);  // clamped to the line
  view->SetVisible(false);
  EXPECT_FALSE(view->ClickAt(0, 0));  // nobody clicks a hidden control
}

TEST_F(HeadlessShell, EditBoxKeyPressMayDiscardAndKeyDownMaySwallow) {
  HeadlessControl& edit = Headless().Get("Edit");
  int changes = 0;
  edit.OnChange = [&] { ++changes; };
  edit.OnKeyPress = [](KeyPressEvent& press) {
    if (press.character == 'x') press.character = 0;
  };
  edit.OnKeyDown = [](KeyEvent& key) { key.swallowed = key.key == 'Y'; };
  edit.Type("axbyc");
  EXPECT_EQ(edit.Text(), "abc");
  EXPECT_EQ(changes, 3);
  edit.PressKey(vk::Back);
  EXPECT_EQ(edit.Text(), "ab");
  edit.SetText("ab");  // the same text: no change
  edit.SetText("");
  EXPECT_EQ(changes, 5);
}

TEST_F(HeadlessShell, CheckBoxTellsEveryChangeOfItsStateAsAClick) {
  HeadlessControl& check = Headless().Get("Check");
  int clicks = 0;
  check.OnClick = [&] { ++clicks; };
  check.SetChecked(true);
  check.SetChecked(true);
  check.Click();
  EXPECT_FALSE(check.Checked());
  EXPECT_EQ(clicks, 2);
}

TEST_F(HeadlessShell, FocusingAHiddenOrDisabledControlFails) {
  HeadlessControl& edit = Headless().Get("Edit");
  edit.SetFocus();
  EXPECT_TRUE(edit.Focused());
  Headless().Get("Panel").SetVisible(false);
  EXPECT_THROW(edit.SetFocus(), Error);
  Headless().Get("Panel").SetVisible(true);
  edit.SetEnabled(false);
  EXPECT_THROW(edit.SetFocus(), Error);
  EXPECT_FALSE(edit.Type("a"));
}

TEST_F(HeadlessShell, ExceptionsOfHandlersBecomeTheErrorReport) {
  ws.SetApplicationTitle("App");
  HeadlessControl& check = Headless().Get("Check");
  check.OnClick = [] { throw Error("Bad thing"); };
  check.Click();
  ASSERT_EQ(ws.messageBoxes.size(), 1u);
  EXPECT_EQ(ws.messageBoxes[0].caption, "App");
  EXPECT_EQ(ws.messageBoxes[0].text, "Bad thing.");
}

TEST_F(HeadlessShell, DialogsAnswerFromTheScript) {
  ws.openDialogAnswers = {std::string("/a.avi"), std::nullopt};
  EXPECT_EQ(ws.ChooseFileToOpen(), std::optional<std::string>("/a.avi"));
  EXPECT_EQ(ws.ChooseFileToOpen(), std::nullopt);
  EXPECT_EQ(ws.ChooseFileToOpen(), std::nullopt);  // nothing scripted: cancel
  EXPECT_EQ(ws.openDialogCount, 3);

  ws.messageBoxAnswers.push_back([](const MessageBoxRequest& box) { return box.escapeButton; });
  MessageBoxRequest question{"Q", MessageIcon::Information, "?", {"&Yes", "&No"}, 0, 1};
  EXPECT_EQ(ws.ShowMessageBox(question), 1);
  EXPECT_EQ(ws.ShowMessageBox(question), 0);  // nothing scripted: the default button
  EXPECT_EQ(ws.messageBoxes.size(), 2u);

  ws.colorAnswers = {0x123456u};
  EXPECT_EQ(ws.PickColor(7), std::optional<unsigned>(0x123456u));
  EXPECT_EQ(ws.PickColor(8), std::nullopt);
  EXPECT_EQ(ws.colorPickerStarts, (std::vector<unsigned>{7, 8}));
}

TEST_F(HeadlessShell, TimersTickOnVirtualTimeAndStopWhenDestroyed) {
  int fast = 0, slow = 0;
  auto every1 = ws.StartTimer(1, [&] { ++fast; });
  auto every10 = ws.StartTimer(10, [&] { ++slow; });
  ws.AdvanceMs(25);
  EXPECT_EQ(fast, 25);
  EXPECT_EQ(slow, 2);
  every1.reset();
  ws.AdvanceMs(5);
  EXPECT_EQ(fast, 25);
  EXPECT_EQ(slow, 3);
}

// --- The simulated player
// -------------------------------------------------------------------------------------

class SimulatedPlayerTest : public HeadlessShell {
 protected:
  SimulatedPlayerTest() {
    ws.playerSettings.openDelayMs = 100;
    ws.playerSettings.exists["/v/movie.avi"] = true;
    ws.playerSettings.durations["/v/movie.avi"] = 4000;
    player = ws.CreatePlayer(*window, "Video");
  }
  std::unique_ptr<MediaPlayer> player;
  using Op = SimulatedPlayer::Operation;
};

TEST_F(SimulatedPlayerTest, OpeningTakesTimeThenStaysStoppedWhenAskedTo) {
  EXPECT_EQ(player->CurrentPositionString(), "");
  EXPECT_EQ(player->Status(), "");
  player->SetURL("/v/movie.avi");
  player->Stop();
  EXPECT_EQ(player->PlayState(), SimulatedPlayer::kPlayStateTransitioning);
  player->SetCurrentPosition(30);  // nothing to seek in yet
  EXPECT_EQ(player->CurrentPosition(), 0);
  EXPECT_EQ(player->CurrentPositionString(), "");
  ws.AdvanceMs(100);
  EXPECT_EQ(player->PlayState(), SimulatedPlayer::kPlayStateStopped);
  EXPECT_EQ(player->CurrentPositionString(), "00:00");
}

TEST_F(SimulatedPlayerTest, OpenedMediaStartsOnItsOwnUnlessStopped) {
  player->SetURL("/v/movie.avi");
  ws.AdvanceMs(100);
  EXPECT_EQ(player->PlayState(), MediaPlayer::kPlayStatePlaying);
}

TEST_F(SimulatedPlayerTest, PositionRunsWithVirtualTimeAndSeeksReadBackAtOnce) {
  player->SetURL("/v/movie.avi");
  player->Stop();
  ws.AdvanceMs(100);
  player->Play();
  ws.AdvanceMs(1500);
  EXPECT_NEAR(player->CurrentPosition(), 1.5, 0.001);
  EXPECT_EQ(player->CurrentPositionString(), "00:01");
  player->SetCurrentPosition(754.1234567);
  EXPECT_EQ(player->CurrentPosition(), 754.1234567);
  EXPECT_EQ(player->CurrentPositionString(), "12:34");
  player->Pause();
  ws.AdvanceMs(1000);
  EXPECT_EQ(player->CurrentPosition(), 754.1234567);
  EXPECT_EQ(player->PlayState(), SimulatedPlayer::kPlayStatePaused);
  player->SetCurrentPosition(3723.4567);
  EXPECT_EQ(player->CurrentPositionString(), "01:02:03");
  // Playing on to the end stops there.
  player->Play();
  ws.AdvanceMs(300000);
  EXPECT_EQ(player->CurrentPosition(), 4000);
  EXPECT_EQ(player->PlayState(), SimulatedPlayer::kPlayStateMediaEnded);
  auto& simulated = *ws.Player();
  EXPECT_EQ(simulated.Seeks(), (std::vector<double>{754.1234567, 3723.4567}));
  EXPECT_EQ(simulated.CountOf(Op::Play), 2);
  EXPECT_EQ(simulated.CountOf(Op::Pause), 1);
}

TEST_F(SimulatedPlayerTest, AMediaClockOffsetAppliesOnlyToPlayedTime) {
  ws.playerSettings.playedOffsetSeconds = 0.0004;
  player->SetURL("/v/movie.avi");
  ws.AdvanceMs(100);  // opens and plays on its own
  EXPECT_EQ(player->CurrentPosition(), 0);
  ws.AdvanceMs(2000);
  EXPECT_DOUBLE_EQ(player->CurrentPosition(), 2.0004);
  player->SetCurrentPosition(5);
  EXPECT_EQ(player->CurrentPosition(), 5);  // a seek still reads back exactly
}

TEST_F(SimulatedPlayerTest, AMissingFileNeverHasAPosition) {
  player->SetURL("/v/missing.avi");
  player->Play();
  ws.AdvanceMs(1000);
  EXPECT_EQ(player->CurrentPosition(), 0);
  EXPECT_EQ(player->CurrentPositionString(), "");
  EXPECT_NE(player->PlayState(), MediaPlayer::kPlayStatePlaying);
  EXPECT_FALSE(player->Status().empty());
}

TEST_F(SimulatedPlayerTest, InjectedFailuresThrowForAsManyCallsAsAsked) {
  auto& simulated = *ws.Player();
  simulated.FailNext(Op::CurrentPosition, 2, "boom");
  EXPECT_THROW(player->CurrentPosition(), Error);
  EXPECT_THROW(player->CurrentPosition(), Error);
  EXPECT_NO_THROW(player->CurrentPosition());
  simulated.FailNext(Op::Play, -1);
  for (int i = 0; i < 3; ++i) EXPECT_THROW(player->Play(), Error);
  simulated.ClearFailures();
  EXPECT_NO_THROW(player->Play());
}

}  // namespace
}  // namespace titrelle
