#pragma once
// The subtitle document: the file view (the subtitle file's text, line for line), the scratch listing it is
// refilled through, the file it is saved to, and the states that decide when it is saved. The main window
// holds one; the font options dialog and the restyling work on it alone.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "document/Listing.h"

namespace titrelle {

class FileSystem;

class SubtitleDocument {
 public:
  explicit SubtitleDocument(FileSystem& files);
  SubtitleDocument(const SubtitleDocument&) = delete;
  SubtitleDocument& operator=(const SubtitleDocument&) = delete;

  Listing TempRichEdit;                // the file view: never shown, so a plain listing
  Listing Memo2;                       // the scratch listing
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

  // The window hears when saves start or stop failing (its caption says so), and of the first failure of
  // an automatic save (it reports it: typing must not raise a box at every key).
  std::function<void(bool failing)> OnSaveFailingChanged;
  std::function<void(const std::string& message)> OnAutomaticSaveFailed;

  // Writes the file view to SubtitlePath; throws Error naming the file and the reason.
  void SaveSubtitleFile();
  // The file view's change handler: the automatic save after every change, unless the program holds it.
  void TempRichEditChange();

  // A new video: empty views, no file yet, nothing protected.
  void StartAnew();
  // Refuses every later save of this document to its file.
  void Protect(std::string reason);
  // Replaces the file view's text through the scratch listing; saved once, when complete.
  void Refill(const std::string& text);

  // Counts every change of the file view, the program's own included: whoever shows the file view elsewhere
  // (the preview over the video) compares it instead of the text.
  std::uint64_t FileViewRevision() const { return fileViewRevision_; }
  // Whether the program is in the middle of a change of its own (a load, a commit's group, a refill): the
  // file view is not what it will be.
  bool ChangingFileView() const { return LoadingFile != 0 || AppendingCommit != 0 || Refilling != 0; }

 private:
  void SetSaveFailing(bool failing);
  std::uint64_t fileViewRevision_ = 0;

  FileSystem& files_;
};

}  // namespace titrelle
