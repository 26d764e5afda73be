#include "document/Listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/Error.h"

namespace titrelle {
namespace {

// The lines of a text as the listing defines them, worked out the slow way.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> pieces;
  std::size_t begin = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", begin)) {
    pieces.push_back(text.substr(begin, at - begin));
    begin = at + 2;
  }
  pieces.push_back(text.substr(begin));
  if (pieces.back().empty()) pieces.pop_back();
  return pieces;
}

void ExpectLinesMatchText(const Listing& listing) {
  const std::vector<std::string> expected = SplitLines(listing.Text());
  ASSERT_EQ(listing.Count(), static_cast<int>(expected.size())) << listing.Text();
  for (int i = 0; i < listing.Count(); ++i) EXPECT_EQ(listing.Line(i), expected[i]) << "line " << i;
}

// A committed subtitle as the commit adds it: number, time line, text line, separator.
void AddGroup(Listing& listing, int number, const std::string& textLine) {
  listing.Add(std::to_string(number));
  listing.Add("00:00:00:001 --> 00:00:02:345");
  listing.Add(textLine);
  listing.Add("");
}

TEST(ListingTest, CountLeavesOutOnlyAnEmptyLastLine) {
  const struct {
    const char* text;
    int count;
  } cases[] = {{"", 0}, {"a", 1}, {"a\r\n", 1}, {"a\r\n\r\n", 2}, {"a\r\nb", 2}, {"\r\n", 1}, {"a\rb\nc", 1}};
  for (const auto& c : cases) {
    Listing listing;
    listing.SetListingText(c.text);
    EXPECT_EQ(listing.Count(), c.count) << c.text;
    EXPECT_EQ(listing.Text(), c.text);
  }
}

TEST(ListingTest, AddAppendsAfterABreakOrBeforeOne) {
  Listing listing;
  listing.Add("one");
  EXPECT_EQ(listing.Text(), "one\r\n");
  listing.Add("");
  EXPECT_EQ(listing.Text(), "one\r\n\r\n");
  EXPECT_EQ(listing.Count(), 2);

  // A text that ends without a break gets the break first and still ends without one.
  listing.SetListingText("a\r\nb");
  listing.Add("c");
  EXPECT_EQ(listing.Text(), "a\r\nb\r\nc");
  EXPECT_EQ(listing.Count(), 3);
  EXPECT_EQ(listing.Line(2), "c");
}

TEST(ListingTest, TwoCommitsCountEightLines) {
  Listing listing;
  AddGroup(listing, 1, "Hi");
  AddGroup(listing, 2, "There");
  EXPECT_EQ(listing.Count(), 8);
  EXPECT_EQ(listing.Line(4), "2");
  EXPECT_EQ(listing.Line(7), "");
  ExpectLinesMatchText(listing);
}

TEST(ListingTest, UnterminatedLastLineIsKeptAndTheNextGroupFollowsIt) {
  Listing listing;
  listing.SetListingText("1\r\n00:00:00:001 --> 00:00:02:345\r\nHi");
  EXPECT_EQ(listing.Count(), 3);
  EXPECT_EQ(listing.Line(2), "Hi");
  AddGroup(listing, 1, "Next");
  // The number line comes right after the text line; the group ends with its text line and a break.
  EXPECT_EQ(listing.Text(),
            "1\r\n00:00:00:001 --> 00:00:02:345\r\nHi\r\n1\r\n00:00:00:001 --> 00:00:02:345\r\nNext\r\n");
  EXPECT_EQ(listing.Count(), 6);
}

TEST(ListingTest, DeleteTakesTheBreakAfterTheLine) {
  Listing listing;
  listing.SetListingText("a\r\nb\r\nc");
  listing.Delete(1);
  EXPECT_EQ(listing.Text(), "a\r\nc");
  listing.Delete(1);  // no break after it: only its text goes
  EXPECT_EQ(listing.Text(), "a\r\n");
  EXPECT_EQ(listing.Count(), 1);
  listing.Delete(0);
  EXPECT_EQ(listing.Text(), "");
  EXPECT_EQ(listing.Count(), 0);
}

TEST(ListingTest, OutOfRangeLinesAreErrors) {
  Listing listing;
  listing.SetListingText("a\r\n");
  EXPECT_THROW(listing.Line(1), Error);
  EXPECT_THROW(listing.Line(-1), Error);
  EXPECT_THROW(listing.Delete(1), Error);
  EXPECT_THROW(listing.ReplaceLine(1, "x"), Error);
}

TEST(ListingTest, EveryChangeIsReportedOnce) {
  Listing listing;
  int changes = 0;
  listing.OnChange = [&] { ++changes; };
  listing.Add("a");
  listing.ReplaceLine(0, "b");
  listing.Delete(0);
  listing.SetListingText("c");
  listing.Clear();
  EXPECT_EQ(changes, 5);
}

// Random edits against the slow split: the kept line index must always describe the text.
TEST(ListingTest, IndexFollowsEveryKindOfEdit) {
  std::mt19937 random(7);
  const std::vector<std::string> samples = {"", "x", "\xBA\xDA", "a\r", "\nb", "c\r\nd", "<b>"};
  Listing listing;
  for (int step = 0; step < 2000; ++step) {
    const std::string& sample = samples[random() % samples.size()];
    const int count = listing.Count();
    switch (random() % 7) {
      case 0:
      case 1:
        listing.Add(sample);
        break;
      case 2:
        if (count > 0) listing.Delete(static_cast<int>(random() % count));
        break;
      case 3:
        if (count > 0) {
          // Only the bytes that differ are moved: the text must still read as a whole replacement, and a CR
          // or LF meeting a kept byte must still make or leave a break.
          const int index = static_cast<int>(random() % count);
          const std::string expected =
              listing.Text().substr(0, listing.LineStart(index)) + sample +
              listing.Text().substr(listing.LineStart(index) + listing.Line(index).size());
          listing.ReplaceLine(index, sample);
          ASSERT_EQ(listing.Text(), expected);
        }
        break;
      case 4:
        if (random() % 20 == 0) {
          listing.SetListingText(listing.Text() + sample);
        } else {
          // Some bytes inside one piece replaced.
          const int piece = static_cast<int>(random() % listing.PieceCount());
          const std::size_t size = listing.PiecesView(piece, 1).size();
          const std::size_t at = random() % (size + 1);
          const std::size_t removed = random() % (size - at + 1);
          std::string expected = listing.Text();
          expected.replace(listing.LineStart(piece) + at, removed, sample);
          listing.SpliceLine(piece, {at, removed, sample.size()}, sample);
          ASSERT_EQ(listing.Text(), expected);
        }
        break;
      case 5:
        if (random() % 200 == 0) listing.Clear();
        break;
      case 6: {
        // What a command of the history does: some pieces replaced by a text that may hold breaks.
        const int pieces = listing.PieceCount();
        const int first = static_cast<int>(random() % pieces);
        const int replaced = 1 + static_cast<int>(random() % std::min(3, pieces - first));
        const std::string expected =
            listing.Text().substr(0, listing.LineStart(first)) + sample + sample +
            listing.Text().substr(listing.LineStart(first) + listing.PiecesView(first, replaced).size());
        listing.ReplacePieces(first, replaced, sample + sample);
        ASSERT_EQ(listing.Text(), expected);
        break;
      }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectLinesMatchText(listing)) << "step " << step;
  }
}

TEST(ListingTest, DifferingMiddleLeavesOutTheCommonStartAndEnd) {
  const std::string huge(10000, 'x');
  const struct {
    std::string before, after;
    LineSplice splice;
  } cases[] = {
      {"", "", {0, 0, 0}},
      {"abc", "abc", {3, 0, 0}},
      {"abc", "abxc", {2, 0, 1}},
      {"abc", "ac", {1, 1, 0}},
      {"aaa", "aaaa", {3, 0, 1}},  // the common start and end never overlap
      {"\xBA\xDA\xBA\xDA", "\xBA\xDA", {2, 2, 0}},
      {huge + "a" + huge, huge + "bc" + huge, {10000, 1, 2}},
      {huge, "y" + huge, {0, 0, 1}},
  };
  for (const auto& c : cases) EXPECT_EQ(DifferingMiddle(c.before, c.after), c.splice) << c.after.size();
}

TEST(ListingTest, ReplaceLineKeepsTheBreaks) {
  Listing listing;
  listing.SetListingText("1\r\nold\r\n\r\nlast");
  listing.ReplaceLine(1, "new text");
  EXPECT_EQ(listing.Text(), "1\r\nnew text\r\n\r\nlast");
  EXPECT_EQ(listing.Line(3), "last");
  listing.ReplaceLine(3, "");
  EXPECT_EQ(listing.Text(), "1\r\nnew text\r\n\r\n");
  EXPECT_EQ(listing.Count(), 3);
}

}  // namespace
}  // namespace titrelle
