#pragma once
// The key help: every key of the program's key table and what it does, in a table of two columns.

#include <string>
#include <vector>

class QWidget;

namespace titrelle {

// Modal. `lines`: the key, a tab, what it does (code page 936).
void ShowKeyHelpDialog(QWidget* parent, const std::vector<std::string>& lines);

}  // namespace titrelle
