// What the window shows of the document's saves, completing a save that was killed, asking before
// unsaved lines are dropped, and deriving the user view from a loaded file.
#include <exception>
#include <optional>
#include <string>

#include "app/Unit1.h"
#include "document/SubtitleFile.h"
#include "document/UnsavedSubtitles.h"
#include "document/UserViewDerivation.h"
#include "ui/Dialogs.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

// The caption's mark while the file on disk lags behind the views: " [未保存]" (not saved).
const std::string kNotSavedMark = " [\xCE\xB4\xB1\xA3\xB4\xE6]";
// The caption's mark of a document another running copy has open: " [只读]" (read only).
const std::string kReadOnlyMark = " [\xD6\xBB\xB6\xC1]";

// 字幕文件“FILE”没有保存成功，第 A 至 B 条字幕还不在磁盘上。
std::string NotOnDiskText(const std::string& shownPath, std::optional<SubtitleRange> range) {
  std::string text = "\xD7\xD6\xC4\xBB\xCE\xC4\xBC\xFE\xA1\xB0" + shownPath +
                     "\xA1\xB1\xC3\xBB\xD3\xD0\xB1\xA3\xB4\xE6\xB3\xC9\xB9\xA6\xA3\xAC";
  if (range && range->last > 0) {
    text += "\xB5\xDA " + std::to_string(range->first);                          // 第 A
    if (range->last != range->first) text += " \xD6\xC1 " + std::to_string(range->last);  // 至 B
    text += " \xCC\xF5\xD7\xD6\xC4\xBB\xBB\xB9\xB2\xBB\xD4\xDA\xB4\xC5\xC5\xCC\xC9\xCF\xA1\xA3";  // 条字幕还不在磁盘上。
  } else {
    text += "\xD7\xEE\xBD\xFC\xB5\xC4\xD0\xDE\xB8\xC4\xBB\xB9\xB2\xBB\xD4\xDA\xB4\xC5\xC5\xCC\xC9\xCF\xA1\xA3";  // 最近的修改还不在磁盘上。
  }
  return text;
}

}  // namespace

bool TForm1::MayDropUnsavedLines(const std::string& goOnMeaning) {
  // A version another writer saved, which the user chose to keep, is on the disk: nothing is lost.
  while (Document.SaveFailing != 0 && Document.ReloadPending == 0) {
    // What the disk holds decides what would be lost: a file view the disk already holds loses nothing.
    std::string onDisk;
    try {
      onDisk = NormalizeLineBreaks(Ws.Files().ReadWhole(Document.SubtitlePath));
    } catch (const std::exception&) {
      // Unreadable or gone: none of the lines is safe.
    }
    const std::optional<SubtitleRange> lost = SubtitlesNotOnDisk(onDisk, Document.TempRichEdit.Text());
    if (!lost) return true;

    MessageBoxRequest question;
    question.caption = "Information";
    question.icon = MessageIcon::Information;
    question.text = NotOnDiskText(Ws.Files().DisplayName(Document.SubtitlePath), lost) +
                    "\n\n"
                    "\xD6\xD8\xCA\xD4\xA3\xBA\xD4\xD9\xB1\xA3\xB4\xE6\xD2\xBB\xB4\xCE\xA1\xA3\n" +  // 重试：再保存一次。
                    goOnMeaning +
                    "\n"
                    // 取消：回到程序，一行也不会丢。
                    "\xC8\xA1\xCF\xFB\xA3\xBA\xBB\xD8\xB5\xBD\xB3\xCC\xD0\xF2\xA3\xAC\xD2\xBB\xD0\xD0\xD2\xB2\xB2\xBB\xBB\xE1"
                    "\xB6\xAA\xA1\xA3";
    question.buttons = TryContinueCancelButtons();
    question.defaultButton = 0;
    question.escapeButton = 2;
    const int answer = Ws.ShowMessageBox(question);
    if (answer == 1) return true;
    if (answer != 0) return false;
    try {
      Document.SaveSubtitleFile();
    } catch (const std::exception& error) {
      ShowErrorReport(Ws, error.what());
    }
  }
  return true;
}

void TForm1::ShowCaption() {
  Form->SetCaption(MainWindowTable().caption + (Document.ReadOnly != 0 ? kReadOnlyMark : "") +
                   (Document.SaveFailing != 0 ? kNotSavedMark : ""));
}

void TForm1::ShowSaveFailing(bool failing) {
  ShowCaption();
  // 未能保存：FILE
  if (failing) {
    ShowNotice("\xCE\xB4\xC4\xDC\xB1\xA3\xB4\xE6\xA3\xBA" +
               Ws.Files().DisplayName(Document.SubtitlePath.filename()));
  }
}

void TForm1::FinishUnfinishedSaves() {
  try {
    Ws.Files().RemoveUnfinishedSaves(Document.SubtitlePath);
    if (Ws.Files().CompleteInterruptedSave(Document.SubtitlePath)) {
      // 上次保存时程序被中断，已按当时要写的内容补全字幕文件：FILE
      ShowNotice(
          "\xC9\xCF\xB4\xCE\xB1\xA3\xB4\xE6\xCA\xB1\xB3\xCC\xD0\xF2\xB1\xBB\xD6\xD0\xB6\xCF\xA3\xAC\xD2\xD1"
          "\xB0\xB4\xB5\xB1\xCA\xB1\xD2\xAA\xD0\xB4\xB5\xC4\xC4\xDA\xC8\xDD\xB2\xB9\xC8\xAB\xD7\xD6\xC4\xBB"
          "\xCE\xC4\xBC\xFE\xA3\xBA" +
          Ws.Files().DisplayName(Document.SubtitlePath.filename()));
    }
  } catch (const std::exception& error) {
    // The file may be torn, and its complete text lies beside it: nothing of this document may write over
    // either. The open ends here and may be repeated.
    Document.Protect("a save killed in the middle could not be completed");
    ShowErrorReport(Ws, error.what());
    throw;
  }
}

void TForm1::DeriveUserView() {
  Document.Memo2.Clear();
  std::string derived = DeriveUserViewText(Document.TempRichEdit.Text());
  Document.Memo2.SwapText(derived);
  UserRichEdit->Clear();
  UserRichEdit->SetListingText(Document.Memo2.Text());
}

}  // namespace titrelle
