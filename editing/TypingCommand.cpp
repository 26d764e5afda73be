#include "editing/TypingCommand.h"

#include <algorithm>
#include <utility>

#include "app/Unit1.h"

namespace titrelle {

Listing& TypingCommand::ListingOf(View view) const {
  return view == View::File ? form_.Document.TempRichEdit : form_.Editing.UserViewSnapshot();
}

LineSplice TypingCommand::Type(View view, std::size_t from, std::size_t length, std::string_view text,
                               const LineSplice* known) {
  Listing& listing = ListingOf(view);
  Stretch& stretch = view == View::File ? fileView_ : userView_;
  const std::string_view old = listing.PiecesView(line_, 1);
  const LineSplice differs = known ? *known : DifferingMiddle(old.substr(from, length), text);
  // A copy of the few bytes inserted: `text` may be the view's, which the save's message may change.
  const std::string inserted(text.substr(differs.at, differs.added));
  LineSplice splice = differs;
  splice.at += from;
  const bool changed = !splice.Empty();
  if (changed) stretch.Take(old, splice);
  const std::uint64_t revision = listing.Revision() + 1;
  listing.SpliceLine(line_, splice, inserted);
  if (changed) stretch.revision = listing.Revision() == revision ? revision : 0;
  return differs;
}

bool TypingCommand::Undisturbed() const {
  const auto undisturbed = [](const Stretch& stretch, const Listing& listing) {
    return !stretch.touched || stretch.revision == listing.Revision();
  };
  return undisturbed(fileView_, ListingOf(View::File)) && undisturbed(userView_, ListingOf(View::User));
}

void TypingCommand::Stretch::Take(std::string_view line, const LineSplice& splice) {
  if (!touched) {
    touched = true;
    at = splice.at;
    before.assign(line.substr(splice.at, splice.removed));
    afterSize = splice.added;
    return;
  }
  // Grown to hold the key's splice: the bytes it takes in on either side read now as they read before the
  // step.
  const std::size_t start = std::min(at, splice.at);
  const std::size_t end = std::max(at + afterSize, splice.at + splice.removed);
  if (start < at) before.insert(0, line.substr(start, at - start));
  if (end > at + afterSize) before.append(line.substr(at + afterSize, end - at - afterSize));
  at = start;
  afterSize = end - start - splice.removed + splice.added;
}

void TypingCommand::Stretch::Undo(Listing& listing, int line) {
  const std::string_view now = listing.PiecesView(line, 1).substr(at, afterSize);
  if (!afterTaken) {
    after.assign(now);
    afterTaken = true;
  }
  if (now != before) listing.SpliceLine(line, {at, afterSize, before.size()}, before);
}

void TypingCommand::Stretch::Redo(Listing& listing, int line) {
  if (listing.PiecesView(line, 1).substr(at, before.size()) != after)
    listing.SpliceLine(line, {at, before.size(), after.size()}, after);
}

void TypingCommand::Apply(bool undo) {
  Listing& snapshot = form_.Editing.UserViewSnapshot();
  {
    // The program changes the user view: no write-back. The view's caret goes to the line's start.
    auto restoring = form_.Editing.RestoringUserView();
    if (undo) {
      userView_.Undo(snapshot, line_);
    } else {
      userView_.Redo(snapshot, line_);
    }
    form_.UserRichEdit->ReplaceLines(line_, 1, std::string(snapshot.PiecesView(line_, 1)));
  }
  // A line the file view shows as it was (a number line typed in) is left alone: nothing to save.
  if (undo) {
    fileView_.Undo(form_.Document.TempRichEdit, line_);
  } else {
    fileView_.Redo(form_.Document.TempRichEdit, line_);
  }
  form_.Editing.SetCaretLine(line_);
  form_.Editing.FollowCommand(*form_.UserRichEdit, [this] { form_.TakeCaretLine(false); });
}

void TypingCommand::Undo() { Apply(true); }

void TypingCommand::Redo() { Apply(false); }

}  // namespace titrelle
