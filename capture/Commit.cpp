// Committing a line: Enter in the entry box numbers the line, appends it to both views, saves the file and
// sets up the next line to start where this one ended.
#include <string>

#include "app/Unit1.h"
#include "capture/TimeText.h"
#include "style/StyleStrings.h"

namespace titrelle {

namespace {

// Holds AppendingCommit at 1 for the lifetime of the guard, also when an append throws.
class AppendingCommitGuard {
 public:
  explicit AppendingCommitGuard(CaptureSession& session) : session_(session) { session_.AppendingCommit = 1; }
  ~AppendingCommitGuard() { session_.AppendingCommit = 0; }
  AppendingCommitGuard(const AppendingCommitGuard&) = delete;
  AppendingCommitGuard& operator=(const AppendingCommitGuard&) = delete;

 private:
  CaptureSession& session_;
};

}  // namespace

void TForm1::InputEditKeyDown(KeyEvent& key) {
  if (StartTimeButton->Enabled() || EndTimeButton->Enabled()) return;
  if (key.key != vk::Return) return;
  if (InputEdit->Text().empty()) return;
  CommitLine();
}

void TForm1::CommitLine() {
  ++Session.LineCount;
  const std::string number = std::to_string(Session.LineCount);
  const std::string text = InputEdit->Text();
  {
    // In edit mode the user view is shown and its change handler would take the appended lines for the
    // user's edits; the group is written to the file view below, after the lines already there.
    AppendingCommitGuard appending(Session);
    UserRichEdit->Add(number);
    UserRichEdit->Add(TrimText(Edit1->Text()) + " --> " + TrimText(Edit2->Text()));
    UserRichEdit->Add(text);
    UserRichEdit->Add("");
  }
  TempRichEdit.Add(number);
  TempRichEdit.Add(TrimText(Edit1->Text()) + " --> " + TrimText(Edit2->Text()));
  TempRichEdit.Add(ComposeStyledLine(StylePart1(), StylePart2(), text, Session.OmitClosingTag));
  TempRichEdit.Add("");
  InputEdit->SetText("");

  // The next line starts where the replay last passed this line's end. Before the first jump since F10
  // (paused right after it) that point belongs to an earlier line, or to none: continue from the end mark.
  std::string nextStartText = Session.ResumeStartText;
  long double nextStart = Session.ResumePosition;
  if (Session.ReplayJumpedSinceEndMark == 0) {
    nextStartText = TrimText(Edit2->Text());
    nextStart = Session.MarkEnd;
    Session.ResumeStartText = nextStartText;
    Session.ResumePosition = nextStart;
  }
  Edit1->SetText(nextStartText);
  StartTimeButton->SetEnabled(true);
  EndTimeButton->SetEnabled(true);
  Edit2->SetText(kZeroTimeText);
  Session.MarkStart = nextStart;
  WP->SetCurrentPosition(static_cast<double>(nextStart));
  Session.ContinuePosition = WP->CurrentPosition();
  Session.ContinueStartText = Edit1->Text();
  Session.ContinueEndText = Edit2->Text();
  SaveSubtitleFile();
  Session.EditMode = 0;
}

}  // namespace titrelle
