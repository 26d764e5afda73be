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

}  // namespace titrelle
