// The Qt edge of the program's texts: what the widgets show of a code page 936 text, and what comes back.
#include <gtest/gtest.h>

#include <string>

#include "platforms/linux/QtText.h"

namespace titrelle {
namespace {

// A text through a widget and back: nothing the user could not see may vanish, and a byte that is no
// character shows as "?" where it stood, so a line keeps its length in characters.
TEST(QtTextTest, EveryByteOfACodePage936TextComesBackAsItselfOrAsAQuestionMark) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"a\xD6\xD0", "a\xD6\xD0"},  // a中
      {"\x80", "\x80"},            // the euro sign of code page 936
      {"abc\x81", "abc?"},         // a lead byte ending the text, its trail byte cut off
      {"\x81", "?"},
      {"a\x81\r\nb", "a?\r\nb"},  // a lead byte before a break keeps the break
      {"\xD6\xD0\xD6", "\xD6\xD0?"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp936FromQString(QStringFromCp936(c.in)), c.out) << c.in;
  }
}

TEST(QtTextTest, ACharacterCodePage936CannotHoldBecomesAQuestionMarkAndIsTold) {
  bool lossy = false;
  EXPECT_EQ(Cp936FromQString(QString::fromUtf8("x\u0E01y\U0001F600z"), &lossy), "x?y?z");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(Cp936FromQString(QString::fromUtf8("\u4E2D"), &lossy), "\xD6\xD0");
  EXPECT_FALSE(lossy);
}

}  // namespace
}  // namespace titrelle
