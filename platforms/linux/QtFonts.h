#pragma once
// Fonts: the window tables name Windows faces (MS Sans Serif, 黑体, 宋体); here they map to installed ones.

#include <QFont>
#include <string>
#include <vector>

#include "ui/WindowTable.h"

namespace titrelle {

// Maps the Windows faces the tables use to faces Debian installs (fonts-wqy-microhei holds the Chinese).
void InstallFontSubstitutions();

// `base` with the face, size and weight of `entry` where it gives them.
QFont QFontFromLook(const FontLook& entry, const QFont& base);

// Family names of the screen fonts as code page 936 texts, each once, without Qt's foundry suffixes.
std::vector<std::string> ScreenFontFamilyNames();

}  // namespace titrelle
