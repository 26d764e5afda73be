#include "editing/FollowedLine.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "document/TimeLine.h"

namespace titrelle {
namespace {

// Random splices of lines made of arrow pieces: the arrow found around each splice must be the one a search
// of the whole line finds, whether the splice makes an arrow, takes one apart or moves one.
TEST(FollowedLineTest, TheFirstArrowFollowsEverySplice) {
  std::mt19937 random(11);
  const std::vector<std::string> pieces = {"-", ">", "--", "-->", "a", "\xBA\xDA", " "};
  const auto some = [&] {
    std::string text;
    for (int n = static_cast<int>(random() % 4); n > 0; --n) text += pieces[random() % pieces.size()];
    return text;
  };
  FollowedLine line;
  std::string text;
  std::size_t arrow = kNoArrow;
  for (int step = 0; step < 5000; ++step) {
    if (text.size() > 40) {
      text.clear();
      arrow = kNoArrow;
    }
    const std::size_t at = random() % (text.size() + 1);
    const std::size_t removed = random() % (text.size() - at + 1);
    const std::string inserted = some();
    text.replace(at, removed, inserted);
    arrow = FirstArrowAfterSplice(text, arrow, {at, removed, inserted.size()});
    ASSERT_EQ(arrow, text.find(kTimeLineArrow)) << text;
    line.Set(text);
    ASSERT_EQ(line.Text(), text);
    ASSERT_EQ(line.HoldsArrow(), IsTimeLine(text)) << text;
  }
}

}  // namespace
}  // namespace titrelle
