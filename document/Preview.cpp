// The subtitles over the video: the lines already written, as the player draws them, and the line being
// typed over its looping segment, in the current style. The clock takes up every change on its next tick.
#include <algorithm>
#include <cmath>
#include <string>

#include "app/Unit1.h"
#include "document/PreviewSetting.h"
#include "document/PreviewTrack.h"
#include "style/StyleStrings.h"

namespace titrelle {

namespace {

// The player is handed the events from a minute before the position to two minutes after it, and the
// stretch moves when the position comes within half a minute of its start or a minute of its end (a seek,
// or a minute of playing).
constexpr long long kWindowBeforeMs = 60000;
constexpr long long kWindowAfterMs = 120000;
constexpr long long kWindowStartMarginMs = 30000;
constexpr long long kWindowEndMarginMs = 60000;

bool OutsideWindow(long long positionMs, long long fromMs, long long toMs) {
  if (toMs < fromMs) return true;
  return (fromMs > 0 && positionMs < fromMs + kWindowStartMarginMs) || positionMs > toMs - kWindowEndMarginMs;
}

}  // namespace

void TForm1::LoadPreviewChoice() {
  if (!WP->DrawsSubtitles()) {
    PreviewCheckBox->SetVisible(false);
    Preview.On = false;
    return;
  }
  Preview.On = ReadPreviewChoice(Ws.Registry());
  // The check box tells its change as a click; the handler sees nothing new in it.
  PreviewCheckBox->SetChecked(Preview.On);
}

void TForm1::PreviewCheckBoxClick() {
  const bool on = PreviewCheckBox->Checked();
  if (on == Preview.On) return;
  Preview.On = on;
  // A click while typing a line leaves the typing where it was.
  if (!StartTimeButton->Enabled() && !EndTimeButton->Enabled()) InputEdit->SetFocus();
  // Shown or gone at once, whatever the store makes of the choice.
  RefreshPreview();
  WritePreviewChoice(Ws.Registry(), on);
}

// Whether the line being typed shows otherwise than it did. Text entry runs from F10 to the commit: both
// mark buttons are disabled then, and the segment MarkStart..MarkEnd repeats.
bool TForm1::TypedLineChanged() {
  const bool entering = !StartTimeButton->Enabled() && !EndTimeButton->Enabled();
  if (entering != Preview.TypedEntering) return true;
  if (!entering) return false;
  return Preview.TypedInputRevision != Preview.InputRevision || Preview.TypedStart != Session.MarkStart() ||
         Preview.TypedEnd != Session.MarkEnd() || Preview.TypedStylePart1 != StylePart1() ||
         Preview.TypedStylePart2 != StylePart2() || Preview.TypedOmitClosingTag != Document.OmitClosingTag;
}

void TForm1::RefreshPreview() {
  // Halfway through a change of its own (a commit's group, a load, a refill) the file view is not what it
  // will be: the next tick finds it complete.
  if (!WP || FontOptionForm == nullptr || Document.ChangingFileView()) return;
  if (!Preview.On) {
    if (Preview.ShowingNothing) return;
    WP->ShowNothing();
    Preview.ShowingNothing = true;
    Preview.ShowingScript = false;
    return;
  }
  // The document tells each change of its subtitles (app/Unit1.cpp): nothing of it is compared here.
  const bool documentChanged = !Preview.EventsValid;
  const bool typedChanged = TypedLineChanged();
  const long long positionMs = std::llround(Preview.PositionSeconds * 1000);
  const bool windowMoved = OutsideWindow(positionMs, Preview.WindowFromMs, Preview.WindowToMs);
  if (Preview.ShowingScript && !documentChanged && !typedChanged && !windowMoved) return;

  if (windowMoved) {
    Preview.WindowFromMs = std::max(positionMs - kWindowBeforeMs, 0LL);
    Preview.WindowToMs = positionMs + kWindowAfterMs;
  }
  if (documentChanged || windowMoved) {
    // A pass over the subtitles' times and a conversion of those of the stretch: a line may be anywhere in
    // the file (the user writes them in any order).
    Preview.Events = PreviewEventsBetween(Document.Subtitles(), Preview.WindowFromMs, Preview.WindowToMs);
    Preview.EventsValid = true;
  }
  if (typedChanged) {
    const bool entering = !StartTimeButton->Enabled() && !EndTimeButton->Enabled();
    Preview.TypedEntering = entering;
    Preview.TypedInputRevision = Preview.InputRevision;
    Preview.TypedStart = Session.MarkStart();
    Preview.TypedEnd = Session.MarkEnd();
    Preview.TypedStylePart1 = StylePart1();
    Preview.TypedStylePart2 = StylePart2();
    Preview.TypedOmitClosingTag = Document.OmitClosingTag;
    Preview.TypedEvent.clear();
    if (entering) {
      const std::string text = InputEdit->Text();
      if (!text.empty()) {
        // As the commit will write it.
        Preview.TypedEvent =
            PreviewTypedEvent(Session.MarkStart(), Session.MarkEnd(),
                              ComposeStyledLine(StylePart1(), StylePart2(), text, Document.OmitClosingTag));
      }
    }
  }
  Preview.ShowingScript = false;
  Preview.ShowingNothing = false;
  WP->ShowSubtitles(
      PreviewScript(Preview.Events, Preview.WindowFromMs, Preview.WindowToMs, Preview.TypedEvent));
  Preview.ShowingScript = true;
}

}  // namespace titrelle
