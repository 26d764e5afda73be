#pragma once
// Reading the user view line by line, as edit mode needs it.

#include <string>
#include <string_view>

#include "ui/Controls.h"

namespace titrelle {

// The text of a line of the user view; the empty piece after a final break (where the caret may stand) and a
// view with no lines at all read as an empty line.
inline std::string UserViewLine(const UserViewControl& view, int index) {
  if (index < 0 || index >= view.Count()) return std::string();
  return view.Line(index);
}

// A time line is any line holding "-->"; the arrow's bytes are below every trail byte of code page 936, so a
// plain search cannot match inside a double-byte character.
inline bool IsTimeLine(std::string_view line) { return line.find("-->") != std::string_view::npos; }

}  // namespace titrelle
