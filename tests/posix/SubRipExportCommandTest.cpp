#include "document/SubRipExportCommand.h"

#include "platforms/posix/PosixFileSystem.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace titrelle {
namespace {

namespace fs = std::filesystem;

const std::string kGoodFile = "1\r\n00:00:01:000 --> 00:00:02:000\r\n<b>A</b>\r\n\r\n";
const std::string kGoodStandard = "1\r\n00:00:01,000 --> 00:00:02,000\r\n<b>A</b>\r\n\r\n";
const std::string kBadFile = "1\r\n00:00:01:000 --> 00:00:0x:000\r\nA\r\n\r\n";

class ExportSrtCommandTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream file(folder_ / name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.insert(entry.path().filename().string());
    return names;
  }
  int Run(const std::vector<std::string>& arguments) {
    out_.str("");
    errors_.str("");
    return RunExportSrtCommand(files_, arguments, out_, errors_);
  }

  TemporaryFolder folderHolder_{"export"};
  const fs::path folder_ = folderHolder_.Path();
  PosixFileSystem files_;
  std::ostringstream out_;
  std::ostringstream errors_;
};

TEST_F(ExportSrtCommandTest, WritesTheCopyBesideTheFileOrWhereAsked) {
  // 影片.srt: a name in the file system's own UTF-8, taken as it is.
  const std::string film = "\xE5\xBD\xB1\xE7\x89\x87";
  Write(film + ".srt", kGoodFile);
  EXPECT_EQ(Run({PathOf(film + ".srt")}), 0) << errors_.str();
  EXPECT_EQ(Read(film + ".standard.srt"), kGoodStandard);
  EXPECT_NE(out_.str().find("wrote 1 subtitle to " + PathOf(film + ".standard.srt")), std::string::npos)
      << out_.str();

  // An existing copy is replaced; "--plain" may come first or last; the input stays as it was.
  Write("old.srt", "old");
  EXPECT_EQ(Run({"--plain", PathOf(film + ".srt"), PathOf("old.srt")}), 0) << errors_.str();
  EXPECT_EQ(Read("old.srt"), "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n");
  EXPECT_EQ(Read(film + ".srt"), kGoodFile);
  EXPECT_EQ(Names(), (std::set<std::string>{film + ".srt", film + ".standard.srt", "old.srt"}));
}

TEST_F(ExportSrtCommandTest, BadInputNamesFileAndLineAndWritesNothing) {
  Write("movie.srt", kGoodFile);
  Write("bad.srt", kBadFile);
  Write("empty.srt", "");
  fs::create_directory(folder_ / "folder.srt");
  fs::create_hard_link(folder_ / "movie.srt", folder_ / "link.srt");
  fs::create_symlink("/dev/zero", folder_ / "zero.srt");
  const std::set<std::string> before = Names();
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string message;
  } cases[] = {
      {{PathOf("missing.srt")},
       1,
       "Cannot open file \"" + PathOf("missing.srt") + "\". No such file or directory"},
      // 它不是普通文件，而是文件夹。/ 字符设备。: not a regular file but a folder / a character device.
      {{PathOf("folder.srt")},
       1,
       "Cannot open file \"" + PathOf("folder.srt") +
           "\". \xE5\xAE\x83\xE4\xB8\x8D\xE6\x98\xAF\xE6\x99\xAE\xE9\x80\x9A"
           "\xE6\x96\x87\xE4\xBB\xB6\xEF\xBC\x8C\xE8\x80\x8C\xE6\x98\xAF\xE6\x96\x87\xE4\xBB\xB6\xE5\xA4"
           "\xB9"},
      {{PathOf("zero.srt")}, 1, "Cannot open file \"" + PathOf("zero.srt") + "\". \xE5\xAE\x83\xE4\xB8\x8D"},
      {{PathOf("bad.srt")}, 1, PathOf("bad.srt") + ", line 2: '00:00:01:000 --> 00:00:0x:000' is not a time"},
      {{PathOf("empty.srt"), PathOf("out.srt")}, 1, PathOf("empty.srt") + ": no time line"},
      // Never over the input itself, under whatever name.
      {{PathOf("movie.srt"), PathOf("movie.srt")}, 1, "is the subtitle file itself"},
      {{PathOf("movie.srt"), (folder_ / "." / "movie.srt").string()}, 1, "is the subtitle file itself"},
      {{PathOf("movie.srt"), PathOf("link.srt")}, 1, "is the subtitle file itself"},
      {{PathOf("movie.srt"), PathOf("no-folder/out.srt")},
       1,
       "Cannot create file \"" + PathOf("no-folder/out.srt") + "\""},
      {{}, 2, "usage: titrelle --export-srt IN.srt [OUT.srt] [--plain]"},
      {{"a.srt", "b.srt", "c.srt"}, 2, "too many file names"},
      {{"--html", "a.srt"}, 2, "unknown option --html"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.arguments), c.status) << c.message;
    EXPECT_NE(errors_.str().find(c.message), std::string::npos) << errors_.str();
    EXPECT_EQ(out_.str(), "") << c.message;
    EXPECT_EQ(Names(), before) << c.message;  // no copy, no temporary file
  }
  EXPECT_EQ(Read("movie.srt"), kGoodFile);
}

// An export killed before its end leaves its temporary file beside the copy: the next export to that name
// removes it, and nothing that is not a name of its own.
TEST_F(ExportSrtCommandTest, TheNextExportRemovesWhatAKilledOneLeft) {
  Write("movie.srt", kGoodFile);
  Write(".out.srt.titrelle-save-Ab3xYz", "half a copy");
  Write(".out.srt.titrelle-save-notes", "the user's own");
  EXPECT_EQ(Run({PathOf("movie.srt"), PathOf("out.srt")}), 0) << errors_.str();
  EXPECT_EQ(Read("out.srt"), kGoodStandard);
  EXPECT_EQ(Names(), (std::set<std::string>{".out.srt.titrelle-save-notes", "movie.srt", "out.srt"}));
}

}  // namespace
}  // namespace titrelle
