// The Qt edge of the program's texts: what the widgets show of a code page 936 text, and what comes back.
#include <gtest/gtest.h>

#include <string>

#include "platforms/linux/QtText.h"
#include "platforms/linux/TextLines.h"

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

// A cut never splits a double-byte character, whatever bytes came before it: a trail byte may itself look
// like a lead byte, and only a byte that cannot lead ends a run for certain.
TEST(QtTextTest, ACutOfACodePage936TextEndsOnACharacterStart) {
  const struct {
    std::string text;
    std::size_t bytes;
    std::string kept;
  } cases[] = {
      {"ab", 5, "ab"},
      {"a\xD6\xD0z", 2, "a"},                 // a中z, cut inside 中
      {"a\xD6\xD0z", 3, "a\xD6\xD0"},         // after it
      {"x\xD6\xD0\xCE\xC4", 4, "x\xD6\xD0"},  // x中文, inside 文, after a trail in the lead range
      {"\x81\x41\x42", 2, "\x81\x41"},        // a trail byte below the lead range ends its character
      {"\xD6\xD0\xD6\xD0\xD6\xD0", 5, "\xD6\xD0\xD6\xD0"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LeadingCharacters(c.text, c.bytes), c.kept) << c.text.size() << " " << c.bytes;
}

// A large text set a run of whole lines at a time reads as the same text set at once, line for line: runs
// into an empty view, after a set text, and after a line the user made one of its own (typed into).
TEST(QtTextTest, TextAppendedInRunsOfLinesReadsAsTheTextSetAtOnce) {
  const std::string head = "1\r\n00:00:01:000 --> 00:00:02:000\r\n";
  const std::string runs[] = {"a\r\n\r\n", "\xD6\xD0\r\nb\nc\r\n", "\r\n"};
  for (const bool typedInto : {false, true}) {
    for (const std::string& start : {std::string(), head}) {
      TextLines appended;
      appended.SetText(start);
      if (typedInto) appended.Replace(appended.End(), appended.End(), "x");
      std::string whole = start + (typedInto ? "x" : "");
      for (const std::string& run : runs) {
        appended.Append(run);
        whole += run;
      }
      TextLines set;
      set.SetText(whole);
      SCOPED_TRACE(testing::PrintToString(whole));
      ASSERT_EQ(appended.PieceCount(), set.PieceCount());
      for (int line = 0; line < set.PieceCount(); ++line) EXPECT_EQ(appended.Line(line), set.Line(line));
    }
  }
}

}  // namespace
}  // namespace titrelle
