// The position clock: every tick shows the player's status and position, serves a pending seek after a
// resume and keeps the marked segment repeating.
#include <exception>
#include <string>

#include "app/Unit1.h"
#include "capture/TimeText.h"

namespace titrelle {

void TForm1::Timer1Timer() {
  // The preview takes up the changes since the last tick: a commit, an edit, a restyle, a resume, a typed
  // character. A player that cannot take it now is asked again on the next change.
  try {
    RefreshPreview();
  } catch (const std::exception&) {
  }
  // A player that fails now may answer again on the next tick; an error report every millisecond would
  // bury the window, so a failing tick just shows nothing more.
  try {
    Label2->SetText(WP->Status() + std::string(21, ' '));
    // A file the player cannot open is no dead end: the open button comes back; the status says why.
    if (WatchingOpen != 0 && WP->CannotOpen()) {
      WatchingOpen = 0;
      OpenButton->SetEnabled(true);
      // 无法打开这个文件，请重新选择视频。
      ShowNotice(
          "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xD5\xE2\xB8\xF6\xCE\xC4\xBC\xFE\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2"
          "\xD1\xA1"
          "\xD4\xF1\xCA\xD3\xC6\xB5\xA1\xA3");
    }
    BuildTimeText();
    if (!Session.LastPositionString.empty()) {
      if (BuildTimeText().size() == 12) Label1->SetText(BuildTimeText());
    }
    SegmentReplay();
  } catch (const std::exception&) {
  }
}

std::string TForm1::BuildTimeText() {
  // The player may take a while to open the resumed video: ask again on every build until it plays.
  if (Session.PendingSeek == 1) {
    WP->SetCurrentPosition(static_cast<double>(Session.ContinuePosition));
    WP->Play();
    if (WP->PlayState() == MediaPlayer::kPlayStatePlaying) Session.PendingSeek = 0;
  }
  const std::string positionString = WP->CurrentPositionString();
  Session.LastPositionString = positionString;
  const double position = WP->CurrentPosition();
  Preview.PositionSeconds = position;
  std::string timeText = ComposeTimeText(positionString, position);
  // A mark taken before any media played shows ":0" only until the next build.
  if (Edit1->Text() == kNoPositionText) Edit1->SetText(kZeroTimeText);
  if (Edit2->Text() == kNoPositionText) Edit2->SetText(kZeroTimeText);
  return timeText;
}

void TForm1::SegmentReplay() {
  if (!(Session.MarkStart > 0 && Session.MarkEnd > 0 && Session.MarkStart < Session.MarkEnd)) return;
  const long double position = WP->CurrentPosition();
  if (!(position > Session.MarkEnd)) return;
  Session.ResumeStartText = BuildTimeText();
  Session.ResumePosition = WP->CurrentPosition();
  WP->SetCurrentPosition(static_cast<double>(Session.MarkStart));
  Session.ReplayJumpedSinceEndMark = 1;
}

}  // namespace titrelle
