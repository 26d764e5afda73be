#include "ui/KeyTable.h"

#include "ui/Controls.h"
#include "ui/EventRules.h"

namespace titrelle {

namespace {

using keyplace::OtherControls;
using keyplace::PlayerPanel;
using keyplace::SystemWide;
using keyplace::Table;
using keyplace::UserView;
using keyplace::Window;
constexpr unsigned kNone = 0;
constexpr unsigned kShift = modifier::Shift;
constexpr unsigned kAlt = modifier::Alt;
constexpr unsigned kCtrl = modifier::Ctrl;
// Re-timing and deleting act on the subtitle under the user view's caret: from the view itself, or from the
// video and the buttons beside it while the caret stays where it was, or from the table, whose selected row
// the caret follows. Never from the entry box.
constexpr unsigned kBesideTheView = UserView | PlayerPanel | OtherControls | Table;

constexpr KeyBinding kTable[] = {
    // 标记起始时间，开始播放
    {vk::F9, kNone, SystemWide, KeyMode::Any, true, true, KeyCommand::MarkStart, "MarkStart",
     "\xB1\xEA\xBC\xC7\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4\xA3\xAC\xBF\xAA\xCA\xBC\xB2\xA5\xB7\xC5"},
    // 标记终止时间，转到输入框
    {vk::F10, kNone, SystemWide, KeyMode::Any, true, true, KeyCommand::MarkEnd, "MarkEnd",
     "\xB1\xEA\xBC\xC7\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xA3\xAC\xD7\xAA\xB5\xBD\xCA\xE4\xC8\xEB\xBF\xF2"},
    // 标记起始时间，不对齐语音; 标记终止时间，不对齐语音
    {vk::F9, kCtrl, Window, KeyMode::Any, true, true, KeyCommand::MarkStartAsKeyed, "MarkStartAsKeyed",
     "\xB1\xEA\xBC\xC7\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4\xA3\xAC\xB2\xBB\xB6\xD4\xC6\xEB\xD3\xEF\xD2\xF4"},
    {vk::F10, kCtrl, Window, KeyMode::Any, true, true, KeyCommand::MarkEndAsKeyed, "MarkEndAsKeyed",
     "\xB1\xEA\xBC\xC7\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xA3\xAC\xB2\xBB\xB6\xD4\xC6\xEB\xD3\xEF\xD2\xF4"},
    // 进入修改模式
    {vk::F7, kNone, SystemWide, KeyMode::Any, true, true, KeyCommand::EnterEditMode, "EnterEditMode",
     "\xBD\xF8\xC8\xEB\xD0\xDE\xB8\xC4\xC4\xA3\xCA\xBD"},
    // 回到记录模式，从上一句的终止时间继续
    {vk::F8, kNone, SystemWide, KeyMode::Any, true, true, KeyCommand::ContinueCapture, "ContinueCapture",
     "\xBB\xD8\xB5\xBD\xBC\xC7\xC2\xBC\xC4\xA3\xCA\xBD\xA3\xAC\xB4\xD3\xC9\xCF\xD2\xBB\xBE\xE4\xB5\xC4\xD6"
     "\xD5"
     "\xD6\xB9\xCA\xB1\xBC\xE4\xBC\xCC\xD0\xF8"},
    // 保存输入框中的这一句 (the box gets Enter too, as it always did)
    {vk::Return, kNone, keyplace::EntryBox, KeyMode::Any, true, false, KeyCommand::CommitLine, "CommitLine",
     "\xB1\xA3\xB4\xE6\xCA\xE4\xC8\xEB\xBF\xF2\xD6\xD0\xB5\xC4\xD5\xE2\xD2\xBB\xBE\xE4"},
    // 撤销上一步修改
    {'Z', kCtrl, Window, KeyMode::Any, true, true, KeyCommand::Undo, "Undo",
     "\xB3\xB7\xCF\xFA\xC9\xCF\xD2\xBB\xB2\xBD\xD0\xDE\xB8\xC4"},
    // 重做撤销的修改
    {'Y', kCtrl, Window, KeyMode::Any, true, true, KeyCommand::Redo, "Redo",
     "\xD6\xD8\xD7\xF6\xB3\xB7\xCF\xFA\xB5\xC4\xD0\xDE\xB8\xC4"},
    {'Z', kCtrl | kShift, Window, KeyMode::Any, true, true, KeyCommand::Redo, "Redo",
     "\xD6\xD8\xD7\xF6\xB3\xB7\xCF\xFA\xB5\xC4\xD0\xDE\xB8\xC4"},
    // 播放或暂停: a held Space would flicker between the two
    {vk::Space, kNone, PlayerPanel, KeyMode::Any, false, true, KeyCommand::PlayPause, "PlayPause",
     "\xB2\xA5\xB7\xC5\xBB\xF2\xD4\xDD\xCD\xA3"},
    // 后退 2 秒, 前进 2 秒, 后退 0.2 秒, 前进 0.2 秒
    {vk::Left, kNone, PlayerPanel, KeyMode::Any, true, true, KeyCommand::StepBack, "StepBack",
     "\xBA\xF3\xCD\xCB 2 \xC3\xEB"},
    {vk::Right, kNone, PlayerPanel, KeyMode::Any, true, true, KeyCommand::StepForward, "StepForward",
     "\xC7\xB0\xBD\xF8 2 \xC3\xEB"},
    {vk::Left, kShift, PlayerPanel, KeyMode::Any, true, true, KeyCommand::FineStepBack, "FineStepBack",
     "\xBA\xF3\xCD\xCB 0.2 \xC3\xEB"},
    {vk::Right, kShift, PlayerPanel, KeyMode::Any, true, true, KeyCommand::FineStepForward, "FineStepForward",
     "\xC7\xB0\xBD\xF8 0.2 \xC3\xEB"},
    // 光标所在字幕的起始时间设为播放位置
    {vk::F11, kNone, kBesideTheView, KeyMode::Edit, false, true, KeyCommand::StartFromPosition,
     "StartFromPosition",
     "\xB9\xE2\xB1\xEA\xCB\xF9\xD4\xDA\xD7\xD6\xC4\xBB\xB5\xC4\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4\xC9\xE8\xCE"
     "\xAA"
     "\xB2\xA5\xB7\xC5\xCE\xBB\xD6\xC3"},
    // 光标所在字幕的终止时间设为播放位置
    {vk::F12, kNone, kBesideTheView, KeyMode::Edit, false, true, KeyCommand::EndFromPosition,
     "EndFromPosition",
     "\xB9\xE2\xB1\xEA\xCB\xF9\xD4\xDA\xD7\xD6\xC4\xBB\xB5\xC4\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xC9\xE8\xCE"
     "\xAA"
     "\xB2\xA5\xB7\xC5\xCE\xBB\xD6\xC3"},
    // 起始时间提前 0.1 秒, 起始时间推后 0.1 秒, 终止时间提前 0.1 秒, 终止时间推后 0.1 秒
    {vk::Left, kAlt, kBesideTheView, KeyMode::Edit, true, true, KeyCommand::StartEarlier, "StartEarlier",
     "\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4\xCC\xE1\xC7\xB0 0.1 \xC3\xEB"},
    {vk::Right, kAlt, kBesideTheView, KeyMode::Edit, true, true, KeyCommand::StartLater, "StartLater",
     "\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4\xCD\xC6\xBA\xF3 0.1 \xC3\xEB"},
    {vk::Left, kAlt | kShift, kBesideTheView, KeyMode::Edit, true, true, KeyCommand::EndEarlier, "EndEarlier",
     "\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xCC\xE1\xC7\xB0 0.1 \xC3\xEB"},
    {vk::Right, kAlt | kShift, kBesideTheView, KeyMode::Edit, true, true, KeyCommand::EndLater, "EndLater",
     "\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xCD\xC6\xBA\xF3 0.1 \xC3\xEB"},
    // 删除光标所在的字幕: held down, it would eat one subtitle after another
    {vk::Delete, kCtrl | kShift, kBesideTheView, KeyMode::Edit, false, true, KeyCommand::DeleteSubtitle,
     "DeleteSubtitle", "\xC9\xBE\xB3\xFD\xB9\xE2\xB1\xEA\xCB\xF9\xD4\xDA\xB5\xC4\xD7\xD6\xC4\xBB"},
    // 在光标所在字幕之后插入一条空字幕: held down, it would add one after another
    {vk::Insert, kNone, kBesideTheView, KeyMode::Edit, false, true, KeyCommand::InsertSubtitle,
     "InsertSubtitle",
     "\xD4\xDA\xB9\xE2\xB1\xEA\xCB\xF9\xD4\xDA\xD7\xD6\xC4\xBB\xD6\xAE\xBA\xF3\xB2\xE5\xC8\xEB\xD2\xBB"
     "\xCC\xF5\xBF\xD5\xD7\xD6\xC4\xBB"},
    // 光标所在字幕（或表中选定的字幕）的起止时间对齐语音
    {vk::F9, kShift, kBesideTheView, KeyMode::Edit, false, true, KeyCommand::SnapToSpeech, "SnapToSpeech",
     "\xB9\xE2\xB1\xEA\xCB\xF9\xD4\xDA\xD7\xD6\xC4\xBB\xA3\xA8\xBB\xF2\xB1\xED\xD6\xD0\xD1\xA1\xB6\xA8"
     "\xB5\xC4\xD7\xD6\xC4\xBB\xA3\xA9\xB5\xC4\xC6\xF0\xD6\xB9\xCA\xB1\xBC\xE4"
     "\xB6\xD4\xC6\xEB\xD3\xEF\xD2\xF4"},
    // 显示按键帮助
    {vk::F1, kNone, Window, KeyMode::Any, false, true, KeyCommand::KeyHelp, "KeyHelp",
     "\xCF\xD4\xCA\xBE\xB0\xB4\xBC\xFC\xB0\xEF\xD6\xFA"},
    // 删除表中选定的字幕
    {vk::Delete, kNone, Table, KeyMode::Edit, false, true, KeyCommand::DeleteSubtitle, "DeleteSubtitle",
     "\xC9\xBE\xB3\xFD\xB1\xED\xD6\xD0\xD1\xA1\xB6\xA8\xB5\xC4\xD7\xD6\xC4\xBB"},
};

std::string KeyName(int key) {
  if (key >= vk::F1 && key <= vk::F12) return "F" + std::to_string(key - vk::F1 + 1);
  switch (key) {
    case vk::Return:
      return "Enter";
    case vk::Space:
      return "Space";
    case vk::Left:
      return "Left";
    case vk::Right:
      return "Right";
    case vk::Delete:
      return "Delete";
    case vk::Insert:
      return "Insert";
    default:
      return std::string(1, static_cast<char>(key));
  }
}

}  // namespace

std::span<const KeyBinding> KeyTable() { return kTable; }

const KeyBinding* FindKeyBinding(int key, unsigned modifiers, unsigned place, bool editMode) {
  for (const KeyBinding& binding : kTable) {
    if (binding.key != key || binding.modifiers != modifiers || (binding.places & place) == 0) continue;
    if (binding.mode == KeyMode::Edit && !editMode) continue;
    if (binding.mode == KeyMode::Capture && editMode) continue;
    return &binding;
  }
  return nullptr;
}

std::string KeyText(const KeyBinding& binding) {
  std::string text;
  if (binding.modifiers & modifier::Ctrl) text += "Ctrl+";
  if (binding.modifiers & modifier::Alt) text += "Alt+";
  if (binding.modifiers & modifier::Shift) text += "Shift+";
  return text + KeyName(binding.key);
}

std::vector<std::string> KeyHelpLines() {
  std::vector<std::string> lines;
  for (const KeyBinding& binding : kTable)
    lines.push_back(KeyText(binding) + "\t" + std::string(binding.help));
  return lines;
}

}  // namespace titrelle
