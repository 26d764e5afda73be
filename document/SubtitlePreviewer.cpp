#include "document/SubtitlePreviewer.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "media/MediaPlayer.h"
#include "style/StyleStrings.h"
#include "ui/Controls.h"

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

// The segment MarkStart..MarkEnd repeats while the line is typed.
bool SubtitlePreviewer::TypedLineChanged(const TypedLine& typed) const {
  if (typed.entering != typedEntering_) return true;
  if (!typed.entering) return false;
  return typedInputRevision_ != inputRevision_ || typedStart_ != typed.start || typedEnd_ != typed.end ||
         typedStylePart1_ != typed.stylePart1 || typedStylePart2_ != typed.stylePart2 ||
         typedOmitClosingTag_ != typed.omitClosingTag;
}

void SubtitlePreviewer::Refresh(MediaPlayer& player, const SubtitleIndex& subtitles, const TypedLine& typed,
                                const Control& entryBox) {
  if (!on_) {
    if (showingNothing_) return;
    player.ShowNothing();
    showingNothing_ = true;
    showingScript_ = false;
    return;
  }
  // The document tells each change of its subtitles (app/Unit1.cpp): nothing of it is compared here.
  const bool documentChanged = !eventsValid_;
  const bool typedChanged = TypedLineChanged(typed);
  const long long positionMs = std::llround(positionSeconds_ * 1000);
  const bool windowMoved = OutsideWindow(positionMs, windowFromMs_, windowToMs_);
  if (showingScript_ && !documentChanged && !typedChanged && !windowMoved) return;

  if (windowMoved) {
    windowFromMs_ = std::max(positionMs - kWindowBeforeMs, 0LL);
    windowToMs_ = positionMs + kWindowAfterMs;
  }
  if (documentChanged || windowMoved) {
    // A pass over the subtitles' times and a conversion of those of the stretch: a line may be anywhere in
    // the file (the user writes them in any order).
    events_ = PreviewEventsBetween(subtitles, windowFromMs_, windowToMs_);
    eventsValid_ = true;
  }
  if (typedChanged) {
    typedEntering_ = typed.entering;
    typedInputRevision_ = inputRevision_;
    typedStart_ = typed.start;
    typedEnd_ = typed.end;
    typedStylePart1_ = typed.stylePart1;
    typedStylePart2_ = typed.stylePart2;
    typedOmitClosingTag_ = typed.omitClosingTag;
    typedEvent_.clear();
    if (typed.entering) {
      const std::string text = entryBox.Text();
      if (!text.empty()) {
        // As the commit will write it.
        typedEvent_ = PreviewTypedEvent(
            typed.start, typed.end,
            ComposeStyledLine(typed.stylePart1, typed.stylePart2, text, typed.omitClosingTag));
      }
    }
  }
  showingScript_ = false;
  showingNothing_ = false;
  player.ShowSubtitles(PreviewScript(events_, windowFromMs_, windowToMs_, typedEvent_));
  showingScript_ = true;
}

}  // namespace titrelle
