// The keys of the main window: looked up in the key table, run as its commands.
#include <algorithm>
#include <exception>

#include "app/Unit1.h"

namespace titrelle {

namespace {

constexpr long double kStepSeconds = 2.0L;
constexpr long double kFineStepSeconds = 0.2L;
constexpr long long kNudgeMs = 100;

}  // namespace

bool TForm1::KeyDown(KeyEvent& key, unsigned place) {
  const KeyBinding* binding = FindKeyBinding(key.key, key.shift, place, Session.InEditMode());
  if (!binding) return false;
  // A resume still loading: no command may touch the half-loaded views (the line in the entry box waits).
  if (RefusedWhileResuming()) {
    key.swallowed = true;
    return true;
  }
  // A held key whose command must not run again is still the table's: the control does not get it either.
  if (key.repeat && !binding->onRepeat) {
    key.swallowed = binding->keepsKey;
    return true;
  }
  const bool keepsKey = binding->keepsKey;
  if (!RunKeyCommand(binding->command, place, key)) return false;
  if (keepsKey) key.swallowed = true;
  return true;
}

bool TForm1::RunKeyCommand(KeyCommand command, unsigned place, KeyEvent& key) {
  switch (command) {
    case KeyCommand::MarkStart:
    case KeyCommand::MarkStartAsKeyed:
      if (StartTimeButton->Enabled()) {
        StartTimeButtonClick(command == KeyCommand::MarkStart);
        StartTimeButton->SetFocus();
      }
      return true;
    case KeyCommand::MarkEnd:
    case KeyCommand::MarkEndAsKeyed:
      if (EndTimeButton->Enabled()) EndTimeButtonClick(command == KeyCommand::MarkEnd);
      return true;
    case KeyCommand::EnterEditMode:
      EditButtonClick();
      return true;
    case KeyCommand::ContinueCapture:
      ContinueButtonClick();
      return true;
    case KeyCommand::CommitLine:
      EntryBoxEnter(key);
      return true;
    case KeyCommand::Undo:
    case KeyCommand::Redo:
      // The entry box keeps them while it holds text, so that Enter, then Ctrl+Z, takes the line back. Typing
      // in the user view is in the history, so there they are always the history's.
      if (place == keyplace::EntryBox && !InputEdit->Text().empty()) return false;
      // The key is the history's, whether or not there is anything to take back.
      if (command == KeyCommand::Undo) {
        UndoDocument();
      } else {
        RedoDocument();
      }
      return true;
    case KeyCommand::PlayPause:
      TogglePlay();
      return true;
    case KeyCommand::StepBack:
      StepPlayer(-kStepSeconds);
      return true;
    case KeyCommand::StepForward:
      StepPlayer(kStepSeconds);
      return true;
    case KeyCommand::FineStepBack:
      StepPlayer(-kFineStepSeconds);
      return true;
    case KeyCommand::FineStepForward:
      StepPlayer(kFineStepSeconds);
      return true;
    case KeyCommand::StartFromPosition:
      RetimeCaretSubtitleFromPosition(false);
      return true;
    case KeyCommand::EndFromPosition:
      RetimeCaretSubtitleFromPosition(true);
      return true;
    case KeyCommand::StartEarlier:
      RetimeCaretSubtitle(false, -kNudgeMs);
      return true;
    case KeyCommand::StartLater:
      RetimeCaretSubtitle(false, kNudgeMs);
      return true;
    case KeyCommand::EndEarlier:
      RetimeCaretSubtitle(true, -kNudgeMs);
      return true;
    case KeyCommand::EndLater:
      RetimeCaretSubtitle(true, kNudgeMs);
      return true;
    case KeyCommand::DeleteSubtitle:
      if (place == keyplace::Table) {
        DeleteTableRows();
      } else {
        DeleteCaretSubtitle();
      }
      return true;
    case KeyCommand::SnapToSpeech:
      SnapSubtitlesToSpeech(place == keyplace::Table);
      return true;
    case KeyCommand::InsertSubtitle:
      if (place == keyplace::Table) {
        InsertSubtitleAfterTableRow();
      } else {
        InsertSubtitleAfterCaret();
      }
      return true;
    case KeyCommand::KeyHelp:
      ShowKeyHelp();
      return true;
  }
  return false;
}

void TForm1::HistoryActed() { CloseTyping(); }

void TForm1::UndoDocument() {
  Document.History.Undo();
  HistoryActed();
}

void TForm1::RedoDocument() {
  Document.History.Redo();
  HistoryActed();
}

void TForm1::ShowHistoryState() {
  if (Bar) Bar->ShowHistory(Document.History.CanUndo(), Document.History.CanRedo());
}

void TForm1::ShowKeyHelp() { Ws.ShowKeyHelp(KeyHelpLines()); }

// A player that refuses a call stays as it was; the status line shows what it reports.
void TForm1::TogglePlay() {
  try {
    if (WP->PlayState() == MediaPlayer::kPlayStatePlaying) {
      WP->Pause();
    } else {
      WP->Play();
    }
  } catch (const std::exception&) {
  }
}

void TForm1::StepPlayer(long double seconds) {
  // As a seek with the player's own bar: a step during the segment replay is brought back at the end mark.
  try {
    long double position = std::max(static_cast<long double>(WP->CurrentPosition()) + seconds, 0.0L);
    const double duration = WP->Duration();
    if (duration > 0) position = std::min(position, static_cast<long double>(duration));
    WP->SetCurrentPosition(static_cast<double>(position));
  } catch (const std::exception&) {
  }
}

}  // namespace titrelle
