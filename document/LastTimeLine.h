#pragma once
#include <string>
#include <string_view>

namespace titrelle {

struct LastTimeLineBoxes {
  bool found = false;        // an arrow was found
  std::string startBoxText;  // the 13 characters before the last arrow found
  std::string endBoxText;    // 13 characters from the 4th character after the arrow's start
};

// The two box texts of a resumed file, from the file view's text and line count. Linear in the text.
LastTimeLineBoxes FindLastTimeLine(std::string_view fileViewText, int lineCount);

}  // namespace titrelle
