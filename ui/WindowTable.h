#pragma once
// A window described as data, so that every shell builds the same window from the same table.

#include <string>
#include <vector>

namespace titrelle {

enum class ControlKind {
  Panel,
  Label,
  Button,
  Edit,      // single-line edit box
  Memo,      // multi-line plain edit box (the instructions)
  UserView,  // the editable multi-line view of the subtitles
  CheckBox,
  ComboBox,    // drop-down list, not editable
  MediaPanel,  // the place where the player draws
};

struct FontLook {
  std::string face;      // code page 936; empty: the window's font
  int heightPixels = 0;  // 0: the window's font size
  int points = 0;        // set instead of heightPixels where the size is given in points
  bool bold = false;
  unsigned color = 0x000000;  // COLORREF, red in the lowest byte
};

// Colours as COLORREF values; ButtonFace stands for the system's button-face colour.
constexpr unsigned kColorButtonFace = 0xFF000000u;
constexpr unsigned kColorDefault = 0xFF000001u;
constexpr unsigned kColorBlack = 0x000000u;
constexpr unsigned kColorLime = 0x00FF00u;

struct ControlEntry {
  std::string name;
  ControlKind kind = ControlKind::Panel;
  std::string parent;                            // empty: the window's client area
  int left = 0, top = 0, width = 0, height = 0;  // width/height 0: sized to content (labels)
  std::string text;  // caption or initial text; for a Memo, lines separated by CR LF
  std::string hint;  // tool tip
  FontLook font;
  unsigned background = kColorDefault;
  int tabOrder = -1;    // order within the parent; -1: not in the order
  bool tabStop = true;  // false: keeps its place in the order but Tab passes it by
  bool visible = true;
  bool enabled = true;
  bool readOnly = false;
  bool border = true;
  bool checked = false;  // check boxes
  bool wordWrap = true;  // memos and user views
  bool scrollBars = false;
};

struct WindowTable {
  std::string name;
  std::string caption;
  int width = 0, height = 0;  // outer size
  FontLook font;
  bool resizable = true;
  bool minimizeBox = true;
  bool maximizeBox = true;
  bool centred = true;
  std::vector<ControlEntry> controls;  // parents come before their children
};

}  // namespace titrelle
