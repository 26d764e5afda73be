// What the window shows of the document's saves, completing a save that was killed, and deriving the user
// view from a loaded file.
#include <exception>

#include "app/Unit1.h"
#include "document/UserViewDerivation.h"
#include "ui/ErrorReport.h"

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
  Document.Memo2.SetListingText(DeriveUserViewText(Document.TempRichEdit.Text()));
  UserRichEdit->Clear();
  UserRichEdit->SetListingText(Document.Memo2.Text());
}

}  // namespace titrelle
