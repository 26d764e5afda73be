// The main window's life on the headless shell: start-up, the control table, the hot keys (also with a second
// running copy and while a question is open), resizing, closing, and the error report.
#include <algorithm>
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
  EXPECT_EQ(window.Spec().caption, "Titrelle");
  EXPECT_EQ(window.Width(), 736);
  EXPECT_EQ(window.Height(), 538);
  EXPECT_FALSE(window.Spec().maximizeBox);
  EXPECT_TRUE(window.Spec().resizable);

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
    const ControlSpec& spec = Control(expected.name).Spec();
    EXPECT_EQ(spec.parent, expected.parent);
    EXPECT_EQ(spec.left, expected.left);
    EXPECT_EQ(spec.top, expected.top);
    EXPECT_EQ(spec.width, expected.width);
    EXPECT_EQ(spec.height, expected.height);
    EXPECT_EQ(Control(expected.name).Text(), expected.caption);
    EXPECT_EQ(spec.hint, expected.hint);
  }

  // The start and end boxes: read-only lime bold on black, outside the tab stops.
  for (const char* name : {"Edit1", "Edit2"}) {
    const ControlSpec& spec = Control(name).Spec();
    EXPECT_TRUE(spec.readOnly);
    EXPECT_FALSE(spec.tabStop);
    EXPECT_EQ(spec.background, kColorBlack);
    EXPECT_EQ(spec.font.color, kColorLime);
    EXPECT_TRUE(spec.font.bold);
    EXPECT_EQ(spec.font.heightPixels, 16);
  }
  EXPECT_EQ(Control("Label6").Spec().font.face, Gbk("黑体"));
  EXPECT_EQ(Control("UserRichEdit").Spec().font.face, Gbk("宋体"));

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
      if (control->Spec().parent == parent && control->Spec().tabOrder >= 0) {
        stops.emplace_back(control->Spec().tabOrder, control->Name());
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
  const auto& atoms = Form().HotKeyAtoms;
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
  EXPECT_EQ(Session().LineCount, 0);
  EXPECT_EQ(Session().PendingSeek, 0);
  EXPECT_EQ(Session().EditMode, 0);
  EXPECT_EQ(Session().OmitClosingTag, 0);
  EXPECT_EQ(Form().StylePart1(), Gbk("{\\fn黑体\\fs18\\bord0\\shad3\\3c&HFFFFFF&}"));
  EXPECT_EQ(Form().StylePart2(), "<b>");
}

}  // namespace
}  // namespace titrelle
