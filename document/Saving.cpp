// Saving the file view to the subtitle file, and deriving the user view from a loaded file.
#include <exception>

#include "app/Unit1.h"
#include "document/UserViewDerivation.h"
#include "ui/Error.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

// The caption's mark while the file on disk lags behind the views: " [未保存]" (not saved).
const std::string kNotSavedMark = " [\xCE\xB4\xB1\xA3\xB4\xE6]";

}  // namespace

void TForm1::SaveSubtitleFile() {
  if (Session.SubtitlePath.empty()) return;
  try {
    // A file we could neither load nor back up may hold the user's only copy of earlier work: this
    // document's saves fail on it as on a write-protected file, so the commit reports it every time.
    if (Session.SubtitlePath == Session.ProtectedSubtitlePath) {
      throw Error("Cannot create file \"" + Ws.Files().DisplayName(Session.SubtitlePath) +
                  "\". The existing file is kept as it was, since " + Session.ProtectionReason);
    }
    Ws.Files().Save(Session.SubtitlePath, TempRichEdit.Text());
  } catch (const std::exception&) {
    ShowSaveFailing(true);
    throw;
  }
  ShowSaveFailing(false);
}

void TForm1::TempRichEditChange() {
  if (Session.LoadingFile != 0 || Session.AppendingCommit != 0) return;
  // The automatic save must never interrupt the change that caused it, nor raise a box at every key: the
  // first failure is reported, and the caption tells that saves go on failing until one succeeds.
  const bool alreadyFailing = Session.SaveFailing != 0;
  try {
    SaveSubtitleFile();
  } catch (const std::exception& error) {
    if (!alreadyFailing) ShowErrorReport(Ws, error.what());
  }
}

void TForm1::ShowSaveFailing(bool failing) {
  if ((Session.SaveFailing != 0) == failing) return;
  Session.SaveFailing = failing ? 1 : 0;
  Form->SetCaption(failing ? MainWindowTable().caption + kNotSavedMark : MainWindowTable().caption);
}

void TForm1::DeriveUserView() {
  Memo2.Clear();
  Memo2.SetListingText(DeriveUserViewText(TempRichEdit.Text()));
  UserRichEdit->Clear();
  UserRichEdit->SetListingText(Memo2.Text());
}

}  // namespace titrelle
