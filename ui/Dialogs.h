#pragma once
#include <optional>
#include <string>
#include <vector>

namespace titrelle {

enum class MessageIcon { Information, Error };

struct MessageBoxRequest {
  std::string caption;
  MessageIcon icon = MessageIcon::Information;
  std::string text;
  std::vector<std::string> buttons;  // captions, "&" marks the accelerator letter
  int defaultButton = 0;             // index into buttons
  int escapeButton = -1;             // index answered by Escape; -1: Escape does nothing
};

// The buttons of a question answered by "try again", "go on anyway" or "cancel" (Escape): a shell with such
// a box of its own (the Windows message box) shows that, in the system's language.
inline const std::vector<std::string>& TryContinueCancelButtons() {
  static const std::vector<std::string> buttons{
      "\xD6\xD8\xCA\xD4(&T)",  // 重试(&T)
      "\xBC\xCC\xD0\xF8(&C)",  // 继续(&C)
      "\xC8\xA1\xCF\xFB",      // 取消
  };
  return buttons;
}

// The buttons of a question answered by "yes", "no" or "cancel" (Escape), and by "yes" or "no", whose text
// says what each does: the Windows message box shows its own, in the system's language.
inline const std::vector<std::string>& YesNoCancelButtons() {
  static const std::vector<std::string> buttons{
      "\xCA\xC7(&Y)",      // 是(&Y)
      "\xB7\xF1(&N)",      // 否(&N)
      "\xC8\xA1\xCF\xFB",  // 取消
  };
  return buttons;
}
inline const std::vector<std::string>& YesNoButtons() {
  static const std::vector<std::string> buttons{"\xCA\xC7(&Y)", "\xB7\xF1(&N)"};  // 是(&Y), 否(&N)
  return buttons;
}

}  // namespace titrelle
