// Other writers of the subtitle file: another editor that saved it (or removed it) behind the program's back,
// and a second running copy of the program that opens the same file.
#include <exception>
#include <string>

#include "app/Unit1.h"
#include "base/ProgramChange.h"
#include "document/FileNames.h"
#include "ui/Dialogs.h"

namespace titrelle {

namespace {

const std::string kFileLead = "\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xA1\xB0";  // 字幕文件“
// ”在本程序上次读写之后被别的程序改过了。
const std::string kChangedByOther =
    "\xA1\xB1\xD4\xDA\xB1\xBE\xB3\xCC\xD0\xF2\xC9\xCF\xB4\xCE\xB6\xC1\xD0\xB4\xD6\xAE\xBA\xF3\xB1\xBB\xB1\xF0"
    "\xB5\xC4\xB3\xCC\xD0\xF2\xB8\xC4\xB9\xFD\xC1\xCB\xA1\xA3";
// ”在本程序上次读写之后被别的程序删除或移走了。
const std::string kRemovedByOther =
    "\xA1\xB1\xD4\xDA\xB1\xBE\xB3\xCC\xD0\xF2\xC9\xCF\xB4\xCE\xB6\xC1\xD0\xB4\xD6\xAE\xBA\xF3\xB1\xBB\xB1\xF0"
    "\xB5\xC4\xB3\xCC\xD0\xF2\xC9\xBE\xB3\xFD\xBB\xF2\xD2\xC6\xD7\xDF\xC1\xCB\xA1\xA3";
// 是：保留对方的版本，把它重新载入本程序（本程序还没写入文件的修改将丢失）。
const std::string kKeepTheirs =
    "\xCA\xC7\xA3\xBA\xB1\xA3\xC1\xF4\xB6\xD4\xB7\xBD\xB5\xC4\xB0\xE6\xB1\xBE\xA3\xAC\xB0\xD1\xCB\xFC\xD6\xD8"
    "\xD0\xC2\xD4\xD8\xC8\xEB\xB1\xBE\xB3\xCC\xD0\xF2\xA3\xA8\xB1\xBE\xB3\xCC\xD0\xF2\xBB\xB9\xC3\xBB\xD0\xB4"
    "\xC8\xEB\xCE\xC4\xBC\xFE\xB5\xC4\xD0\xDE\xB8\xC4\xBD\xAB\xB6\xAA\xCA\xA7\xA3\xA9\xA1\xA3";
// 否：写入本程序的版本；对方的版本先另存为“
const std::string kWriteOursKeepingTheirs =
    "\xB7\xF1\xA3\xBA\xD0\xB4\xC8\xEB\xB1\xBE\xB3\xCC\xD0\xF2\xB5\xC4\xB0\xE6\xB1\xBE\xA3\xBB\xB6\xD4\xB7\xBD"
    "\xB5\xC4\xB0\xE6\xB1\xBE\xCF\xC8\xC1\xED\xB4\xE6\xCE\xAA\xA1\xB0";
const std::string kQuoteEnd = "\xA1\xB1\xA1\xA3";  // ”。
// 是：接受删除，清空本程序中的字幕。
const std::string kAcceptRemoval =
    "\xCA\xC7\xA3\xBA\xBD\xD3\xCA\xDC\xC9\xBE\xB3\xFD\xA3\xAC\xC7\xE5\xBF\xD5\xB1\xBE\xB3\xCC\xD0\xF2\xD6\xD0"
    "\xB5\xC4\xD7\xD6\xC4\xBB\xA1\xA3";
// 否：重新写入本程序的版本。
const std::string kWriteOursAgain =
    "\xB7\xF1\xA3\xBA\xD6\xD8\xD0\xC2\xD0\xB4\xC8\xEB\xB1\xBE\xB3\xCC\xD0\xF2\xB5\xC4\xB0\xE6\xB1\xBE\xA1"
    "\xA3";
// 取消：暂不保存，标题栏显示“[未保存]”；下次提交一句或再次保存时再问。
const std::string kPutOff =
    "\xC8\xA1\xCF\xFB\xA3\xBA\xD4\xDD\xB2\xBB\xB1\xA3\xB4\xE6\xA3\xAC\xB1\xEA\xCC\xE2\xC0\xB8\xCF\xD4\xCA\xBE"
    "\xA1\xB0[\xCE\xB4\xB1\xA3\xB4\xE6]"
    "\xA1\xB1\xA3\xBB\xCF\xC2\xB4\xCE\xCC\xE1\xBD\xBB\xD2\xBB\xBE\xE4\xBB\xF2"
    "\xD4\xD9\xB4\xCE\xB1\xA3\xB4\xE6\xCA\xB1\xD4\xD9\xCE\xCA\xA1\xA3";
// 另一个正在运行的本程序已经打开了字幕文件“
const std::string kOpenElsewhere =
    "\xC1\xED\xD2\xBB\xB8\xF6\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0\xB5\xC4\xB1\xBE\xB3\xCC\xD0\xF2\xD2\xD1\xBE\xAD"
    "\xB4\xF2\xBF\xAA\xC1\xCB\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xA1\xB0";
// 是：以只读方式打开，本程序不会保存这个字幕文件。
// 否：不打开。
const std::string kReadOnlyChoices =
    "\xCA\xC7\xA3\xBA\xD2\xD4\xD6\xBB\xB6\xC1\xB7\xBD\xCA\xBD\xB4\xF2\xBF\xAA\xA3\xAC\xB1\xBE\xB3\xCC\xD0\xF2"
    "\xB2\xBB\xBB\xE1\xB1\xA3\xB4\xE6\xD5\xE2\xB8\xF6\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xA1\xA3\n"
    "\xB7\xF1\xA3\xBA\xB2\xBB\xB4\xF2\xBF\xAA\xA1\xA3";

constexpr int kYes = 0;
constexpr int kNo = 1;
constexpr int kCancel = 2;

}  // namespace

SubtitleDocument::OtherWriterAnswer TForm1::AskAboutOtherWriter(bool removed) {
  const std::filesystem::path& path = Document.SubtitlePath;
  MessageBoxRequest question;
  question.caption = "Information";
  question.icon = MessageIcon::Information;
  question.text = kFileLead + Ws.Files().DisplayName(path) + (removed ? kRemovedByOther : kChangedByOther) +
                  "\n\n" +
                  (removed ? kAcceptRemoval + "\n" + kWriteOursAgain
                           : kKeepTheirs + "\n" + kWriteOursKeepingTheirs +
                                 Ws.Files().DisplayName(TheirsPath(path).filename()) + kQuoteEnd) +
                  "\n" + kPutOff;
  question.buttons = YesNoCancelButtons();
  // Nothing is lost by waiting: Enter and Escape both put it off.
  question.defaultButton = kCancel;
  question.escapeButton = kCancel;
  switch (Ws.ShowMessageBox(question)) {
    case kYes:
      return SubtitleDocument::OtherWriterAnswer::KeepTheirs;
    case kNo:
      return SubtitleDocument::OtherWriterAnswer::WriteOurs;
    default:
      return SubtitleDocument::OtherWriterAnswer::CancelForNow;
  }
}

void TForm1::ServePendingReload() {
  if (Document.ReloadPending == 0) return;
  // The views take the other writer's version: nothing recorded against ours applies to it.
  Document.History.Clear();
  try {
    if (Ws.Files().Exists(Document.SubtitlePath)) {
      // As a resume does: both views from the file, edit mode, playback to the end of its last subtitle.
      ResumeSubtitleFile();
    } else {
      // Their version is no file at all: the views are emptied, and the next commit makes it anew.
      ProgramChange loading(Document.LoadingFile);
      Document.TempRichEdit.Clear();
      UserRichEdit->Clear();
      RefreshUserViewSnapshot();
      Document.KnownStamp = Ws.Files().Stamp(Document.SubtitlePath);
    }
    Document.OtherVersionLoaded();
  } catch (const std::exception&) {
    // Reported by the resume. A file read whole is in the views even so; one that could not be read is
    // protected, and the views still hold this program's version, which the disk lacks.
    if (Document.ProtectedSubtitlePath == Document.SubtitlePath) {
      Document.ReloadPending = 0;
      Document.SetSaveFailing(true);
    } else {
      Document.OtherVersionLoaded();
    }
  }
}

bool TForm1::MayOpenReadOnly() {
  MessageBoxRequest question;
  question.caption = "Information";
  question.icon = MessageIcon::Information;
  question.text =
      kOpenElsewhere + Ws.Files().DisplayName(Document.SubtitlePath) + kQuoteEnd + "\n\n" + kReadOnlyChoices;
  question.buttons = YesNoButtons();
  question.defaultButton = kYes;
  question.escapeButton = kNo;
  return Ws.ShowMessageBox(question) == kYes;
}

}  // namespace titrelle
