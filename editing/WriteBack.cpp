// Writing the user's edits in the user view back into the file view, which saves the subtitle file.
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/Unit1.h"
#include "base/ProgramChange.h"
#include "document/TimeLine.h"
#include "editing/FollowedLine.h"
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
  if (pieces == PieceCount(Editing.UserViewSnapshot()) && caretLine >= 0 &&
      caretLine < Editing.UserViewSnapshot().PieceCount()) {
    // The step open on this line takes the key; otherwise a new one, which joins the history when the key
    // changed anything.
    TypingCommand* step = Editing.OpenTypingStep();
    std::unique_ptr<TypingCommand> fresh;
    if (step == nullptr || step->Line() != caretLine) {
      fresh = std::make_unique<TypingCommand>(*this, caretLine);
      step = fresh.get();
    }
    Listing& snapshot = Editing.UserViewSnapshot();
    const std::string_view line = UserViewLine(*UserRichEdit, caretLine);
    const EditSession::WrittenBack last = Editing.LastWriteBack();
    const bool followsLast = last.line == caretLine && last.snapshotRevision == snapshot.Revision() &&
                             last.fileViewRevision == Document.TempRichEdit.Revision();
    Editing.ForgetWriteBack();
    const LineSplice splice =
        step->Type(TypingCommand::View::User, 0, snapshot.PiecesView(caretLine, 1).size(), line);
    bool changed = !splice.Empty();
    WrittenKey key{snapshot.Revision(), std::nullopt};
    if (followsLast)
      key.known =
          KnownKey{splice, last.fileViewAt, last.lineSize, FirstArrowAfterSplice(line, last.arrowAt, splice)};
    if (WriteBackEdit(*step, &key)) changed = true;
    RecordTyping(changed, std::move(fresh));
  } else {
    RefreshUserViewSnapshot();
    // Written back outside the history: what typing did before this cannot be undone past it.
    CloseTyping();
    Editing.ForgetWriteBack();
    TypingCommand unrecorded(*this, caretLine);
    WriteBackEdit(unrecorded, nullptr);
  }
}

void TForm1::RecordTyping(bool changed, std::unique_ptr<TypingCommand> fresh) {
  if (!changed) return;
  if (fresh) {
    // Something else changed the line while the key was saved (a message the save showed let it): the step
    // would put back the wrong bytes, and the key stays out of the history.
    if (!fresh->Undisturbed()) return;
    TypingCommand* const typing = fresh.get();
    Document.History.Done(std::move(fresh));
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

bool TForm1::WriteBackEdit(TypingCommand& step, const WrittenKey* key) {
  bool changed = false;
  try {
    const int caretLine = step.Line();
    Editing.SetCaretLine(caretLine);
    const bool textLine = caretLine > 0 && UserViewTimeLine(*UserRichEdit, caretLine - 1);
    const std::string_view newText = UserViewLine(*UserRichEdit, caretLine);
    const std::optional<KnownKey>& known = key ? key->known : std::nullopt;
    const std::size_t arrowAt = known ? known->arrowAt : newText.find(kTimeLineArrow);
    bool timeLine = arrowAt != kNoArrow;
    if (timeLine && textLine) {
      // Two arrows in a row (a subtitle text holding "-->"): the file view tells which line this is, since
      // it holds a text line with its style markup and every other line as the user sees it.
      timeLine = Document.TempRichEdit.LineView(caretLine) == Editing.CaretLineText();
    }
    // Where the line's bytes stand in the file view's line, when it is written there.
    std::optional<std::size_t> writtenAt;
    const std::uint64_t fileViewRevision = Document.TempRichEdit.Revision() + 1;
    const std::size_t newSize = newText.size();
    // Bytes [at, at + length) of the file view's line become `text`: by the key's known splice when they
    // held what the snapshot's line held before the key, else by comparing.
    const auto write = [&](std::size_t at, std::size_t length, std::string_view text) {
      const bool useKnown = known && known->fileViewAt == at && known->lineSize == length;
      writtenAt = at;
      return !step.Type(TypingCommand::View::File, at, length, text, useKnown ? &known->splice : nullptr)
                  .Empty();
    };
    if (timeLine) {
      // Only the caret's own line: another line may hold the same text (two subtitles with equal times).
      const std::size_t length = Document.TempRichEdit.LineView(caretLine).size();
      Editing.SetCaretLineText(newText);
      Document.History.DropRedo();
      changed = write(0, length, newText);
    } else if (textLine) {
      if (UserRichEdit->Visible()) Session.EnterEditMode();
      if (Session.InEditMode()) {
        Document.History.DropRedo();
        // Only the text between the style's markup is written, when the line holds the markup it would be
        // given: a line of megabytes is not composed again for each key.
        const std::string& part1 = StylePart1();
        const std::string& part2 = StylePart2();
        const std::string_view end = StyledLineEnd(Document.OmitClosingTag);
        const std::string_view old = Document.TempRichEdit.LineView(caretLine);
        const std::size_t markup = part1.size() + part2.size() + end.size();
        if (old.size() >= markup && old.starts_with(part1) && old.substr(part1.size()).starts_with(part2) &&
            old.ends_with(end)) {
          changed = write(part1.size() + part2.size(), old.size() - markup, newText);
        } else {
          changed = step.Type(TypingCommand::View::File, 0, old.size(),
                              ComposeStyledLine(part1, part2, newText, Document.OmitClosingTag))
                        .Empty() == false;
        }
      }
    }
    // Neither listing changed by anything but this key (a message the save showed may have let something
    // else in): the next key may go by what this one wrote.
    if (key && writtenAt && Document.TempRichEdit.Revision() == fileViewRevision &&
        Editing.UserViewSnapshot().Revision() == key->snapshotRevision) {
      Editing.SetLastWriteBack(
          {caretLine, key->snapshotRevision, fileViewRevision, *writtenAt, newSize, arrowAt});
    }
  } catch (const std::exception&) {
  }
  return changed;
}

}  // namespace titrelle
