// The position clock: every tick shows the player's status and position, serves a pending seek after a
// resume and keeps the marked segment repeating. It ticks when something is due (capture/ClockPlan.h) and
// after every event, not every millisecond for nothing.
#include <chrono>
#include <exception>
#include <string>

#include "app/Unit1.h"
#include "capture/ClockPlan.h"
#include "capture/TimeText.h"

namespace titrelle {

namespace {

// A label repainted with the text it already shows is work for nothing, however cheap the shell makes it.
void SetLabelText(Control& label, const std::string& text) {
  if (label.Text() != text) label.SetText(text);
}

}  // namespace

void TForm1::Timer1Timer() {
  // A version of the subtitle file the user kept over this program's is loaded outside the save that asked.
  ServePendingReload();
  // The preview takes up the changes since the last tick: a commit, an edit, a restyle, a resume, a typed
  // character. A player that cannot take it now is asked again on the next change.
  try {
    RefreshPreview();
  } catch (const std::exception&) {
  }
  // A player that fails now may answer again on the next tick; an error report with every frame would
  // bury the window, so a failing tick just shows nothing more.
  try {
    SetLabelText(*Label2, WP->Status() + std::string(21, ' '));
    WatchOpen();
    BuildTimeText();
    if (!Session.LastPositionString().empty()) {
      if (BuildTimeText().size() == 12) SetLabelText(*Label1, BuildTimeText());
    }
    SegmentReplay();
  } catch (const std::exception&) {
  }
}

void TForm1::ClockRang() {
  // The preview follows the position read by the tick before it; the next ring is planned however the tick
  // ends.
  const double previewPosition = Preview.PositionSeconds();
  try {
    Timer1Timer();
  } catch (...) {
    PlanNextTick();
    ClockJustRang = true;
    throw;
  }
  PlanNextTick(Preview.PositionSeconds() != previewPosition);
  ClockJustRang = true;
}

void TForm1::PlanNextTick(bool previewBehind) {
  if (!Timer1) return;
  ClockWake wake;
  try {
    ClockFacts facts;
    facts.playing = WP && WP->PlayState() == MediaPlayer::kPlayStatePlaying;
    facts.pendingSeek = Session.PendingSeek();
    facts.markStart = Session.MarkStart();
    facts.markEnd = Session.MarkEnd();
    if (facts.playing && ReplayArmed(facts.markStart, facts.markEnd)) facts.position = WP->CurrentPosition();
    facts.frameInterval = Timer1->FrameInterval();
    wake = NextClockWake(facts);
  } catch (const std::exception&) {
    // A player that fails now may answer again soon: asked again with the next frame.
    wake.when = ClockWake::When::NextFrame;
  }
  Timer1->KeepPrecise(wake.replayArmed);
  switch (wake.when) {
    case ClockWake::When::OnEvent:
      // A position moved while nothing plays (a seek, a click in edit mode) reaches the preview at once.
      if (previewBehind) {
        Timer1->WakeAfter(std::chrono::microseconds(0));
      } else {
        Timer1->Sleep();
      }
      break;
    case ClockWake::When::NextFrame:
      Timer1->WakeAtNextFrame();
      break;
    case ClockWake::When::After:
      Timer1->WakeAfter(wake.after);
      break;
  }
}

void TForm1::WakeClockAfterEvent() {
  if (Timer1) Timer1->WakeAfter(std::chrono::microseconds(0));
}

namespace {

// The play states of a player that has run to the end of its media and stays there: stopped (a player that
// reports no end of its own) and media ended. A stop of the program's own goes back to the start.
constexpr int kPlayStateStopped = 1;
constexpr int kPlayStateMediaEnded = 8;
constexpr int kPlayStatePaused = 2;

bool StandsAtTheEnd(int playState) {
  return playState == kPlayStateStopped || playState == kPlayStateMediaEnded;
}

// A resumed file whose last line ends after the video's end: the pending seek reached the end instead, where
// the video would stop on its own and F8 would continue at a time the video never reaches. The user hears of
// it, and the video waits at its end, where capturing goes on.
void StopAtTheVideosEndIfShorter(TForm1& form) {
  constexpr long double kOneMs = 0.001L;
  if (!(form.WP->CurrentPosition() < form.Session.ContinuePosition() - kOneMs)) return;
  form.WP->Pause();
  const std::string lastEnd = TrimText(form.Session.ContinueStartText());
  form.Session.SetContinuePosition(form.WP->CurrentPosition());
  form.Session.SetContinueStartText(form.BuildTimeText());
  // 字幕文件的最后一句结束于 %s，晚于视频的结尾 %s：视频停在结尾处。
  form.ShowNotice(
      "\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xB5\xC4\xD7\xEE\xBA\xF3\xD2\xBB\xBE\xE4\xBD\xE1\xCA\xF8\xD3\xDA " +
      lastEnd + "\xA3\xAC\xCD\xED\xD3\xDA\xCA\xD3\xC6\xB5\xB5\xC4\xBD\xE1\xCE\xB2 " +
      form.Session.ContinueStartText() +
      "\xA3\xBA\xCA\xD3\xC6\xB5\xCD\xA3\xD4\xDA\xBD\xE1\xCE\xB2\xB4\xA6\xA1\xA3");
}

}  // namespace

std::string TForm1::BuildTimeText() {
  // The player may take a while to open the resumed video: ask again on every build until it plays.
  if (Session.PendingSeek()) {
    WP->SetCurrentPosition(static_cast<double>(Session.ContinuePosition()));
    WP->Play();
    if (WP->PlayState() == MediaPlayer::kPlayStatePlaying) {
      Session.CancelPendingSeek();
      StopAtTheVideosEndIfShorter(*this);
    }
  }
  const std::string positionString = WP->CurrentPositionString();
  Session.SetLastPositionString(positionString);
  const double position = WP->CurrentPosition();
  Preview.PositionRead(position);
  std::string timeText = ComposeTimeText(positionString, position);
  // A mark taken before any media played shows ":0" only until the next build.
  if (Edit1->Text() == kNoPositionText) Edit1->SetText(kZeroTimeText);
  if (Edit2->Text() == kNoPositionText) Edit2->SetText(kZeroTimeText);
  return timeText;
}

void TForm1::SegmentReplay() {
  if (!(Session.MarkStart() > 0 && Session.MarkEnd() > 0 && Session.MarkStart() < Session.MarkEnd())) return;
  const long double position = WP->CurrentPosition();
  if (position < Session.MarkEnd()) return;
  // A paused player is where the user put it: a look past the line's end (a click on the timeline, a step)
  // stays there. Playing on from there, the replay takes it back.
  if (WP->PlayState() == kPlayStatePaused) return;
  // A line marked up to the video's end is never passed: the player stops on the mark. It repeats all the
  // same, from its start, playing again.
  const bool ended = StandsAtTheEnd(WP->PlayState());
  if (!(position > Session.MarkEnd()) && !ended) return;
  Session.SetResumeStartText(BuildTimeText());
  Session.SetResumePosition(WP->CurrentPosition());
  WP->SetCurrentPosition(static_cast<double>(Session.MarkStart()));
  if (ended) WP->Play();
  Session.SetReplayJumpedSinceEndMark(true);
}

}  // namespace titrelle
