#pragma once
// Reading the user view line by line, as edit mode needs it.

#include <string>
#include <string_view>

#include "document/TimeLine.h"
#include "ui/Controls.h"

namespace titrelle {

// The text of a line of the user view; the empty piece after a final break (where the caret may stand) and a
// view with no lines at all read as an empty line.
inline std::string UserViewLine(const UserViewControl& view, int index) {
  if (index < 0 || index >= view.Count()) return std::string();
  return view.Line(index);
}

}  // namespace titrelle
