#include "style/RestyleDocument.h"

#include "document/SubtitleDocument.h"

namespace titrelle {

void RestyleDocument(SubtitleDocument& document, std::string_view newPrefix, StyleMode mode) {
  const RestyleResult result =
      RestyleText(document.TempRichEdit.Text(), newPrefix, mode, document.OmitClosingTag);
  // The flag first: the save that follows may fail, and the flag must tell the layout the view now has.
  document.OmitClosingTag = result.omitClosingTag;
  if (result.changed) document.Refill(result.text);
}

}  // namespace titrelle
