#include "style/RestyleDocument.h"

#include <memory>
#include <string>
#include <utility>

#include "document/DocumentHistory.h"
#include "document/SubtitleDocument.h"

namespace titrelle {

namespace {

// A restyle touches every styled line: it keeps the file view's other text (the one before it while it is
// done, the one after it while it is undone) and the layout flag of each. Undo and redo exchange the texts,
// so that a restyle of a large document copies nothing for its history.
class RestyleCommand : public DocumentCommand {
 public:
  RestyleCommand(SubtitleDocument& document, std::string otherText, int otherOmitClosingTag)
      : document_(document), otherText_(std::move(otherText)), otherOmitClosingTag_(otherOmitClosingTag) {}

  void Undo() override { Exchange(); }
  void Redo() override { Exchange(); }

 private:
  void Exchange() {
    // The flag first: the save that follows may fail, and the flag must tell the layout the view now has.
    std::swap(document_.OmitClosingTag, otherOmitClosingTag_);
    document_.TempRichEdit.SwapText(otherText_);
  }

  SubtitleDocument& document_;
  std::string otherText_;
  int otherOmitClosingTag_;
};

}  // namespace

void RestyleDocument(SubtitleDocument& document, std::string_view newPrefix, StyleMode mode) {
  RestyleResult result = RestyleText(document.TempRichEdit.Text(), newPrefix, mode, document.OmitClosingTag);
  const int omitBefore = document.OmitClosingTag;
  document.OmitClosingTag = result.omitClosingTag;
  if (!result.changed) return;
  // One change of the file view, saved once; the text it replaced goes to the history.
  document.TempRichEdit.SwapText(result.text);
  document.History.Done(std::make_unique<RestyleCommand>(document, std::move(result.text), omitBefore));
}

}  // namespace titrelle
