#pragma once
// The main window's keys as data: which key, with which modifiers, where in the window and in which mode,
// runs which command. The shells only deliver keys; the window looks them up here and runs the command, and
// the key help lists this table.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace titrelle {

// Where a key is pressed, as bits: a binding names every place it applies to.
namespace keyplace {
constexpr unsigned SystemWide = 1;      // a hot key: heard whichever program has the focus
constexpr unsigned EntryBox = 2;        // the box the line is typed into
constexpr unsigned UserView = 4;        // the subtitles as the user edits them
constexpr unsigned PlayerPanel = 8;     // the video, its strip and its transport
constexpr unsigned OtherControls = 16;  // the buttons, the time boxes, the check box
constexpr unsigned Table = 32;          // the subtitle table on the workbench
constexpr unsigned Window = EntryBox | UserView | PlayerPanel | OtherControls | Table;
}  // namespace keyplace

enum class KeyMode { Any, Capture, Edit };

enum class KeyCommand {
  MarkStart,        // F9
  MarkEnd,          // F10
  EnterEditMode,    // F7
  ContinueCapture,  // F8
  CommitLine,
  Undo,
  Redo,
  PlayPause,
  StepBack,
  StepForward,
  FineStepBack,
  FineStepForward,
  StartFromPosition,
  EndFromPosition,
  StartEarlier,
  StartLater,
  EndEarlier,
  EndLater,
  DeleteSubtitle,
  InsertSubtitle,
  KeyHelp,
  // Ctrl+F9 and Ctrl+F10: where the key is pressed, not moved onto the speech.
  MarkStartAsKeyed,
  MarkEndAsKeyed,
  // The edges of the subtitle under the caret, or of those selected in the table, onto the speech.
  SnapToSpeech,
};

struct KeyBinding {
  int key = 0;             // virtual-key code
  unsigned modifiers = 0;  // modifier bits (ui/EventRules.h), exactly these held
  unsigned places = 0;     // keyplace bits
  KeyMode mode = KeyMode::Any;
  bool onRepeat = true;  // a held key's repeats run the command again
  bool keepsKey = true;  // the control never sees the key (false: it acts on the key too)
  KeyCommand command = KeyCommand::MarkStart;
  std::string_view name;  // the command's name, in the program's own words
  std::string_view help;  // what it does, for the key help (code page 936)
};

std::span<const KeyBinding> KeyTable();

// The binding of a key pressed at `place` (one keyplace bit) in the given mode; null when none.
const KeyBinding* FindKeyBinding(int key, unsigned modifiers, unsigned place, bool editMode);

// "Ctrl+Shift+Z", "Alt+Left", "F11": how the key help names a binding's key.
std::string KeyText(const KeyBinding& binding);

// The key help: one line per binding, the key, a tab, what it does (code page 936).
std::vector<std::string> KeyHelpLines();

}  // namespace titrelle
