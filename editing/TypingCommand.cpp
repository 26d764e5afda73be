#include "editing/TypingCommand.h"

#include <exception>
#include <utility>

#include "app/Unit1.h"
#include "base/ProgramChange.h"

namespace titrelle {

TypingCommand::TypingCommand(TForm1& form, int line, Lines before)
    : form_(form), line_(line), before_(std::move(before)) {}

void TypingCommand::TakeAfter() {
  // Into the room the previous key's copies left: a line of megabytes is copied, not allocated, a key.
  after_.fileView.assign(form_.Document.TempRichEdit.PiecesView(line_, 1));
  after_.userView.assign(form_.Editing.UserViewSnapshot().PiecesView(line_, 1));
}

void TypingCommand::Apply(const Lines& lines) {
  const std::string& fileViewText = lines.fileView;
  const std::string& userViewText = lines.userView;
  {
    // The program changes the user view: no write-back. The view's caret goes to the line's start.
    auto restoring = form_.Editing.RestoringUserView();
    form_.UserRichEdit->ReplaceLines(line_, 1, userViewText);
    form_.Editing.UserViewSnapshot().ReplacePieces(line_, 1, userViewText);
  }
  // A line the file view shows as it was (a number line typed in) is left alone: nothing to save.
  if (form_.Document.TempRichEdit.PiecesView(line_, 1) != fileViewText)
    form_.Document.TempRichEdit.ReplacePieces(line_, 1, fileViewText);
  form_.Editing.SetCaretLine(line_);
  // While capturing, the hidden view's caret goes back to its end, where commits leave it.
  if (!form_.UserRichEdit->Visible()) {
    form_.UserRichEdit->CaretToEnd();
    return;
  }
  // The boxes and the replayed stretch follow the line under the caret; a line whose times do not read leaves
  // them as they were.
  try {
    form_.TakeCaretLine(false);
  } catch (const std::exception&) {
  }
}

void TypingCommand::Undo() { Apply(before_); }

void TypingCommand::Redo() { Apply(after_); }

}  // namespace titrelle
