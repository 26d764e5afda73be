#pragma once
// Typing in one line of the user view in edit mode, written back into the file view: one step of the
// document's history. Keys typed in the same line follow one another into the same step until the caret
// leaves the line or the typing pauses (the window keeps the step open, editing/WriteBack.cpp).
//
// A line may hold megabytes and a key changes a few bytes of it: the step keeps, for each view, only the
// stretch of the line its keys changed, as it was and (once undone) as it became.

#include <cstdint>
#include <string>
#include <string_view>

#include "document/DocumentHistory.h"
#include "document/Listing.h"

namespace titrelle {

class TForm1;

class TypingCommand : public DocumentCommand {
 public:
  TypingCommand(TForm1& form, int line) : form_(form), line_(line) {}
  int Line() const { return line_; }

  // The two listings a key changes: the file view and the window's snapshot of the user view.
  enum class View { File, User };
  // A key: bytes [from, from + length) of the step's line in `view` become `text`. Only the bytes that differ
  // are moved, and the step takes them in before the listing changes (the file view's change saves it, and
  // a message the save shows may bring other changes). `known`, when given, is where `text` differs from
  // those bytes, found before. Always one change of the listing; returns where `text` differs (an empty
  // splice: the line reads as it did).
  LineSplice Type(View view, std::size_t from, std::size_t length, std::string_view text,
                  const LineSplice* known = nullptr);
  // Whether nothing else changed either listing since this step's last key: a step not yet in the history
  // whose line was changed meanwhile would undo the wrong bytes.
  bool Undisturbed() const;

  void Undo() override;
  void Redo() override;

 private:
  // One view's line as the step changed it: bytes [at, at + before.size()) of the line as it was became
  // [at, at + afterSize) of the line as it is; the rest of the line is the same in both.
  struct Stretch {
    bool touched = false;
    std::size_t at = 0;
    std::string before;
    std::size_t afterSize = 0;
    std::string after;  // taken when first undone: until then the line holds it
    bool afterTaken = false;
    std::uint64_t revision = 0;  // the listing's count of changes after the last key, 0: disturbed within it
    // Grows to hold `splice` of the line as it reads before the key, `line`.
    void Take(std::string_view line, const LineSplice& splice);
    // Puts back the line as it was (as it became), unless it already reads so.
    void Undo(Listing& listing, int line);
    void Redo(Listing& listing, int line);
  };
  Listing& ListingOf(View view) const;
  void Apply(bool undo);

  TForm1& form_;
  int line_;
  Stretch fileView_;
  Stretch userView_;  // on the window's snapshot of the user view
};

}  // namespace titrelle
