#include "document/SubtitleFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/Listing.h"
#include "ui/Error.h"

namespace titrelle {
namespace {

namespace fs = std::filesystem;

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>
const std::string kDefaultPrefix = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";

class SubtitleFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "titrelle-file-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    return names;
  }
  // Saving must fail with `message` and leave the folder exactly as it was.
  void ExpectSaveFails(const std::string& path, const std::string& message) {
    const std::vector<std::string> before = Entries();
    try {
      WriteSubtitleFile(path, "new text\r\n");
      ADD_FAILURE() << "saving to " << path << " succeeded";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
    EXPECT_EQ(Entries(), before);
  }

  fs::path folder_;
};

TEST_F(SubtitleFileTest, FirstCommitMakesTheFileByteForByte) {
  const struct {
    const char* closingTag;
    std::size_t size;
  } cases[] = {{"</b>", 85}, {"", 81}};
  for (const auto& c : cases) {
    Listing fileView;
    fileView.Add("1");
    fileView.Add("00:00:00:001 --> 00:00:02:345");
    fileView.Add(kDefaultPrefix + "Hi" + c.closingTag);
    fileView.Add("");
    const std::string path = PathOf("video.srt");
    WriteSubtitleFile(path, fileView.Text());
    const std::string expected =
        "1\r\n00:00:00:001 --> 00:00:02:345\r\n{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>Hi" +
        std::string(c.closingTag) + "\r\n\r\n";
    EXPECT_EQ(Bytes(path), expected);
    EXPECT_EQ(Bytes(path).size(), c.size);
    EXPECT_EQ(ReadSubtitleFile(path), expected);
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"video.srt"});
}

TEST_F(SubtitleFileTest, SavingReplacesTheWholeFileAndKeepsItsMode) {
  const std::string path = PathOf("a.srt");
  Put(path, std::string(1000, 'x'));
  ::chmod(path.c_str(), 0640);
  WriteSubtitleFile(path, "short");
  EXPECT_EQ(Bytes(path), "short");
  struct stat status;
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0640u);
  WriteSubtitleFile(path, "");
  EXPECT_EQ(Bytes(path), "");
  EXPECT_TRUE(FileExists(path));
}

TEST_F(SubtitleFileTest, SavingThroughALinkUpdatesWhatItPointsTo) {
  const std::string target = PathOf("real.srt");
  const std::string link = PathOf("link.srt");
  Put(target, "old");
  fs::create_symlink(target, link);
  WriteSubtitleFile(link, "new");
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Bytes(target), "new");
}

TEST_F(SubtitleFileTest, ReadingHoldsEveryKindOfBreakAsCrLf) {
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {
      {"a\r\nb", "a\r\nb"},
      {"a\rb\nc\r\n", "a\r\nb\r\nc\r\n"},
      {"\n\r\r\n\n\r", "\r\n\r\n\r\n\r\n\r\n"},  // LF, CR, CR LF, LF, CR: five breaks
      {"\xBA\r\n\x0D", "\xBA\r\n\r\n"},          // the bytes themselves are not touched
      {std::string("a\tb\x1A\x00z", 6), std::string("a\tb\x1A\x00z", 6)},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizeLineBreaks(c.bytes), c.text);
    const std::string path = PathOf("read.srt");
    Put(path, c.bytes);
    EXPECT_EQ(ReadSubtitleFile(path), c.text);
  }
  EXPECT_THROW(ReadSubtitleFile(PathOf("missing.srt")), Error);
}

TEST_F(SubtitleFileTest, FileExistsCountsFilesNotFolders) {
  Put(PathOf("there.srt"), "x");
  EXPECT_TRUE(FileExists(PathOf("there.srt")));
  EXPECT_FALSE(FileExists(PathOf("missing.srt")));
  EXPECT_FALSE(FileExists(folder_.string()));
}

TEST_F(SubtitleFileTest, CannotCreateInAMissingFolderOrUnderADevice) {
  const std::string missing = PathOf("no-such-folder") + "/a.srt";
  ExpectSaveFails(missing, "Cannot create file \"" + missing + "\". No such file or directory");
  ExpectSaveFails("/dev/full/a.srt", "Cannot create file \"/dev/full/a.srt\". Not a directory");
  // Neither a device nor a folder is ever replaced by a file.
  ExpectSaveFails("/dev/full", "Cannot create file \"/dev/full\". Operation not permitted");
  fs::create_directory(PathOf("folder.srt"));
  ExpectSaveFails(PathOf("folder.srt"),
                  "Cannot create file \"" + PathOf("folder.srt") + "\". Is a directory");
  EXPECT_TRUE(fs::is_directory(PathOf("folder.srt")));
}

TEST_F(SubtitleFileTest, ReadOnlyFileIsNotReplaced) {
  const std::string path = PathOf("locked.srt");
  Put(path, "old bytes\r\n");
  ::chmod(path.c_str(), 0444);
  ExpectSaveFails(path, "Cannot create file \"" + path + "\". Permission denied");
  EXPECT_EQ(Bytes(path), "old bytes\r\n");
}

TEST_F(SubtitleFileTest, FailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  const std::string path = PathOf("full.srt");
  const std::string old = "1\r\n00:00:00:001 --> 00:00:02:345\r\n" + kDefaultPrefix + "Hi</b>\r\n\r\n";
  Put(path, old);
  // A file size limit makes the disk "full" for a child process; its writes fail instead of killing it.
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int code = 1;
    try {
      WriteSubtitleFile(path, std::string(100000, 'y'));
    } catch (const Error& error) {
      code = std::string(error.what()) == "Failed to Save Stream" ? 0 : 2;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save succeeded, 2: the wrong message";
  EXPECT_EQ(Bytes(path), old);
  EXPECT_EQ(Entries(), std::vector<std::string>{"full.srt"});
}

}  // namespace
}  // namespace titrelle
