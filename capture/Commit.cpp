// Committing a line: Enter in the entry box numbers the line, appends it to both views, saves the file and
// sets up the next line to start where this one ended.
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/Unit1.h"
#include "base/Error.h"
#include "base/ProgramChange.h"
#include "capture/CommitCommand.h"
#include "capture/TimeText.h"
#include "document/TimeLine.h"
#include "style/StyleStrings.h"

namespace titrelle {

namespace {

// Whether an append starts on the listing's last line: the text is empty or ends with a break.
bool EndsOnEmptyLine(std::string_view text) { return text.empty() || text.ends_with("\r\n"); }

}  // namespace

void TForm1::InputEditKeyDown(KeyEvent& key) { KeyDown(key, keyplace::EntryBox); }

void TForm1::EntryBoxEnter(KeyEvent& key) {
  if (StartTimeButton->Enabled() || EndTimeButton->Enabled()) return;
  if (InputEdit->Text().empty()) return;
  // A line whose end is not after its start would never show: it stays in the entry box until F10 marks
  // an end. (Boxes that hold no time are left to the commit as they are.)
  try {
    if (TimeTextToSeconds(TrimText(Edit2->Text())) <= TimeTextToSeconds(TrimText(Edit1->Text()))) {
      // 终止时间须晚于起始时间：请先按 F10 标出本句的终止时间。
      ShowNotice(
          "\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xD0\xEB\xCD\xED\xD3\xDA\xC6\xF0\xCA\xBC\xCA\xB1\xBC\xE4\xA3\xBA"
          "\xC7\xEB\xCF"
          "\xC8\xB0\xB4 F10 "
          "\xB1\xEA\xB3\xF6\xB1\xBE\xBE\xE4\xB5\xC4\xD6\xD5\xD6\xB9\xCA\xB1\xBC\xE4\xA1\xA3");
      EndTimeButton->SetEnabled(true);
      key.swallowed = true;
      return;
    }
  } catch (const Error&) {
  }
  CommitLine();
}

void TForm1::CommitLine() {
  // The commit is one step of the document's history: Ctrl+Z takes the line back out.
  auto command = std::make_unique<CommitCommand>(*this);
  Session.SetLineCount(Session.LineCount() + 1);
  const std::string number = std::to_string(Session.LineCount());
  const std::string text = InputEdit->Text();
  {
    // In edit mode the user view is shown and its change handler would take the appended lines for the
    // user's edits; and a half-written group is not worth a save of the whole file per line (10,000
    // subtitles make every save a large write): the group is saved once, when it is complete.
    ProgramChange appending(Document.AppendingCommit);
    // A loaded file may end, without a break, on a line of markup alone: the user view shows that line as
    // the empty one after its final break, where its append would put the number, while the file view
    // starts the group on a new line. The user view then breaks first and, like the file view, gets no
    // separator line, or every line of the group would sit one line off its file-view line.
    // (The view ends on its empty last piece when it counts as many lines as breaks: no need to read its
    // text.)
    const bool userViewEndsOnEmptyLine = UserRichEdit->Count() == UserRichEdit->BreakCount();
    const bool breakFirst = userViewEndsOnEmptyLine && !EndsOnEmptyLine(Document.TempRichEdit.Text());
    // The snapshot of the user view (undoing joins and splits) takes the same appends: no line of it is
    // read back from the view.
    const auto appendToUserView = [this, &command](const std::string& line) {
      UserRichEdit->Add(line);
      Editing.UserViewSnapshot().Add(line);
      command->AppendedToUserView(line);
    };
    if (breakFirst) appendToUserView("");
    const std::string timeLine = ComposeTimeLine(Edit1->Text(), Edit2->Text());
    appendToUserView(number);
    appendToUserView(timeLine);
    appendToUserView(text);
    if (!breakFirst) appendToUserView("");
    // One change of the file view: its subtitles gain the new one at once, never a half-written group.
    const std::string styledLine =
        ComposeStyledLine(StylePart1(), StylePart2(), text, Document.OmitClosingTag);
    Document.TempRichEdit.AddLines({number, timeLine, styledLine, ""});
  }
  command->GroupAppended();
  try {
    SetUpNextLine();
  } catch (...) {
    // A failing player must not cost the line just written: it reaches the file as any change would.
    command->NextLineSet();
    Document.History.Done(std::move(command));
    Document.TempRichEditChange();
    throw;
  }
  command->NextLineSet();
  Document.History.Done(std::move(command));
  HistoryActed();
  // 第N句已保存：FILE (not when another writer's change held the save back: the caption says so)
  if (Document.SaveSubtitleFile()) {
    ShowNotice("\xB5\xDA" + number + "\xBE\xE4\xD2\xD1\xB1\xA3\xB4\xE6\xA3\xBA" +
               Ws.Files().DisplayName(Document.SubtitlePath.filename()));
  }
  Session.LeaveEditMode();
}

// Right after a resume nothing has been marked: the end box shows the resumed file's last end, and that is
// where the next line goes on, not the start of the video (a replay from 0 would follow the next F10).
long double TForm1::EndBoxSeconds() {
  try {
    return TimeTextToSeconds(TrimText(Edit2->Text()));
  } catch (const Error&) {
    return 0;
  }
}

void TForm1::SetUpNextLine() {
  InputEdit->SetText("");
  // The next line starts where the replay last passed this line's end. Before the first jump since F10
  // (paused right after it) that point belongs to an earlier line, or to none: continue from the end mark.
  if (!Session.ReplayJumpedSinceEndMark()) {
    Session.SetResumeStartText(TrimText(Edit2->Text()));
    Session.SetResumePosition(Session.MarkEnd() > 0 ? Session.MarkEnd() : EndBoxSeconds());
  }
  Edit1->SetText(Session.ResumeStartText());
  StartTimeButton->SetEnabled(true);
  EndTimeButton->SetEnabled(true);
  Edit2->SetText(kZeroTimeText);
  Session.SetMarkStart(Session.ResumePosition());
  Session.KeysCommitted();
  WP->SetCurrentPosition(static_cast<double>(Session.ResumePosition()));
  Session.SetContinuePosition(WP->CurrentPosition());
  Session.SetContinueStartText(Edit1->Text());
  Session.SetContinueEndText(Edit2->Text());
}

}  // namespace titrelle
