// The main window's side of the style: the start-up dialog, the start-up load, the font button.
#include <algorithm>

#include "app/Unit1.h"
#include "style/FontOptionUnit.h"
#include "style/StyleSettingsStore.h"

namespace titrelle {

void TForm1::CreateStartupFontOptionForm() {
  FontOptionForms.push_back(std::make_unique<TFontOptionForm>(Ws, Document));
  FontOptionForm = FontOptionForms.back().get();
}

void TForm1::LoadStartupStyle() { FontOptionForm->LoadStyleSettings(); }

void TForm1::BitBtn1Click() {
  // Closed dialogs are stale: only the newest one's strings are read. They go before the new one is made; a
  // dialog still open (none is, while the main window takes clicks) is kept.
  auto dialog = std::make_unique<TFontOptionForm>(Ws, Document);
  std::erase_if(FontOptionForms,
                [](const std::unique_ptr<TFontOptionForm>& stale) { return !stale->Form->Visible(); });
  FontOptionForms.push_back(std::move(dialog));
  FontOptionForm = FontOptionForms.back().get();
  FontOptionForm->Form->ShowModal();
}

const std::string& TForm1::StylePart1() const { return FontOptionForm->StylePart1; }
const std::string& TForm1::StylePart2() const { return FontOptionForm->StylePart2; }

}  // namespace titrelle
