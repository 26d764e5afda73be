#include "platforms/windows/WindowsFileSystem.h"

#include "platforms/windows/Win32Api.h"

#include <cstdint>
#include <cwchar>
#include <memory>
#include <utility>

#include "platforms/windows/WinText.h"
#include "base/Error.h"

namespace titrelle {

namespace fs = std::filesystem;

namespace {

constexpr wchar_t kTemporaryLead[] = L".";
constexpr wchar_t kTemporaryTail[] = L".titrelle-save-";
constexpr wchar_t kRecoveryTail[] = L".titrelle-recover";
constexpr int kTemporaryRandomLength = 6;
// The longest name of one file or folder (in UTF-16 units) on the file systems Windows writes to.
constexpr std::size_t kLongestName = 255;

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

[[noreturn]] void ThrowCannotCreate(const fs::path& path, const std::string& reason) {
  throw Error("Cannot create file \"" + Display(path) + "\". " + reason);
}
[[noreturn]] void ThrowCannotCreate(const fs::path& path, DWORD error) {
  ThrowCannotCreate(path, SystemMessage(error));
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

enum class ReadResult { Read, Failed, TooLarge };

// Reads the whole file, never more than kLargestReadBytes (a file may grow while it is read).
ReadResult ReadAll(HANDLE file, std::string& bytes) {
  bytes.clear();
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
    if (static_cast<std::uintmax_t>(size.QuadPart) > kLargestReadBytes) return ReadResult::TooLarge;
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
  }
  char buffer[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return ReadResult::Failed;
    if (got == 0) return ReadResult::Read;
    if (bytes.size() + got > kLargestReadBytes) return ReadResult::TooLarge;
    bytes.append(buffer, got);
  }
}

std::string TooLargeReason(HANDLE file) {
  LARGE_INTEGER size{};
  const std::uintmax_t bytes = GetFileSizeEx(file, &size) ? static_cast<std::uintmax_t>(size.QuadPart) : 0;
  return TooLargeFileReason(bytes > kLargestReadBytes ? bytes : kLargestReadBytes + 1);
}

// A handle to a device, a pipe or a console is no file to read or write: the program opens disk files only.
bool IsDiskFile(HANDLE file, std::string& reason) {
  if (GetFileType(file) == FILE_TYPE_DISK) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      return true;
    reason = NotRegularFileReason(kFolderKind);
    return false;
  }
  reason = NotRegularFileReason(GetFileType(file) == FILE_TYPE_PIPE ? kFifoKind : kCharacterDeviceKind);
  return false;
}

FileStamp StampOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file, &info)) return {};
  FileStamp stamp;
  stamp.exists = true;
  stamp.sizeBytes = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modified =
      static_cast<std::int64_t>((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                info.ftLastWriteTime.dwLowDateTime);
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return stamp;
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

std::wstring LongTemporaryPrefix(const fs::path& target) {
  return std::wstring(kTemporaryLead) + target.filename().wstring() + kTemporaryTail;
}

// The program's short name for a file beside a target whose own name leaves no room: ".titrelle-" and a
// 64-bit FNV-1a hash of the target's name, so that the next open finds it again.
std::wstring ShortStem(const fs::path& target) {
  unsigned long long hash = 0xCBF29CE484222325ull;
  for (const wchar_t unit : target.filename().wstring()) {
    hash ^= static_cast<unsigned long long>(unit);
    hash *= 0x100000001B3ull;
  }
  wchar_t digits[17];
  swprintf(digits, 17, L"%016llx", hash);
  return L".titrelle-" + std::wstring(digits);
}
std::wstring ShortTemporaryPrefix(const fs::path& target) { return ShortStem(target) + L".save-"; }

std::wstring TemporaryPrefix(const fs::path& target) {
  const std::wstring prefix = LongTemporaryPrefix(target);
  return prefix.size() + kTemporaryRandomLength <= kLongestName ? prefix : ShortTemporaryPrefix(target);
}

// The lock file of a subtitle file: ".NAME.titrelle-lock" beside it, or the program's short name.
fs::path LockPath(const fs::path& target) {
  const std::wstring name = std::wstring(kTemporaryLead) + target.filename().wstring() + L".titrelle-lock";
  return target.parent_path() / (name.size() <= kLongestName ? name : ShortStem(target) + L".lock");
}

// The lock file held open without sharing: another copy's open fails with a sharing violation. The system
// deletes it when the handle closes, a killed copy's included.
class LockFile : public FileLock {
 public:
  explicit LockFile(HANDLE file) : file_(file) {}

 private:
  Handle file_;
};

fs::path RecoveryPath(const fs::path& target) {
  const std::wstring name = std::wstring(kTemporaryLead) + target.filename().wstring() + kRecoveryTail;
  return target.parent_path() / (name.size() <= kLongestName ? name : ShortStem(target) + L".recover");
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
        created_ = true;
        return;
      }
      error_ = GetLastError();
      if (error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS) return;
    }
  }
  ~TemporaryFile() {
    file_.reset();
    // Closed or not: a file made here and never put in place goes.
    if (created_ && !kept_) DeleteFileW(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Created() const { return created_; }
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
  bool Close() { return file_->Close(); }
  void Keep() { kept_ = true; }

 private:
  fs::path path_;
  std::unique_ptr<Handle> file_;
  DWORD error_ = 0;
  bool created_ = false;
  bool kept_ = false;
};

bool FolderRefusesNewFiles(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT || error == ERROR_NETWORK_ACCESS_DENIED;
}

// The new bytes kept beside a file that is written in place, for as long as that write lasts: whole or not
// at all (written hidden under a temporary name, flushed, then moved to its own name with the move written
// through), so that the recovery file found at an open always holds a complete text.
class RecoveryFile {
 public:
  // False when the folder takes no new files: the write in place goes on without one.
  bool Write(const fs::path& target, std::string_view bytes) {
    TemporaryFile temporary(target);
    if (!temporary.Created()) {
      if (FolderRefusesNewFiles(temporary.ErrorCode())) return false;
      ThrowCannotCreate(target, temporary.ErrorCode());
    }
    if (!WriteAll(temporary.get(), bytes) || !FlushFileBuffers(temporary.get()) || !temporary.Close())
      ThrowFailedToSave(target, GetLastError());
    const fs::path recovery = RecoveryPath(target);
    if (!MoveFileExW(temporary.Path().c_str(), recovery.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      const DWORD error = GetLastError();
      if (FolderRefusesNewFiles(error)) return false;
      ThrowCannotCreate(target, error);
    }
    temporary.Keep();
    path_ = recovery;
    return true;
  }
  ~RecoveryFile() {
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }

 private:
  fs::path path_;
};

// Writes the file where it is: the new bytes kept beside it first (unless `withRecovery` is false, for the
// completion of a killed save whose recovery file is there already), space reserved, the old bytes put back
// if the write fails.
void SaveInPlace(const fs::path& target, std::string_view bytes, bool withRecovery = true) {
  Handle file(CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) ThrowCannotCreate(target, GetLastError());
  std::string reason;
  if (!IsDiskFile(file.get(), reason)) ThrowCannotCreate(target, reason);
  std::string old;
  switch (ReadAll(file.get(), old)) {
    case ReadResult::Read:
      break;
    case ReadResult::Failed:
      ThrowCannotCreate(target, GetLastError());
    case ReadResult::TooLarge:
      ThrowCannotCreate(target, TooLargeReason(file.get()));
  }
  RecoveryFile recovery;
  if (withRecovery) recovery.Write(target, bytes);
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

// Whether another program holds the file open without letting it be deleted or renamed (a player, a virus
// scanner): ReplaceFileW cannot move it then, and Wine's leaves a stray "rfXXXX.tmp" beside it on the way.
bool HeldWithoutDeleteSharing(const fs::path& target) {
  Handle file(CreateFileW(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
  return !file.valid() && GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace

bool WindowsFileSystem::Exists(const fs::path& path) const {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WindowsFileSystem::ReadWhole(const fs::path& path, FileStamp* stamp) const {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  const auto fail = [&](const std::string& reason) {
    throw Error("Cannot open file \"" + Display(path) + "\". " + reason);
  };
  if (!file.valid()) fail(SystemMessage(GetLastError()));
  std::string reason;
  if (!IsDiskFile(file.get(), reason)) fail(reason);
  std::string bytes;
  switch (ReadAll(file.get(), bytes)) {
    case ReadResult::Read:
      break;
    case ReadResult::Failed:
      fail(SystemMessage(GetLastError()));
      break;
    case ReadResult::TooLarge:
      fail(TooLargeReason(file.get()));
      break;
  }
  if (stamp) *stamp = StampOf(file.get());
  return bytes;
}

FileStamp WindowsFileSystem::Stamp(const fs::path& path) const {
  Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                          nullptr));
  return file.valid() ? StampOf(file.get()) : FileStamp{};
}

FileStamp WindowsFileSystem::Save(const fs::path& path, std::string_view bytes) {
  SaveReplacing(path, bytes);
  // ReplaceFileW may give the file the old one's identity or the new one's: the stamp is taken afterwards.
  return Stamp(path);
}

void WindowsFileSystem::SaveReplacing(const fs::path& path, std::string_view bytes) {
  const fs::path target = ResolveTarget(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    ThrowCannotCreate(path, NotRegularFileReason(kFolderKind));
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) ThrowCannotCreate(path, ERROR_ACCESS_DENIED);
  if (exists && (!ReplacingKeepsIdentity(target) || HeldWithoutDeleteSharing(target)))
    return SaveInPlace(target, bytes);

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
      // A save in place killed earlier and never completed is older than these bytes.
      DeleteFileW(RecoveryPath(target).c_str());
      return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) {
      // The old file was moved away and the new one stayed under its temporary name: the temporary file is
      // the only whole copy now. It goes to the file's name; failing that it is written there, and it stays
      // where it is unless that write succeeds.
      if (MoveFileExW(temporary.Path().c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
        temporary.Keep();
        DeleteFileW(RecoveryPath(target).c_str());
        return;
      }
      temporary.Keep();
      SaveInPlace(target, bytes);
      DeleteFileW(temporary.Path().c_str());
      return;
    }
    // A file ReplaceFileW cannot replace (held open without delete sharing, say) is written in place; the
    // temporary file goes.
    if (error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 ||
        error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) {
      return SaveInPlace(target, bytes);
    }
    ThrowCannotCreate(path, error);
  }
  if (!MoveFileExW(temporary.Path().c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ThrowCannotCreate(path, GetLastError());
  }
  temporary.Keep();
  DeleteFileW(RecoveryPath(target).c_str());
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
  for (const std::wstring& prefix : {LongTemporaryPrefix(target), ShortTemporaryPrefix(target)}) {
    const fs::path pattern = target.parent_path() / (prefix + L"*");
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      const std::wstring name = found.cFileName;
      if (name.size() != prefix.size() + kTemporaryRandomLength ||
          name.compare(0, prefix.size(), prefix) != 0)
        continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      DeleteFileW((target.parent_path() / name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
}

bool WindowsFileSystem::CompleteInterruptedSave(const fs::path& path) {
  const fs::path target = ResolveTarget(path);
  const fs::path recovery = RecoveryPath(target);
  const DWORD attributes = GetFileAttributesW(recovery.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    return false;
  if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    // The file itself was removed since: what was being written into it has nowhere to go.
    DeleteFileW(recovery.c_str());
    return false;
  }
  const std::string bytes = ReadWhole(recovery);
  SaveInPlace(target, bytes, false);
  DeleteFileW(recovery.c_str());
  return true;
}

std::unique_ptr<FileLock> WindowsFileSystem::LockForEditing(const fs::path& path) {
  const fs::path lockPath = LockPath(ResolveTarget(path));
  HANDLE file = CreateFileW(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file != INVALID_HANDLE_VALUE) return std::make_unique<LockFile>(file);
  if (GetLastError() == ERROR_SHARING_VIOLATION) return nullptr;
  return std::make_unique<FileLock>();  // the folder takes no lock file
}

std::string WindowsFileSystem::DisplayName(const fs::path& path) const { return Display(path); }

}  // namespace titrelle
