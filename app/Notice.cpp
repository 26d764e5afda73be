// The word beside the player after each saved line, and after a save that failed or a line that was
// refused: it covers neither the video nor the entry box, and goes after a few seconds.
#include "app/Unit1.h"

namespace titrelle {

namespace {

constexpr int kNoticeTickMs = 500;
constexpr int kNoticeTicks = 8;  // four seconds

}  // namespace

void TForm1::ShowNotice(const std::string& text) {
  NoticeLabel->SetText(text);
  NoticeTicksLeft = kNoticeTicks;
  if (!NoticeTimer) NoticeTimer = Ws.StartTimer(kNoticeTickMs, [this] { NoticeTimerTick(); });
}

void TForm1::NoticeTimerTick() {
  if (NoticeTicksLeft == 0) return;
  if (--NoticeTicksLeft == 0) NoticeLabel->SetText("");
}

}  // namespace titrelle
