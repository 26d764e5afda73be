#include "editing/EditSession.h"

#include <exception>

namespace titrelle {

void EditSession::FollowCommand(UserViewControl& view, const std::function<void()>& takeCaretLine) {
  if (!view.Visible()) {
    view.CaretToEnd();
    return;
  }
  try {
    takeCaretLine();
  } catch (const std::exception&) {
  }
}

TypingCommand* EditSession::OpenTypingStep() const {
  return openTyping_ != nullptr && openTypingAt_ == history_.Changes() ? openTyping_ : nullptr;
}

void EditSession::TypingStepOpened(TypingCommand* step) {
  openTyping_ = step;
  openTypingAt_ = history_.Changes();
}

void EditSession::KeyTyped() {
  if (!typingPause_) typingPause_ = windowSystem_.CreateWakeUpTimer([this] { CloseTyping(); });
  typingPause_->WakeAfter(kTypingPause);
}

}  // namespace titrelle
