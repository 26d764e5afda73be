#pragma once
// The main window's capture state: the line being marked, where the next line goes on, the numbering, a
// seek waiting for the player, and whether the window is in edit mode. All 0 or empty at program start.
// Capture's handlers change it step by step; the other folders ask it what they need.
#include <string>
#include <utility>

namespace titrelle {

class CaptureSession {
 public:
  // The line being marked, in seconds of the video (0: not marked yet).
  long double MarkStart() const { return markStart_; }
  long double MarkEnd() const { return markEnd_; }
  void SetMarkStart(long double seconds) { markStart_ = seconds; }
  void SetMarkEnd(long double seconds) { markEnd_ = seconds; }

  // Where the segment replay last passed the line's end: the next line starts there.
  const std::string& ResumeStartText() const { return resumeStartText_; }
  long double ResumePosition() const { return resumePosition_; }
  void SetResumeStartText(std::string text) { resumeStartText_ = std::move(text); }
  void SetResumePosition(long double seconds) { resumePosition_ = seconds; }
  // Whether the segment replay has jumped back since the last end mark: a commit before the first jump
  // continues from the marked end, not from a jump that belongs to an earlier line.
  bool ReplayJumpedSinceEndMark() const { return replayJumpedSinceEndMark_; }
  void SetReplayJumpedSinceEndMark(bool jumped) { replayJumpedSinceEndMark_ = jumped; }

  // Where F8 goes on capturing: the position and the boxes' texts.
  long double ContinuePosition() const { return continuePosition_; }
  const std::string& ContinueStartText() const { return continueStartText_; }
  const std::string& ContinueEndText() const { return continueEndText_; }
  void SetContinuePosition(long double seconds) { continuePosition_ = seconds; }
  void SetContinueStartText(std::string text) { continueStartText_ = std::move(text); }
  void SetContinueEndText(std::string text) { continueEndText_ = std::move(text); }

  // The number of the last line committed since the video was opened.
  int LineCount() const { return lineCount_; }
  void SetLineCount(int count) { lineCount_ = count; }

  // The player's position string at the last time text built.
  const std::string& LastPositionString() const { return lastPositionString_; }
  void SetLastPositionString(std::string text) { lastPositionString_ = std::move(text); }

  // After a resume, the player goes to where F8 continues as soon as it plays.
  bool PendingSeek() const { return pendingSeek_; }
  void SeekWhenPlaying() { pendingSeek_ = true; }
  void CancelPendingSeek() { pendingSeek_ = false; }

  // Edit mode: the user view shown, the mark buttons disabled (F7 until F8 or a commit).
  bool InEditMode() const { return editMode_; }
  void EnterEditMode() { editMode_ = true; }
  void LeaveEditMode() { editMode_ = false; }

  // A mark that moved onto the speech: where its key was pressed and where the mark went (0: none). The
  // timeline shows the key beside the mark while the mark stands, and those of the line committed last.
  struct KeyedMark {
    long double keyedAt = 0;
    long double markedAt = 0;
    bool operator==(const KeyedMark&) const = default;
  };
  const KeyedMark& KeyedStart() const { return keyedStart_; }
  const KeyedMark& KeyedEnd() const { return keyedEnd_; }
  const KeyedMark& CommittedKeyedStart() const { return committedKeyedStart_; }
  const KeyedMark& CommittedKeyedEnd() const { return committedKeyedEnd_; }
  void SetKeyedStart(const KeyedMark& mark) { keyedStart_ = mark; }
  void SetKeyedEnd(const KeyedMark& mark) { keyedEnd_ = mark; }
  void SetCommittedKeyedStart(const KeyedMark& mark) { committedKeyedStart_ = mark; }
  void SetCommittedKeyedEnd(const KeyedMark& mark) { committedKeyedEnd_ = mark; }
  // The line is committed: its keys become the last line's, the next line has none yet.
  void KeysCommitted() {
    committedKeyedStart_ = std::exchange(keyedStart_, {});
    committedKeyedEnd_ = std::exchange(keyedEnd_, {});
  }
  void ForgetKeys() { keyedStart_ = keyedEnd_ = committedKeyedStart_ = committedKeyedEnd_ = {}; }

  // The window shown: no line counted, no seek pending, capturing.
  void Restart();

 private:
  long double markStart_ = 0;
  long double markEnd_ = 0;
  std::string resumeStartText_;
  long double resumePosition_ = 0;
  bool replayJumpedSinceEndMark_ = false;
  long double continuePosition_ = 0;
  std::string continueStartText_;
  std::string continueEndText_;
  int lineCount_ = 0;
  std::string lastPositionString_;
  bool pendingSeek_ = false;
  bool editMode_ = false;
  KeyedMark keyedStart_;
  KeyedMark keyedEnd_;
  KeyedMark committedKeyedStart_;
  KeyedMark committedKeyedEnd_;
};

}  // namespace titrelle
