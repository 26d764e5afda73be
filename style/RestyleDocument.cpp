#include "style/RestyleDocument.h"

#include <memory>
#include <utility>

#include "document/DocumentHistory.h"
#include "document/SubtitleDocument.h"

namespace titrelle {

namespace {

// A restyle touches every styled line: it keeps the text before and after, and the layout flag with it.
class RestyleCommand : public DocumentCommand {
 public:
  RestyleCommand(SubtitleDocument& document, PiecesChange change, int omitBefore)
      : document_(document),
        change_(std::move(change)),
        omitBefore_(omitBefore),
        omitAfter_(document.OmitClosingTag) {}

  void Undo() override {
    document_.OmitClosingTag = omitBefore_;
    change_.Undo(document_.TempRichEdit);
  }
  void Redo() override {
    document_.OmitClosingTag = omitAfter_;
    change_.Redo(document_.TempRichEdit);
  }

 private:
  SubtitleDocument& document_;
  PiecesChange change_;
  int omitBefore_;
  int omitAfter_;
};

}  // namespace

void RestyleDocument(SubtitleDocument& document, std::string_view newPrefix, StyleMode mode) {
  const RestyleResult result =
      RestyleText(document.TempRichEdit.Text(), newPrefix, mode, document.OmitClosingTag);
  const int omitBefore = document.OmitClosingTag;
  // The flag first: the save that follows may fail, and the flag must tell the layout the view now has.
  document.OmitClosingTag = result.omitClosingTag;
  if (!result.changed) return;
  Listing& fileView = document.TempRichEdit;
  PiecesChange change = PiecesChange::Before(fileView, 0, fileView.PieceCount());
  document.Refill(result.text);
  change.After(fileView, fileView.PieceCount());
  document.History.Done(std::make_unique<RestyleCommand>(document, std::move(change), omitBefore));
}

}  // namespace titrelle
