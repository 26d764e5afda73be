#include "platforms/posix/RegistryFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unordered_set>
#include <utility>

#include "base/Cp936.h"
#include "platforms/posix/FileDescriptor.h"
#include "platforms/posix/PosixFileSystem.h"

namespace titrelle {

namespace {

constexpr std::string_view kHeader = "; Titrelle registry file 1";
constexpr std::string_view kHeaderHelp =
    "; The values of HKEY_CURRENT_USER\\Software, kept by the program: \"name\"=type:\"data\".\n"
    "; Texts are UTF-8 where they convert both ways; other bytes of code page 936 are written as \\xHH.\n";

std::string FoldedCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto fold = [](char c) {
             return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
           };
           return fold(x) == fold(y);
         });
}


bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

enum class ReadResult { Read, Missing, Failed };

ReadResult ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  char buffer[8192];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got == 0) return ReadResult::Read;
    if (got < 0) {
      if (errno == EINTR) continue;
      return ReadResult::Failed;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool MakeFolders(const std::string& folder) {
  if (folder.empty() || folder == "/" || folder == ".") return true;
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  if (!MakeFolders(FolderOf(folder))) return false;
  return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// The registry file's own naming for the save it shares with the subtitle file: "registry.tmp-XXXXXX", and
// a new file readable by its user alone.
SaveNaming RegistrySaveNaming() { return {"", ".tmp-", 0600}; }

// Keeps a damaged file's bytes beside it under a name no earlier copy has.
bool KeepDamagedCopy(const std::string& path, std::string_view bytes) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string copy = path + ".damaged-" + stamp;
    if (attempt > 0) {
      copy += '-';
      copy += std::to_string(attempt);
    }
    FileDescriptor fd(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.valid()) {
      if (errno == EEXIST) continue;
      return false;
    }
    const bool written = WriteAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    if (!written) ::unlink(copy.c_str());
    return written;
  }
  return false;
}

// --- The file's text --------------------------------------------------------------------------------------

bool IsTypeName(std::string_view type) {
  return !type.empty() && std::all_of(type.begin(), type.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += "\\x";
  out += kHex[byte >> 4];
  out += kHex[byte & 0xF];
}

// A quoted string: UTF-8 where the bytes convert both ways, otherwise every byte above 0x7E escaped. Quotes,
// backslashes and control characters are always escaped.
void AppendQuoted(std::string& out, std::string_view bytes) {
  const bool hasHighBytes =
      std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7E; });
  std::string utf8;
  if (hasHighBytes) {
    bool lossy = false;
    utf8 = Utf8FromCp936(bytes);
    if (Cp936FromUtf8(utf8, &lossy) != bytes || lossy) utf8.clear();
  }
  const bool asUtf8 = hasHighBytes && !utf8.empty();
  const std::string_view text = asUtf8 ? std::string_view(utf8) : bytes;
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F || (byte > 0x7F && !asUtf8)) {
      AppendEscaped(out, byte);
    } else {
      out += c;
    }
  }
  out += '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted string at `line[position]`, moving `position` past it; false for a damaged one.
bool ParseQuoted(std::string_view line, std::size_t& position, std::string& bytes) {
  bytes.clear();
  if (position >= line.size() || line[position] != '"') return false;
  ++position;
  std::string run;  // literal characters, UTF-8, converted when a run ends
  const auto flush = [&] {
    if (run.empty()) return true;
    bool lossy = false;
    const std::string converted = Cp936FromUtf8(run, &lossy);
    if (lossy) return false;
    bytes += converted;
    run.clear();
    return true;
  };
  while (position < line.size()) {
    const char c = line[position++];
    if (c == '"') return flush();
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    if (c != '\\') {
      run += c;
      continue;
    }
    if (position >= line.size()) return false;
    const char escaped = line[position++];
    if (escaped == '"' || escaped == '\\') {
      run += escaped;
    } else if (escaped == 'x' && position + 2 <= line.size() && HexDigit(line[position]) >= 0 &&
               HexDigit(line[position + 1]) >= 0) {
      if (!flush()) return false;
      bytes += static_cast<char>(HexDigit(line[position]) * 16 + HexDigit(line[position + 1]));
      position += 2;
    } else {
      return false;
    }
  }
  return false;  // no closing quote: a cut line
}

void SkipBlanks(std::string_view line, std::size_t& position) {
  while (position < line.size() && (line[position] == ' ' || line[position] == '\t')) ++position;
}

std::optional<RegistryFile::Entry> ParseEntry(std::string_view line) {
  RegistryFile::Entry entry;
  std::size_t position = 0;
  if (!ParseQuoted(line, position, entry.name) || entry.name.empty()) return std::nullopt;
  SkipBlanks(line, position);
  if (position >= line.size() || line[position] != '=') return std::nullopt;
  ++position;
  SkipBlanks(line, position);
  const std::size_t colon = line.find(':', position);
  if (colon == std::string_view::npos) return std::nullopt;
  entry.type = std::string(line.substr(position, colon - position));
  if (!IsTypeName(entry.type)) return std::nullopt;
  position = colon + 1;
  if (!ParseQuoted(line, position, entry.data)) return std::nullopt;
  SkipBlanks(line, position);
  if (position != line.size()) return std::nullopt;
  return entry;
}

std::vector<RegistryFile::Entry>::iterator FindEntry(std::vector<RegistryFile::Entry>& entries,
                                                     std::string_view name) {
  // Value names are case-insensitive, as in the registry.
  return std::find_if(entries.begin(), entries.end(),
                      [&](const RegistryFile::Entry& entry) { return EqualIgnoringCase(entry.name, name); });
}

// A lock file beside the registry file. The registry file itself is replaced by each save, so a lock on it
// would not be shared by the next opener.
class SaveLock {
 public:
  explicit SaveLock(const std::string& path)
      : fd_(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (!fd_.valid()) return;
    // Another copy holds the lock only while it rewrites the file, a few milliseconds. One that is stopped
    // while holding it must not freeze this program's window: give up after a bounded wait, and the write
    // fails as any write that cannot be made.
    constexpr int kAttempts = 400;  // 400 x 5 ms: two seconds
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
        locked_ = true;
        return;
      }
      if (errno != EWOULDBLOCK && errno != EINTR) return;
      ::usleep(5000);
    }
  }
  ~SaveLock() {
    if (locked_) ::flock(fd_.get(), LOCK_UN);
  }
  bool Locked() const { return locked_; }

 private:
  FileDescriptor fd_;
  bool locked_ = false;
};

class RegistryFileKey : public SettingsKey {
 public:
  explicit RegistryFileKey(const RegistryFile& file) : file_(file) {}
  Value Read(const std::string& name) override { return file_.ReadValue(name); }
  bool WriteText(const std::string& name, const std::string& text) override {
    return file_.WriteTextValue(name, text);
  }

 private:
  const RegistryFile& file_;
};

}  // namespace

std::optional<std::vector<RegistryFile::Entry>> RegistryFile::Parse(std::string_view fileText) {
  std::vector<Entry> entries;
  if (fileText.empty()) return entries;
  // Names seen so far, folded to one case: a name twice makes the file damaged, found in one pass.
  std::unordered_set<std::string> names;
  bool first = true;
  while (!fileText.empty()) {
    const std::size_t end = fileText.find('\n');
    if (end == std::string_view::npos) return std::nullopt;  // every line ends with a break: a cut file
    std::string_view line = fileText.substr(0, end);
    fileText.remove_prefix(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (first) {
      if (line != kHeader) return std::nullopt;
      first = false;
      continue;
    }
    std::size_t blanks = 0;
    SkipBlanks(line, blanks);
    if (blanks == line.size() || line[blanks] == ';' || line[blanks] == '#') continue;
    std::optional<Entry> entry = ParseEntry(line.substr(blanks));
    if (!entry || !names.insert(FoldedCase(entry->name)).second) return std::nullopt;
    entries.push_back(std::move(*entry));
  }
  return entries;
}

std::string RegistryFile::Format(const std::vector<Entry>& entries) {
  std::string text(kHeader);
  text += '\n';
  text += kHeaderHelp;
  for (const Entry& entry : entries) {
    AppendQuoted(text, entry.name);
    text += '=';
    text += entry.type;
    text += ':';
    AppendQuoted(text, entry.data);
    text += '\n';
  }
  return text;
}

std::string RegistryFile::DefaultPath() {
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (configHome != nullptr && configHome[0] == '/') {
    folder = configHome;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* user = ::getpwuid(::getuid());
      home = user != nullptr ? user->pw_dir : "/tmp";
    }
    folder = std::string(home) + "/.config";
  }
  return folder + "/titrelle/registry";
}

std::unique_ptr<SettingsKey> RegistryFile::OpenKey(const std::string& path) {
  std::string_view key = path;
  while (key.starts_with('\\')) key.remove_prefix(1);
  while (key.ends_with('\\')) key.remove_suffix(1);
  if (!EqualIgnoringCase(key, "software")) return nullptr;
  return std::make_unique<RegistryFileKey>(*this);
}

SettingsKey::Value RegistryFile::ReadValue(const std::string& name) const {
  // No lock: a save renames a whole file into place, so a reader sees the old file or the new one.
  std::string bytes;
  if (ReadWholeFile(path_, bytes) != ReadResult::Read) return {};
  std::optional<std::vector<Entry>> entries = Parse(bytes);
  if (!entries) return {};
  const auto found = FindEntry(*entries, name);
  if (found == entries->end()) return {};
  if (found->type != "sz" && found->type != "expand_sz") return {SettingsKey::ValueType::Other, {}};
  // A text reads up to its first zero character.
  return {SettingsKey::ValueType::Text, found->data.substr(0, found->data.find('\0'))};
}

std::string RegistryFile::Location() const { return DisplayPath(path_); }

bool RegistryFile::WriteTextValue(const std::string& name, const std::string& text) const {
  lastFailure_.clear();
  const auto fail = [this](std::string reason) {
    lastFailure_ = std::move(reason);
    return false;
  };
  if (name.empty()) return fail("A value needs a name");
  if (!MakeFolders(FolderOf(path_))) return fail(SystemReason(errno));
  SaveLock lock(path_);
  // 另一个 Titrelle 正在保存设置，两秒后仍未结束: another copy is saving the settings and has not finished
  // within two seconds.
  if (!lock.Locked()) {
    return fail(
        "\xC1\xED\xD2\xBB\xB8\xF6 Titrelle "
        "\xD5\xFD\xD4\xDA\xB1\xA3\xB4\xE6\xC9\xE8\xD6\xC3\xA3\xAC\xC1\xBD\xC3\xEB"
        "\xBA\xF3\xC8\xD4\xCE\xB4\xBD\xE1\xCA\xF8");
  }
  RemoveUnfinishedSaves(path_, RegistrySaveNaming());
  try {
    // A settings file written in place (a hard link) by a copy killed in the middle is completed first.
    CompleteInterruptedSave(path_, RegistrySaveNaming());
  } catch (const std::exception& error) {
    return fail(error.what());
  }

  std::string bytes;
  const ReadResult read = ReadWholeFile(path_, bytes);
  // An unreadable file is not replaced: its values would be lost.
  if (read == ReadResult::Failed) return fail(SystemReason(errno));
  std::optional<std::vector<Entry>> entries = Parse(bytes);
  if (!entries) {
    if (!KeepDamagedCopy(path_, bytes)) return fail(SystemReason(errno));
    entries.emplace();
  }
  const auto found = FindEntry(*entries, name);
  if (found != entries->end()) {
    found->type = "sz";
    found->data = text;
  } else {
    entries->push_back({name, "sz", text});
  }
  try {
    SaveKeepingIdentity(path_, Format(*entries), RegistrySaveNaming());
  } catch (const std::exception& error) {
    return fail(error.what());
  }
  return true;
}

}  // namespace titrelle
