#include "style/RestyleDocument.h"

#include <functional>
#include <string>
#include <utility>

#include "app/Unit1.h"

namespace titrelle {

namespace {

// Keeps a listing's change handler away while the scratch steps of a refill run, and gives it back however
// the refill ends.
class ChangeHandlerPause {
 public:
  explicit ChangeHandlerPause(Listing& listing) : listing_(listing), handler_(std::move(listing.OnChange)) {
    listing_.OnChange = nullptr;
  }
  ~ChangeHandlerPause() { Resume(); }
  void Resume() {
    if (!resumed_) listing_.OnChange = std::move(handler_);
    resumed_ = true;
  }

 private:
  Listing& listing_;
  std::function<void()> handler_;
  bool resumed_ = false;
};

}  // namespace

void RestyleDocument(TForm1& form1, std::string_view newPrefix, StyleMode mode) {
  RestyleResult result =
      RestyleText(form1.TempRichEdit.Text(), newPrefix, mode, form1.Session.OmitClosingTag);
  if (result.changed) {
    // The refill through the scratch listing. Clearing the file view would save an empty subtitle file if its
    // handler ran: the file is saved once, from the finished text.
    ChangeHandlerPause pause(form1.TempRichEdit);
    form1.Memo2.Clear();
    form1.Memo2.SetListingText(result.text);
    form1.TempRichEdit.Clear();
    // The flag first: the save that follows may fail, and the flag must tell the layout the view now has.
    form1.Session.OmitClosingTag = result.omitClosingTag;
    pause.Resume();
    form1.TempRichEdit.SetListingText(form1.Memo2.Text());
    return;
  }
  form1.Session.OmitClosingTag = result.omitClosingTag;
}

}  // namespace titrelle
