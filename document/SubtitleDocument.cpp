#include "document/SubtitleDocument.h"

#include <exception>
#include <utility>

#include "base/Error.h"
#include "base/ProgramChange.h"
#include "document/FileNames.h"
#include "ui/FileSystem.h"

namespace titrelle {

namespace {

// 另一个正在运行的本程序打开了它，这里是只读打开的，不保存。
const std::string kReadOnlyReason =
    "\xC1\xED\xD2\xBB\xB8\xF6\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0\xB5\xC4\xB1\xBE\xB3\xCC\xD0\xF2\xB4\xF2"
    "\xBF\xAA\xC1\xCB\xCB\xFC\xA3\xAC\xD5\xE2\xC0\xEF\xCA\xC7\xD6\xBB\xB6\xC1\xB4\xF2\xBF\xAA\xB5\xC4"
    "\xA3\xAC\xB2\xBB\xB1\xA3\xB4\xE6\xA1\xA3";

}  // namespace

SubtitleDocument::SubtitleDocument(FileSystem& files) : files_(files) {
  // The subtitles follow the lines first: the save and the listeners see them as the text now has them.
  TempRichEdit.OnPiecesChanged = [this](const ListingChange& change) {
    const SubtitleChange told = subtitles_.Update(change);
    if (!told.Empty()) TellSubtitleChange(told);
  };
  TempRichEdit.OnChange = [this] {
    ++fileViewRevision_;
    TempRichEditChange();
  };
}

bool SubtitleDocument::SaveSubtitleFile(SaveKind kind) {
  if (SubtitlePath.empty()) return true;
  // The other writer's version is about to replace the views: nothing of ours goes over it.
  if (ReloadPending != 0) return false;
  try {
    // Another copy of the program writes this file: saves from here would undo its work line by line.
    if (ReadOnly != 0)
      throw Error("Cannot create file \"" + files_.DisplayName(SubtitlePath) + "\". " + kReadOnlyReason);
    // A file we could neither load nor back up may hold the user's only copy of earlier work: this
    // document's saves fail on it as on a write-protected file, so the commit reports it every time.
    if (SubtitlePath == ProtectedSubtitlePath) {
      throw Error("Cannot create file \"" + files_.DisplayName(SubtitlePath) +
                  "\". The existing file is kept as it was, since " + ProtectionReason);
    }
    const FileStamp found = files_.Stamp(SubtitlePath);
    if (found != KnownStamp && !MayWriteOverOtherWriter(found, kind)) {
      if (ReloadPending == 0) SetSaveFailing(true);
      return false;
    }
    try {
      KnownStamp = files_.Save(SubtitlePath, TempRichEdit.Text());
    } catch (const std::exception&) {
      // The file was as this document knew it a moment ago: what a failed save left (the old bytes put
      // back) is the program's own doing, not another writer's.
      KnownStamp = files_.Stamp(SubtitlePath);
      throw;
    }
  } catch (const std::exception&) {
    SetSaveFailing(true);
    throw;
  }
  OtherWriterHeld = 0;
  SetSaveFailing(false);
  return true;
}

bool SubtitleDocument::MayWriteOverOtherWriter(const FileStamp& found, SaveKind kind) {
  // Asked once: while the user has put it off, the keys typed meanwhile wait for the next commit or retry;
  // and a save that comes while the question is open (from its message loop) waits for its answer.
  if ((OtherWriterHeld != 0 && kind == SaveKind::Automatic) || askingAboutOtherWriter_ != 0) return false;
  OtherWriterAnswer answer = OtherWriterAnswer::CancelForNow;
  if (OnOtherWriter) {
    ProgramChange asking(askingAboutOtherWriter_);
    answer = OnOtherWriter(!found.exists);
  }
  switch (answer) {
    case OtherWriterAnswer::KeepTheirs:
      OtherWriterHeld = 0;
      ReloadPending = 1;
      return false;
    case OtherWriterAnswer::WriteOurs:
      // Their version is kept beside ours; nothing of theirs is lost by our save. Should that fail, the
      // failure is reported and the keys typed after it wait, as after a put-off.
      OtherWriterHeld = 1;
      if (found.exists) files_.Save(TheirsPath(SubtitlePath), files_.ReadWhole(SubtitlePath));
      return true;
    case OtherWriterAnswer::CancelForNow:
      break;
  }
  OtherWriterHeld = 1;
  return false;
}

void SubtitleDocument::OtherVersionLoaded() {
  ReloadPending = 0;
  OtherWriterHeld = 0;
  SetSaveFailing(false);
}

void SubtitleDocument::TempRichEditChange() {
  if (LoadingFile != 0 || AppendingCommit != 0 || Refilling != 0) return;
  // The automatic save must never interrupt the change that caused it; its first failure is told.
  const bool alreadyFailing = SaveFailing != 0;
  try {
    SaveSubtitleFile(SaveKind::Automatic);
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
  EditingLock.reset();
  ReadOnly = 0;
  KnownStamp = {};
  OtherWriterHeld = 0;
  ReloadPending = 0;
  SetSaveFailing(false);
  History.Clear();
  TempRichEdit.Clear();
}

int SubtitleDocument::ListenToSubtitles(SubtitleListener listener) {
  listeners_.emplace_back(++lastListener_, std::move(listener));
  return lastListener_;
}

void SubtitleDocument::StopListening(int listener) {
  for (auto& [id, function] : listeners_) {
    if (id == listener) function = nullptr;
  }
  // While listeners are being told, the list keeps its places; the emptied one goes afterwards.
  if (telling_ == 0) std::erase_if(listeners_, [](const auto& entry) { return !entry.second; });
}

void SubtitleDocument::TellSubtitleChange(const SubtitleChange& change) {
  ProgramChange telling(telling_);
  // A listener may start or stop another's listening: each is called from a copy, by its place.
  for (std::size_t i = 0; i < listeners_.size(); ++i) {
    const SubtitleListener listener = listeners_[i].second;
    if (listener) listener(change);
  }
  telling.End();
  if (telling_ == 0) std::erase_if(listeners_, [](const auto& entry) { return !entry.second; });
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
