#pragma once
// A change of the subtitle under the caret made from the keyboard in edit mode (a re-time, a delete): the
// same lines of the file view and of the user view replaced, and where capturing continues after it. Undone,
// both views, the file and the continue position are what they were; redone, what the change made them.

#include <string>

#include "document/DocumentHistory.h"

namespace titrelle {

class TForm1;

class SubtitleEditCommand : public DocumentCommand {
 public:
  // Lines [first, first + count) of both views are to change. Taken before anything changes. Done or redone
  // in edit mode, the caret goes to `caretLine` (-1: the first line changed).
  SubtitleEditCommand(TForm1& form, int first, int count, int caretLine = -1);
  // Carries the change out: the lines become `fileViewText` in the file view and `userViewText` in the user
  // view (either may hold breaks; empty leaves one empty line); F8 goes on from the continuation given.
  void Do(const std::string& fileViewText, const std::string& userViewText, long double continuePosition,
          const std::string& continueStartText);

  void Undo() override;
  void Redo() override;

 private:
  struct Continuation {
    long double position = 0;
    std::string startText;
  };
  void Apply(bool undo);

  TForm1& form_;
  int first_;
  int count_;
  int caretLine_;
  PiecesChange fileView_;
  PiecesChange userView_;  // on the window's snapshot of the user view
  Continuation before_;
  Continuation after_;
};

}  // namespace titrelle
