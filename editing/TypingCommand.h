#pragma once
// Typing in one line of the user view in edit mode, written back into the file view: one step of the
// document's history. Keys typed in the same line follow one another into the same step until the caret
// leaves the line or the typing pauses (the window keeps the step open, editing/WriteBack.cpp).

#include <string>

#include "document/DocumentHistory.h"

namespace titrelle {

class TForm1;

class TypingCommand : public DocumentCommand {
 public:
  // One line as both views hold it.
  struct Lines {
    std::string fileView;
    std::string userView;
  };
  // Line `line` of both views as it was before the first key.
  TypingCommand(TForm1& form, int line, Lines before);
  // What the line holds now in both views is what a redo puts back.
  void TakeAfter();
  int Line() const { return line_; }
  // What the line held after the last key taken.
  const Lines& After() const { return after_; }

  void Undo() override;
  void Redo() override;

 private:
  void Apply(const Lines& lines);

  TForm1& form_;
  int line_;
  Lines before_;
  Lines after_;
};

}  // namespace titrelle
