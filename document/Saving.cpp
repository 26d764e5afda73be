// Saving the file view to the subtitle file, and deriving the user view from a loaded file.
#include <exception>

#include "app/Unit1.h"
#include "document/SubtitleFile.h"
#include "document/UserViewDerivation.h"
#include "ui/Error.h"

namespace titrelle {

void TForm1::SaveSubtitleFile() {
  if (Session.SubtitlePath.empty()) return;
  // A file we could neither load nor back up may hold the user's only copy of earlier work: this
  // document's saves fail on it as on a write-protected file, so the commit reports it every time.
  if (Session.SubtitlePath == Session.ProtectedSubtitlePath) {
    throw Error("Cannot create file \"" + Session.SubtitlePath +
                "\". The existing file is kept as it was, since it could not be loaded or backed up");
  }
  WriteSubtitleFile(Session.SubtitlePath, TempRichEdit.Text());
}

void TForm1::TempRichEditChange() {
  if (Session.LoadingFile != 0 || Session.AppendingCommit != 0) return;
  // The automatic save must never interrupt the change that caused it; the commit's own save reports.
  try {
    SaveSubtitleFile();
  } catch (const std::exception&) {
  }
}

void TForm1::DeriveUserView() {
  Memo2.Clear();
  Memo2.SetListingText(DeriveUserViewText(TempRichEdit.Text()));
  UserRichEdit->Clear();
  UserRichEdit->SetListingText(Memo2.Text());
}

}  // namespace titrelle
