#pragma once
// Edit mode's own state: the user view's line under the caret as last taken up, the snapshot of the user
// view that undoes joined or split lines, and the typing step keys still go into.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "base/ProgramChange.h"
#include "document/DocumentHistory.h"
#include "document/Listing.h"
#include "editing/FollowedLine.h"
#include "ui/Controls.h"
#include "ui/WindowSystem.h"

namespace titrelle {

class TypingCommand;

class EditSession {
 public:
  EditSession(WindowSystem& windowSystem, const DocumentHistory& history)
      : windowSystem_(windowSystem), history_(history) {}
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;

  // The caret's line in the user view, and its text, when the caret was last followed.
  int CaretLine() const { return caretLine_; }
  const std::string& CaretLineText() const { return caretLineText_.Text(); }
  bool CaretLineHoldsArrow() const { return caretLineText_.HoldsArrow(); }
  void SetCaretLine(int line) { caretLine_ = line; }
  // Only the bytes that differ are copied, and the arrow looked for around them: following the caret on a
  // line of megabytes after a key costs a comparison.
  void SetCaretLineText(std::string_view text) { caretLineText_.Set(text); }

  // The caret's line as the last key wrote it back: the snapshot's line (`lineSize` bytes, its first arrow
  // at `arrowAt`), and the same bytes in the file view's line from `fileViewAt` on, as the two listings stood
  // after it (their counts of changes). While neither has changed since, the next key's change of the
  // snapshot's line is the change of the file view's, and where the arrow stands follows from it: a line
  // of megabytes is compared once a key, not once a listing.
  struct WrittenBack {
    int line = -1;
    std::uint64_t snapshotRevision = 0;
    std::uint64_t fileViewRevision = 0;
    std::size_t fileViewAt = 0;
    std::size_t lineSize = 0;
    std::size_t arrowAt = kNoArrow;
  };
  const WrittenBack& LastWriteBack() const { return lastWriteBack_; }
  void SetLastWriteBack(const WrittenBack& written) { lastWriteBack_ = written; }
  void ForgetWriteBack() { lastWriteBack_ = {}; }

  // The user view as last accepted, so that an edit joining or splitting its lines can be undone. Kept line
  // by line: an accepted edit changes the caret's line, and the program's own changes (commit, resume, open)
  // update it themselves, so that no keystroke reads the whole view.
  Listing& UserViewSnapshot() { return userViewSnapshot_; }
  const Listing& UserViewSnapshot() const { return userViewSnapshot_; }
  // The program changes the user view (a command, a refused join put back): no write-back while the scope
  // returned lasts.
  [[nodiscard]] ProgramChange<bool> RestoringUserView() { return ProgramChange(restoringUserView_); }
  bool UserViewBeingRestored() const { return restoringUserView_; }

  // After a command changed the views' lines: while capturing, the hidden view's caret goes back to its end,
  // where commits leave it; in edit mode `takeCaretLine` makes the boxes and the replayed stretch follow the
  // line under the caret, and a line whose times do not read leaves them as they were.
  void FollowCommand(UserViewControl& view, const std::function<void()>& takeCaretLine);

  // Keys typed in one line make one step until the caret leaves the line or this long passes without a key.
  static constexpr std::chrono::milliseconds kTypingPause{1000};
  // The typing step keys may still go into: the history's last command while its count of changes is
  // still what it was when the step opened (anything done, undone or cleared since leaves it closed).
  TypingCommand* OpenTypingStep() const;
  // `step` was just done: keys go into it from now on.
  void TypingStepOpened(TypingCommand* step);
  // A key went into the open step: a pause from now closes it.
  void KeyTyped();
  void CloseTyping() { openTyping_ = nullptr; }

 private:
  WindowSystem& windowSystem_;
  const DocumentHistory& history_;
  int caretLine_ = 0;
  FollowedLine caretLineText_;
  WrittenBack lastWriteBack_;
  Listing userViewSnapshot_;
  bool restoringUserView_ = false;
  TypingCommand* openTyping_ = nullptr;
  std::uint64_t openTypingAt_ = 0;
  std::unique_ptr<WakeUpTimer> typingPause_;
};

}  // namespace titrelle
