// Opening a video: the player is pointed at it, the subtitle file beside it is chosen, and an existing one
// is either resumed or moved aside as the backup.
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "app/Unit1.h"
#include "base/Error.h"
#include "document/FileNames.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

// SRT字幕文件已存在，是否打开编辑？
const std::string kEditExistingQuestion =
    "SRT\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xD2\xD1\xB4\xE6\xD4\xDA\xA3\xAC\xCA\xC7\xB7\xF1\xB4\xF2\xBF\xAA\xB1"
    "\xE0"
    "\xBC\xAD\xA3\xBF";

constexpr int kYesButton = 0;
constexpr int kNoButton = 1;

// A new video is a new document: nothing of what the last open, resume or capture left may act on it (marks
// that replay, a continue position or start text for F8, the layout of the last file's lines, edit mode).
void StartNewSession(TForm1& form) {
  form.Session = CaptureSession{};
  form.Document.OmitClosingTag = 0;
  form.UserRichEdit->SetVisible(false);
  form.Panel3->SetVisible(true);
}

}  // namespace

void TForm1::OpenButtonClick() {
  const std::optional<std::filesystem::path> mediaPath = Ws.ChooseFileToOpen();
  // A new video empties the views: while saves fail, that would lose what the disk lacks.
  // 继续：仍然打开另一个视频，这些修改将丢失。
  if (mediaPath && MayDropUnsavedLines("\xBC\xCC\xD0\xF8\xA3\xBA\xC8\xD4\xC8\xBB\xB4\xF2\xBF\xAA\xC1\xED\xD2\xBB\xB8\xF6"
                                       "\xCA\xD3\xC6\xB5\xA3\xAC\xD5\xE2\xD0\xA9\xD0\xDE\xB8\xC4\xBD\xAB\xB6\xAA\xCA\xA7\xA1\xA3"))
    OpenVideo(*mediaPath);
}

void TForm1::OpenVideoGivenAtStart(const std::filesystem::path& mediaPath) {
  if (!Ws.Files().Exists(mediaPath)) {
    // “%s”是文件夹，不是视频文件。: a folder was given where a video was meant.
    std::error_code error;
    if (std::filesystem::is_directory(mediaPath, error)) {
      ShowErrorReport(Ws,
                      "\xA1\xB0" + Ws.Files().DisplayName(mediaPath) +
                          "\xA1\xB1\xCA\xC7\xCE\xC4\xBC\xFE\xBC\xD0\xA3\xAC\xB2\xBB\xCA\xC7\xCA\xD3\xC6\xB5"
                          "\xCE\xC4\xBC\xFE\xA1\xA3");
      return;
    }
    // 找不到要打开的视频文件“%s”。: the video to open cannot be found.
    ShowErrorReport(
        Ws,
        "\xD5\xD2\xB2\xBB\xB5\xBD\xD2\xAA\xB4\xF2\xBF\xAA\xB5\xC4\xCA\xD3\xC6\xB5\xCE\xC4\xBC\xFE\xA1\xB0" +
            Ws.Files().DisplayName(mediaPath) + "\xA1\xB1\xA1\xA3");
    return;
  }
  OpenVideo(mediaPath);
}

void TForm1::OpenVideo(const std::filesystem::path& mediaPath) {
  // Any failure ends the open where it happened; the button stays enabled so that the user can try again.
  try {
    // A pending seek of the last resume would start the new video by itself.
    Session.CancelPendingSeek();
    // Nor may the rest of a resume still loading reach the new document.
    EndSlicedResume();
    WP->SetURL(mediaPath);
    WP->Stop();
    StartNewSession(*this);
    Video = DeriveMediaNames(mediaPath);
    Document.StartAnew();
    ShowCaption();
    UserRichEdit->Clear();
    Editing.UserViewSnapshot().Clear();
    ResetCaptureDisplay();
    StartTimeButton->SetFocus();
    OpenSubtitleFile();
    OpenButton->SetEnabled(false);
    Opened.Start();
  } catch (const std::exception&) {
  }
}

void TForm1::WatchOpen() {
  // A file the player cannot open is no dead end: the open button comes back; the status says why.
  if (Opened.PlayerGaveUp(*WP)) {
    OpenButton->SetEnabled(true);
    // 无法打开这个文件，请重新选择视频。
    ShowNotice(
        "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xD5\xE2\xB8\xF6\xCE\xC4\xBC\xFE\xA3\xAC\xC7\xEB\xD6\xD8\xD0\xC2"
        "\xD1\xA1"
        "\xD4\xF1\xCA\xD3\xC6\xB5\xA1\xA3");
  }
}

void TForm1::OpenSubtitleFile() {
  Document.SubtitlePath = Video.mediaFolder;
  Document.SubtitlePath += Video.subtitleFileName;
  // Held while this document is open. The file held elsewhere is another copy's to write: this one reads it
  // at most, and leaves what that copy's saves have beside it alone.
  Document.EditingLock = Ws.Files().LockForEditing(Document.SubtitlePath);
  if (!Document.EditingLock) {
    if (!MayOpenReadOnly()) {
      Document.Protect("another copy of the program has it open");
      throw Error("The subtitle file is open in another copy of the program");
    }
    Document.ReadOnly = 1;
    ShowCaption();
    if (Ws.Files().Exists(Document.SubtitlePath)) ResumeSubtitleFile();
    return;
  }
  FinishUnfinishedSaves();
  if (!Ws.Files().Exists(Document.SubtitlePath)) {
    Document.KnownStamp = Ws.Files().Stamp(Document.SubtitlePath);
    return;
  }

  MessageBoxRequest question;
  question.caption = "Information";
  question.icon = MessageIcon::Information;
  question.text = kEditExistingQuestion;
  question.buttons = {"&Yes", "&No"};
  question.defaultButton = kYesButton;
  question.escapeButton = kNoButton;
  if (Ws.ShowMessageBox(question) == kYesButton) {
    ResumeSubtitleFile();
  } else {
    DeclineSubtitleFile();
  }
}

void TForm1::DeclineSubtitleFile() {
  const std::filesystem::path backupPath = BackupPath(Document.SubtitlePath);
  try {
    // The move replaces an older backup anyway; an older backup that cannot be removed is no failure yet.
    if (Ws.Files().Exists(backupPath)) Ws.Files().Remove(backupPath);
  } catch (const std::exception&) {
  }
  try {
    Ws.Files().MoveOver(Document.SubtitlePath, backupPath);
  } catch (const std::exception& error) {
    // The old file stays where it is, and it may be the user's only copy: the new document never writes over
    // it. The user hears of it once here; the open ends and may be repeated.
    Document.Protect("it could not become the backup");
    ShowErrorReport(Ws, error.what());
    throw Error("The old subtitle file could not become the backup");
  }
  Document.KnownStamp = Ws.Files().Stamp(Document.SubtitlePath);
  Document.OmitClosingTag = 0;
}

}  // namespace titrelle
