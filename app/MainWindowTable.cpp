// The main window's table. Every shell builds the same window from it.
#include <tuple>

#include "app/Unit1.h"
#include "ui/WindowTable.h"

namespace titrelle {

namespace {

const char* const kWindowFace = "MS Sans Serif";

// "font 16": the window's face, 16 pixels high.
FontLook Font16(bool bold = false) { return FontLook{kWindowFace, 16, 0, bold, kColorBlack}; }

ControlEntry Make(const std::string& name, ControlKind kind, const std::string& parent, int left, int top,
                  int width, int height) {
  ControlEntry control;
  control.name = name;
  control.kind = kind;
  control.parent = parent;
  control.left = left;
  control.top = top;
  control.width = width;
  control.height = height;
  return control;
}

// The instructions, one item a line, leading blanks included.
std::string InstructionsText() {
  // clang-format off
  static const char* const kLines[] = {
      //                                 说 明
      "                                \xCB\xB5 \xC3\xF7",
      // 1) 本软件用于视频字幕的制作（SRT外挂字幕）。
      "1) \xB1\xBE\xC8\xED\xBC\xFE\xD3\xC3\xD3\xDA\xCA\xD3\xC6\xB5\xD7\xD6\xC4\xBB\xB5\xC4\xD6\xC6\xD7\xF7\xA3\xA8SRT\xCD\xE2\xB9\xD2\xD7\xD6\xC4\xBB\xA3\xA9\xA1\xA3",
      // 2) 打开视频文件后，如果字幕文件存在，提示是否
      "2) \xB4\xF2\xBF\xAA\xCA\xD3\xC6\xB5\xCE\xC4\xBC\xFE\xBA\xF3\xA3\xAC\xC8\xE7\xB9\xFB\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xB4\xE6\xD4\xDA\xA3\xAC\xCC\xE1\xCA\xBE\xCA\xC7\xB7\xF1",
      //    进行编辑。如果不编辑，则新建字幕文件并自动
      "   \xBD\xF8\xD0\xD0\xB1\xE0\xBC\xAD\xA1\xA3\xC8\xE7\xB9\xFB\xB2\xBB\xB1\xE0\xBC\xAD\xA3\xAC\xD4\xF2\xD0\xC2\xBD\xA8\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xB2\xA2\xD7\xD4\xB6\xAF",
      //    保存，同时把相同的字幕文件更新成bak文件。
      "   \xB1\xA3\xB4\xE6\xA3\xAC\xCD\xAC\xCA\xB1\xB0\xD1\xCF\xE0\xCD\xAC\xB5\xC4\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xB8\xFC\xD0\xC2\xB3\xC9" "bak\xCE\xC4\xBC\xFE\xA1\xA3",
      // 3) 在添加字幕时，可随时修改字幕(序号可以不按
      "3) \xD4\xDA\xCC\xED\xBC\xD3\xD7\xD6\xC4\xBB\xCA\xB1\xA3\xAC\xBF\xC9\xCB\xE6\xCA\xB1\xD0\xDE\xB8\xC4\xD7\xD6\xC4\xBB(\xD0\xF2\xBA\xC5\xBF\xC9\xD2\xD4\xB2\xBB\xB0\xB4",
      //    顺序。播放时，和序号无关，只和时间轴有关)。
      "   \xCB\xB3\xD0\xF2\xA1\xA3\xB2\xA5\xB7\xC5\xCA\xB1\xA3\xAC\xBA\xCD\xD0\xF2\xBA\xC5\xCE\xDE\xB9\xD8\xA3\xAC\xD6\xBB\xBA\xCD\xCA\xB1\xBC\xE4\xD6\xE1\xD3\xD0\xB9\xD8)\xA1\xA3",
      //    字幕只有一个字时无法删除，可以先添加别的文
      "   \xD7\xD6\xC4\xBB\xD6\xBB\xD3\xD0\xD2\xBB\xB8\xF6\xD7\xD6\xCA\xB1\xCE\xDE\xB7\xA8\xC9\xBE\xB3\xFD\xA3\xAC\xBF\xC9\xD2\xD4\xCF\xC8\xCC\xED\xBC\xD3\xB1\xF0\xB5\xC4\xCE\xC4",
      //    字再删除。
      "   \xD7\xD6\xD4\xD9\xC9\xBE\xB3\xFD\xA1\xA3",
      // 4) 在添加字幕和修改字幕时，字幕文件自动保存。
      "4) \xD4\xDA\xCC\xED\xBC\xD3\xD7\xD6\xC4\xBB\xBA\xCD\xD0\xDE\xB8\xC4\xD7\xD6\xC4\xBB\xCA\xB1\xA3\xAC\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xD7\xD4\xB6\xAF\xB1\xA3\xB4\xE6\xA1\xA3",
      // 5) 具有字体设置功能、字幕文件全程自动保存功
      "5) \xBE\xDF\xD3\xD0\xD7\xD6\xCC\xE5\xC9\xE8\xD6\xC3\xB9\xA6\xC4\xDC\xA1\xA2\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xC8\xAB\xB3\xCC\xD7\xD4\xB6\xAF\xB1\xA3\xB4\xE6\xB9\xA6",
      //     能、修改已有字幕文件功能。
      "    \xC4\xDC\xA1\xA2\xD0\xDE\xB8\xC4\xD2\xD1\xD3\xD0\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xB9\xA6\xC4\xDC\xA1\xA3",
  };
  // clang-format on
  std::string text;
  for (const char* line : kLines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

WindowTable BuildMainWindowTable() {
  WindowTable window;
  window.name = "Form1";
  window.caption = "Titrelle";
  window.width = 736;
  window.height = 538;
  window.font = FontLook{kWindowFace, 11, 0, false, kColorBlack};
  window.resizable = true;
  window.minimizeBox = true;
  window.maximizeBox = false;
  window.centred = true;

  auto& controls = window.controls;

  // Panel1 fills the client area (the outer size less the frame of a sizeable window).
  ControlEntry panel1 = Make("Panel1", ControlKind::Panel, "", 0, 0, 720, 499);
  panel1.background = kColorButtonFace;
  panel1.tabOrder = 0;
  controls.push_back(panel1);

  ControlEntry label4 = Make("Label4", ControlKind::Label, "Panel1", 419, 12, 75, 16);
  label4.text = "\xB5\xB1\xC7\xB0\xCE\xBB\xD6\xC3\xA3\xBA  ";  // 当前位置：
  label4.font = FontLook{kWindowFace, 15, 0, false, kColorBlack};
  controls.push_back(label4);

  ControlEntry label1 = Make("Label1", ControlKind::Label, "Panel1", 502, 11, 0, 0);
  label1.font = Font16(true);
  controls.push_back(label1);

  for (const auto& [name, left, order] : {std::tuple{"Edit1", 419, 9}, std::tuple{"Edit2", 563, 10}}) {
    ControlEntry box = Make(name, ControlKind::Edit, "Panel1", left, 40, 136, 28);
    box.readOnly = true;
    box.tabOrder = order;
    box.tabStop = false;
    box.background = kColorBlack;
    box.font = FontLook{kWindowFace, 16, 0, true, kColorLime};
    controls.push_back(box);
  }

  ControlEntry open = Make("OpenButton", ControlKind::Button, "Panel1", 32, 63, 99, 38);
  open.text = "\xB4\xF2\xBF\xAA\xCA\xD3\xC6\xB5[&O]";  // 打开视频[&O]
  open.font = Font16();
  open.tabOrder = 0;
  controls.push_back(open);

  ControlEntry font = Make("BitBtn1", ControlKind::Button, "Panel1", 144, 63, 99, 38);
  font.text = "\xD7\xD6\xCC\xE5\xC9\xE8\xD6\xC3[&F]";  // 字体设置[&F]
  font.tabOrder = 1;
  controls.push_back(font);

  ControlEntry start = Make("StartTimeButton", ControlKind::Button, "Panel1", 419, 76, 136, 38);
  start.text = "[F9]\xB1\xBE\xBE\xE4\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4";  // [F9]本句起始时间
  start.hint = "[F9]\xBC\xFC \xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4";         // [F9]键 起始时间
  start.font = Font16();
  start.tabOrder = 2;
  controls.push_back(start);

  ControlEntry end = Make("EndTimeButton", ControlKind::Button, "Panel1", 563, 76, 136, 38);
  end.text = "[F10]\xB1\xBE\xBE\xE4\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4";  // [F10]本句终止时间
  end.hint = "[F10]\xBC\xFC \xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4";         // [F10]键 终止时间
  end.font = Font16();
  end.tabOrder = 3;
  controls.push_back(end);

  ControlEntry label6 = Make("Label6", ControlKind::Label, "Panel1", 351, 92, 0, 0);
  label6.text = "F9\xB2\xA5\xB7\xC5   ";                                  // F9播放
  label6.font = FontLook{"\xBA\xDA\xCC\xE5", 11, 0, false, kColorBlack};  // 黑体
  controls.push_back(label6);

  ControlEntry panel2 = Make("Panel2", ControlKind::Panel, "Panel1", 32, 107, 355, 310);
  panel2.tabOrder = 8;
  controls.push_back(panel2);

  ControlEntry player = Make("WP", ControlKind::MediaPanel, "Panel2", 0, 0, 355, 310);
  player.tabStop = false;
  controls.push_back(player);

  ControlEntry input = Make("InputEdit", ControlKind::Edit, "Panel1", 419, 135, 279, 28);
  input.hint =
      "\xBB\xD8\xB3\xB5\xBD\xE1\xCA\xF8\xB1\xBE\xBE\xE4\xB2\xA2\xD7\xD4\xB6\xAF\xB1\xA3\xB4\xE6";  // 回车结束本句并自动保存
  input.font = Font16();
  input.tabOrder = 4;
  controls.push_back(input);

  ControlEntry panel3 = Make("Panel3", ControlKind::Panel, "Panel1", 419, 172, 282, 260);
  panel3.tabOrder = 6;
  controls.push_back(panel3);

  ControlEntry memo1 = Make("Memo1", ControlKind::Memo, "Panel3", 5, 3, 270, 241);
  memo1.text = InstructionsText();
  memo1.enabled = false;
  memo1.border = false;
  memo1.background = kColorButtonFace;
  memo1.font = FontLook{kWindowFace, 13, 0, false, kColorBlack};
  memo1.tabOrder = 0;
  controls.push_back(memo1);

  ControlEntry user = Make("UserRichEdit", ControlKind::UserView, "Panel1", 419, 186, 284, 230);
  user.visible = false;
  user.hint = "\xD0\xDE\xB8\xC4\xBA\xF3\xD7\xD4\xB6\xAF\xB1\xA3\xB4\xE6";  // 修改后自动保存
  user.font = FontLook{"\xCB\xCE\xCC\xE5", 16, 0, false, kColorBlack};     // 宋体
  user.scrollBars = true;
  user.wordWrap = false;
  user.tabOrder = 5;
  controls.push_back(user);

  // The file view and the scratch listing are plain listings of TForm1; the table keeps their places as
  // hidden controls so that every shell lays out the same window.
  ControlEntry file = Make("TempRichEdit", ControlKind::Memo, "Panel1", 419, 186, 284, 230);
  file.visible = false;
  file.font = FontLook{kWindowFace, 11, 0, false, kColorBlack};
  file.scrollBars = true;
  file.wordWrap = false;
  file.tabOrder = 11;
  file.tabStop = false;
  controls.push_back(file);

  ControlEntry scratch = Make("Memo2", ControlKind::Memo, "Panel1", 334, 392, 51, 73);
  scratch.visible = false;
  scratch.scrollBars = true;
  scratch.wordWrap = false;
  scratch.tabOrder = 7;
  controls.push_back(scratch);

  ControlEntry label2 = Make("Label2", ControlKind::Label, "Panel1", 33, 432, 0, 0);
  controls.push_back(label2);

  // Under the video's right corner: whether the subtitles show over the video. Not in the Tab order: Tab
  // goes where it went before.
  ControlEntry preview = Make("PreviewCheckBox", ControlKind::CheckBox, "Panel1", 307, 430, 80, 20);
  preview.text = "\xD7\xD6\xC4\xBB\xD4\xA4\xC0\xC0";  // 字幕预览
  preview.hint =
      "\xD4\xDA\xCA\xD3\xC6\xB5\xC9\xCF\xCF\xD4\xCA\xBE\xD2\xD1\xD0\xB4\xB5\xC4\xD7\xD6\xC4\xBB";  // 在视频上显示已写的字幕
  preview.checked = true;
  preview.tabStop = false;
  controls.push_back(preview);

  // Left of it, where the status line's words never reach: whether F9 and F10 land on the speech. Not in
  // the Tab order either.
  ControlEntry speech = Make("SpeechSnapCheckBox", ControlKind::CheckBox, "Panel1", 227, 430, 80, 20);
  speech.text = "\xB6\xD4\xC6\xEB\xD3\xEF\xD2\xF4";  // 对齐语音
  // F9、F10 标记的时间移到语音的起止处
  speech.hint =
      "F9\xA1\xA2"
      "F10 \xB1\xEA\xBC\xC7\xB5\xC4\xCA\xB1\xBC\xE4\xD2\xC6\xB5\xBD"
      "\xD3\xEF\xD2\xF4\xB5\xC4\xC6\xF0\xD6\xB9\xB4\xA6";
  speech.checked = true;
  speech.tabStop = false;
  controls.push_back(speech);

  // Below the player's status line: the word after a saved line.
  ControlEntry notice = Make("NoticeLabel", ControlKind::Label, "Panel1", 33, 454, 360, 16);
  controls.push_back(notice);

  ControlEntry edit = Make("EditButton", ControlKind::Button, "", 419, 434, 136, 38);
  edit.text = "[F7]\xD0\xDE\xB8\xC4";           // [F7]修改
  edit.hint = "[F7]\xBC\xFC \xD0\xDE\xB8\xC4";  // [F7]键 修改
  edit.font = Font16();
  edit.tabOrder = 1;
  controls.push_back(edit);

  ControlEntry resume = Make("ContinueButton", ControlKind::Button, "", 563, 434, 136, 38);
  resume.text = "[F8]\xBC\xCC\xD0\xF8";           // [F8]继续
  resume.hint = "[F8]\xBC\xFC \xBC\xCC\xD0\xF8";  // [F8]键 继续
  resume.font = Font16();
  resume.tabOrder = 2;
  controls.push_back(resume);

  return window;
}

}  // namespace

const WindowTable& MainWindowTable() {
  static const WindowTable entry = BuildMainWindowTable();
  return entry;
}

}  // namespace titrelle
