#pragma once
// TFontOptionForm, the font options dialog. It owns the style strings every line writer reads, fills its
// fields from the file view's first styled line or from the stored settings, and on save restyles the open
// document and stores its fields.

#include <memory>
#include <string>

#include "style/Restyle.h"
#include "ui/Controls.h"
#include "ui/Window.h"
#include "ui/WindowSystem.h"
#include "ui/WindowTable.h"

// The windows are no plain algorithm's business: see CMakeLists.txt.
#ifdef TITRELLE_PLAIN_ALGORITHMS
#error "a plain algorithm takes the document or a listing, never a window"
#endif

namespace titrelle {

class StyleSettingsStore;
class SubtitleDocument;

// The dialog's table: caption, size, and every control with its place, text and tab order.
const WindowTable& FontOptionWindowTable();

class TFontOptionForm {
 public:
  // Builds the dialog, hidden, from its table and wires its events. It works on the document alone.
  TFontOptionForm(WindowSystem& windowSystem, SubtitleDocument& document);
  ~TFontOptionForm();
  TFontOptionForm(const TFontOptionForm&) = delete;
  TFontOptionForm& operator=(const TFontOptionForm&) = delete;

  std::string StylePart1;
  std::string StylePart2;
  std::string DefaultStyleFlag;  // "1" default style, "0" custom; empty until the dialog first closes

  WindowSystem& Ws;
  SubtitleDocument& Document;
  std::unique_ptr<Window> Form;

  // Controls of the table.
  Control* CheckBoxDefault = nullptr;
  Control* SaveButton = nullptr;
  Control* Panel2 = nullptr;
  Control* PanelColor = nullptr;
  Control* PanelPos = nullptr;
  Control* Edit1 = nullptr;
  Control* Edit2 = nullptr;
  Control* PanelName = nullptr;
  Control* FontNameComboBox = nullptr;
  Control* PanelSize = nullptr;
  Control* FontSizeComboBox = nullptr;
  // The colour picker starts on the colour last picked in this dialog; black the first time.
  unsigned ColorDialog1Color = 0x000000;

  // Handlers.
  void FormShow();
  void FormClose();
  void CheckBoxDefaultClick();
  void PanelColorClick();
  void PanelNameClick();
  void FontNameComboBoxChange();
  void PanelSizeClick();
  void FontSizeComboBoxChange();
  void Edit1KeyPress(KeyPressEvent& key);  // the key filter of both position boxes
  void Edit1KeyDown(KeyEvent& key);
  void Edit2KeyDown(KeyEvent& key);
  void SaveButtonClick();
  void FieldKeyDown(KeyEvent& key, void (TFontOptionForm::*click)(), Control* list);

  // The start-up load, run on the hidden start-up dialog: writes the defaults on the first start, fills the
  // fields from the (empty) file view, and puts the default style in force. When a step fails, the default
  // style is still put in force before the error goes on to the error report, so that lines written
  // afterwards never lack their markup.
  void LoadStyleSettings();

  // Steps.
  void LoadFieldsFromDocument();
  void FillFieldsForMode();
  void ComposeStyleParts();
  StyleMode Mode() const;

 private:
  // Ticks or unticks "缺省"; a change fills the fields for the new mode, as a click does.
  void SetDefaultTick(bool ticked);
  // The stored defaults in the fields, the rows disabled.
  void FillDefaultFields();
  // The colour panel from a colour text: the caption as it stands, the colour from its characters 2 to 7.
  void ShowColorText(const std::string& colorText);
  // The colour, name and size fields from three stored values.
  void ShowStoredLook(StyleSettingsStore& store, const std::string& colorValue, const std::string& nameValue,
                      const std::string& sizeValue);

  bool settingTick_ = false;  // the program ticks "缺省": its click handler stands aside
};

}  // namespace titrelle
