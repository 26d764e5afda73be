#include "document/DocumentHistory.h"

#include <utility>

#include "document/Listing.h"

namespace titrelle {

PiecesChange PiecesChange::Before(const Listing& listing, int first, int count) {
  PiecesChange change;
  change.first = first;
  change.beforeCount = count;
  change.before = std::string(listing.PiecesView(first, count));
  return change;
}

void PiecesChange::After(const Listing& listing, int endPiece) {
  afterCount = endPiece - first;
  after = std::string(listing.PiecesView(first, afterCount));
  appendsToFirst = beforeCount == 1 && !before.empty() && after.starts_with(before);
  if (appendsToFirst) after.erase(0, before.size());
}

void PiecesChange::Undo(Listing& listing) {
  if (appendsToFirst) before = std::string(listing.PiecesView(first, 1));
  listing.ReplacePieces(first, afterCount, before);
}

void PiecesChange::Redo(Listing& listing) {
  if (appendsToFirst) {
    listing.ReplacePieces(first, beforeCount, std::string(listing.PiecesView(first, 1)) + after);
  } else {
    listing.ReplacePieces(first, beforeCount, after);
  }
}

void DocumentHistory::Done(std::unique_ptr<DocumentCommand> command) {
  redo_.clear();
  undo_.push_back(std::move(command));
  ++changes_;
  if (OnChanged) OnChanged();
}

bool DocumentHistory::Undo() {
  if (undo_.empty()) return false;
  std::unique_ptr<DocumentCommand> command = std::move(undo_.back());
  undo_.pop_back();
  command->Undo();
  redo_.push_back(std::move(command));
  ++changes_;
  if (OnChanged) OnChanged();
  return true;
}

bool DocumentHistory::Redo() {
  if (redo_.empty()) return false;
  std::unique_ptr<DocumentCommand> command = std::move(redo_.back());
  redo_.pop_back();
  command->Redo();
  undo_.push_back(std::move(command));
  ++changes_;
  ++changes_;
  if (OnChanged) OnChanged();
  return true;
}

void DocumentHistory::Clear() {
  const bool had = !undo_.empty() || !redo_.empty();
  undo_.clear();
  redo_.clear();
  ++changes_;
  if (had && OnChanged) OnChanged();
}

void DocumentHistory::DropRedo() {
  if (redo_.empty()) return;
  redo_.clear();
  ++changes_;
  if (OnChanged) OnChanged();
}

}  // namespace titrelle
