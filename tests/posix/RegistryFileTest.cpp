#include "platforms/posix/RegistryFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/Error.h"
#include "style/StyleSettingsStore.h"
#include "tests/support/TemporaryFolder.h"

namespace titrelle {
namespace {

namespace fs = std::filesystem;

// 黑体
const std::string kHeiti = "\xBA\xDA\xCC\xE5";

class RegistryFileTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = (folder_ / "titrelle" / "registry").string(); }

  std::string FileText() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void PutFileText(const std::string& text) const {
    fs::create_directories(fs::path(path_).parent_path());
    std::ofstream(path_, std::ios::binary) << text;
  }
  std::vector<std::string> FolderNames() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(path_).parent_path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  SettingsKey::Value Read(const std::string& name) {
    // A fresh registry object each time: nothing may come from memory.
    RegistryFile file(path_);
    return file.OpenKey("\\software\\")->Read(name);
  }
  bool Write(const std::string& name, const std::string& text) {
    RegistryFile file(path_);
    return file.OpenKey("\\software\\")->WriteText(name, text);
  }

  TemporaryFolder folderHolder_{"registry"};
  const fs::path folder_ = folderHolder_.Path();
  std::string path_;
};

TEST_F(RegistryFileTest, TextsComeBackByteForByte) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"srtFontNameD", kHeiti},
      {"srtFontPosLD", ""},
      {"srtFontColorD", "#FFFFFF"},
      {"quotes", "a \"b\" \\c\\ ; # = :"},
      {"breaks", "line\r\nnext\tend"},
      {"notCp936", "\x81\x20\xFF\x80 and \xBA"},  // bytes that do not convert: escaped, still exact
      {"mixed", kHeiti + "\xFF" + kHeiti},
  };
  for (const auto& [name, text] : values) ASSERT_TRUE(Write(name, text)) << name;
  for (const auto& [name, text] : values) {
    const SettingsKey::Value value = Read(name);
    EXPECT_EQ(value.type, SettingsKey::ValueType::Text) << name;
    EXPECT_EQ(value.text, text) << name;
  }
  // Readable: the Chinese font name is in the file as UTF-8 text.
  EXPECT_NE(FileText().find("\"srtFontNameD\"=sz:\"\xE9\xBB\x91\xE4\xBD\x93\""), std::string::npos)
      << FileText();
}

TEST_F(RegistryFileTest, RewritingAValueKeepsTheOthersAndTheirOrder) {
  ASSERT_TRUE(Write("srtDefault", "1"));
  ASSERT_TRUE(Write("srtBord", "bord0"));
  ASSERT_TRUE(Write("SRTDEFAULT", "0"));  // value names are case-insensitive
  EXPECT_EQ(Read("srtDefault").text, "0");
  EXPECT_EQ(Read("srtBord").text, "bord0");
  const std::string text = FileText();
  EXPECT_LT(text.find("srtDefault"), text.find("srtBord"));
  EXPECT_EQ(text.find("SRTDEFAULT"), std::string::npos);
}

TEST_F(RegistryFileTest, ValuesKeepTheirTypes) {
  PutFileText(
      "; Titrelle registry file 1\n"
      "\"srtDefault\"=dword:\"\\x01\\x00\\x00\\x00\"\n"
      "\"srtFontColor\"=expand_sz:\"#00FF00\"\n"
      "  ; a comment the user wrote\n"
      "\"srtShad\"=sz:\"Shad3\\x00tail\"\n");
  EXPECT_EQ(Read("srtDefault").type, SettingsKey::ValueType::Other);
  EXPECT_EQ(Read("srtFontColor").text, "#00FF00");
  EXPECT_EQ(Read("srtShad").text, "Shad3");  // a text reads up to its first zero
  EXPECT_EQ(Read("srtNothing").type, SettingsKey::ValueType::Missing);

  ASSERT_TRUE(Write("srtBord", "bord0"));
  EXPECT_EQ(Read("srtDefault").type, SettingsKey::ValueType::Other);  // not turned into a text by a save
  EXPECT_NE(FileText().find("\"srtDefault\"=dword:\"\\x01\\x00\\x00\\x00\""), std::string::npos);
}

TEST_F(RegistryFileTest, ASaveCleansUpAfterASaveThatWasKilled) {
  ASSERT_TRUE(Write("srtDefault", "1"));
  std::ofstream(path_ + ".tmp-AbC123") << "; Titrelle registry file 1\n\"srtDef";
  ASSERT_TRUE(Write("srtBord", "bord0"));
  EXPECT_FALSE(fs::exists(path_ + ".tmp-AbC123"));
  EXPECT_EQ(Read("srtDefault").text, "1");
}

TEST_F(RegistryFileTest, OnlyTheSoftwareKeyOpensAndItIsNeverCreatedByReading) {
  RegistryFile file(path_);
  EXPECT_NE(file.OpenKey("\\software\\"), nullptr);
  EXPECT_NE(file.OpenKey("Software"), nullptr);
  EXPECT_EQ(file.OpenKey("\\software\\titrelle\\"), nullptr);
  EXPECT_EQ(file.OpenKey("\\"), nullptr);
  EXPECT_EQ(Read("srtDefault").type, SettingsKey::ValueType::Missing);
  EXPECT_FALSE(fs::exists(fs::path(path_).parent_path()));
}

TEST_F(RegistryFileTest, ADamagedFileReadsEmptyAndIsKeptBesideWhenReplaced) {
  const std::vector<std::string> damages = {
      "srtDefault=1\n",                                                    // not this program's file
      "; Titrelle registry file 1\n\"srtDefault\"=sz:\"1",                 // cut in the middle of a line
      "; Titrelle registry file 1\n\"a\"=sz:\"1\"\n\"a\"=sz:\"2\"\n",      // a value twice
      "; Titrelle registry file 1\n\"a\"=sz:\"\\q\"\n",                    // an unknown escape
      std::string("; Titrelle registry file 1\n\"a\"=sz:\"\xFF\xFE\"\n"),  // not UTF-8
  };
  for (const std::string& damage : damages) {
    fs::remove_all(folder_ / "titrelle");
    PutFileText(damage);
    EXPECT_EQ(Read("srtDefault").type, SettingsKey::ValueType::Missing) << damage;
    EXPECT_EQ(FileText(), damage) << "reading leaves the file as it is";

    ASSERT_TRUE(Write("srtFontColorD", "#FFFFFF"));
    EXPECT_EQ(Read("srtFontColorD").text, "#FFFFFF");
    EXPECT_EQ(Read("srtDefault").type, SettingsKey::ValueType::Missing);
    std::vector<std::string> copies;
    for (const std::string& name : FolderNames()) {
      if (name.starts_with("registry.damaged-")) copies.push_back(name);
    }
    ASSERT_EQ(copies.size(), 1u) << damage;
    std::ifstream in(fs::path(path_).parent_path() / copies[0], std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), damage);

    // The next damage gets a copy of its own: earlier copies are never overwritten.
    PutFileText(damage);
    ASSERT_TRUE(Write("srtFontColorD", "#000000"));
    int count = 0;
    for (const std::string& name : FolderNames()) count += name.starts_with("registry.damaged-") ? 1 : 0;
    EXPECT_EQ(count, 2);
  }
}

TEST_F(RegistryFileTest, TwoProgramsSavingAtOnceLoseNothing) {
  constexpr int kValuesPerProgram = 60;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::vector<pid_t> programs;
  for (int program = 0; program < 2; ++program) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(start[1]);
      char go;
      // Both wait for the same moment, so that their saves overlap.
      if (::read(start[0], &go, 1) != 0) ::_exit(3);
      RegistryFile file(path_);
      bool ok = true;
      for (int i = 0; i < kValuesPerProgram; ++i) {
        auto key = file.OpenKey("\\software\\");
        ok = key->WriteText("p" + std::to_string(program) + "v" + std::to_string(i),
                            kHeiti + std::to_string(i)) &&
             ok;
        ok = key->WriteText("shared", std::to_string(program)) && ok;
        // Every read in between sees a whole file.
        ok = key->Read("shared").type == SettingsKey::ValueType::Text && ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    programs.push_back(pid);
  }
  ::close(start[0]);
  ::close(start[1]);  // end of file: both start
  for (const pid_t pid : programs) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  ASSERT_TRUE(RegistryFile::Parse(FileText()).has_value());
  for (int program = 0; program < 2; ++program) {
    for (int i = 0; i < kValuesPerProgram; ++i) {
      const std::string name = "p" + std::to_string(program) + "v" + std::to_string(i);
      EXPECT_EQ(Read(name).text, kHeiti + std::to_string(i)) << name;
    }
  }
  const std::string shared = Read("shared").text;
  EXPECT_TRUE(shared == "0" || shared == "1") << shared;
  for (const std::string& name : FolderNames()) {
    EXPECT_TRUE(name == "registry" || name == "registry.lock") << "left behind: " << name;
  }
}

// The store's message names the file and the reason; a file its owner made read-only is refused, as a
// read-only subtitle file is, and keeps its bytes and its mode.
TEST_F(RegistryFileTest, AFileThatCannotBeWrittenFailsTheStoresWriteAndSaysWhy) {
  const struct {
    const char* name;
    std::function<void()> arrange;
    std::string reason;
  } cases[] = {
      {"the folder's place taken by a plain file",
       [this] { std::ofstream(folder_ / "titrelle") << "in the way"; }, "Not a directory"},
      {"a read-only file",
       [this] {
         ASSERT_TRUE(Write("srtFontNameD", kHeiti));
         ::chmod(path_.c_str(), 0444);
       },
       "Cannot create file \"" + path_ + "\". Permission denied"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder_ / "titrelle");
    c.arrange();
    const std::string before = FileText();
    RegistryFile file(path_);
    StyleSettingsStore store(file);
    EXPECT_EQ(store.ReadStyleValue("srtDefault"), "");
    try {
      store.WriteDefaultStyleValues();
      FAIL() << "the write succeeded";
    } catch (const Error& error) {
      EXPECT_EQ(std::string(error.what()),
                "Failed to set data for 'srtFontColorD' in \"" + path_ + "\". " + c.reason);
    }
    EXPECT_EQ(FileText(), before);
  }
  EXPECT_EQ(fs::status(path_).permissions(),
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(RegistryFileTest, AWriterThatNeverLetsGoOfTheLockFailsTheWriteInsteadOfHangingTheWindow) {
  ASSERT_TRUE(Write("srtDefault", "1"));
  // Another copy stopped in the middle of its save: it holds the lock and never lets go.
  const int held = ::open((path_ + ".lock").c_str(), O_RDWR);
  ASSERT_GE(held, 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    ::flock(held, LOCK_EX);
    ::pause();
    ::_exit(0);
  }
  ::close(held);
  // Wait until the other copy has the lock (a lock of our own succeeds only while it does not).
  for (int i = 0; i < 1000; ++i) {
    const int probe = ::open((path_ + ".lock").c_str(), O_RDWR);
    const bool taken = ::flock(probe, LOCK_EX | LOCK_NB) != 0;
    ::close(probe);
    if (taken) break;
    ::usleep(1000);
  }
  EXPECT_FALSE(Write("srtDefault", "0"));
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(Read("srtDefault").text, "1");
  EXPECT_TRUE(Write("srtDefault", "0"));  // the lock died with its holder
}

TEST_F(RegistryFileTest, TheStoreKeepsTheDefaultFontNameThroughTheFile) {
  RegistryFile file(path_);
  StyleSettingsStore store(file);
  store.WriteDefaultStyleValues();
  EXPECT_EQ(RegistryFile(path_).OpenKey("\\software\\")->Read("srtFontNameD").text, kHeiti);
  EXPECT_EQ(store.ReadStyleValue("srtFontNameD"), kHeiti);
  EXPECT_EQ(store.ReadStyleValue("srtDefault"), "1");
}

TEST(RegistryFilePath, FollowsTheUsersConfigurationFolder) {
  const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = savedConfig ? savedConfig : "";
  const char* home = std::getenv("HOME");
  ::setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
  EXPECT_EQ(RegistryFile::DefaultPath(), "/somewhere/config/titrelle/registry");
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored, as the convention says
  if (home) {
    EXPECT_EQ(RegistryFile::DefaultPath(), std::string(home) + "/.config/titrelle/registry");
  }
  ::unsetenv("XDG_CONFIG_HOME");
  if (home) {
    EXPECT_EQ(RegistryFile::DefaultPath(), std::string(home) + "/.config/titrelle/registry");
  }
  if (savedConfig) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace titrelle
