// Marking a line: F9 marks its start and starts playback, F10 marks its end and moves to text entry; both
// land on the speech where the check box under the video says so.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "app/Unit1.h"
#include "base/Error.h"
#include "capture/SnapLag.h"
#include "capture/SpeechSnapSetting.h"
#include "capture/SubtitleTime.h"
#include "capture/TimeText.h"

namespace titrelle {

namespace {

// A position below this is the video's first frame (a frame lasts 40 ms at 25 frames a second).
constexpr long double kFirstFrameSeconds = 0.04L;

// 起点对齐语音：提前 0.26 秒 (终点: the end; 推迟: moved later), code page 936.
std::string SpeechEdgeNotice(bool start, long double keyed, long double marked) {
  const long double moved = keyed - marked;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(moved < 0 ? -moved : moved));
  return std::string(start ? "\xC6\xF0\xB5\xE3" : "\xD6\xD5\xB5\xE3") +
         "\xB6\xD4\xC6\xEB\xD3\xEF\xD2\xF4\xA3\xBA" +
         (moved < 0 ? "\xCD\xC6\xB3\xD9 " : "\xCC\xE1\xC7\xB0 ") + seconds + " \xC3\xEB";
}

}  // namespace

std::optional<SubtitleTime> TForm1::MarkOnSpeech(long double keyed, bool start, long double after) {
  const SpeechEdge edge = start ? SpeechEdge::Onset : SpeechEdge::Offset;
  const std::optional<double> found =
      FindSpeechEdgeAfterLag(WP->DecodedPeaks(), static_cast<double>(keyed), edge, SpeechSnap.lag);
  if (!found || *found <= after) return std::nullopt;
  const std::optional<SubtitleTime> mark = SubtitleTime::FromMilliseconds(std::llround(*found * 1000));
  if (!mark) return std::nullopt;
  ShowNotice(SpeechEdgeNotice(start, keyed, mark->Seconds()));
  // The lag is a help, not a duty: a store that takes nothing leaves the mark as it is.
  SpeechSnap.lag.Add(static_cast<double>(keyed), *found);
  try {
    WriteSpeechLag(Ws.Registry(), SpeechSnap.lag);
  } catch (const Error&) {
  }
  return mark;
}

void TForm1::StartTimeButtonClick(bool onSpeech) {
  WP->Play();
  Session.SetKeyedStart({});
  const bool firstMark = TrimText(Edit1->Text()) == kNoPositionText || Edit1->Text() == kZeroTimeText;
  if (firstMark && WP->CurrentPosition() < kFirstFrameSeconds) {
    // The first line of a document marked at the start of the video starts at 00:00:00:001; the small
    // offset keeps MarkStart above 0 even at position 0, which the segment replay needs. Anywhere else the
    // first mark is the position, as every later mark is.
    Session.SetMarkStart(static_cast<long double>(WP->CurrentPosition()) + 0.00101L);
    Edit1->SetText(kFirstStartTimeText);
  } else {
    Edit1->SetText(BuildTimeText());
    Session.SetMarkStart(WP->CurrentPosition());
    // Never onto the video's first frame, which only the first line's own start takes.
    const std::optional<SubtitleTime> edge =
        onSpeech && SpeechSnap.on ? MarkOnSpeech(Session.MarkStart(), true, kFirstFrameSeconds) : std::nullopt;
    if (edge) {
      Session.SetKeyedStart({Session.MarkStart(), edge->Seconds()});
      Session.SetMarkStart(edge->Seconds());
      Edit1->SetText(edge->Text(TimeLayout::Program));
    }
  }
}

void TForm1::EndTimeButtonClick(bool onSpeech) {
  Session.SetReplayJumpedSinceEndMark(false);
  Session.SetKeyedEnd({});
  Session.SetMarkEnd(WP->CurrentPosition());
  Edit2->SetText(BuildTimeText());
  // Never onto or before the line's start.
  const std::optional<SubtitleTime> edge =
      onSpeech && SpeechSnap.on ? MarkOnSpeech(Session.MarkEnd(), false, Session.MarkStart()) : std::nullopt;
  if (edge) {
    Session.SetKeyedEnd({Session.MarkEnd(), edge->Seconds()});
    Session.SetMarkEnd(edge->Seconds());
    Edit2->SetText(edge->Text(TimeLayout::Program));
  }
  BeginTextEntry();
}

void TForm1::BeginTextEntry() {
  if (!EndTimeButton->Enabled()) return;
  InputEdit->SetFocus();
  StartTimeButton->SetEnabled(false);
  EndTimeButton->SetEnabled(false);
}

bool TForm1::EnteringText() const { return !StartTimeButton->Enabled() && !EndTimeButton->Enabled(); }

void TForm1::ResetCaptureDisplay() {
  Label1->SetText(kZeroTimeText);
  Edit1->SetText(kZeroTimeText);
  Edit2->SetText(kZeroTimeText);
  Session.SetLineCount(0);
  Session.ForgetKeys();
  if (UserRichEdit->Count() == 0) {
    StartTimeButton->SetEnabled(true);
    EndTimeButton->SetEnabled(true);
  }
}

void TForm1::LoadSpeechSnapChoice() {
  SpeechSnap.on = ReadSpeechSnapChoice(Ws.Registry());
  SpeechSnap.lag = ReadSpeechLag(Ws.Registry());
  // The check box tells its change as a click; the handler sees nothing new in it.
  SpeechSnapCheckBox->SetChecked(SpeechSnap.on);
}

void TForm1::SpeechSnapCheckBoxClick() {
  const bool on = SpeechSnapCheckBox->Checked();
  if (on == SpeechSnap.on) return;
  SpeechSnap.on = on;
  // A click while typing a line leaves the typing where it was.
  if (!StartTimeButton->Enabled() && !EndTimeButton->Enabled()) InputEdit->SetFocus();
  WriteSpeechSnapChoice(Ws.Registry(), on);
}

}  // namespace titrelle
