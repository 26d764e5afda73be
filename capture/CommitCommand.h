#pragma once
// The commit of a line as a command of the document's history: undone, the line leaves both views and the
// file, and the numbering and the next line's start are what they were before Enter; redone, all comes back.

#include <string>
#include <vector>

#include "app/Unit1.h"
#include "document/DocumentHistory.h"

namespace titrelle {

class TForm1;

class CommitCommand : public DocumentCommand {
 public:
  // Taken before the commit changes anything.
  explicit CommitCommand(TForm1& form);
  // The commit appends this line to the user view.
  void AppendedToUserView(const std::string& line) { userViewLines_.push_back(line); }
  // Taken after the commit's appends, and after it set up the next line.
  void GroupAppended();
  void NextLineSet();

  void Undo() override;
  void Redo() override;

 private:
  // What the commit sets up for the next line, and what it puts back.
  struct NextLine {
    int lineCount = 0;
    std::string startBoxText;
    long double markStart = 0;
    long double continuePosition = 0;
    std::string continueStartText;
    std::string continueEndText;
    // The keys beside the marks (app/Unit1.h): the line taken back shows its own again.
    CaptureSession::KeyedMark keyedStart;
    CaptureSession::KeyedMark keyedEnd;
    CaptureSession::KeyedMark committedKeyedStart;
    CaptureSession::KeyedMark committedKeyedEnd;
  };
  NextLine Read() const;
  void Apply(const NextLine& state);

  TForm1& form_;
  NextLine before_;
  NextLine after_;
  PiecesChange fileView_;
  PiecesChange userView_;  // on the window's snapshot of the user view
  std::vector<std::string> userViewLines_;
};

}  // namespace titrelle
