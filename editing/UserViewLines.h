#pragma once
// Reading the user view line by line, as edit mode needs it.

#include <string>
#include <string_view>

#include "document/TimeLine.h"
#include "ui/Controls.h"

namespace titrelle {

// The text of a line of the user view; the empty piece after a final break (where the caret may stand) and a
// view with no lines at all read as an empty line. Good until the view changes or its next line is read.
inline std::string_view UserViewLine(const UserViewControl& view, int index) {
  if (index < 0 || index >= view.Count()) return {};
  return view.LineView(index);
}

// Whether line `index` of the user view is a time line.
inline bool UserViewTimeLine(const UserViewControl& view, int index) {
  return IsTimeLine(UserViewLine(view, index));
}

}  // namespace titrelle
