#pragma once
// Edit mode's own state: the user view's line under the caret as last taken up.
#include <string>
#include <utility>

namespace titrelle {

class EditSession {
 public:
  // The caret's line in the user view, and its text, when the caret was last followed.
  int CaretLine() const { return caretLine_; }
  const std::string& CaretLineText() const { return caretLineText_; }
  void SetCaretLine(int line) { caretLine_ = line; }
  void SetCaretLineText(std::string text) { caretLineText_ = std::move(text); }

 private:
  int caretLine_ = 0;
  std::string caretLineText_;
};

}  // namespace titrelle
