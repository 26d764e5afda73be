// Writing the user's edits in the user view back into the file view, which saves the subtitle file.
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "app/Unit1.h"
#include "base/ProgramChange.h"
#include "editing/TypingCommand.h"
#include "editing/UserViewLines.h"
#include "style/StyleStrings.h"

namespace titrelle {

namespace {

// The number of pieces between breaks, the empty one after a final break included: two listings with the
// same pieces hold their lines at the same indices.
int PieceCount(const Listing& listing) {
  const std::string& text = listing.Text();
  const bool endsWithBreak = text.empty() || text.back() == '\n' || text.back() == '\r';
  return listing.Count() + (endsWithBreak ? 1 : 0);
}

// Sets piece `index` of a listing of at least index + 1 pieces: a line, or the empty piece after a final
// break. True when it read otherwise.
bool SetPiece(Listing& listing, int index, std::string_view line) {
  if (index < listing.Count()) {
    if (listing.LineView(index) == line) return false;
    listing.ReplaceLine(index, line);
  } else {
    if (line.empty()) return false;
    listing.SetListingText(listing.Text() + std::string(line));
  }
  return true;
}

}  // namespace

void TForm1::RefreshUserViewSnapshot() { Editing.UserViewSnapshot().SetListingText(UserRichEdit->Text()); }

void TForm1::UserRichEditChange() {
  if (Editing.UserViewBeingRestored()) return;
  // The program's own changes: CommitLine and the resume keep the snapshot themselves.
  if (Document.LoadingFile != 0 || Document.AppendingCommit != 0) return;
  // Both views must keep the same lines, or every later write-back would land on the wrong line. The key
  // guard stops typed joins and splits; whatever else changed the number of lines (a paste holding line
  // breaks, a selection across lines) is undone here.
  const int pieces = UserRichEdit->BreakCount() + 1;
  if (pieces != PieceCount(Document.TempRichEdit)) {
    auto restoring = Editing.RestoringUserView();
    UserRichEdit->Clear();
    UserRichEdit->SetListingText(Editing.UserViewSnapshot().Text());
    return;
  }
  // With the lines where they were, an edit changes the caret's line. A snapshot holding another number of
  // lines missed a change the program made (the open empties the view): it is read anew, once.
  const int caretLine = UserRichEdit->CaretLine();
  if (pieces == PieceCount(Editing.UserViewSnapshot()) && caretLine >= 0 && caretLine < pieces) {
    // The line as it was is copied only for a key that opens a typing step: the step open on this line
    // has it from its first key, and a line may hold megabytes.
    TypingKey key;
    key.line = caretLine;
    key.openStep = Editing.OpenTypingStep();
    key.historyChanges = Document.History.Changes();
    if (key.openStep == nullptr || key.openStep->Line() != caretLine) {
      key.before = TypingCommand::Lines{std::string(Document.TempRichEdit.PiecesView(caretLine, 1)),
                                        std::string(Editing.UserViewSnapshot().PiecesView(caretLine, 1))};
    }
    key.changed = SetPiece(Editing.UserViewSnapshot(), caretLine, UserViewLine(*UserRichEdit, caretLine));
    if (WriteBackEdit()) key.changed = true;
    RecordTyping(std::move(key));
  } else {
    RefreshUserViewSnapshot();
    WriteBackEdit();
  }
}

void TForm1::RecordTyping(TypingKey key) {
  if (!key.changed) return;
  // The step still open takes the key when it is the history's last and the caret has stayed on its line.
  if (TypingCommand* const open = Editing.OpenTypingStep(); open != nullptr && open->Line() == key.line) {
    open->TakeAfter();
  } else {
    if (!key.before) {
      // The step the key went into closed while the key was saved (a message the save showed let the pause
      // pass): its last key left the line as it was before this one, unless the history changed meanwhile.
      if (key.openStep == nullptr || Document.History.Changes() != key.historyChanges) return;
      key.before = key.openStep->After();
    }
    auto command = std::make_unique<TypingCommand>(*this, key.line, std::move(*key.before));
    command->TakeAfter();
    TypingCommand* const typing = command.get();
    Document.History.Done(std::move(command));
    Editing.TypingStepOpened(typing);
  }
  // A pause closes the step: the next key starts another.
  Editing.KeyTyped();
}

void TForm1::CloseTyping() { Editing.CloseTyping(); }

void TForm1::CloseTypingOffItsLine() {
  if (const TypingCommand* open = Editing.OpenTypingStep();
      open != nullptr && UserRichEdit->CaretLine() != open->Line())
    CloseTyping();
}

bool TForm1::WriteBackEdit() {
  bool changed = false;
  try {
    const int caretLine = UserRichEdit->CaretLine();
    Editing.SetCaretLine(caretLine);
    const bool textLine = caretLine > 0 && UserViewTimeLine(*UserRichEdit, caretLine - 1);
    const std::string_view newText = UserViewLine(*UserRichEdit, caretLine);
    bool timeLine = IsTimeLine(newText);
    if (timeLine && textLine) {
      // Two arrows in a row (a subtitle text holding "-->"): the file view tells which line this is, since
      // it holds a text line with its style markup and every other line as the user sees it.
      timeLine = Document.TempRichEdit.LineView(caretLine) == Editing.CaretLineText();
    }
    if (timeLine) {
      // Only the caret's own line: another line may hold the same text (two subtitles with equal times).
      // A copy: saving the file view may show a message, whose events may change the user view.
      const std::string line(newText);
      changed = Document.TempRichEdit.LineView(caretLine) != line;
      Document.History.DropRedo();
      Document.TempRichEdit.ReplaceLine(caretLine, line);
      Editing.SetCaretLineText(line);
    } else if (textLine) {
      if (UserRichEdit->Visible()) Session.EnterEditMode();
      if (Session.InEditMode()) {
        const std::string line =
            ComposeStyledLine(StylePart1(), StylePart2(), newText, Document.OmitClosingTag);
        changed = Document.TempRichEdit.LineView(caretLine) != line;
        Document.History.DropRedo();
        Document.TempRichEdit.ReplaceLine(caretLine, line);
      }
    }
  } catch (const std::exception&) {
  }
  return changed;
}

}  // namespace titrelle
