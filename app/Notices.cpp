// The word beside the player after each saved line, and after a save that failed, a line that was refused
// or a typed character that was: it covers neither the video nor the entry box, and goes after a few
// seconds.
#include "app/Notices.h"

namespace titrelle {

namespace {

constexpr int kNoticeTickMs = 500;
constexpr int kNoticeTicks = 8;  // four seconds

}  // namespace

void Notices::Show(const std::string& text) {
  label_.SetText(text);
  ticksLeft_ = kNoticeTicks;
  if (!timer_) timer_ = windowSystem_.StartTimer(kNoticeTickMs, [this] { Tick(); });
}

// 这个字符无法以 GBK 保存: the file holds code page 936 only, and such a character would become "?" in it.
void Notices::CharactersRefused() {
  Show("\xD5\xE2\xB8\xF6\xD7\xD6\xB7\xFB\xCE\xDE\xB7\xA8\xD2\xD4 GBK \xB1\xA3\xB4\xE6");
}

void Notices::Tick() {
  if (ticksLeft_ == 0) return;
  if (--ticksLeft_ == 0) label_.SetText("");
}

}  // namespace titrelle
