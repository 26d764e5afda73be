// What closing would lose while saves fail: the subtitles of the file view the disk does not hold as they are.
#include "document/UnsavedSubtitles.h"

#include <gtest/gtest.h>

#include <string>

namespace titrelle {
namespace {

std::string Group(int number, const std::string& text) {
  return std::to_string(number) + "\r\n00:00:0" + std::to_string(number) + ":000 --> 00:00:0" +
         std::to_string(number) + ":500\r\n" + text + "\r\n\r\n";
}

TEST(SubtitlesNotOnDisk, NamesTheSubtitlesWhoseLinesTheDiskLacks) {
  const std::string three = Group(1, "a") + Group(2, "b") + Group(3, "c");
  struct Case {
    const char* what;
    std::string onDisk;
    std::string fileView;
    bool lost;
    int first;
    int last;
  };
  const Case cases[] = {
      {"the same text", three, three, false, 0, 0},
      {"the same text with LF breaks on disk", "1\n00:00:01:000 --> 00:00:01:500\na\n\n", Group(1, "a"), false, 0, 0},
      {"one line appended", three, three + Group(4, "d"), true, 4, 4},
      {"two appended to a file never written", "", Group(1, "a") + Group(2, "b"), true, 1, 2},
      {"the middle text edited", three, Group(1, "a") + Group(2, "B") + Group(3, "c"), true, 2, 2},
      {"a number line edited", three, Group(1, "a") + "20\r\n" + three.substr(Group(1, "a").size() + 3), true, 2, 2},
      {"edits in the first and the last", three, Group(1, "A") + Group(2, "b") + Group(3, "C"), true, 1, 3},
      {"a view with no time line", "", "x\r\n", true, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::optional<SubtitleRange> lost = SubtitlesNotOnDisk(c.onDisk, c.fileView);
    ASSERT_EQ(lost.has_value(), c.lost);
    if (!lost) continue;
    EXPECT_EQ(lost->first, c.first);
    EXPECT_EQ(lost->last, c.last);
  }
}

}  // namespace
}  // namespace titrelle
