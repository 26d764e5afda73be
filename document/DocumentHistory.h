#pragma once
// The document's history: every change the user makes to the document is a command that knows how to take
// itself back and to do itself again. One history per document; a new video starts an empty one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace titrelle {

class Listing;

class DocumentCommand {
 public:
  virtual ~DocumentCommand() = default;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
};

// The lines of a listing one command replaced: the pieces from `first` on, as they were and as they became.
// Only the lines touched are kept, so that a command on a large document costs what it changed.
struct PiecesChange {
  int first = 0;
  int beforeCount = 1;
  int afterCount = 1;
  std::string before;
  std::string after;
  // The change only added to the end of piece `first`, a line without a break after it (a loaded file's
  // last line): what that line holds when the change is undone or redone stays, an edit made since included.
  bool appendsToFirst = false;

  // Records what `count` pieces from `first` hold now, as the text to put back.
  static PiecesChange Before(const Listing& listing, int first, int count);
  // Records what the same place holds after the change, from `first` to the piece before `endPiece`.
  void After(const Listing& listing, int endPiece);
  void Undo(Listing& listing);
  void Redo(Listing& listing);
};

class DocumentHistory {
 public:
  // A command that has just been carried out joins the history; what was undone before it is gone.
  void Done(std::unique_ptr<DocumentCommand> command);
  // False when there is nothing to undo (to redo).
  bool Undo();
  bool Redo();
  void Clear();
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  // Counts every change of the history (a command done, undone or redone, a clear): a command known to be
  // the last one done stays so while the count stands.
  std::uint64_t Changes() const { return changes_; }
  // A change of the document outside the history: what was undone cannot come back over it.
  void DropRedo();

  // After every change of what can be undone or redone (the undo and redo buttons follow it).
  std::function<void()> OnChanged;

 private:
  std::vector<std::unique_ptr<DocumentCommand>> undo_;
  std::vector<std::unique_ptr<DocumentCommand>> redo_;
  std::uint64_t changes_ = 0;
};

}  // namespace titrelle
