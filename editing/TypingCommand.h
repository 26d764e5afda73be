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
  // Line `line` of both views as it was before the first key: `fileViewBefore` in the file view,
  // `userViewBefore` in the user view.
  TypingCommand(TForm1& form, int line, std::string fileViewBefore, std::string userViewBefore);
  // What the line holds now in both views is what a redo puts back.
  void TakeAfter();
  int Line() const { return line_; }

  void Undo() override;
  void Redo() override;

 private:
  void Apply(const std::string& fileViewText, const std::string& userViewText);

  TForm1& form_;
  int line_;
  std::string fileViewBefore_;
  std::string userViewBefore_;
  std::string fileViewAfter_;
  std::string userViewAfter_;
};

}  // namespace titrelle
