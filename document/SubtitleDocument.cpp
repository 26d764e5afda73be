#include "document/SubtitleDocument.h"

#include <exception>
#include <utility>

#include "base/Error.h"
#include "base/ProgramChange.h"
#include "ui/FileSystem.h"

namespace titrelle {

SubtitleDocument::SubtitleDocument(FileSystem& files) : files_(files) {
  TempRichEdit.OnChange = [this] {
    ++fileViewRevision_;
    TempRichEditChange();
  };
}

void SubtitleDocument::SaveSubtitleFile() {
  if (SubtitlePath.empty()) return;
  try {
    // A file we could neither load nor back up may hold the user's only copy of earlier work: this
    // document's saves fail on it as on a write-protected file, so the commit reports it every time.
    if (SubtitlePath == ProtectedSubtitlePath) {
      throw Error("Cannot create file \"" + files_.DisplayName(SubtitlePath) +
                  "\". The existing file is kept as it was, since " + ProtectionReason);
    }
    files_.Save(SubtitlePath, TempRichEdit.Text());
  } catch (const std::exception&) {
    SetSaveFailing(true);
    throw;
  }
  SetSaveFailing(false);
}

void SubtitleDocument::TempRichEditChange() {
  if (LoadingFile != 0 || AppendingCommit != 0 || Refilling != 0) return;
  // The automatic save must never interrupt the change that caused it; its first failure is told.
  const bool alreadyFailing = SaveFailing != 0;
  try {
    SaveSubtitleFile();
  } catch (const std::exception& error) {
    if (!alreadyFailing && OnAutomaticSaveFailed) OnAutomaticSaveFailed(error.what());
  }
}

void SubtitleDocument::SetSaveFailing(bool failing) {
  if ((SaveFailing != 0) == failing) return;
  SaveFailing = failing ? 1 : 0;
  if (OnSaveFailingChanged) OnSaveFailingChanged(failing);
}

void SubtitleDocument::StartAnew() {
  // Emptying the views is no edit of any file: the previous video's subtitle file, if an earlier open got
  // that far, must not be overwritten with an empty text.
  SubtitlePath.clear();
  ProtectedSubtitlePath.clear();
  ProtectionReason.clear();
  SetSaveFailing(false);
  TempRichEdit.Clear();
}

void SubtitleDocument::Protect(std::string reason) {
  ProtectedSubtitlePath = SubtitlePath;
  ProtectionReason = std::move(reason);
}

void SubtitleDocument::Refill(const std::string& text) {
  {
    // Clearing the file view would save an empty subtitle file: the file is saved once, from the finished
    // text.
    ProgramChange refilling(Refilling);
    Memo2.Clear();
    Memo2.SetListingText(text);
    TempRichEdit.Clear();
  }
  TempRichEdit.SetListingText(Memo2.Text());
}

}  // namespace titrelle
