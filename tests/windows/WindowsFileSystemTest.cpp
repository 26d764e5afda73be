// The Windows file edge on a real disk (under Wine, or on Windows): saves that keep the file what it was and
// leave nothing beside it, the lock of a subtitle file, and names outside code page 936, all in a folder with
// a Chinese name. The driver (WindowsDriver.cpp) checks the same edge from titrelle.exe's side.
#include "platforms/windows/WindowsFileSystem.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TemporaryFolder.h"

namespace titrelle {
namespace {

namespace fs = std::filesystem;

// 视频 文件夹, and 电影 第一集.srt in it.
const fs::path kFolderName = L"\u89C6\u9891 \u6587\u4EF6\u5939";
const fs::path kSubtitleName = L"\u7535\u5F71 \u7B2C\u4E00\u96C6.srt";

class ChineseFolder {
 public:
  ChineseFolder() : folder_(root_.Path() / kFolderName) { fs::create_directory(folder_); }
  const fs::path& Path() const { return folder_; }
  fs::path operator/(const fs::path& name) const { return folder_ / name; }

  void Write(const fs::path& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string Read(const fs::path& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  // Every name in the folder, hidden ones included, sorted.
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().wstring());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  TemporaryFolder root_{"windows-files"};
  fs::path folder_;
};

// Another program with the file open, as a player or a virus scanner holds it: reading and writing shared,
// deleting and renaming not.
class HeldOpen {
 public:
  explicit HeldOpen(const fs::path& path)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {}
  ~HeldOpen() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Holds() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(WindowsFileSystem, ASaveLeavesTheNewBytesAndNothingBesideThem) {
  enum class Before { NoFile, File, FileHeldOpen, FileWithASecondName };
  const struct {
    const char* what;
    Before before;
  } cases[] = {
      {"a new file", Before::NoFile},
      {"a longer file replaced", Before::File},
      // Mended: the fallback wrote the file in place and left the temporary file beside it.
      {"a file another program holds open is written in place", Before::FileHeldOpen},
      {"a file with a second name is written in place, both names see it", Before::FileWithASecondName},
  };
  const std::string saved = "1\r\n00:00:01:000 --> 00:00:02:000\r\n\xBA\xDA\xCC\xE5\r\n\r\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ChineseFolder folder;
    const fs::path path = folder / kSubtitleName;
    std::vector<std::wstring> expectedNames = {kSubtitleName.wstring()};
    if (c.before != Before::NoFile) folder.Write(kSubtitleName, std::string(200, 'x'));
    std::unique_ptr<HeldOpen> other;
    if (c.before == Before::FileHeldOpen) {
      other = std::make_unique<HeldOpen>(path);
      ASSERT_TRUE(other->Holds());
    }
    if (c.before == Before::FileWithASecondName) {
      fs::create_hard_link(path, folder / L"link.srt");
      expectedNames.push_back(L"link.srt");
      std::sort(expectedNames.begin(), expectedNames.end());
    }

    WindowsFileSystem files;
    const FileStamp stamp = files.Save(path, saved);
    EXPECT_EQ(folder.Read(kSubtitleName), saved);
    EXPECT_EQ(folder.Names(), expectedNames);
    EXPECT_EQ(stamp, files.Stamp(path));
    EXPECT_EQ(stamp.sizeBytes, saved.size());
    EXPECT_EQ(files.ReadWhole(path), saved);
    if (c.before == Before::FileWithASecondName) EXPECT_EQ(folder.Read(L"link.srt"), saved);
  }
}

TEST(WindowsFileSystem, TheLockIsOneCopysUntilItLetsGo) {
  ChineseFolder folder;
  const fs::path path = folder / kSubtitleName;
  folder.Write(kSubtitleName, "1\r\n");
  WindowsFileSystem files;
  std::unique_ptr<FileLock> first = files.LockForEditing(path);
  ASSERT_NE(first, nullptr);
  const fs::path lockPath = folder / (L"." + kSubtitleName.wstring() + L".titrelle-lock");
  const DWORD attributes = GetFileAttributesW(lockPath.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(files.LockForEditing(path), nullptr);  // a second running copy
  // The program's own saves, renaming a new file over the subtitle file, keep the lock.
  files.Save(path, "2\r\n");
  EXPECT_EQ(files.LockForEditing(path), nullptr);
  first.reset();
  EXPECT_FALSE(fs::exists(lockPath));
  EXPECT_NE(files.LockForEditing(path), nullptr);
}

TEST(WindowsFileSystem, AMessageShowsTheNameInCodePage936) {
  WindowsFileSystem files;
  const struct {
    fs::path path;
    std::string shown;
  } cases[] = {
      {L"D:\\" + kFolderName.wstring() + L"\\" + kSubtitleName.wstring(),
       "D:\\\xCA\xD3\xC6\xB5 \xCE\xC4\xBC\xFE\xBC\xD0\\\xB5\xE7\xD3\xB0 \xB5\xDA\xD2\xBB\xBC\xAF.srt"},
      {L"D:\\\uD55C\uAD6D.srt", "D:\\??.srt"},             // 한국: a "?" for each character it lacks
      {L"D:\\caf\u00E9 \U0001F3AC.srt", "D:\\caf\xA8\xA6 ?.srt"},  // an emoji is one character
  };
  for (const auto& c : cases) EXPECT_EQ(files.DisplayName(c.path), c.shown);
}

}  // namespace
}  // namespace titrelle
