#pragma once
// TFontOptionForm, the font options dialog. It owns the style strings every line writer reads.

#include <memory>
#include <string>

#include "ui/Window.h"
#include "ui/WindowSystem.h"

namespace titrelle {

class TForm1;

class TFontOptionForm {
 public:
  TFontOptionForm(WindowSystem& windowSystem, TForm1& form1);
  ~TFontOptionForm();

  std::string StylePart1;
  std::string StylePart2;
  std::string DefaultStyleFlag;

  WindowSystem& Ws;
  TForm1& Form1;
};

}  // namespace titrelle
