#pragma once
// The subtitle document: the file view (the subtitle file's text, line for line), the scratch listing it is
// refilled through, the file it is saved to, and the states that decide when it is saved. The main window
// holds one; the font options dialog and the restyling work on it alone.
//
// Other writers: the document remembers the file as it last read or wrote it (its stamp), and a save that
// finds it otherwise (another editor saved it, or removed it) writes nothing until the user has said what
// to do. A second running copy of the program is kept off by the lock the document holds while it is open.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/DocumentHistory.h"
#include "document/Listing.h"
#include "document/SubtitleIndex.h"
#include "ui/FileSystem.h"

namespace titrelle {

class SubtitleDocument {
 public:
  explicit SubtitleDocument(FileSystem& files);
  SubtitleDocument(const SubtitleDocument&) = delete;
  SubtitleDocument& operator=(const SubtitleDocument&) = delete;

  Listing TempRichEdit;                // the file view: never shown, so a plain listing
  Listing Memo2;                       // the scratch listing
  // The user's changes, to undo and redo: each undo and redo changes the file view and so is saved at once.
  DocumentHistory History;
  std::filesystem::path SubtitlePath;  // empty until a video is opened: nothing is saved then
  // A subtitle file that no save may overwrite: one that could not be read completely when resumed, or an
  // old file that could not be moved to the backup name; and why, for the message of every save refused.
  std::filesystem::path ProtectedSubtitlePath;
  std::string ProtectionReason;
  int LoadingFile = 0;      // 1 while a file is loaded and the user view derived: no save, no write-back
  int AppendingCommit = 0;  // 1 while a commit appends its group: saved once, when complete
  int Refilling = 0;        // 1 while a refill's scratch steps run: saved once, from the finished text
  int OmitClosingTag = 0;   // the text lines' layout: 1 = no closing "</b>"
  int SaveFailing = 0;      // 1 while saves fail, from the first failure to the next save that succeeds

  // What the subtitle file was when this document last read or wrote it.
  FileStamp KnownStamp;
  // The subtitle file's lock while this copy has it open (none where another copy holds it).
  std::unique_ptr<FileLock> EditingLock;
  int ReadOnly = 0;         // 1: another running copy has the file open; this document never saves
  int OtherWriterHeld = 0;  // 1: the user put another writer's change off; automatic saves wait, unasked
  int ReloadPending = 0;    // 1: the user kept the other writer's version; nothing saves until it is loaded

  // What the user makes of a file that another writer changed (or removed) since this document last read or
  // wrote it.
  enum class OtherWriterAnswer { KeepTheirs, WriteOurs, CancelForNow };
  std::function<OtherWriterAnswer(bool removed)> OnOtherWriter;
  // A save the user asked for (a commit, a retry) asks again about a change put off; one that follows a
  // change of the file view (each typed key) does not.
  enum class SaveKind { Explicit, Automatic };

  // The window hears when saves start or stop failing (its caption says so), and of the first failure of
  // an automatic save (it reports it: typing must not raise a box at every key).
  std::function<void(bool failing)> OnSaveFailingChanged;
  std::function<void(const std::string& message)> OnAutomaticSaveFailed;

  // Writes the file view to SubtitlePath; throws Error naming the file and the reason. False when nothing
  // was written because another writer changed the file and the user kept theirs or put it off.
  bool SaveSubtitleFile(SaveKind kind = SaveKind::Explicit);
  // The file view's change handler: the automatic save after every change, unless the program holds it.
  void TempRichEditChange();

  // A new video: empty views, no file yet, nothing protected, nothing to undo.
  void StartAnew();
  // Refuses every later save of this document to its file.
  void Protect(std::string reason);
  // The other writer's version is in the views (KnownStamp was taken when it was read): saves go on.
  void OtherVersionLoaded();
  // Replaces the file view's text through the scratch listing; saved once, when complete.
  void Refill(const std::string& text);

  // Counts every change of the file view, the program's own included.
  std::uint64_t FileViewRevision() const { return fileViewRevision_; }

  // The file view's subtitles as values, kept up to date by each of its changes.
  const SubtitleIndex& Subtitles() const { return subtitles_; }
  // Whoever shows the subtitles (the preview over the video, the player panel's strip, a table of them)
  // hears of each change of them, right after it, instead of looking for one; a change of the file view
  // that leaves every subtitle as it was (a separator line, lines before the first subtitle) is not told.
  // The number returned stops it hearing.
  using SubtitleListener = std::function<void(const SubtitleChange&)>;
  int ListenToSubtitles(SubtitleListener listener);
  void StopListening(int listener);
  // Whether the program is in the middle of a change of its own (a load, a commit's group, a refill): the
  // file view is not what it will be.
  bool ChangingFileView() const { return LoadingFile != 0 || AppendingCommit != 0 || Refilling != 0; }

  void SetSaveFailing(bool failing);

 private:
  // Asks about another writer's change found by a save; true when the save may write ours.
  bool MayWriteOverOtherWriter(const FileStamp& found, SaveKind kind);
  void TellSubtitleChange(const SubtitleChange& change);
  std::uint64_t fileViewRevision_ = 0;
  SubtitleIndex subtitles_{TempRichEdit};
  std::vector<std::pair<int, SubtitleListener>> listeners_;
  int lastListener_ = 0;
  int telling_ = 0;
  int askingAboutOtherWriter_ = 0;

  FileSystem& files_;
};

}  // namespace titrelle
