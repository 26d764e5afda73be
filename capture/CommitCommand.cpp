#include "capture/CommitCommand.h"

#include "app/Unit1.h"
#include "base/ProgramChange.h"

namespace titrelle {

CommitCommand::CommitCommand(TForm1& form) : form_(form), before_(Read()) {
  const Listing& fileView = form.Document.TempRichEdit;
  const Listing& snapshot = form.Editing.UserViewSnapshot();
  // Both views grow from their last piece (the empty one after a final break, or a last line without one).
  fileView_ = PiecesChange::Before(fileView, fileView.PieceCount() - 1, 1);
  userView_ = PiecesChange::Before(snapshot, snapshot.PieceCount() - 1, 1);
}

void CommitCommand::GroupAppended() {
  fileView_.After(form_.Document.TempRichEdit, form_.Document.TempRichEdit.PieceCount());
  userView_.After(form_.Editing.UserViewSnapshot(), form_.Editing.UserViewSnapshot().PieceCount());
}

void CommitCommand::NextLineSet() { after_ = Read(); }

CommitCommand::NextLine CommitCommand::Read() const {
  const CaptureSession& session = form_.Session;
  return {session.LineCount(),        form_.Edit1->Text(),         session.MarkStart(),
          session.ContinuePosition(), session.ContinueStartText(), session.ContinueEndText(),
          session.KeyedStart(),       session.KeyedEnd(),          session.CommittedKeyedStart(),
          session.CommittedKeyedEnd()};
}

void CommitCommand::Apply(const NextLine& state) {
  CaptureSession& session = form_.Session;
  session.SetLineCount(state.lineCount);
  form_.Edit1->SetText(state.startBoxText);
  session.SetMarkStart(state.markStart);
  session.SetContinuePosition(state.continuePosition);
  session.SetContinueStartText(state.continueStartText);
  session.SetContinueEndText(state.continueEndText);
  session.SetKeyedStart(state.keyedStart);
  session.SetKeyedEnd(state.keyedEnd);
  session.SetCommittedKeyedStart(state.committedKeyedStart);
  session.SetCommittedKeyedEnd(state.committedKeyedEnd);
}

void CommitCommand::Undo() {
  {
    // The program puts the user view back: no write-back, no check of its lines against the file view.
    auto restoring = form_.Editing.RestoringUserView();
    userView_.Undo(form_.Editing.UserViewSnapshot());
    form_.UserRichEdit->Clear();
    form_.UserRichEdit->SetListingText(form_.Editing.UserViewSnapshot().Text());
  }
  // One change of the file view: saved at once.
  fileView_.Undo(form_.Document.TempRichEdit);
  Apply(before_);
}

void CommitCommand::Redo() {
  {
    auto restoring = form_.Editing.RestoringUserView();
    for (const std::string& line : userViewLines_) form_.UserRichEdit->Add(line);
    userView_.Redo(form_.Editing.UserViewSnapshot());
  }
  fileView_.Redo(form_.Document.TempRichEdit);
  Apply(after_);
}

}  // namespace titrelle
