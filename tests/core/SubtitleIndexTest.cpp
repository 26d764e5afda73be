// The file view's subtitles: which lines make one, and an index that each change keeps true to the text.
#include "document/SubtitleIndex.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace titrelle {
namespace {

std::vector<Subtitle> ReadFromScratch(const std::string& text) {
  Listing lines;
  lines.SetListingText(text);
  return SubtitleIndex(lines).All();
}

TEST(SubtitleIndexTest, ASubtitleRunsFromItsNumberLineThroughItsLastTextLine) {
  const SubtitleTimes oneToTwo{*SubtitleTime::FromMilliseconds(1000), *SubtitleTime::FromMilliseconds(2000)};
  const struct {
    const char* text;
    std::vector<Subtitle> subtitles;
  } cases[] = {
      {"", {}},
      {"no time here\r\n3\r\n", {}},
      // The program's own group: the separator after it is not counted.
      {"before\r\n7\r\n00:00:01:000 --> 00:00:02:000\r\n<b>Hi</b>\r\n\r\n",
       {{0, "7", "00:00:01:000 --> 00:00:02:000", oneToTwo, {"<b>Hi</b>"}, 1, 3}}},
      // Several text lines, a blank one among them; no number; no break at the end.
      {"00:00:01,000 --> 00:00:02,000\r\na\r\n \r\nb",
       {{0, "", "00:00:01,000 --> 00:00:02,000", oneToTwo, {"a", " ", "b"}, 0, 4}}},
      // A half-typed time line is a subtitle whose times do not read; the digits before the next time line
      // are its number, not the text of the one before.
      {"1\r\nab --> \r\nx\r\n12\r\n00:00:01:000 --> 00:00:02:000\r\n\r\n\r\n",
       {{0, "1", "ab --> ", std::nullopt, {"x"}, 0, 3},
        {1, "12", "00:00:01:000 --> 00:00:02:000", oneToTwo, {}, 3, 2}}},
      // Two arrows in a row: the second line is a subtitle of its own.
      {"00:00:01:000 --> 00:00:02:000\r\n-->\r\n",
       {{0, "", "00:00:01:000 --> 00:00:02:000", oneToTwo, {}, 0, 1},
        {1, "", "-->", std::nullopt, {}, 1, 1}}},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.text);
    EXPECT_EQ(ReadFromScratch(entry.text), entry.subtitles);
  }
}

// Lines a user or a file may hold: the program's own, half-typed ones, and whatever else.
const char* const kLines[] = {"1",
                              "12",
                              " 3 ",
                              "00:00:01:000 --> 00:00:02:000",
                              "00:00:05:000 --> 00:00:06:500",
                              "ab --> cd",
                              "-->",
                              "00:00:0",
                              "",
                              " ",
                              "text",
                              "<b>more</b>",
                              "x\ry",
                              "a\nb"};

std::string RandomLines(std::mt19937& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += "\r\n";
    text += kLines[random() % std::size(kLines)];
  }
  if (random() % 2 == 0) text += "\r\n";
  return text;
}

// What a subtitle says, wherever it stands.
struct Content {
  std::string numberLine, timeLine;
  std::optional<SubtitleTimes> times;
  std::vector<std::string> textLines;
  bool operator==(const Content&) const = default;
};
Content ContentOf(const Subtitle& subtitle) {
  return {subtitle.numberLine, subtitle.timeLine, subtitle.times, subtitle.textLines};
}

// Each change of the lines, of every kind the listing makes, leaves the index as reading the text from
// scratch gives it; and its report, applied to a table of the subtitles as they were, gives the table as
// they are: every subtitle it does not name reads as it read before.
TEST(SubtitleIndexTest, AfterEachChangeTheIndexIsTheTextReadFromScratchAndTheReportNamesWhatChanged) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 300; ++round) {
    Listing lines;
    lines.SetListingText(RandomLines(random, static_cast<int>(random() % 12)));
    SubtitleIndex index(lines);
    std::vector<Content> table;
    for (const Subtitle& subtitle : index.All()) table.push_back(ContentOf(subtitle));
    SubtitleChange report;
    lines.OnPiecesChanged = [&](const ListingChange& change) { report = index.Update(change); };
    for (int step = 0; step < 20; ++step) {
      const int pieces = lines.PieceCount();
      const int at = static_cast<int>(random() % pieces);
      const std::string line = kLines[random() % std::size(kLines)];
      switch (random() % 8) {
        case 0:
          lines.Add(line);
          break;
        case 1:
          lines.AddLines({line, kLines[random() % std::size(kLines)], ""});
          break;
        case 2:
          if (lines.Count() > 0) lines.Delete(static_cast<int>(random() % lines.Count()));
          break;
        case 3:
          if (lines.Count() > 0) lines.ReplaceLine(static_cast<int>(random() % lines.Count()), line);
          break;
        case 4: {
          const int count = 1 + static_cast<int>(random() % (pieces - at));
          lines.ReplacePieces(at, count, RandomLines(random, static_cast<int>(random() % 5)));
          break;
        }
        case 5: {
          std::string other = RandomLines(random, static_cast<int>(random() % 10));
          lines.SwapText(other);
          break;
        }
        case 6:
          lines.SetListingText(RandomLines(random, static_cast<int>(random() % 10)));
          break;
        default:
          lines.Clear();
          break;
      }
      const std::vector<Subtitle> now = index.All();
      ASSERT_EQ(now, ReadFromScratch(lines.Text())) << "round " << round << ", step " << step;

      ASSERT_TRUE(report.removed == 0 || report.inserted == 0);
      const auto first = table.begin() + report.first;
      ASSERT_LE(report.first + report.changed + report.removed, static_cast<int>(table.size()));
      table.erase(first + report.changed, first + report.changed + report.removed);
      for (int i = 0; i < report.inserted; ++i)
        table.insert(table.begin() + report.first + report.changed + i,
                     ContentOf(now[report.first + report.changed + i]));
      for (int i = report.first; i < report.first + report.changed; ++i) table[i] = ContentOf(now[i]);
      std::vector<Content> expected;
      for (const Subtitle& subtitle : now) expected.push_back(ContentOf(subtitle));
      ASSERT_EQ(table, expected) << "round " << round << ", step " << step;
      report = {};
    }
  }
}

}  // namespace
}  // namespace titrelle
