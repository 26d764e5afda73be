#include "platforms/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "base/Cp936.h"
#include "base/Error.h"
#include "platforms/posix/FileDescriptor.h"

namespace titrelle {

namespace fs = std::filesystem;

namespace {

// 它是别的用户在人人都能写入的文件夹里建立的符号链接，本程序不跟随这样的链接。: a symbolic link another user
// made in a folder everyone may write to; the program does not follow such a link.
const std::string kPlantedLinkReason =
    "\xCB\xFC\xCA\xC7\xB1\xF0\xB5\xC4\xD3\xC3\xBB\xA7\xD4\xDA\xC8\xCB\xC8\xCB\xB6\xBC\xC4\xDC\xD0\xB4\xC8\xEB"
    "\xB5\xC4\xCE\xC4\xBC\xFE\xBC\xD0\xC0\xEF\xBD\xA8\xC1\xA2\xB5\xC4\xB7\xFB\xBA\xC5\xC1\xB4\xBD\xD3\xA3\xAC"
    "\xB1\xBE\xB3\xCC\xD0\xF2\xB2\xBB\xB8\xFA\xCB\xE6\xD5\xE2\xD1\xF9\xB5\xC4\xC1\xB4\xBD\xD3\xA1\xA3";

[[noreturn]] void ThrowCannotCreate(const fs::path& path, const std::string& reason) {
  throw Error("Cannot create file \"" + DisplayPath(path) + "\". " + reason);
}
[[noreturn]] void ThrowCannotCreate(const fs::path& path, int error) {
  ThrowCannotCreate(path, SystemReason(error));
}

[[noreturn]] void ThrowFailedToSave(const fs::path& path, int error) {
  throw Error("Failed to Save Stream \"" + DisplayPath(path) + "\". " + SystemReason(error));
}

[[noreturn]] void ThrowCannotOpen(const fs::path& path, const std::string& reason) {
  throw Error("Cannot open file \"" + DisplayPath(path) + "\". " + reason);
}

std::string NotRegularReason(mode_t mode) {
  if (S_ISFIFO(mode)) return NotRegularFileReason(kFifoKind);
  if (S_ISCHR(mode)) return NotRegularFileReason(kCharacterDeviceKind);
  if (S_ISBLK(mode)) return NotRegularFileReason(kBlockDeviceKind);
  if (S_ISSOCK(mode)) return NotRegularFileReason(kSocketKind);
  if (S_ISDIR(mode)) return NotRegularFileReason(kFolderKind);
  return NotRegularFileReason(kSpecialFileKind);
}

// Writes all of `bytes` at `offset`; false with errno set when the system takes no more.
bool WriteAllAt(int fd, std::string_view bytes, off_t offset) {
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += written;
  }
  return true;
}

FileStamp StampOf(const struct stat& status) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.sizeBytes = static_cast<std::uint64_t>(status.st_size);
  stamp.modified = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
  stamp.volume = static_cast<std::uint64_t>(status.st_dev);
  stamp.index = static_cast<std::uint64_t>(status.st_ino);
  return stamp;
}

// The stamp of an open file, taken from the descriptor: what was read or written, not what the name means
// a moment later.
FileStamp StampOf(int fd) {
  struct stat status;
  return ::fstat(fd, &status) == 0 ? StampOf(status) : FileStamp{};
}

enum class ReadResult { Read, Failed, TooLarge };

// Reads the whole of a regular file, never more than kLargestReadBytes (a file may grow while it is read).
ReadResult ReadAll(int fd, std::string& bytes) {
  bytes.clear();
  struct stat status;
  if (::fstat(fd, &status) == 0 && status.st_size > 0) {
    if (static_cast<std::uintmax_t>(status.st_size) > kLargestReadBytes) return ReadResult::TooLarge;
    bytes.reserve(static_cast<std::size_t>(status.st_size));
  }
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) return ReadResult::Read;
    if (got < 0) {
      if (errno == EINTR) continue;
      return ReadResult::Failed;
    }
    if (bytes.size() + static_cast<std::size_t>(got) > kLargestReadBytes) return ReadResult::TooLarge;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

// Opens a file that must be a regular one without waiting for anything (a FIFO would block the open until a
// writer comes), and looks at what was opened, not at what the name meant a moment before.
int OpenRegular(const fs::path& path, int flags, std::string& reason) {
  FileDescriptor file(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  struct stat status;
  if (!file.valid()) {
    const int error = errno;
    // A socket cannot be opened at all: say what it is rather than the system's "No such device".
    reason = ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) ? NotRegularReason(status.st_mode)
                                                                            : SystemReason(error);
    return -1;
  }
  if (::fstat(file.get(), &status) != 0) {
    reason = SystemReason(errno);
    return -1;
  }
  if (!S_ISREG(status.st_mode)) {
    reason = NotRegularReason(status.st_mode);
    return -1;
  }
  ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
  return file.Release();
}

// What a message says of a file too large to read: its size as it stands, and at least the limit.
std::string TooLargeReason(int fd) {
  struct stat status;
  const std::uintmax_t size = ::fstat(fd, &status) == 0 ? static_cast<std::uintmax_t>(status.st_size) : 0;
  return TooLargeFileReason(std::max(size, kLargestReadBytes + 1));
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// A symbolic link that another user made in a folder everyone may write to: following it would let that
// user aim the program's reads and writes at any file of ours. The kernel refuses such links in sticky
// folders; the program refuses them in every world-writable folder. A link of the folder's owner is trusted.
bool IsPlantedLink(const fs::path& path) {
  struct stat link;
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) || link.st_uid == ::geteuid()) return false;
  const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  struct stat folderStatus;
  if (::stat(folder.c_str(), &folderStatus) != 0) return false;
  return (folderStatus.st_mode & S_IWOTH) != 0 && folderStatus.st_uid != link.st_uid;
}

// The file a save changes: a symbolic link is followed, so that the link stays and what it points to changes.
fs::path ResolveTarget(const fs::path& path) {
  struct stat linkStatus;
  if (::lstat(path.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      fs::path target(resolved);
      std::free(resolved);
      return target;
    }
  }
  return path;
}

fs::path FolderOf(const fs::path& target) {
  const fs::path folder = target.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

std::size_t LongestName(const fs::path& folder) {
  const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return longest > 0 ? static_cast<std::size_t>(longest) : NAME_MAX;
}

// The program's short name for a file beside a target whose own name leaves no room: ".titrelle-" and a
// 64-bit FNV-1a hash of the target's name, so that the next open finds it again.
std::string ShortStem(const fs::path& target) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const char byte : target.filename().string()) {
    hash ^= static_cast<unsigned char>(byte);
    hash *= 0x100000001B3ull;
  }
  char digits[17];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
  return ".titrelle-" + std::string(digits);
}

std::string LongTemporaryPrefix(const fs::path& target, const SaveNaming& naming) {
  return naming.lead + target.filename().string() + naming.tail;
}
std::string ShortTemporaryPrefix(const fs::path& target) { return ShortStem(target) + ".save-"; }

std::string TemporaryPrefix(const fs::path& target, const SaveNaming& naming) {
  const std::string prefix = LongTemporaryPrefix(target, naming);
  return prefix.size() + 6 <= LongestName(FolderOf(target)) ? prefix : ShortTemporaryPrefix(target);
}

fs::path RecoveryPath(const fs::path& target, const SaveNaming& naming) {
  const std::string name = naming.lead + target.filename().string() + naming.recoveryTail;
  const fs::path folder = FolderOf(target);
  return folder / (name.size() <= LongestName(folder) ? name : ShortStem(target) + ".recover");
}

void SyncFolder(const fs::path& folder) {
  FileDescriptor descriptor(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (descriptor.valid()) ::fsync(descriptor.get());
}

// A temporary file beside the target that removes itself unless it was moved into place.
class TemporaryFile {
 public:
  TemporaryFile(const fs::path& target, const SaveNaming& naming)
      : path_((FolderOf(target) / (TemporaryPrefix(target, naming) + "XXXXXX")).string()) {
    fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
    error_ = fd_ < 0 ? errno : 0;
    created_ = fd_ >= 0;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Created() const { return fd_ >= 0; }
  int ErrorCode() const { return error_; }
  int get() const { return fd_; }
  const std::string& Path() const { return path_; }
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  bool created_ = false;
  bool kept_ = false;
};

bool FolderRefusesNewFiles(int error) { return error == EACCES || error == EPERM || error == EROFS; }

enum class Replaced { Yes, NeedsInPlace };

// The atomic replacement. NeedsInPlace when it would change what the file is: the folder takes no new file,
// the owner or group cannot be kept, or the folder (sticky) refuses the rename. `written` receives the new
// file's stamp, which the rename keeps.
Replaced ReplaceAtomically(const fs::path& path, const fs::path& target, std::string_view bytes,
                           const SaveNaming& naming, const struct stat* existing, FileStamp& written) {
  TemporaryFile temporary(target, naming);
  if (!temporary.Created()) {
    const int error = temporary.ErrorCode();
    if (existing && FolderRefusesNewFiles(error)) return Replaced::NeedsInPlace;
    ThrowCannotCreate(path, error);
  }
  mode_t mode = naming.newFileMode & ~CurrentUmask();
  if (existing) {
    mode = existing->st_mode & 07777;
    if ((existing->st_uid != ::geteuid() || existing->st_gid != ::getegid()) &&
        ::fchown(temporary.get(), existing->st_uid, existing->st_gid) != 0) {
      return Replaced::NeedsInPlace;
    }
  }
  if (::fchmod(temporary.get(), mode) != 0) ThrowFailedToSave(path, errno);
  if (!WriteAllAt(temporary.get(), bytes, 0)) ThrowFailedToSave(path, errno);
  if (::fsync(temporary.get()) != 0) ThrowFailedToSave(path, errno);
  written = StampOf(temporary.get());
  if (!temporary.Close()) ThrowFailedToSave(path, errno);
  if (::rename(temporary.Path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    if (existing && (error == EPERM || error == EACCES)) return Replaced::NeedsInPlace;
    ThrowCannotCreate(path, error);
  }
  temporary.Keep();
  // A save in place killed earlier and never completed is older than these bytes.
  ::unlink(RecoveryPath(target, naming).c_str());
  // The rename itself reaches the disk with the folder.
  SyncFolder(FolderOf(target));
  return Replaced::Yes;
}

// The new bytes kept beside a file that is written in place, for as long as that write lasts. It comes into
// being whole or not at all (written under a temporary name, flushed, renamed, the folder flushed), so that
// the recovery file found at an open always holds a complete text.
class RecoveryFile {
 public:
  // False when the folder takes no new files: the write in place goes on without one.
  bool Write(const fs::path& path, const fs::path& target, std::string_view bytes, const SaveNaming& naming) {
    TemporaryFile temporary(target, naming);
    if (!temporary.Created()) {
      if (FolderRefusesNewFiles(temporary.ErrorCode())) return false;
      ThrowCannotCreate(path, temporary.ErrorCode());
    }
    if (!WriteAllAt(temporary.get(), bytes, 0) || ::fsync(temporary.get()) != 0 || !temporary.Close())
      ThrowFailedToSave(path, errno);
    const fs::path recovery = RecoveryPath(target, naming);
    if (::rename(temporary.Path().c_str(), recovery.c_str()) != 0) {
      if (FolderRefusesNewFiles(errno)) return false;
      ThrowCannotCreate(path, errno);
    }
    temporary.Keep();
    path_ = recovery;
    SyncFolder(FolderOf(target));
    return true;
  }
  ~RecoveryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }

 private:
  fs::path path_;
};

// Writes over the file itself. The new size is reserved before the first byte changes, so a full disk fails
// while the old text is still whole; any later failure puts the old bytes back before it is reported.
// `naming` names the recovery file written first; none for the completion of a killed save, whose recovery
// file is already there. Gives the file's stamp as written.
FileStamp WriteInPlace(const fs::path& path, const fs::path& target, std::string_view bytes,
                       const SaveNaming* naming) {
  std::string reason;
  FileDescriptor file(OpenRegular(target, O_RDWR, reason));
  if (!file.valid()) ThrowCannotCreate(path, reason);
  std::string old;
  switch (ReadAll(file.get(), old)) {
    case ReadResult::Read:
      break;
    case ReadResult::Failed:
      ThrowFailedToSave(path, errno);
    case ReadResult::TooLarge:
      ThrowCannotCreate(path, TooLargeReason(file.get()));
  }
  RecoveryFile recovery;
  if (naming) recovery.Write(path, target, bytes, *naming);
  if (bytes.size() > old.size()) {
    const int error = ::posix_fallocate(file.get(), 0, static_cast<off_t>(bytes.size()));
    // A file system that cannot reserve space is written without the reservation.
    if (error != 0 && error != EOPNOTSUPP && error != EINVAL) ThrowFailedToSave(path, error);
  }
  if (WriteAllAt(file.get(), bytes, 0) && ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 &&
      ::fsync(file.get()) == 0) {
    const FileStamp written = StampOf(file.get());
    if (file.Close()) return written;
  }
  const int error = errno;
  if (file.valid()) {
    WriteAllAt(file.get(), old, 0);
    if (::ftruncate(file.get(), static_cast<off_t>(old.size())) == 0) ::fsync(file.get());
  }
  ThrowFailedToSave(path, error);
}

// The lock file of a subtitle file: ".NAME.titrelle-lock" beside it, or the program's short name where that
// would pass the folder's limit.
fs::path LockPath(const fs::path& target) {
  const std::string name = "." + target.filename().string() + ".titrelle-lock";
  const fs::path folder = FolderOf(target);
  return folder / (name.size() <= LongestName(folder) ? name : ShortStem(target) + ".lock");
}

// flock on the lock file: the kernel lets go when the process ends, however it ends, so a lock file a killed
// copy left behind blocks nobody. The file is removed when the document lets go, while it is still locked, so
// that no other copy can have locked it in between.
class LockFile : public FileLock {
 public:
  LockFile(fs::path path, int fd) : path_(std::move(path)), file_(fd) {}
  ~LockFile() override {
    struct stat named;
    struct stat held;
    if (::lstat(path_.c_str(), &named) == 0 && ::fstat(file_.get(), &held) == 0 &&
        named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
      ::unlink(path_.c_str());
    }
  }

 private:
  fs::path path_;
  FileDescriptor file_;
};

}  // namespace

std::string DisplayPath(const fs::path& path) { return Cp936FromUtf8(path.string()); }

// The system's words, in the user's language where the locale has one; code page 936 for the message.
std::string SystemReason(int error) { return Cp936FromUtf8(std::strerror(error)); }

SaveNaming SubtitleSaveNaming() { return {".", ".titrelle-save-", 0666, ".titrelle-recover"}; }

FileStamp SaveKeepingIdentity(const fs::path& path, std::string_view bytes, const SaveNaming& naming) {
  if (IsPlantedLink(path)) ThrowCannotCreate(path, kPlantedLinkReason);
  const fs::path target = ResolveTarget(path);
  struct stat status;
  const bool exists = ::stat(target.c_str(), &status) == 0;
  if (exists) {
    if (!S_ISREG(status.st_mode)) ThrowCannotCreate(path, NotRegularReason(status.st_mode));
    // Permission bits are checked here rather than left to the system: the super-user may write anything,
    // yet a file its owner marked read-only must stay as it is.
    const bool readOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                          (status.st_uid == ::geteuid() && (status.st_mode & S_IWUSR) == 0) ||
                          ::access(target.c_str(), W_OK) != 0;
    if (readOnly) ThrowCannotCreate(path, EACCES);
  } else if (errno != ENOENT) {
    ThrowCannotCreate(path, errno);
  }
  // A second name would keep the old text if a new file took this name's place.
  if (exists && status.st_nlink > 1) return WriteInPlace(path, target, bytes, &naming);
  FileStamp written;
  if (ReplaceAtomically(path, target, bytes, naming, exists ? &status : nullptr, written) ==
      Replaced::NeedsInPlace) {
    return WriteInPlace(path, target, bytes, &naming);
  }
  return written;
}

void RemoveUnfinishedSaves(const fs::path& path, const SaveNaming& naming) {
  if (IsPlantedLink(path)) return;
  const fs::path target = ResolveTarget(path);
  const fs::path folder = FolderOf(target);
  const std::string prefixes[] = {LongTemporaryPrefix(target, naming), ShortTemporaryPrefix(target)};
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name = entry->d_name;
    for (const std::string& prefix : prefixes) {
      // mkstemp's six characters and nothing else: a name of ours, never a file the user made.
      if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
      const fs::path leftover = folder / std::string(name);
      struct stat status;
      if (::lstat(leftover.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
          status.st_uid == ::geteuid()) {
        ::unlink(leftover.c_str());
      }
    }
  }
  ::closedir(directory);
}

namespace {

// A regular file read whole, and its stamp when asked; throws naming the file and the reason.
std::string ReadRegularWhole(const fs::path& path, FileStamp* stamp) {
  std::string reason;
  FileDescriptor file(OpenRegular(path, O_RDONLY, reason));
  if (!file.valid()) ThrowCannotOpen(path, reason);
  std::string bytes;
  switch (ReadAll(file.get(), bytes)) {
    case ReadResult::Read:
      break;
    case ReadResult::Failed:
      ThrowCannotOpen(path, SystemReason(errno));
    case ReadResult::TooLarge:
      ThrowCannotOpen(path, TooLargeReason(file.get()));
  }
  if (stamp) *stamp = StampOf(file.get());
  return bytes;
}

// A regular file read a piece at a time, straight into the reader's text.
class PosixFileReading : public FileReading {
 public:
  PosixFileReading(const fs::path& path, int fd) : path_(path), file_(fd) {
    struct stat status;
    if (::fstat(file_.get(), &status) == 0 && status.st_size > 0) {
      if (static_cast<std::uintmax_t>(status.st_size) > kLargestReadBytes)
        ThrowCannotOpen(path_, TooLargeReason(file_.get()));
      sizeBytes_ = static_cast<std::uint64_t>(status.st_size);
    }
  }
  std::uint64_t SizeBytes() const override { return sizeBytes_; }
  bool ReadMore(std::string& bytes, std::size_t mostBytes) override {
    // Up to the size the file had, straight into the text (which the reader reserved); then a look for its
    // end (or more, where it grew) through a small buffer, so that the text is never made larger for it.
    const std::size_t before = bytes.size();
    if (read_ < sizeBytes_) {
      const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(mostBytes, sizeBytes_ - read_));
      bytes.resize(before + want);
      const std::size_t got = ReadUpTo(bytes.data() + before, want, bytes, before);
      bytes.resize(before + got);
      read_ += got;
      if (got < want) return Ended();
      if (read_ < sizeBytes_) return true;
    }
    char small[1 << 16];
    const std::size_t got = ReadUpTo(small, sizeof small, bytes, before);
    bytes.append(small, got);
    read_ += got;
    // A file that grows while it is read is read no further than the limit.
    if (read_ > kLargestReadBytes) ThrowCannotOpen(path_, TooLargeReason(file_.get()));
    return got == 0 ? Ended() : true;
  }
  FileStamp Stamp() const override { return stamp_; }

 private:
  // Reads until `most` bytes are there or the file ends; on a failure `bytes` loses what this call added.
  std::size_t ReadUpTo(char* into, std::size_t most, std::string& bytes, std::size_t before) {
    std::size_t got = 0;
    while (got < most) {
      const ssize_t read = ::read(file_.get(), into + got, most - got);
      if (read == 0) break;
      if (read < 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        bytes.resize(before);
        ThrowCannotOpen(path_, SystemReason(error));
      }
      got += static_cast<std::size_t>(read);
    }
    return got;
  }
  bool Ended() {
    stamp_ = StampOf(file_.get());
    return false;
  }

  fs::path path_;
  FileDescriptor file_;
  std::uint64_t sizeBytes_ = 0;
  std::uint64_t read_ = 0;
  FileStamp stamp_;
};

}  // namespace

bool CompleteInterruptedSave(const fs::path& path, const SaveNaming& naming) {
  if (IsPlantedLink(path)) return false;
  const fs::path target = ResolveTarget(path);
  const fs::path recovery = RecoveryPath(target, naming);
  // Only a recovery file of this user's own is taken: another user's file there would write their bytes
  // into ours.
  struct stat status;
  if (::lstat(recovery.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
    return false;
  struct stat targetStatus;
  if (::stat(target.c_str(), &targetStatus) != 0 && errno == ENOENT) {
    // The file itself was removed since: what was being written into it has nowhere to go.
    ::unlink(recovery.c_str());
    return false;
  }
  const std::string bytes = ReadRegularWhole(recovery, nullptr);
  WriteInPlace(path, target, bytes, nullptr);
  ::unlink(recovery.c_str());
  SyncFolder(FolderOf(target));
  return true;
}

bool PosixFileSystem::Exists(const fs::path& path) const {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::string PosixFileSystem::ReadWhole(const fs::path& path, FileStamp* stamp) const {
  if (IsPlantedLink(path)) ThrowCannotOpen(path, kPlantedLinkReason);
  return ReadRegularWhole(path, stamp);
}

std::unique_ptr<FileReading> PosixFileSystem::StartReading(const fs::path& path) const {
  if (IsPlantedLink(path)) ThrowCannotOpen(path, kPlantedLinkReason);
  std::string reason;
  const int fd = OpenRegular(path, O_RDONLY, reason);
  if (fd < 0) ThrowCannotOpen(path, reason);
  return std::make_unique<PosixFileReading>(path, fd);
}

FileStamp PosixFileSystem::Stamp(const fs::path& path) const {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 ? StampOf(status) : FileStamp{};
}

FileStamp PosixFileSystem::Save(const fs::path& path, std::string_view bytes) {
  return SaveKeepingIdentity(path, bytes, SubtitleSaveNaming());
}

void PosixFileSystem::MoveOver(const fs::path& from, const fs::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    throw Error("Cannot rename file \"" + DisplayPath(from) + "\" to \"" + DisplayPath(to) + "\". " +
                SystemReason(errno));
  }
}

void PosixFileSystem::Remove(const fs::path& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    throw Error("Cannot delete file \"" + DisplayPath(path) + "\". " + SystemReason(errno));
  }
}

void PosixFileSystem::RemoveUnfinishedSaves(const fs::path& path) {
  titrelle::RemoveUnfinishedSaves(path, SubtitleSaveNaming());
}

bool PosixFileSystem::CompleteInterruptedSave(const fs::path& path) {
  return titrelle::CompleteInterruptedSave(path, SubtitleSaveNaming());
}

std::unique_ptr<FileLock> PosixFileSystem::LockForEditing(const fs::path& path) {
  const fs::path lockPath = LockPath(IsPlantedLink(path) ? path : ResolveTarget(path));
  // A copy that lets go removes the file between our open and our lock: the lock we got is on a file no one
  // else finds. Then the name is opened again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    // Read access is enough for a lock: another user's lock file in a shared folder still tells.
    int fd =
        ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd < 0) fd = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    FileDescriptor file(fd);
    if (!file.valid()) return std::make_unique<FileLock>();  // the folder takes no lock file
    struct stat held;
    if (::fstat(file.get(), &held) != 0 || !S_ISREG(held.st_mode)) return std::make_unique<FileLock>();
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return nullptr;
      return std::make_unique<FileLock>();  // a file system without locks
    }
    struct stat named;
    if (::lstat(lockPath.c_str(), &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
      return std::make_unique<LockFile>(lockPath, file.Release());
  }
  return std::make_unique<FileLock>();
}

}  // namespace titrelle
