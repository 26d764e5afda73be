// Entering edit mode (F7) and leaving it to go on capturing (F8).
#include "app/Unit1.h"
#include "capture/TimeText.h"

namespace titrelle {

void TForm1::EditButtonClick() { EnterEditMode(); }

void TForm1::EnterEditMode() {
  Panel3->SetVisible(false);
  UserRichEdit->SetVisible(true);
  UserRichEdit->SetFocus();
  UserRichEdit->CaretToEnd();
  Session.EnterEditMode();
  StartTimeButton->SetEnabled(false);
  EndTimeButton->SetEnabled(false);
  WP->Pause();
}

void TForm1::ContinueButtonClick() {
  WP->SetCurrentPosition(static_cast<double>(Session.ContinuePosition()));
  Session.SetMarkStart(Session.ContinuePosition());
  WP->Pause();
  Edit1->SetText(Session.ContinueStartText().empty() ? Label1->Text() : Session.ContinueStartText());
  Edit2->SetText(Session.ContinueEndText().empty() ? std::string(kZeroTimeText) : Session.ContinueEndText());
  StartTimeButton->SetEnabled(true);
  EndTimeButton->SetEnabled(true);
  InputEdit->SetFocus();
  UserRichEdit->SetVisible(false);
  Panel3->SetVisible(true);
  Session.LeaveEditMode();
  TableRows.BackToNewest();
}

}  // namespace titrelle
