// The subtitles over the video: the lines already written, as the player draws them, and the line being
// typed over its looping segment, in the current style. The clock takes up every change on its next tick.
#include "app/Unit1.h"
#include "document/PreviewSetting.h"

namespace titrelle {

void TForm1::LoadPreviewChoice() {
  if (!WP->DrawsSubtitles()) {
    PreviewCheckBox->SetVisible(false);
    Preview.SetOn(false);
    return;
  }
  Preview.SetOn(ReadPreviewChoice(Ws.Registry()));
  // The check box tells its change as a click; the handler sees nothing new in it.
  PreviewCheckBox->SetChecked(Preview.On());
}

void TForm1::PreviewCheckBoxClick() {
  const bool on = PreviewCheckBox->Checked();
  if (on == Preview.On()) return;
  Preview.SetOn(on);
  // A click while typing a line leaves the typing where it was.
  if (EnteringText()) InputEdit->SetFocus();
  // Shown or gone at once, whatever the store makes of the choice.
  RefreshPreview();
  WritePreviewChoice(Ws.Registry(), on);
}

void TForm1::RefreshPreview() {
  // Halfway through a change of its own (a commit's group, a load, a refill) the file view is not what it
  // will be: the next tick finds it complete.
  if (!WP || FontOptionForm == nullptr || Document.ChangingFileView()) return;
  TypedLine typed;
  typed.entering = EnteringText();
  typed.start = Session.MarkStart();
  typed.end = Session.MarkEnd();
  typed.stylePart1 = StylePart1();
  typed.stylePart2 = StylePart2();
  typed.omitClosingTag = Document.OmitClosingTag;
  Preview.Refresh(*WP, Document.Subtitles(), typed, *InputEdit);
}

}  // namespace titrelle
