#include "editing/SubtitleEditCommand.h"

#include <algorithm>

#include "app/Unit1.h"
#include "base/ProgramChange.h"

namespace titrelle {

namespace {

// What one command's lines become: the pieces of `text` between its breaks.
void Become(PiecesChange& change, const std::string& text) {
  change.after = text;
  change.afterCount = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

SubtitleEditCommand::SubtitleEditCommand(TForm1& form, int first, int count, int caretLine)
    : form_(form),
      first_(first),
      count_(count),
      caretLine_(caretLine),
      fileView_(PiecesChange::Before(form.Document.TempRichEdit, first, count)),
      userView_(PiecesChange::Before(form.Editing.UserViewSnapshot(), first, count)),
      before_{form.Session.ContinuePosition(), form.Session.ContinueStartText()} {}

void SubtitleEditCommand::Do(const std::string& fileViewText, const std::string& userViewText,
                             long double continuePosition, const std::string& continueStartText) {
  Become(fileView_, fileViewText);
  Become(userView_, userViewText);
  after_ = {continuePosition, continueStartText};
  Apply(false);
}

void SubtitleEditCommand::Apply(bool undo) {
  {
    // The program changes the user view: no write-back, no check of its lines against the file view.
    auto restoring = form_.Editing.RestoringUserView();
    const int count = undo ? userView_.afterCount : userView_.beforeCount;
    form_.UserRichEdit->ReplaceLines(userView_.first, count, undo ? userView_.before : userView_.after);
    if (undo) {
      userView_.Undo(form_.Editing.UserViewSnapshot());
    } else {
      userView_.Redo(form_.Editing.UserViewSnapshot());
      // The view puts its caret where a replacement starts: a line put back as it stands takes it there.
      if (caretLine_ >= 0 && caretLine_ != userView_.first &&
          caretLine_ < form_.Editing.UserViewSnapshot().PieceCount())
        form_.UserRichEdit->ReplaceLines(
            caretLine_, 1, std::string(form_.Editing.UserViewSnapshot().PiecesView(caretLine_, 1)));
    }
  }
  const Continuation& continuation = undo ? before_ : after_;
  form_.Session.SetContinuePosition(continuation.position);
  form_.Session.SetContinueStartText(continuation.startText);
  // One change of the file view: saved at once.
  if (undo) {
    fileView_.Undo(form_.Document.TempRichEdit);
  } else {
    fileView_.Redo(form_.Document.TempRichEdit);
  }
  // While capturing (a line dragged on the timeline, a change undone after F8) the boxes and the marks are
  // the line being captured: they stay. In edit mode the caret stands on the first line changed: the boxes
  // and the replayed stretch follow what it holds now.
  form_.Editing.FollowCommand(*form_.UserRichEdit, [this] { form_.TakeCaretLine(false); });
}

void SubtitleEditCommand::Undo() { Apply(true); }

void SubtitleEditCommand::Redo() { Apply(false); }

}  // namespace titrelle
