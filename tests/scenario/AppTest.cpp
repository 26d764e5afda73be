// The main window's life on the headless shell: start-up, the control table, the hot keys (also with a second
// running copy and while a question is open), resizing, closing, and the error report.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Scenario.h"
#include "ui/ErrorReport.h"

namespace titrelle {
namespace {

// --- Start-up --------------------------------------------------------------------------------------------

TEST_F(Scenario, StartUpShowsTheMainWindowAsTheTableSays) {
  EXPECT_EQ(ws.ApplicationTitle(), "Titrelle");
  HeadlessWindow& window = Window();
  EXPECT_TRUE(window.Visible());
  EXPECT_EQ(window.Layout().caption, "Titrelle");
  EXPECT_EQ(window.Width(), 736);
  EXPECT_EQ(window.Height(), 538);
  EXPECT_FALSE(window.Layout().maximizeBox);
  EXPECT_TRUE(window.Layout().resizable);

  struct Expected {
    const char* name;
    const char* parent;
    int left, top, width, height;
    std::string caption;
    std::string hint;
  };
  const Expected table[] = {
      {"Label4", "Panel1", 419, 12, 75, 16, Gbk("当前位置：  "), ""},
      {"OpenButton", "Panel1", 32, 63, 99, 38, Gbk("打开视频[&O]"), ""},
      {"BitBtn1", "Panel1", 144, 63, 99, 38, Gbk("字体设置[&F]"), ""},
      {"StartTimeButton", "Panel1", 419, 76, 136, 38, Gbk("[F9]本句起始时间"), Gbk("[F9]键 起始时间")},
      {"EndTimeButton", "Panel1", 563, 76, 136, 38, Gbk("[F10]本句终止时间"), Gbk("[F10]键 终止时间")},
      {"Label6", "Panel1", 351, 92, 0, 0, Gbk("F9播放   "), ""},
      {"Panel2", "Panel1", 32, 107, 355, 310, "", ""},
      {"WP", "Panel2", 0, 0, 355, 310, "", ""},
      {"InputEdit", "Panel1", 419, 135, 279, 28, "", Gbk("回车结束本句并自动保存")},
      {"Panel3", "Panel1", 419, 172, 282, 260, "", ""},
      {"Memo1", "Panel3", 5, 3, 270, 241, Control("Memo1").Text(), ""},
      {"UserRichEdit", "Panel1", 419, 186, 284, 230, "", Gbk("修改后自动保存")},
      {"Edit1", "Panel1", 419, 40, 136, 28, "", ""},
      {"Edit2", "Panel1", 563, 40, 136, 28, "", ""},
      {"Label2", "Panel1", 33, 432, 0, 0, "", ""},
      {"EditButton", "", 419, 434, 136, 38, Gbk("[F7]修改"), Gbk("[F7]键 修改")},
      {"ContinueButton", "", 563, 434, 136, 38, Gbk("[F8]继续"), Gbk("[F8]键 继续")},
  };
  for (const Expected& expected : table) {
    SCOPED_TRACE(expected.name);
    const ControlEntry& entry = Control(expected.name).Layout();
    EXPECT_EQ(entry.parent, expected.parent);
    EXPECT_EQ(entry.left, expected.left);
    EXPECT_EQ(entry.top, expected.top);
    EXPECT_EQ(entry.width, expected.width);
    EXPECT_EQ(entry.height, expected.height);
    EXPECT_EQ(Control(expected.name).Text(), expected.caption);
    EXPECT_EQ(entry.hint, expected.hint);
  }

  // The start and end boxes: read-only lime bold on black, outside the tab stops.
  for (const char* name : {"Edit1", "Edit2"}) {
    const ControlEntry& entry = Control(name).Layout();
    EXPECT_TRUE(entry.readOnly);
    EXPECT_FALSE(entry.tabStop);
    EXPECT_EQ(entry.background, kColorBlack);
    EXPECT_EQ(entry.font.color, kColorLime);
    EXPECT_TRUE(entry.font.bold);
    EXPECT_EQ(entry.font.heightPixels, 16);
  }
  EXPECT_EQ(Control("Label6").Layout().font.face, Gbk("黑体"));
  EXPECT_EQ(Control("UserRichEdit").Layout().font.face, Gbk("宋体"));

  // Capturing at start: the instructions shown, the user view hidden.
  EXPECT_TRUE(Control("Panel3").Visible());
  EXPECT_FALSE(UserView().Visible());
  EXPECT_FALSE(Control("Memo1").Enabled());
  EXPECT_TRUE(Control("StartTimeButton").Enabled());
  EXPECT_TRUE(Control("EndTimeButton").Enabled());
  EXPECT_TRUE(Control("OpenButton").Enabled());
}

TEST_F(Scenario, TabOrderFollowsTheTable) {
  auto order = [&](const std::string& parent) {
    std::vector<std::pair<int, std::string>> stops;
    for (const auto& control : Window().Controls()) {
      if (control->Layout().parent == parent && control->Layout().tabOrder >= 0) {
        stops.emplace_back(control->Layout().tabOrder, control->Name());
      }
    }
    std::sort(stops.begin(), stops.end());
    std::vector<std::string> names;
    for (const auto& stop : stops) names.push_back(stop.second);
    return names;
  };
  EXPECT_EQ(order("Panel1"), (std::vector<std::string>{"OpenButton", "BitBtn1", "StartTimeButton",
                                                       "EndTimeButton", "InputEdit", "UserRichEdit", "Panel3",
                                                       "Memo2", "Panel2", "Edit1", "Edit2", "TempRichEdit"}));
  EXPECT_EQ(order(""), (std::vector<std::string>{"Panel1", "EditButton", "ContinueButton"}));
}

TEST_F(Scenario, InstructionsHoldTheTwelveLinesExactly) {
  const std::vector<std::string> expected = {
      "                                说 明",
      "1) 本软件用于视频字幕的制作（SRT外挂字幕）。",
      "2) 打开视频文件后，如果字幕文件存在，提示是否",
      "   进行编辑。如果不编辑，则新建字幕文件并自动",
      "   保存，同时把相同的字幕文件更新成bak文件。",
      "3) 在添加字幕时，可随时修改字幕(序号可以不按",
      "   顺序。播放时，和序号无关，只和时间轴有关)。",
      "   字幕只有一个字时无法删除，可以先添加别的文",
      "   字再删除。",
      "4) 在添加字幕和修改字幕时，字幕文件自动保存。",
      "5) 具有字体设置功能、字幕文件全程自动保存功",
      "    能、修改已有字幕文件功能。",
  };
  std::string text;
  for (const std::string& line : expected) text += (text.empty() ? "" : "\r\n") + Gbk(line);
  EXPECT_EQ(Control("Memo1").Text(), text);
}

TEST_F(Scenario, StartUpRegistersTheFourKeysUnderTheirAtomsInOrder) {
  const auto& atoms = Form().SystemWideKeys.Atoms();
  const std::vector<std::string> expected = {
      "GlobalAddAtom MrvHotKeyLeft " + std::to_string(atoms[0]),
      "GlobalAddAtom MrvHotKeyRight " + std::to_string(atoms[1]),
      "GlobalAddAtom MrvHotKeyF7 " + std::to_string(atoms[2]),
      "GlobalAddAtom MrvHotKeyF8 " + std::to_string(atoms[3]),
      "RegisterHotKey " + std::to_string(atoms[0]) + " 0 120",
      "RegisterHotKey " + std::to_string(atoms[1]) + " 0 121",
      "RegisterHotKey " + std::to_string(atoms[2]) + " 0 118",
      "RegisterHotKey " + std::to_string(atoms[3]) + " 0 119",
  };
  EXPECT_EQ(ws.log, expected);
  for (std::uint16_t atom : atoms) EXPECT_NE(atom, 0);
  EXPECT_EQ(Desktop()->FindGlobalAtom("MrvHotKeyLeft"), atoms[0]);
  EXPECT_EQ(Desktop()->Holder(vk::F9), &ws);
  EXPECT_EQ(Desktop()->Holder(vk::F8), &ws);
}

TEST_F(Scenario, StartUpResetsTheSessionAndLoadsTheDefaultStyle) {
  EXPECT_EQ(Session().LineCount(), 0);
  EXPECT_FALSE(Session().PendingSeek());
  EXPECT_FALSE(Session().InEditMode());
  EXPECT_EQ(Form().Document.OmitClosingTag, 0);
  EXPECT_EQ(Form().StylePart1(), Gbk("{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}"));
  EXPECT_EQ(Form().StylePart2(), "<b>");
}

// --- Hot keys ---------------------------------------------------------------------------------------------

TEST_F(Scenario, F9AndF10ActOnlyWhileTheirButtonsAreEnabled) {
  OpenVideo("movie.avi");
  WaitUntilOpened();
  HeadlessControl& start = Control("StartTimeButton");
  HeadlessControl& end = Control("EndTimeButton");

  start.SetEnabled(false);
  end.SetEnabled(false);
  EXPECT_TRUE(PressF9());  // the key is ours, but the disabled button keeps it from acting
  EXPECT_TRUE(PressF10());
  EXPECT_EQ(Player().CountOf(SimulatedPlayer::Operation::Play), 0);
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:000");
  EXPECT_EQ(Control("Edit2").Text(), "00:00:00:000");

  start.SetEnabled(true);
  end.SetEnabled(true);
  Control("InputEdit").SetFocus();
  PressF9();
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:001");
  EXPECT_TRUE(Player().Playing());
  EXPECT_TRUE(start.Focused());  // F9 leaves the focus on its button
  WaitMs(1500);
  PressF10();
  EXPECT_EQ(Control("Edit2").Text(), "00:00:01:500");
  EXPECT_TRUE(Control("InputEdit").Focused());  // F10's own reaction moves the focus, the key does not
  EXPECT_FALSE(start.Enabled());
  EXPECT_FALSE(end.Enabled());
}

TEST_F(Scenario, F7AndF8ActAlwaysEvenWithoutAVideo) {
  Control("EditButton").SetEnabled(false);
  Control("ContinueButton").SetEnabled(false);
  EXPECT_TRUE(PressF7());
  EXPECT_TRUE(UserView().Visible());
  EXPECT_FALSE(Control("Panel3").Visible());
  EXPECT_TRUE(Session().InEditMode());
  EXPECT_TRUE(PressF8());
  EXPECT_FALSE(UserView().Visible());
  EXPECT_TRUE(Control("Panel3").Visible());
  EXPECT_FALSE(Session().InEditMode());
  EXPECT_TRUE(ErrorReports().empty());
}

TEST_F(Scenario, EveryMatchingAtomActsOnOneKey) {
  // With all four names found locally the atoms stay unnamed (0): a key registered under 0 matches every
  // test of the handler.
  ScenarioWorld unnamed(false);
  for (const char* name : {"MrvHotKeyLeft", "MrvHotKeyRight", "MrvHotKeyF7", "MrvHotKeyF8"})
    unnamed.ws.HeadlessHotKeySystem().AddLocalAtom(name);
  unnamed.Start();
  ASSERT_EQ(unnamed.Form().SystemWideKeys.Atoms(), (std::array<std::uint16_t, 4>{0, 0, 0, 0}));
  unnamed.OpenVideo("movie.avi");
  unnamed.WaitUntilOpened();
  unnamed.Player().Place(5);
  unnamed.Form().HotKeyHandler(0);
  using Op = SimulatedPlayer::Operation;
  EXPECT_EQ(unnamed.Player().CountOf(Op::Play), 1);                       // F9 started playback
  EXPECT_DOUBLE_EQ(static_cast<double>(unnamed.Session().MarkEnd()), 5);  // F10 marked the end
  EXPECT_EQ(unnamed.Player().CountOf(Op::Pause), 2);                      // F7 entered edit mode, F8 left it
  EXPECT_TRUE(unnamed.Control("Panel3").Visible());
  EXPECT_TRUE(unnamed.Control("StartTimeButton").Enabled());
  EXPECT_FALSE(unnamed.Session().InEditMode());
}

TEST_F(Scenario, AtomsFoundLocallyStayUnnamed) {
  ScenarioWorld copy(false);
  copy.ws.HeadlessHotKeySystem().AddLocalAtom("MrvHotKeyRight");
  copy.Start();
  const auto& atoms = copy.Form().SystemWideKeys.Atoms();
  EXPECT_NE(atoms[0], 0);
  EXPECT_EQ(atoms[1], 0);
  EXPECT_NE(atoms[2], 0);
  EXPECT_EQ(copy.Desktop()->AtomReferenceCount("MrvHotKeyRight"), 0);
}

TEST_F(Scenario, ASecondCopysKeysAreInertWhileItsButtonsWork) {
  ScenarioWorld second(true, Desktop());
  // Both copies hold the same atoms; only the first holds the keys.
  EXPECT_EQ(second.Form().SystemWideKeys.Atoms(), Form().SystemWideKeys.Atoms());
  for (const char* name : {"MrvHotKeyLeft", "MrvHotKeyRight", "MrvHotKeyF7", "MrvHotKeyF8"}) {
    EXPECT_EQ(Desktop()->AtomReferenceCount(name), 2) << name;
  }
  const int failed = static_cast<int>(
      std::count_if(second.ws.log.begin(), second.ws.log.end(), [](const std::string& entry) {
        return entry.rfind("RegisterHotKey", 0) == 0 && entry.find("failed") != std::string::npos;
      }));
  EXPECT_EQ(failed, 4);

  second.OpenVideo("other.avi");
  OpenVideo("movie.avi");
  second.WaitUntilOpened();
  EXPECT_TRUE(PressF9());  // reaches the first copy only
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:001");
  EXPECT_EQ(second.Control("Edit1").Text(), "00:00:00:000");
  EXPECT_TRUE(second.Control("StartTimeButton").Click());  // by mouse the second copy works
  EXPECT_EQ(second.Control("Edit1").Text(), "00:00:00:001");

  // The second copy closes: the counts drop, the first copy's keys still work.
  second.Window().Close();
  EXPECT_EQ(Desktop()->AtomReferenceCount("MrvHotKeyLeft"), 1);
  EXPECT_TRUE(PressF7());
  EXPECT_TRUE(UserView().Visible());
  // The first copy closes: the atoms are gone and nobody holds the keys.
  Window().Close();
  EXPECT_EQ(Desktop()->AtomReferenceCount("MrvHotKeyLeft"), 0);
  EXPECT_FALSE(PressF8());
}

// Mended: a second copy said nothing and never got the keys. It is told once, and takes the keys over when
// the copy holding them lets them go.
TEST_F(Scenario, ASecondCopyIsToldOnceAndTakesTheKeysOverWhenTheFirstLetsGo) {
  ScenarioWorld second(true, Desktop());
  second.WaitMs(3500);
  std::vector<std::string> notices;
  for (const MessageBoxRequest& box : second.MessageBoxes()) notices.push_back(box.text);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("Titrelle"), std::string::npos);
  EXPECT_TRUE(MessageBoxes().empty());  // the copy holding the keys hears nothing

  Window().Close();
  second.WaitMs(1000);
  EXPECT_TRUE(second.PressF7());
  EXPECT_TRUE(second.UserView().Visible());
  EXPECT_EQ(second.MessageBoxes().size(), 1u);
}

TEST_F(Scenario, HotKeysActWhileTheQuestionIsOpen) {
  WriteFile("movie.srt", "old");
  bool asked = false;
  OpenVideo("movie.avi", [&](const MessageBoxRequest& box) {
    asked = true;
    EXPECT_EQ(box.caption, "Information");
    WaitUntilOpened();
    EXPECT_TRUE(PressF9());
    WaitMs(1200);
    EXPECT_TRUE(PressF10());
    EXPECT_EQ(Control("Edit2").Text(), "00:00:01:200");
    WaitMs(50);  // the marked segment already repeats behind the question
    EXPECT_LT(Player().Position(), 1.2);
    return kNo;
  });
  EXPECT_TRUE(asked);
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:001");
  EXPECT_FALSE(Control("StartTimeButton").Enabled());
  EXPECT_EQ(FileBytes("movie.srt.bak"), "old");
  TypeInInput("Hi");
  PressEnter();
  EXPECT_EQ(UserViewLines()[0], "1");
}

// --- Resizing and closing ---------------------------------------------------------------------------------

TEST_F(Scenario, ResizingPlacesThePlayerAgainInItsUnchangedPanel) {
  const int placedAtShow = Player().InPlaceRectCount();
  EXPECT_GE(placedAtShow, 1);  // the first showing is a resize too
  Window().Resize(1000, 700);
  Window().Resize(500, 400);
  EXPECT_EQ(Player().InPlaceRectCount(), placedAtShow + 2);
  const SimulatedPlayer::Rect& rect = Player().InPlaceRect();
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, 355);
  EXPECT_EQ(rect.bottom, 310);
  EXPECT_EQ(rect.clipRight, 32767);
  EXPECT_EQ(rect.clipBottom, 32767);
  EXPECT_EQ(Control("Panel2").Layout().width, 355);
}

TEST_F(Scenario, ClosingDestroysThePlayerFirstThenReleasesKeysAndAtoms) {
  const auto atoms = Form().SystemWideKeys.Atoms();
  ws.log.clear();
  Window().Close();
  std::vector<std::string> expected = {"player destroyed"};
  for (std::uint16_t atom : atoms) expected.push_back("UnregisterHotKey " + std::to_string(atom));
  for (std::uint16_t atom : atoms) expected.push_back("GlobalDeleteAtom " + std::to_string(atom));
  EXPECT_EQ(ws.log, expected);
  EXPECT_EQ(ws.Player(), nullptr);
  EXPECT_FALSE(Window().Visible());
  EXPECT_EQ(Desktop()->Holder(vk::F9), nullptr);
  EXPECT_EQ(Desktop()->AtomReferenceCount("MrvHotKeyF8"), 0);
  WaitMs(10);  // the clock ended with the window
  EXPECT_TRUE(ErrorReports().empty());
}

// --- The error report
// ---------------------------------------------------------------------------------------

TEST(ErrorReportText, AddsAFullStopAfterCharactersThatSortAfterIt) {
  const struct {
    std::string message, shown;
  } cases[] = {
      {"Failed to Save Stream", "Failed to Save Stream."},
      {"Done.", "Done."},
      {"Really?", "Really?."},         // "?" sorts after "."
      {"Stop!", "Stop!"},              // "!" before it
      {"(see above)", "(see above)"},  // ")" sorts before "."
      {"path/", "path/."},
      {"a-", "a-"},
      {"x 12", "x 12."},
      {"\xCE\xC4\xBC\xFE", "\xCE\xC4\xBC\xFE."},  // a double-byte character ends it
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorReportText(c.message), c.shown) << c.message;
}

TEST_F(Scenario, AFailingHandlerShowsTheErrorReportAndTheProgramGoesOn) {
  OpenVideo("movie.avi");
  WaitUntilOpened();
  Player().FailNext(SimulatedPlayer::Operation::Play, 1, "Unspecified error");
  PressF9();
  ASSERT_EQ(MessageBoxes().size(), 1u);
  const MessageBoxRequest& box = MessageBoxes()[0];
  EXPECT_EQ(box.caption, "Titrelle");
  EXPECT_EQ(box.icon, MessageIcon::Error);
  EXPECT_EQ(box.text, "Unspecified error.");
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:000");  // the rest of the reaction was skipped
  PressF9();                                           // and the next press works
  EXPECT_EQ(Control("Edit1").Text(), "00:00:00:001");
  EXPECT_EQ(MessageBoxes().size(), 1u);
}

}  // namespace
}  // namespace titrelle
