#include "platforms/posix/PosixFileSystem.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "base/Error.h"
#include "document/Listing.h"
#include "document/SubtitleFile.h"
#include "tests/support/TemporaryFolder.h"

namespace titrelle {
namespace {

namespace fs = std::filesystem;

// {\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>
const std::string kDefaultPrefix = "{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>";
const std::string kOldText = "1\r\n00:00:00:001 --> 00:00:02:345\r\n" + kDefaultPrefix + "Hi</b>\r\n\r\n";

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
void Put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
struct stat StatOf(const fs::path& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status;
}
bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }
std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The save tool run under strace, which kills it with SIGKILL at the system call `injection` names: a save
// killed at a chosen point of its work, as a crash or a kill -9 would end it. True when it was killed.
bool SaveKilledBy(const std::string& injection, const fs::path& path, const std::string& bytes,
                  const fs::path& scratch) {
  const fs::path input = scratch / "input";
  std::ofstream(input, std::ios::binary) << bytes;
  const std::string command = "strace -f -qq -o /dev/null " + injection + " " +
                              std::string(TITRELLE_SAVE_FILE_TOOL) + " " + Quoted(path) + " < " +
                              Quoted(input) + " 2>/dev/null";
  const int status = std::system(command.c_str());
  fs::remove(input);
  return WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGKILL;
}
bool CanKillWithStrace() {
  return Shell("strace -qq -o /dev/null -e inject=getpid:retval=0 true 2>/dev/null");
}

class FileSystemTest : public ::testing::Test {
 protected:
  fs::path PathOf(const std::string& name) const { return folder_ / name; }
  std::vector<std::string> Entries(const fs::path& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<std::string> Entries() const { return Entries(folder_.Path()); }
  // Saving must fail with `message` and leave the folder exactly as it was.
  void ExpectSaveFails(const fs::path& path, const std::string& message) {
    const std::vector<std::string> before = Entries();
    try {
      files_.Save(path, "new text\r\n");
      ADD_FAILURE() << "saving to " << path << " succeeded";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
    EXPECT_EQ(Entries(), before);
  }

  TemporaryFolder folder_{"files"};
  PosixFileSystem files_;
};

TEST_F(FileSystemTest, FirstCommitMakesTheFileByteForByte) {
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
    const fs::path path = PathOf("video.srt");
    files_.Save(path, fileView.Text());
    const std::string expected =
        "1\r\n00:00:00:001 --> 00:00:02:345\r\n{\\fn\xBA\xDA\xCC\xE5\\fs18\\bord0\\shad3\\3c&HFFFFFF&}<b>Hi" +
        std::string(c.closingTag) + "\r\n\r\n";
    EXPECT_EQ(Bytes(path), expected);
    EXPECT_EQ(Bytes(path).size(), c.size);
    EXPECT_EQ(NormalizeLineBreaks(files_.ReadWhole(path)), expected);
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"video.srt"});
}

TEST_F(FileSystemTest, SavingReplacesTheWholeFileAndKeepsItsMode) {
  const fs::path path = PathOf("a.srt");
  Put(path, std::string(1000, 'x'));
  ::chmod(path.c_str(), 0640);
  files_.Save(path, "short");
  EXPECT_EQ(Bytes(path), "short");
  EXPECT_EQ(StatOf(path).st_mode & 0777, 0640u);
  files_.Save(path, "");
  EXPECT_EQ(Bytes(path), "");
  EXPECT_TRUE(files_.Exists(path));
}

TEST_F(FileSystemTest, ReadingHoldsEveryKindOfBreakAsCrLf) {
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
    const fs::path path = PathOf("read.srt");
    Put(path, c.bytes);
    EXPECT_EQ(NormalizeLineBreaks(files_.ReadWhole(path)), c.text);
  }
  EXPECT_THROW(files_.ReadWhole(PathOf("missing.srt")), Error);
  Put(PathOf("there.srt"), "x");
  EXPECT_TRUE(files_.Exists(PathOf("there.srt")));
  EXPECT_FALSE(files_.Exists(PathOf("missing.srt")));
  EXPECT_FALSE(files_.Exists(folder_.Path()));
}

TEST_F(FileSystemTest, FailuresNameTheFileAndTheReason) {
  const std::string folder = folder_.Path().string();
  const fs::path missing = PathOf("no-such-folder") / "a.srt";
  ExpectSaveFails(missing, "Cannot create file \"" + missing.string() + "\". No such file or directory");
  ExpectSaveFails("/dev/full/a.srt", "Cannot create file \"/dev/full/a.srt\". Not a directory");
  // Neither a device nor a folder is ever replaced by a file.
  ExpectSaveFails("/dev/full",
                  "Cannot create file \"/dev/full\". " + NotRegularFileReason(kCharacterDeviceKind));
  fs::create_directory(PathOf("folder.srt"));
  ExpectSaveFails(PathOf("folder.srt"),
                  "Cannot create file \"" + folder + "/folder.srt\". " + NotRegularFileReason(kFolderKind));
  EXPECT_TRUE(fs::is_directory(PathOf("folder.srt")));
  // A file its owner made read-only stays as it is, even for the super-user.
  Put(PathOf("locked.srt"), kOldText);
  ::chmod(PathOf("locked.srt").c_str(), 0444);
  ExpectSaveFails(PathOf("locked.srt"),
                  "Cannot create file \"" + folder + "/locked.srt\". Permission denied");
  EXPECT_EQ(Bytes(PathOf("locked.srt")), kOldText);
  // A name outside code page 936 shows "?" in the message, and only there.
  const fs::path korean = PathOf("\xED\x95\x9C") / "a.srt";
  ExpectSaveFails(korean, "Cannot create file \"" + folder + "/?/a.srt\". No such file or directory");
  try {
    files_.MoveOver(PathOf("gone.srt"), PathOf("gone.srt.bak"));
    ADD_FAILURE() << "moved a missing file";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot rename file \"" + folder + "/gone.srt\" to \"" + folder +
                                             "/gone.srt.bak\". No such file or directory");
  }
  EXPECT_NO_THROW(files_.Remove(PathOf("gone.srt")));
}

// What the save keeps: the same file (inode), its other names, its owner, its link.
TEST_F(FileSystemTest, SavingKeepsWhatMakesTheFileThatFile) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& file)> arrange;  // the file exists with kOldText
    bool keepsInode;
  };
  const Case cases[] = {
      {"one name in a writable folder: replaced atomically", [](const fs::path&) {}, false},
      {"a hard link: written in place, both names see it",
       [this](const fs::path& file) { fs::create_hard_link(file, PathOf("other-name.srt")); }, true},
      {"a folder that takes no new file: written in place",
       [](const fs::path& file) { Shell("chattr +i '" + file.parent_path().string() + "' 2>/dev/null"); },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = PathOf("case");
    fs::create_directory(folder);
    const fs::path file = folder / "\xE7\x94\xB5\xE5\xBD\xB1.srt";  // 电影.srt
    Put(file, kOldText);
    c.arrange(file);
    const ino_t before = StatOf(file).st_ino;
    const std::string longer = kOldText + kOldText + "more";
    files_.Save(file, longer);
    EXPECT_EQ(Bytes(file), longer);
    EXPECT_EQ(StatOf(file).st_ino == before, c.keepsInode);
    files_.Save(file, "short");  // shorter than what was there: nothing of the old text is left
    EXPECT_EQ(Bytes(file), "short");
    if (fs::exists(PathOf("other-name.srt"))) {
      EXPECT_EQ(Bytes(PathOf("other-name.srt")), "short");
    }
    EXPECT_EQ(Entries(folder).size(), 1u);
    Shell("chattr -i '" + folder.string() + "' 2>/dev/null");
    fs::remove_all(folder);
    fs::remove(PathOf("other-name.srt"));
  }
  // A symbolic link stays a link, and what it points to changes.
  Put(PathOf("real.srt"), "old");
  fs::create_symlink(PathOf("real.srt"), PathOf("link.srt"));
  files_.Save(PathOf("link.srt"), "new");
  EXPECT_TRUE(fs::is_symlink(PathOf("link.srt")));
  EXPECT_EQ(Bytes(PathOf("real.srt")), "new");
}

// Another user's files, saved as the unprivileged user "nobody": the owner stays, and the file is saved where
// a rename could not (a sticky folder) or would hand it to the saver.
TEST_F(FileSystemTest, AnotherUsersFileKeepsItsOwner) {
  if (::geteuid() != 0 || !Shell("command -v setpriv >/dev/null && id nobody >/dev/null 2>&1")) {
    GTEST_SKIP() << "needs the super-user and setpriv to act as another user";
  }
  ::chmod(folder_.Path().c_str(), 0755);
  const struct {
    const char* folderName;
    mode_t folderMode;
  } cases[] = {{"sticky", 01777}, {"shared", 0777}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folderName);
    const fs::path folder = PathOf(c.folderName);
    fs::create_directory(folder);
    ::chmod(folder.c_str(), c.folderMode);
    const fs::path file = folder / "a.srt";
    Put(file, kOldText);
    ::chmod(file.c_str(), 0666);
    const std::string command = "printf 'saved' | setpriv --reuid=nobody --regid=nogroup --clear-groups " +
                                std::string(TITRELLE_SAVE_FILE_TOOL) + " '" + file.string() + "'";
    EXPECT_TRUE(Shell(command));
    EXPECT_EQ(Bytes(file), "saved");
    EXPECT_EQ(StatOf(file).st_uid, 0u);
    EXPECT_EQ(Entries(folder), std::vector<std::string>{"a.srt"});
  }
}

// A write that fails (the file too large for the process, a full disk) leaves the old bytes whole and no
// temporary file, whichever way the file is saved.
TEST_F(FileSystemTest, AFailedWriteLeavesTheOldBytesWhole) {
  for (const bool hardLinked : {false, true}) {
    SCOPED_TRACE(hardLinked ? "in place" : "atomic");
    const fs::path path = PathOf("full.srt");
    Put(path, kOldText);
    if (hardLinked) fs::create_hard_link(path, PathOf("second.srt"));
    // A file size limit makes the disk "full" for a child process; its writes fail instead of killing it.
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      int code = 1;
      try {
        PosixFileSystem().Save(path, std::string(100000, 'y'));
      } catch (const Error& error) {
        code = std::string(error.what()) == "Failed to Save Stream \"" + path.string() + "\". File too large"
                   ? 0
                   : 2;
      }
      ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the save succeeded, 2: the wrong message";
    EXPECT_EQ(Bytes(path), kOldText);
    EXPECT_EQ(Entries().size(), hardLinked ? 2u : 1u);
    fs::remove(PathOf("second.srt"));
  }

  // A real full disk: a small memory file system, filled up.
  const fs::path disk = PathOf("disk");
  fs::create_directory(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a small file system here";
  }
  for (const bool hardLinked : {false, true}) {
    SCOPED_TRACE(hardLinked ? "in place, full disk" : "atomic, full disk");
    const fs::path path = disk / "a.srt";
    Put(path, kOldText);
    if (hardLinked) fs::create_hard_link(path, disk / "b.srt");
    Shell("dd if=/dev/zero of='" + (disk / "filler").string() + "' bs=4k 2>/dev/null");
    try {
      files_.Save(path, std::string(64 * 1024, 'y'));
      ADD_FAILURE() << "saved on a full disk";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()),
                "Failed to Save Stream \"" + path.string() + "\". No space left on device");
    }
    EXPECT_EQ(Bytes(path), kOldText);
    fs::remove(disk / "filler");
    fs::remove(disk / "b.srt");
    EXPECT_EQ(Entries(disk), std::vector<std::string>{"a.srt"});
  }
  ::umount(disk.c_str());
}

TEST_F(FileSystemTest, ASaveOrOpenRemovesWhatAKilledSaveLeft) {
  const fs::path path = PathOf("clip.srt");
  Put(path, kOldText);
  Put(PathOf(".clip.srt.titrelle-save-Ab3xYz"), "half a document");  // a save killed before its rename
  Put(PathOf(".clip.srt.titrelle-save-notes"), "the user's own");    // not a name of ours
  Put(PathOf(".clip.srt.titrelle-save-Ab3xYz7"), "the user's, one character longer");
  Put(PathOf(".other.srt.titrelle-save-Ab3xYz"), "another file's");
  std::vector<std::string> kept = {".clip.srt.titrelle-save-Ab3xYz7", ".clip.srt.titrelle-save-notes",
                                   ".other.srt.titrelle-save-Ab3xYz", "clip.srt"};
  // Another user's save of the same file, in a folder both may write to, is theirs to finish.
  if (::geteuid() == 0) {
    Put(PathOf(".clip.srt.titrelle-save-Qq7wEr"), "another user's");
    ASSERT_EQ(::lchown(PathOf(".clip.srt.titrelle-save-Qq7wEr").c_str(), 65534, 65534), 0);
    kept.insert(kept.begin() + 1, ".clip.srt.titrelle-save-Qq7wEr");
  }
  files_.RemoveUnfinishedSaves(path);
  EXPECT_EQ(Entries(), kept);
}

// A write in place that fails after some of its bytes reached the file puts the old bytes back. The file
// size limit of a child process cuts the write short at 4 KiB; the completion of a killed save writes in
// place with no recovery file of its own, so the short write is the first failure.
TEST_F(FileSystemTest, AWriteInPlaceCutShortPutsTheOldBytesBack) {
  const fs::path path = PathOf("clip.srt");
  std::string old;
  while (old.size() < 20000) old += kOldText;
  Put(path, old);
  Put(PathOf(".clip.srt.titrelle-recover"), std::string(10000, 'y'));
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    int code = 1;
    try {
      PosixFileSystem().CompleteInterruptedSave(path);
    } catch (const Error& error) {
      code = std::string(error.what()) == "Failed to Save Stream \"" + path.string() + "\". File too large" ? 0 : 2;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write succeeded, 2: the wrong message";
  EXPECT_EQ(Bytes(path), old);
  // The new bytes wait beside it for the next open.
  EXPECT_EQ(Bytes(PathOf(".clip.srt.titrelle-recover")), std::string(10000, 'y'));
}

// A save in place killed in the middle: the file is torn, and the next open completes it from the recovery
// file beside it, byte for byte. A kill before the recovery file is whole leaves the old text and nothing
// else.
TEST_F(FileSystemTest, ASaveInPlaceKilledInTheMiddleIsCompletedAtTheNextOpen) {
  if (!CanKillWithStrace()) GTEST_SKIP() << "needs strace and the right to trace a child";
  // 83 × 字 + "ab.srt": a name of 255 bytes, the most the system takes.
  std::string longest;
  for (int i = 0; i < 83; ++i) longest += "\xE5\xAD\x97";
  longest += "ab.srt";
  const std::string longer = kOldText + std::string(100000, 'n') + "\r\n";
  const struct {
    const char* what;
    std::string name;
    std::string injection;  // "TARGET" stands for the file's path
    std::string bytes;
    bool torn;
  } cases[] = {
      {"killed at its first write into the file", "a.srt",
       "-P TARGET -e inject=pwrite64:signal=SIGKILL:when=1", longer, true},
      {"killed before cutting a shorter text to size", "a.srt",
       "-P TARGET -e inject=ftruncate:signal=SIGKILL", "short\r\n", true},
      {"killed while the recovery file is written", "a.srt", "-e inject=pwrite64:signal=SIGKILL:when=1",
       longer, false},
      {"a name of 255 bytes", longest, "-P TARGET -e inject=pwrite64:signal=SIGKILL:when=1", longer, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = PathOf("case");
    fs::create_directory(folder);
    const fs::path path = folder / c.name;
    Put(path, kOldText);
    fs::create_hard_link(path, folder / "second.srt");  // written in place
    std::string injection = c.injection;
    if (const auto at = injection.find("TARGET"); at != std::string::npos)
      injection.replace(at, 6, Quoted(path));
    ASSERT_TRUE(SaveKilledBy(injection, path, c.bytes, folder_.Path()));
    EXPECT_EQ(Bytes(path) != kOldText, c.torn);
    EXPECT_NE(Bytes(path), c.bytes);

    files_.RemoveUnfinishedSaves(path);  // what an open does first
    EXPECT_EQ(files_.CompleteInterruptedSave(path), c.torn);
    EXPECT_EQ(Bytes(path), c.torn ? c.bytes : kOldText);
    EXPECT_EQ(Bytes(folder / "second.srt"), Bytes(path));
    std::vector<std::string> names{"second.srt", c.name};
    std::sort(names.begin(), names.end());
    EXPECT_EQ(Entries(folder), names);
    EXPECT_FALSE(files_.CompleteInterruptedSave(path));
    fs::remove_all(folder);
  }
}

// A FIFO, a device and a folder are refused by name, at once (a FIFO would block the open until a writer
// came, /dev/zero would fill the memory), and so is a file larger than the program reads.
TEST_F(FileSystemTest, OnlyRegularFilesAreReadOrSaved) {
  const struct {
    const char* name;
    std::function<void(const fs::path&)> arrange;
    std::string reason;
    bool saveRefused;
  } cases[] = {
      {"fifo.srt", [](const fs::path& path) { ::mkfifo(path.c_str(), 0644); },
       NotRegularFileReason(kFifoKind), true},
      {"zero.srt", [](const fs::path& path) { fs::create_symlink("/dev/zero", path); },
       NotRegularFileReason(kCharacterDeviceKind), true},
      {"folder.srt", [](const fs::path& path) { fs::create_directory(path); },
       NotRegularFileReason(kFolderKind), true},
      {"socket.srt",
       [](const fs::path& path) {
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
         const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
         ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
         ::close(listener);
       },
       NotRegularFileReason(kSocketKind), true},
      {"huge.srt",  // sparse: 257 MB that take no room
       [](const fs::path& path) {
         Put(path, "");
         fs::resize_file(path, kLargestReadBytes + (1u << 20));
       },
       TooLargeFileReason(kLargestReadBytes + (1u << 20)), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = PathOf(c.name);
    c.arrange(path);
    try {
      files_.ReadWhole(path);
      ADD_FAILURE() << "read " << c.name;
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot open file \"" + path.string() + "\". " + c.reason);
    }
    if (c.saveRefused) ExpectSaveFails(path, "Cannot create file \"" + path.string() + "\". " + c.reason);
  }
}

// A name the system takes whole leaves no room for the save's own names beside it: they get short names of
// the program's own, and what a killed save left under one is removed at the next open.
TEST_F(FileSystemTest, ANameAtTheSystemsLimitIsSavedAndCleanedUp) {
  std::string longest;
  for (int i = 0; i < 83; ++i) longest += "\xE5\xAD\x97";
  longest += "ab.srt";
  ASSERT_EQ(longest.size(), 255u);
  const fs::path path = PathOf(longest);
  files_.Save(path, "one\r\n");  // a new file
  files_.Save(path, "two\r\n");  // replaced atomically
  fs::create_hard_link(path, PathOf("second.srt"));
  files_.Save(path, "three\r\n");  // in place, with its recovery file
  EXPECT_EQ(Bytes(PathOf("second.srt")), "three\r\n");
  fs::remove(PathOf("second.srt"));
  EXPECT_EQ(Entries(), std::vector<std::string>{longest});
  if (!CanKillWithStrace()) GTEST_SKIP() << "needs strace and the right to trace a child";
  ASSERT_TRUE(SaveKilledBy("-e inject=rename:signal=SIGKILL", path, "four\r\n", folder_.Path()));
  EXPECT_EQ(Entries().size(), 2u);  // the temporary file, full
  files_.RemoveUnfinishedSaves(path);
  EXPECT_EQ(Entries(), std::vector<std::string>{longest});
  EXPECT_EQ(Bytes(path), "three\r\n");
}

// A symbolic link that another user made in a folder everyone may write to is never followed: it could aim
// the program at any of the user's files. The user's own links, and links in other folders, are.
TEST_F(FileSystemTest, ALinkPlantedByAnotherUserInASharedFolderIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs the super-user to make a link of another user";
  constexpr uid_t kOtherUser = 65534;
  const struct {
    const char* what;
    mode_t folderMode;
    uid_t linkOwner;
    bool refused;
  } cases[] = {
      {"another user's link, world-writable folder", 0777, kOtherUser, true},
      {"another user's link, sticky folder", 01777, kOtherUser, true},
      {"another user's link, folder only its owner writes", 0755, kOtherUser, false},
      {"the user's own link, world-writable folder", 0777, 0, false},
  };
  Put(PathOf("victim.srt"), kOldText);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path folder = PathOf("shared");
    fs::create_directory(folder);
    ::chmod(folder.c_str(), c.folderMode);
    const fs::path link = folder / "v.srt";
    fs::create_symlink(PathOf("victim.srt"), link);
    ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
    const std::string reason =
        "\xCB\xFC\xCA\xC7\xB1\xF0\xB5\xC4\xD3\xC3\xBB\xA7";  // 它是别的用户 (another user's)
    try {
      files_.Save(link, "new\r\n");
      EXPECT_FALSE(c.refused);
      EXPECT_EQ(Bytes(PathOf("victim.srt")), "new\r\n");
      EXPECT_EQ(files_.ReadWhole(link), "new\r\n");
    } catch (const Error& error) {
      EXPECT_TRUE(c.refused) << error.what();
      EXPECT_EQ(std::string(error.what()).rfind("Cannot create file \"" + link.string() + "\". " + reason, 0),
                0u);
      EXPECT_EQ(Bytes(PathOf("victim.srt")), kOldText);
      EXPECT_THROW(files_.ReadWhole(link), Error);
    }
    Put(PathOf("victim.srt"), kOldText);
    fs::remove_all(folder);
  }
}

// The lock of a subtitle file, held by another process: a second one is kept off, also while the first saves
// (renaming a new file over the subtitle file), and gets it once the first is killed, though the killed one
// left its lock file; a lock let go removes its file.
TEST_F(FileSystemTest, TheLockOfASubtitleFileKeepsOthersOffUntilItsHolderEndsHoweverItEnds) {
  const fs::path path = PathOf("v.srt");
  const fs::path lockFile = PathOf(".v.srt.titrelle-lock");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const std::unique_ptr<FileLock> lock = files_.LockForEditing(path);
    if (::write(ready[1], lock ? "y" : "n", 1) != 1 || !lock) ::_exit(1);
    for (;;) ::pause();
  }
  char locked = 0;
  ASSERT_EQ(::read(ready[0], &locked, 1), 1);
  EXPECT_EQ(locked, 'y');
  EXPECT_EQ(files_.LockForEditing(path), nullptr);
  files_.Save(path, kOldText);
  EXPECT_EQ(files_.LockForEditing(path), nullptr);

  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_TRUE(fs::exists(lockFile));
  {
    const std::unique_ptr<FileLock> lock = files_.LockForEditing(path);
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(files_.LockForEditing(path), nullptr);  // a second copy in this process is kept off too
  }
  EXPECT_FALSE(fs::exists(lockFile));
  EXPECT_EQ(Bytes(path), kOldText);
}

}  // namespace
}  // namespace titrelle
