#include "platforms/windows/WindowsFileSystem.h"

#include "platforms/windows/Win32Api.h"

#include <utility>

#include "platforms/windows/WinText.h"
#include "base/Error.h"

namespace titrelle {

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kTemporaryLead[] = L".";
constexpr wchar_t kTemporaryTail[] = L".titrelle-save-";
constexpr int kTemporaryRandomLength = 6;

// A handle closed on every path out.
class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() {
    if (valid()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  bool Close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

 private:
  HANDLE handle_;
};

std::string Display(const fs::path& path) { return Cp936FromWide(path.wstring()); }

[[noreturn]] void ThrowCannotCreate(const fs::path& path, DWORD error) {
  throw Error("Cannot create file \"" + Display(path) + "\". " + SystemMessage(error));
}

[[noreturn]] void ThrowFailedToSave(const fs::path& path, DWORD error) {
  throw Error("Failed to Save Stream \"" + Display(path) + "\". " + SystemMessage(error));
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    if (written == 0) {
      SetLastError(ERROR_DISK_FULL);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

bool ReadAll(HANDLE file, std::string& bytes) {
  bytes.clear();
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0) bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(buffer, got);
  }
}

bool SeekTo(HANDLE file, long long offset) {
  LARGE_INTEGER at{};
  at.QuadPart = offset;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

// The file a save changes: a symbolic link is followed, so that the link stays and what it points to changes.
fs::path ResolveTarget(const fs::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
  Handle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) return path;
  wchar_t buffer[32768];
  const DWORD length = GetFinalPathNameByHandleW(file.get(), buffer, 32768, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= 32768) return path;
  return fs::path(std::wstring(buffer, length));
}

std::wstring TemporaryPrefix(const fs::path& target) {
  return std::wstring(kTemporaryLead) + target.filename().wstring() + kTemporaryTail;
}

// Six characters that differ from one call to the next and between two copies of the program.
std::wstring RandomSuffix() {
  static unsigned long long state = 0;
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  state += 0x9E3779B97F4A7C15ull ^ static_cast<unsigned long long>(counter.QuadPart) ^
           (static_cast<unsigned long long>(GetCurrentProcessId()) << 32);
  unsigned long long mixed = state;
  mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
  mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
  mixed ^= mixed >> 31;
  static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::wstring suffix;
  for (int i = 0; i < kTemporaryRandomLength; ++i) {
    suffix += kLetters[mixed % 62];
    mixed /= 62;
  }
  return suffix;
}

// A hidden temporary file beside the target that removes itself unless it was put in place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& target) {
    const fs::path folder = target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      path_ = folder / (TemporaryPrefix(target) + RandomSuffix());
      HANDLE file = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_HIDDEN, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        file_ = std::make_unique<Handle>(file);
        return;
      }
      error_ = GetLastError();
      if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS) return;
    }
  }
  ~TemporaryFile() {
    file_.reset();
    if (Created() && !kept_) DeleteFileW(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Created() const { return file_ && file_->valid(); }
  DWORD ErrorCode() const { return error_; }
  HANDLE get() const { return file_->get(); }
  const fs::path& Path() const { return path_; }
  // Closes it no longer hidden, so that it is an ordinary file once in place.
  bool Finish() {
    FILE_BASIC_INFO info{};
    if (GetFileInformationByHandleEx(file_->get(), FileBasicInfo, &info, sizeof info)) {
      info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
      SetFileInformationByHandle(file_->get(), FileBasicInfo, &info, sizeof info);
    }
    return file_->Close();
  }
  void Keep() { kept_ = true; }

 private:
  fs::path path_;
  std::unique_ptr<Handle> file_;
  DWORD error_ = 0;
  bool kept_ = false;
};

// Writes the file where it is: space reserved first, the old bytes put back if the write fails.
void SaveInPlace(const fs::path& target, std::string_view bytes) {
  Handle file(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) ThrowCannotCreate(target, GetLastError());
  std::string old;
  if (!ReadAll(file.get(), old)) ThrowCannotCreate(target, GetLastError());
  const long long size = static_cast<long long>(bytes.size());
  const long long oldSize = static_cast<long long>(old.size());
  // Reserving the space first: a full disk fails here, before a byte of the old content has changed.
  if (size > oldSize && (!SeekTo(file.get(), size) || !SetEndOfFile(file.get()))) {
    const DWORD error = GetLastError();
    if (SeekTo(file.get(), oldSize)) SetEndOfFile(file.get());
    ThrowFailedToSave(target, error);
  }
  if (SeekTo(file.get(), 0) && WriteAll(file.get(), bytes) && SeekTo(file.get(), size) &&
      SetEndOfFile(file.get()) && FlushFileBuffers(file.get())) {
    return;
  }
  const DWORD error = GetLastError();
  if (SeekTo(file.get(), 0) && WriteAll(file.get(), old) && SeekTo(file.get(), oldSize)) SetEndOfFile(file.get());
  FlushFileBuffers(file.get());
  ThrowFailedToSave(target, error);
}

// Whether replacing the file by another keeps what makes it that file: one name only.
bool ReplacingKeepsIdentity(const fs::path& target) {
  Handle file(CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
  if (!file.valid()) return true;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info)) return true;
  return info.nNumberOfLinks <= 1;
}

}  // namespace

bool WindowsFileSystem::Exists(const fs::path& path) const {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WindowsFileSystem::ReadWhole(const fs::path& path) const {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  if (!file.valid() || !ReadAll(file.get(), bytes)) {
    throw Error("Cannot open file \"" + Display(path) + "\". " + SystemMessage(GetLastError()));
  }
  return bytes;
}

void WindowsFileSystem::Save(const fs::path& path, std::string_view bytes) {
  const fs::path target = ResolveTarget(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) ThrowCannotCreate(path, ERROR_ACCESS_DENIED);
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) ThrowCannotCreate(path, ERROR_ACCESS_DENIED);
  if (exists && !ReplacingKeepsIdentity(target)) return SaveInPlace(target, bytes);

  TemporaryFile temporary(target);
  if (!temporary.Created()) {
    // A folder that takes no new files: the file itself is written, where it may be.
    if (exists) return SaveInPlace(target, bytes);
    ThrowCannotCreate(path, temporary.ErrorCode());
  }
  if (!WriteAll(temporary.get(), bytes) || !FlushFileBuffers(temporary.get())) {
    ThrowFailedToSave(path, GetLastError());
  }
  if (!temporary.Finish()) ThrowFailedToSave(path, GetLastError());
  if (exists) {
    if (ReplaceFileW(target.c_str(), temporary.Path().c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                     nullptr)) {
      temporary.Keep();
      return;
    }
    // A file ReplaceFileW cannot replace (held open without delete sharing, say) is written in place.
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
        error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 || error == ERROR_SHARING_VIOLATION ||
        error == ERROR_ACCESS_DENIED) {
      return SaveInPlace(target, bytes);
    }
    ThrowCannotCreate(path, error);
  }
  if (!MoveFileExW(temporary.Path().c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ThrowCannotCreate(path, GetLastError());
  }
  temporary.Keep();
}

void WindowsFileSystem::MoveOver(const fs::path& from, const fs::path& to) {
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw Error("Cannot rename file \"" + Display(from) + "\" to \"" + Display(to) + "\". " +
                SystemMessage(GetLastError()));
  }
}

void WindowsFileSystem::Remove(const fs::path& path) {
  if (DeleteFileW(path.c_str())) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
  throw Error("Cannot delete file \"" + Display(path) + "\". " + SystemMessage(error));
}

void WindowsFileSystem::RemoveUnfinishedSaves(const fs::path& path) {
  const fs::path target = ResolveTarget(path);
  const std::wstring prefix = TemporaryPrefix(target);
  const fs::path pattern = target.parent_path() / (prefix + L"*");
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name.size() != prefix.size() + kTemporaryRandomLength || name.compare(0, prefix.size(), prefix) != 0)
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    DeleteFileW((target.parent_path() / name).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::string WindowsFileSystem::DisplayName(const fs::path& path) const { return Display(path); }

}  // namespace titrelle
