// The main window's side of the style: the start-up dialog, the start-up load, the font button.
#include "app/Unit1.h"
#include "style/FontOptionUnit.h"
#include "style/StyleStrings.h"

namespace titrelle {

TFontOptionForm::TFontOptionForm(WindowSystem& windowSystem, TForm1& form1) : Ws(windowSystem), Form1(form1) {}
TFontOptionForm::~TFontOptionForm() = default;

void TForm1::CreateStartupFontOptionForm() {
  FontOptionForms.push_back(std::make_unique<TFontOptionForm>(Ws, *this));
  FontOptionForm = FontOptionForms.back().get();
}

void TForm1::LoadStartupStyle() {
  FontOptionForm->StylePart1 = DefaultStylePart1;
  FontOptionForm->StylePart2 = DefaultStylePart2;
}

void TForm1::BitBtn1Click() {}

const std::string& TForm1::StylePart1() const { return FontOptionForm->StylePart1; }
const std::string& TForm1::StylePart2() const { return FontOptionForm->StylePart2; }

}  // namespace titrelle
