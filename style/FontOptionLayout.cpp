// The font options dialog's table.
#include "style/FontOptionUnit.h"

namespace titrelle {

namespace {

ControlEntry Make(std::string name, ControlKind kind, std::string parent, int left, int top, int width,
                  int height, std::string text, int tabOrder) {
  ControlEntry entry;
  entry.name = std::move(name);
  entry.kind = kind;
  entry.parent = std::move(parent);
  entry.left = left;
  entry.top = top;
  entry.width = width;
  entry.height = height;
  entry.text = std::move(text);
  entry.tabOrder = tabOrder;
  return entry;
}

WindowTable BuildFontOptionWindowTable() {
  WindowTable window;
  window.name = "FontOptionForm";
  window.caption = "\xD7\xD6\xCC\xE5\xC9\xE8\xD6\xC3";  // 字体设置
  window.width = 387;
  window.height = 312;
  window.font.face = "MS Sans Serif";
  window.font.points = 8;
  window.resizable = true;
  window.minimizeBox = false;
  window.maximizeBox = false;
  window.centred = true;

  auto& c = window.controls;
  ControlEntry checkBox =
      Make("CheckBoxDefault", ControlKind::CheckBox, "", 136, 16, 51, 17, "\xC8\xB1\xCA\xA1", 0);  // 缺省
  checkBox.checked = true;
  c.push_back(checkBox);
  c.push_back(
      Make("SaveButton", ControlKind::Button, "", 145, 227, 75, 25, "\xB1\xA3\xB4\xE6[&S]", 1));  // 保存[&S]
  ControlEntry rows = Make("Panel2", ControlKind::Panel, "", 40, 32, 297, 193, "", 2);
  rows.border = false;
  c.push_back(rows);
  c.push_back(Make("Label7", ControlKind::Label, "Panel2", 49, 26, 0, 0,
                   "\xD7\xD6\xCC\xE5\xD1\xD5\xC9\xAB\xA3\xBA", -1));  // 字体颜色：
  c.push_back(Make("Label8", ControlKind::Label, "Panel2", 49, 66, 0, 0,
                   "\xD7\xD6\xCC\xE5\xC3\xFB\xB3\xC6\xA3\xBA", -1));  // 字体名称：
  c.push_back(Make("Label9", ControlKind::Label, "Panel2", 49, 108, 0, 0,
                   "\xD7\xD6\xCC\xE5\xB4\xF3\xD0\xA1\xA3\xBA", -1));  // 字体大小：
  c.push_back(Make("Label10", ControlKind::Label, "Panel2", 49, 149, 0, 0,
                   "\xD7\xD6\xC4\xBB\xCE\xBB\xD6\xC3\xA3\xBA", -1));  // 字幕位置：
  c.push_back(Make("PanelColor", ControlKind::Panel, "Panel2", 128, 19, 123, 28, "", 0));
  c.push_back(Make("PanelPos", ControlKind::Panel, "Panel2", 128, 141, 123, 28, "", 1));
  c.push_back(Make("Panel5", ControlKind::Panel, "PanelPos", 0, 0, 123, 28, "", 0));
  c.push_back(Make("Label11", ControlKind::Label, "Panel5", 2, 7, 0, 0, "\xD7\xF3:", -1));  // 左:
  c.push_back(Make("Edit1", ControlKind::Edit, "Panel5", 20, 3, 34, 21, "190", 0));
  c.push_back(Make("Label12", ControlKind::Label, "Panel5", 66, 7, 0, 0, "\xC9\xCF:", -1));  // 上:
  c.push_back(Make("Edit2", ControlKind::Edit, "Panel5", 84, 3, 34, 21, "270", 1));
  c.push_back(Make("PanelName", ControlKind::Panel, "Panel2", 128, 59, 123, 28, "", 2));
  // The two lists lie over their panels, hidden until the panel is clicked; Tab skips them.
  ControlEntry names = Make("FontNameComboBox", ControlKind::ComboBox, "PanelName", 0, 5, 123, 21, "", -1);
  names.visible = false;
  names.tabStop = false;
  c.push_back(names);
  c.push_back(Make("PanelSize", ControlKind::Panel, "Panel2", 128, 101, 123, 28, "", 3));
  ControlEntry sizes = Make("FontSizeComboBox", ControlKind::ComboBox, "PanelSize", 0, 2, 123, 21, "", -1);
  sizes.visible = false;
  sizes.tabStop = false;
  c.push_back(sizes);
  return window;
}

}  // namespace

const WindowTable& FontOptionWindowTable() {
  static const WindowTable entry = BuildFontOptionWindowTable();
  return entry;
}

}  // namespace titrelle
