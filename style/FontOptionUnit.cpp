#include "style/FontOptionUnit.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Unit1.h"
#include "base/Cp936.h"
#include "base/Error.h"
#include "base/ProgramChange.h"
#include "capture/TimeText.h"
#include "style/ColorText.h"
#include "style/RestyleDocument.h"
#include "style/StyleSettingsStore.h"
#include "style/StyleStrings.h"

namespace titrelle {

namespace {

// srtDefault's two texts.
const std::string kDefaultStyleFlag = "1";
const std::string kCustomStyleFlag = "0";

// Characters `count` from the 1-based `position` on, as many as there are; empty for a count below 1.
std::string CopyFrom(std::string_view text, long long position, long long count) {
  if (position < 1) position = 1;
  if (count < 1 || position > static_cast<long long>(text.size())) return {};
  return std::string(text.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count)));
}

// 1-based position of the first occurrence that starts on a character, 0 when there is none: the markers are
// ASCII bytes that can also be the second byte of a double-byte character.
long long Pos(std::string_view pattern, std::string_view text) {
  const std::size_t found = FindCharacterAligned(text, pattern);
  return found == std::string_view::npos ? 0 : static_cast<long long>(found) + 1;
}

// The text after the first `start` up to the next `end`; empty when either marker is missing.
std::string Between(std::string_view text, std::string_view start, std::string_view end) {
  const std::size_t from = FindCharacterAligned(text, start);
  if (from == std::string_view::npos) return {};
  const std::size_t begin = from + start.size();
  const std::size_t to = FindCharacterAligned(text, end, begin);
  if (to == std::string_view::npos) return {};
  return std::string(text.substr(begin, to - begin));
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const auto fold = [](unsigned char c) { return static_cast<unsigned char>(std::tolower(c)); };
  const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                 [&](char x, char y) { return fold(x) < fold(y); });
  const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                                    [&](char x, char y) { return fold(x) < fold(y); });
  return less || (!greater && a < b);
}

template <typename Handler>
std::function<void()> Bind(TFontOptionForm* form, Handler handler) {
  return [form, handler] { (form->*handler)(); };
}

}  // namespace

TFontOptionForm::TFontOptionForm(WindowSystem& windowSystem, SubtitleDocument& document)
    : Ws(windowSystem), Document(document), Form(windowSystem.CreateWindow(FontOptionWindowTable())) {
  CheckBoxDefault = &Form->Find("CheckBoxDefault");
  SaveButton = &Form->Find("SaveButton");
  Panel2 = &Form->Find("Panel2");
  PanelColor = &Form->Find("PanelColor");
  PanelPos = &Form->Find("PanelPos");
  Edit1 = &Form->Find("Edit1");
  Edit2 = &Form->Find("Edit2");
  PanelName = &Form->Find("PanelName");
  FontNameComboBox = &Form->Find("FontNameComboBox");
  PanelSize = &Form->Find("PanelSize");
  FontSizeComboBox = &Form->Find("FontSizeComboBox");

  Form->OnShow = Bind(this, &TFontOptionForm::FormShow);
  Form->OnClose = Bind(this, &TFontOptionForm::FormClose);
  CheckBoxDefault->OnClick = Bind(this, &TFontOptionForm::CheckBoxDefaultClick);
  SaveButton->OnClick = Bind(this, &TFontOptionForm::SaveButtonClick);
  PanelColor->OnClick = Bind(this, &TFontOptionForm::PanelColorClick);
  PanelName->OnClick = Bind(this, &TFontOptionForm::PanelNameClick);
  FontNameComboBox->OnChange = Bind(this, &TFontOptionForm::FontNameComboBoxChange);
  PanelSize->OnClick = Bind(this, &TFontOptionForm::PanelSizeClick);
  FontSizeComboBox->OnChange = Bind(this, &TFontOptionForm::FontSizeComboBoxChange);
  Edit1->OnKeyPress = [this](KeyPressEvent& key) { Edit1KeyPress(key); };
  Edit2->OnKeyPress = [this](KeyPressEvent& key) { Edit1KeyPress(key); };
  Edit1->OnKeyDown = [this](KeyEvent& key) { Edit1KeyDown(key); };
  Edit2->OnKeyDown = [this](KeyEvent& key) { Edit2KeyDown(key); };
  PanelColor->OnKeyDown = [this](KeyEvent& key) {
    FieldKeyDown(key, &TFontOptionForm::PanelColorClick, nullptr);
  };
  PanelName->OnKeyDown = [this](KeyEvent& key) {
    FieldKeyDown(key, &TFontOptionForm::PanelNameClick, FontNameComboBox);
  };
  PanelSize->OnKeyDown = [this](KeyEvent& key) {
    FieldKeyDown(key, &TFontOptionForm::PanelSizeClick, FontSizeComboBox);
  };
}

void TFontOptionForm::FieldKeyDown(KeyEvent& key, void (TFontOptionForm::*click)(), Control* list) {
  // Space or Enter on a focused field opens its picker or list, as a click does; a list then takes the keys.
  if (key.key != vk::Space && key.key != vk::Return) return;
  key.swallowed = true;
  (this->*click)();
  if (list != nullptr && list->Visible()) list->SetFocus();
}

TFontOptionForm::~TFontOptionForm() = default;

StyleMode TFontOptionForm::Mode() const {
  return CheckBoxDefault->Checked() ? StyleMode::Default : StyleMode::Custom;
}

void TFontOptionForm::FormShow() {
  PanelColor->SetFocus();

  FontSizeComboBox->ClearItems();
  for (int size = 1; size <= 100; ++size) FontSizeComboBox->AddItem(std::to_string(size));

  std::vector<std::string> families = Ws.ScreenFontFamilies();
  families.push_back("Default");
  std::sort(families.begin(), families.end(), LessIgnoringCase);
  families.erase(std::unique(families.begin(), families.end()), families.end());
  FontNameComboBox->ClearItems();
  for (const std::string& family : families) FontNameComboBox->AddItem(family);

  LoadFieldsFromDocument();
}

void TFontOptionForm::ShowColorText(const std::string& colorText) {
  PanelColor->SetText(colorText);
  PanelColor->SetColor(TextToColor(CopyFrom(colorText, 2, 6)));
}

void TFontOptionForm::SetDefaultTick(bool ticked) {
  if (CheckBoxDefault->Checked() == ticked) return;
  {
    // Whether a shell reports a tick set by the program as a click or not, the fields are filled once.
    ProgramChange ticking(settingTick_);
    CheckBoxDefault->SetChecked(ticked);
  }
  FillFieldsForMode();
}

void TFontOptionForm::LoadFieldsFromDocument() {
  const Listing& fileView = Document.TempRichEdit;
  const std::string line = fileView.Count() > 2 ? fileView.Line(2) : std::string();
  int& omitClosingTag = Document.OmitClosingTag;
  // Both tests only ever lower the flag: a line without the custom layout's markup means the default layout.
  if (FindCharacterAligned(line, "}") == std::string::npos) omitClosingTag = 0;
  if (TrimText(line).starts_with('{')) omitClosingTag = 0;
  SetDefaultTick(omitClosingTag == 0);

  if (omitClosingTag == 0) {
    FillDefaultFields();
    return;
  }

  // The custom layout, "<font color=#RRGGBB>{\fnNAME\fsSIZE\pos(LEFT,TOP)\}text": the colour text after
  // "<font color=", the name between "{\fn" and "\fs", then the size and the two positions.
  const std::string colorText = CopyFrom(line, 13, 7);
  PanelColor->SetText(colorText);
  PanelColor->SetColor(TextToColor(CopyFrom(TrimText(colorText), 2, 6)));
  PanelName->SetText(CopyFrom(line, 25, Pos("\\fs", line) - Pos("\\fn", line) - 3));
  PanelSize->SetText(Between(line, "\\fs", "\\"));
  Edit1->SetText(Between(line, "(", ","));
  Edit2->SetText(Between(line, ",", ")"));
  Panel2->SetEnabled(true);
}

void TFontOptionForm::ShowStoredLook(StyleSettingsStore& store, const std::string& colorValue,
                                     const std::string& nameValue, const std::string& sizeValue) {
  try {
    ShowColorText(store.ReadStyleValue(colorValue));
  } catch (const Error& error) {
    // A damaged stored colour: say which value, and where it is kept.
    throw Error(error.what() + store.Where(colorValue));
  }
  PanelName->SetText(store.ReadStyleValue(nameValue));
  PanelSize->SetText(store.ReadStyleValue(sizeValue));
}

void TFontOptionForm::FillDefaultFields() {
  StyleSettingsStore store(Ws.Registry());
  ShowStoredLook(store, "srtFontColorD", "srtFontNameD", "srtFontSizeD");
  Edit1->SetText(store.ReadStyleValue("srtFontPosLD"));
  Edit2->SetText(store.ReadStyleValue("srtFontPosUD"));
  Panel2->SetEnabled(false);
}

void TFontOptionForm::CheckBoxDefaultClick() {
  if (!settingTick_) FillFieldsForMode();
}

void TFontOptionForm::FillFieldsForMode() {
  if (CheckBoxDefault->Checked()) {
    FillDefaultFields();
    return;
  }
  StyleSettingsStore store(Ws.Registry());
  // The custom colour, name and size of the last save, or the defaults before any; the stored positions are
  // never offered.
  if (!store.ReadStyleValue("srtFontColor").empty()) {
    ShowStoredLook(store, "srtFontColor", "srtFontName", "srtFontSize");
  } else {
    ShowStoredLook(store, "srtFontColorD", "srtFontNameD", "srtFontSizeD");
  }
  Edit1->SetText("190");
  Edit2->SetText("270");
  Panel2->SetEnabled(true);
}

void TFontOptionForm::PanelColorClick() {
  const std::optional<unsigned> picked = Ws.PickColor(ColorDialog1Color);
  if (!picked) return;
  ColorDialog1Color = *picked;
  std::string colorText = ColorToText(*picked);
  colorText.insert(colorText.begin(), '#');
  PanelColor->SetText(colorText);
  PanelColor->SetColor(*picked);
}

void TFontOptionForm::PanelNameClick() { FontNameComboBox->SetVisible(true); }

void TFontOptionForm::FontNameComboBoxChange() {
  FontNameComboBox->SetVisible(false);
  PanelName->SetText(FontNameComboBox->Text());
}

void TFontOptionForm::PanelSizeClick() { FontSizeComboBox->SetVisible(true); }

void TFontOptionForm::FontSizeComboBoxChange() {
  FontSizeComboBox->SetVisible(false);
  PanelSize->SetText(FontSizeComboBox->Text());
}

void TFontOptionForm::Edit1KeyPress(KeyPressEvent& key) {
  const char c = key.character;
  const bool accepted = c == '\b' || c == '\r' || c == '.' || (c >= '0' && c <= '9');
  if (!accepted) key.character = 0;
}

void TFontOptionForm::Edit1KeyDown(KeyEvent& key) {
  if (key.key == vk::Return) Edit2->SetFocus();
}

void TFontOptionForm::Edit2KeyDown(KeyEvent& key) {
  if (key.key == vk::Return) SaveButton->SetFocus();
}

void TFontOptionForm::ComposeStyleParts() {
  if (Mode() == StyleMode::Default) {
    StylePart1 = DefaultStylePart1;
    StylePart2 = DefaultStylePart2;
    DefaultStyleFlag = kDefaultStyleFlag;
    return;
  }
  // Nothing is validated: an empty field gives an empty piece.
  StylePart1 = CustomStylePart1(TrimText(PanelColor->Text()));
  StylePart2 = CustomStylePart2(TrimText(PanelName->Text()), PanelSize->Text(), TrimText(Edit1->Text()),
                                TrimText(Edit2->Text()));
  DefaultStyleFlag = kCustomStyleFlag;
}

void TFontOptionForm::SaveButtonClick() {
  ComposeStyleParts();
  RestyleDocument(Document, StylePart1 + StylePart2, Mode());
  // A failing write stops the save here: the document is already restyled and the dialog stays open.
  StyleSettingsStore store(Ws.Registry());
  store.WriteDefaultStyleFlag(DefaultStyleFlag);
  store.WriteCurrentStyleValues(PanelColor->Text(), PanelName->Text(), PanelSize->Text(),
                                TrimText(Edit1->Text()), TrimText(Edit2->Text()));
  Form->Close();
}

void TFontOptionForm::FormClose() { ComposeStyleParts(); }

void TFontOptionForm::LoadStyleSettings() {
  StyleSettingsStore store(Ws.Registry());
  try {
    if (store.ReadStyleValue("srtDefault").empty()) store.WriteDefaultStyleValues();
    LoadFieldsFromDocument();
  } catch (...) {
    // A damaged store must not leave the style parts empty: every line written afterwards would carry no
    // markup and still be closed by "</b>". The error still reaches the error report.
    StylePart1 = DefaultStylePart1;
    StylePart2 = DefaultStylePart2;
    throw;
  }
  StylePart1 = DefaultStylePart1;
  StylePart2 = DefaultStylePart2;
}

}  // namespace titrelle
