#include "platforms/posix/PosixFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/Cp936.h"
#include "base/Error.h"
#include "platforms/posix/FileDescriptor.h"

namespace titrelle {

namespace fs = std::filesystem;

namespace {


[[noreturn]] void ThrowCannotCreate(const fs::path& path, int error) {
  throw Error("Cannot create file \"" + DisplayPath(path) + "\". " + SystemReason(error));
}

[[noreturn]] void ThrowFailedToSave(const fs::path& path, int error) {
  throw Error("Failed to Save Stream \"" + DisplayPath(path) + "\". " + SystemReason(error));
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

bool ReadAll(int fd, std::string& bytes) {
  bytes.clear();
  struct stat status;
  if (::fstat(fd, &status) == 0 && status.st_size > 0)
    bytes.reserve(static_cast<std::size_t>(status.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
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

std::string TemporaryPrefix(const fs::path& target, const SaveNaming& naming) {
  return naming.lead + target.filename().string() + naming.tail;
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

enum class Replaced { Yes, NeedsInPlace };

// The atomic replacement. NeedsInPlace when it would change what the file is: the folder takes no new file,
// the owner or group cannot be kept, or the folder (sticky) refuses the rename.
Replaced ReplaceAtomically(const fs::path& path, const fs::path& target, std::string_view bytes,
                           const SaveNaming& naming, const struct stat* existing) {
  TemporaryFile temporary(target, naming);
  if (!temporary.Created()) {
    const int error = temporary.ErrorCode();
    if (existing && (error == EACCES || error == EPERM || error == EROFS)) return Replaced::NeedsInPlace;
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
  if (!temporary.Close()) ThrowFailedToSave(path, errno);
  if (::rename(temporary.Path().c_str(), target.c_str()) != 0) {
    const int error = errno;
    if (existing && (error == EPERM || error == EACCES)) return Replaced::NeedsInPlace;
    ThrowCannotCreate(path, error);
  }
  temporary.Keep();
  // The rename itself reaches the disk with the folder.
  SyncFolder(FolderOf(target));
  return Replaced::Yes;
}

// Writes over the file itself. The new size is reserved before the first byte changes, so a full disk fails
// while the old text is still whole; any later failure puts the old bytes back before it is reported.
void WriteInPlace(const fs::path& path, const fs::path& target, std::string_view bytes) {
  FileDescriptor file(::open(target.c_str(), O_RDWR | O_CLOEXEC));
  if (!file.valid()) ThrowCannotCreate(path, errno);
  std::string old;
  if (!ReadAll(file.get(), old)) ThrowFailedToSave(path, errno);
  if (bytes.size() > old.size()) {
    const int error = ::posix_fallocate(file.get(), 0, static_cast<off_t>(bytes.size()));
    // A file system that cannot reserve space is written without the reservation.
    if (error != 0 && error != EOPNOTSUPP && error != EINVAL) ThrowFailedToSave(path, error);
  }
  if (WriteAllAt(file.get(), bytes, 0) && ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 &&
      ::fsync(file.get()) == 0 && file.Close()) {
    return;
  }
  const int error = errno;
  if (file.valid()) {
    WriteAllAt(file.get(), old, 0);
    if (::ftruncate(file.get(), static_cast<off_t>(old.size())) == 0) ::fsync(file.get());
  }
  ThrowFailedToSave(path, error);
}

}  // namespace

std::string DisplayPath(const fs::path& path) { return Cp936FromUtf8(path.string()); }

// The system's words, in the user's language where the locale has one; code page 936 for the message.
std::string SystemReason(int error) { return Cp936FromUtf8(std::strerror(error)); }

SaveNaming SubtitleSaveNaming() { return {".", ".titrelle-save-", 0666}; }

void SaveKeepingIdentity(const fs::path& path, std::string_view bytes, const SaveNaming& naming) {
  const fs::path target = ResolveTarget(path);
  struct stat status;
  const bool exists = ::stat(target.c_str(), &status) == 0;
  if (exists) {
    if (S_ISDIR(status.st_mode)) ThrowCannotCreate(path, EISDIR);
    if (!S_ISREG(status.st_mode)) ThrowCannotCreate(path, EPERM);
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
  if (exists && status.st_nlink > 1) return WriteInPlace(path, target, bytes);
  if (ReplaceAtomically(path, target, bytes, naming, exists ? &status : nullptr) == Replaced::NeedsInPlace) {
    WriteInPlace(path, target, bytes);
  }
}

void RemoveUnfinishedSaves(const fs::path& path, const SaveNaming& naming) {
  const fs::path target = ResolveTarget(path);
  const fs::path folder = FolderOf(target);
  const std::string prefix = TemporaryPrefix(target, naming);
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return;
  while (const dirent* entry = ::readdir(directory)) {
    const std::string_view name = entry->d_name;
    // mkstemp's six characters and nothing else: a name of ours, never a file the user made.
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) {
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

bool PosixFileSystem::Exists(const fs::path& path) const {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::string PosixFileSystem::ReadWhole(const fs::path& path) const {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string bytes;
  if (!file.valid() || !ReadAll(file.get(), bytes)) {
    throw Error("Cannot open file \"" + DisplayPath(path) + "\". " + SystemReason(errno));
  }
  return bytes;
}

void PosixFileSystem::Save(const fs::path& path, std::string_view bytes) {
  SaveKeepingIdentity(path, bytes, SubtitleSaveNaming());
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

}  // namespace titrelle
