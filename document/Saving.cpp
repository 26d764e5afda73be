// What the window shows of the document's saves, and deriving the user view from a loaded file.
#include "app/Unit1.h"
#include "document/UserViewDerivation.h"

namespace titrelle {

namespace {

// The caption's mark while the file on disk lags behind the views: " [未保存]" (not saved).
const std::string kNotSavedMark = " [\xCE\xB4\xB1\xA3\xB4\xE6]";

}  // namespace

void TForm1::ShowSaveFailing(bool failing) {
  Form->SetCaption(failing ? MainWindowTable().caption + kNotSavedMark : MainWindowTable().caption);
  // 未能保存：FILE
  if (failing) {
    ShowNotice("\xCE\xB4\xC4\xDC\xB1\xA3\xB4\xE6\xA3\xBA" +
               Ws.Files().DisplayName(Document.SubtitlePath.filename()));
  }
}

void TForm1::DeriveUserView() {
  Document.Memo2.Clear();
  Document.Memo2.SetListingText(DeriveUserViewText(Document.TempRichEdit.Text()));
  UserRichEdit->Clear();
  UserRichEdit->SetListingText(Document.Memo2.Text());
}

}  // namespace titrelle
