// The subtitle table's rows: what each shows of a subtitle, and which lines it flags.
#include "document/SubtitleRows.h"

#include <gtest/gtest.h>

#include <string>

#include "style/StyleStrings.h"

namespace titrelle {
namespace {

// A subtitle group as the program writes it, in the default style.
std::string Group(const std::string& number, const std::string& timeLine, const std::string& text) {
  return number + "\r\n" + timeLine + "\r\n" + DefaultLinePrefix + text + "</b>\r\n\r\n";
}

const std::string kNi = "\xC4\xE3";   // 你
const std::string kHao = "\xBA\xC3";  // 好
std::string Chinese(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += i % 2 ? kHao : kNi;
  return text;
}

TEST(SubtitleRowsTest, ARowShowsTheSubtitlesTimesItsPlainTextAndItsFlags) {
  const struct {
    const char* name;
    std::string document;
    int row;
    int number;
    long long startMs, endMs;
    int characters;
    std::string text;
    unsigned flags;
  } cases[] = {
      {"plain", Group("7", "00:00:01:000 --> 00:00:03:000", kNi + kHao), 0, 7, 1000, 3000, 2, kNi + kHao, 0},
      // Blanks are not read; letters and full-width characters are, one each.
      {"mixed", Group("1", "00:00:01:000 --> 00:00:02:000", "ab " + kNi), 0, 1, 1000, 2000, 3, "ab " + kNi,
       0},
      {"overlaps its next by a millisecond",
       Group("1", "00:00:01:000 --> 00:00:03:000", "a") + Group("2", "00:00:02:999 --> 00:00:04:000", "b"), 0,
       1, 1000, 3000, 1, "a", rowflag::OverlapsNext},
      {"ends where its next starts",
       Group("1", "00:00:01:000 --> 00:00:03:000", "a") + Group("2", "00:00:03:000 --> 00:00:04:000", "b"), 0,
       1, 1000, 3000, 1, "a", 0},
      {"the last overlaps nothing",
       Group("1", "00:00:01:000 --> 00:00:03:000", "a") + Group("2", "00:00:02:000 --> 00:00:04:000", "b"), 1,
       2, 2000, 4000, 1, "b", 0},
      {"just too short", Group("1", "00:00:01:000 --> 00:00:01:699", "a"), 0, 1, 1000, 1699, 1, "a",
       rowflag::Short},
      {"just long enough", Group("1", "00:00:01:000 --> 00:00:01:700", "a"), 0, 1, 1000, 1700, 1, "a", 0},
      {"end before start", Group("1", "00:00:02:000 --> 00:00:01:000", "a"), 0, 1, 2000, 1000, 1, "a",
       rowflag::Short},
      {"fifteen a second", Group("1", "00:00:01:000 --> 00:00:02:000", Chinese(15)), 0, 1, 1000, 2000, 15,
       Chinese(15), 0},
      {"sixteen a second", Group("1", "00:00:01:000 --> 00:00:02:000", Chinese(16)), 0, 1, 1000, 2000, 16,
       Chinese(16), rowflag::Fast},
      {"short and fast", Group("1", "00:00:01:000 --> 00:00:01:500", Chinese(8)), 0, 1, 1000, 1500, 8,
       Chinese(8), rowflag::Short | rowflag::Fast},
      // Two text lines show on one, joined by a blank; no number line: numbered by its place.
      {"two lines, no number",
       Group("1", "00:00:01:000 --> 00:00:03:000", "a") + "00:00:05:000 --> 00:00:07:000\r\n" +
           DefaultLinePrefix + "x</b>\r\n" + DefaultLinePrefix + "y</b>\r\n",
       1, 2, 5000, 7000, 2, "x y", 0},
      // A line longer than any cell shows its start only, but every character of it is counted.
      {"a line of 20,000 bytes", Group("1", "00:00:01:000 --> 00:20:00:000", Chinese(10000)), 0, 1, 1000,
       1200000, 10000, Chinese(kRowTextBytes / 2), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Listing lines;
    lines.SetListingText(c.document);
    const SubtitleIndex index(lines);
    const SubtitleRow row = ReadSubtitleRow(index, c.row);
    EXPECT_TRUE(row.timed);
    EXPECT_EQ(row.number, c.number);
    EXPECT_EQ(row.startMs, c.startMs);
    EXPECT_EQ(row.endMs, c.endMs);
    EXPECT_EQ(row.durationMs, c.endMs - c.startMs);
    EXPECT_EQ(row.characters, c.characters);
    EXPECT_EQ(row.text, c.text);
    EXPECT_EQ(row.flags, c.flags);
  }
}

TEST(SubtitleRowsTest, CellsShowTimesAsWrittenAndALineBeingTypedShowsNoTimes) {
  Listing lines;
  lines.SetListingText(Group("3", "00:01:02:050 --> 00:01:04:300", Chinese(9)) +
                       Group("4", "00:01:05:000 --> 00:0", "b"));
  const SubtitleIndex index(lines);
  const SubtitleRow row = ReadSubtitleRow(index, 0);
  EXPECT_EQ(RowCellText(row, RowColumn::Number), "3");
  EXPECT_EQ(RowCellText(row, RowColumn::Start), "00:01:02:050");
  EXPECT_EQ(RowCellText(row, RowColumn::End), "00:01:04:300");
  EXPECT_EQ(RowCellText(row, RowColumn::Duration), "2.250");
  EXPECT_EQ(RowCellText(row, RowColumn::CharactersPerSecond), "4.0");
  const SubtitleRow typing = ReadSubtitleRow(index, 1);
  EXPECT_FALSE(typing.timed);
  EXPECT_EQ(typing.flags, 0u);
  EXPECT_EQ(RowCellText(typing, RowColumn::Start), "");
  EXPECT_EQ(RowCellText(typing, RowColumn::CharactersPerSecond), "");
  EXPECT_EQ(RowCellText(typing, RowColumn::Text), "b");
  // 与下一句重叠 / 短于 0.7 秒, one reason a line.
  EXPECT_EQ(RowFlagsText(rowflag::OverlapsNext | rowflag::Short),
            "\xD3\xEB\xCF\xC2\xD2\xBB\xBE\xE4\xD6\xD8\xB5\xFE\n\xB6\xCC\xD3\xDA 0.7 \xC3\xEB");
}

TEST(SubtitleRowsTest, AChangeTouchesTheRowBeforeItAndMovesTheRowsAfterIt) {
  const struct {
    const char* name;
    SubtitleChange change;
    int before, after;
    RowChange rows;
  } cases[] = {
      {"a commit at the end", {3, 0, 0, 1}, 3, 4, {2, 1, 3, 0, 1, false}},
      {"an edit of the first", {0, 1, 0, 0}, 3, 3, {0, 1, 1, 0, 0, false}},
      {"a delete in the middle", {1, 0, 1, 0}, 3, 2, {0, 1, 1, 1, 0, false}},
      {"a re-time of the second and a delete after it", {1, 1, 1, 0}, 4, 3, {0, 2, 2, 1, 0, false}},
      {"the first line of a new document", {0, 0, 0, 1}, 0, 1, {0, 0, 0, 0, 0, true}},
      {"a refill's clearing", {0, 0, 5, 0}, 5, 0, {0, 0, 0, 0, 0, true}},
      {"an open over another document", {0, 3, 0, 7}, 3, 10, {0, 0, 0, 0, 0, true}},
      {"a restyle", {0, 3, 0, 0}, 3, 3, {0, 3, 3, 0, 0, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const RowChange rows = RowsTouched(c.change, c.before, c.after);
    EXPECT_EQ(rows.reload, c.rows.reload);
    if (rows.reload) continue;
    EXPECT_EQ(rows.firstChanged, c.rows.firstChanged);
    EXPECT_EQ(rows.changedCount, c.rows.changedCount);
    EXPECT_EQ(rows.removedFirst, c.rows.removedFirst);
    EXPECT_EQ(rows.removed, c.rows.removed);
    EXPECT_EQ(rows.inserted, c.rows.inserted);
  }
}

}  // namespace
}  // namespace titrelle
