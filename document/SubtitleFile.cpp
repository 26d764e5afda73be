#include "document/SubtitleFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "ui/Error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace titrelle {

namespace {

[[noreturn]] void ThrowCannotCreate(const std::string& path, const std::string& reason) {
  throw Error("Cannot create file \"" + path + "\". " + reason);
}

[[noreturn]] void ThrowFailedToSave() { throw Error("Failed to Save Stream"); }

#ifdef _WIN32

std::string SystemReason(DWORD code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string reason(buffer ? buffer : "", length);
  LocalFree(buffer);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason;
}

#else

std::string SystemReason(int error) { return std::strerror(error); }

// Writes everything or reports the failure; a write cut short by a signal goes on.
bool WriteAll(int descriptor, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(descriptor, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// The file to replace: a symbolic link is followed, so that saving keeps the link and updates what it points
// to.
std::string ResolveTarget(const std::string& path) {
  struct stat linkStatus;
  if (::lstat(path.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode)) {
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
      std::string target(resolved);
      std::free(resolved);
      return target;
    }
  }
  return path;
}

// A temporary file beside the target removes itself unless it was moved into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    path_ = folder + "." + name + ".XXXXXX";
    descriptor_ = ::mkstemp(path_.data());
    error_ = descriptor_ < 0 ? errno : 0;
  }
  ~TemporaryFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
    if (descriptor_ >= 0 || closed_) {
      if (!kept_) ::unlink(path_.c_str());
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Created() const { return descriptor_ >= 0; }
  int ErrorCode() const { return error_; }
  int Descriptor() const { return descriptor_; }
  const std::string& Path() const { return path_; }
  bool Close() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    closed_ = true;
    return ::close(descriptor) == 0;
  }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  int descriptor_ = -1;
  int error_ = 0;
  bool closed_ = false;
  bool kept_ = false;
};

#endif

}  // namespace

#ifdef _WIN32

void WriteSubtitleFile(const std::string& path, std::string_view text) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) ThrowCannotCreate(path, SystemReason(ERROR_ACCESS_DENIED));
    if (attributes & FILE_ATTRIBUTE_READONLY) ThrowCannotCreate(path, SystemReason(ERROR_ACCESS_DENIED));
  }
  // A fresh, uniquely named file in the target's folder, so that the move below stays on one volume.
  const std::size_t slash = path.find_last_of("\\/:");
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  char temporaryName[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "ttl", 0, temporaryName) == 0) {
    ThrowCannotCreate(path, SystemReason(GetLastError()));
  }
  const std::string temporary = temporaryName;
  HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary.c_str());
    ThrowCannotCreate(path, SystemReason(error));
  }
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (!ok) {
    DeleteFileA(temporary.c_str());
    ThrowFailedToSave();
  }
  if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    DeleteFileA(temporary.c_str());
    ThrowCannotCreate(path, SystemReason(error));
  }
}

#else

void WriteSubtitleFile(const std::string& path, std::string_view text) {
  const std::string target = ResolveTarget(path);

  // What stands at the target decides whether it may be replaced, and the mode the new file gets. Permission
  // bits are checked here rather than left to the system: the super-user may write anything, yet a file its
  // owner marked read-only must stay as it is.
  mode_t mode = 0666 & ~CurrentUmask();
  struct stat status;
  const bool exists = ::stat(target.c_str(), &status) == 0;
  if (exists) {
    if (S_ISDIR(status.st_mode)) ThrowCannotCreate(path, SystemReason(EISDIR));
    if (!S_ISREG(status.st_mode)) ThrowCannotCreate(path, SystemReason(EPERM));
    const bool readOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                          (status.st_uid == ::geteuid() && (status.st_mode & S_IWUSR) == 0) ||
                          ::access(target.c_str(), W_OK) != 0;
    if (readOnly) ThrowCannotCreate(path, SystemReason(EACCES));
    mode = status.st_mode & 07777;
  } else if (errno != ENOENT) {
    ThrowCannotCreate(path, SystemReason(errno));
  }

  TemporaryFile temporary(target);
  if (!temporary.Created()) ThrowCannotCreate(path, SystemReason(temporary.ErrorCode()));
  if (exists) {
    // Keep the owner where allowed; a file of the user's stays the user's after the super-user saved it.
    if (::fchown(temporary.Descriptor(), status.st_uid, status.st_gid) != 0) {
      // Not the owner: the new file is ours, as any newly created file would be.
    }
  }
  if (::fchmod(temporary.Descriptor(), mode) != 0) ThrowFailedToSave();
  if (!WriteAll(temporary.Descriptor(), text)) ThrowFailedToSave();
  if (::fsync(temporary.Descriptor()) != 0) ThrowFailedToSave();
  if (!temporary.Close()) ThrowFailedToSave();

  if (::rename(temporary.Path().c_str(), target.c_str()) != 0) ThrowCannotCreate(path, SystemReason(errno));
  temporary.Keep();

  // The rename itself reaches the disk with the folder.
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  const int folderDescriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (folderDescriptor >= 0) {
    ::fsync(folderDescriptor);
    ::close(folderDescriptor);
  }
}

#endif

std::string NormalizeLineBreaks(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 16);
  const char* next = bytes.data();
  const char* const end = bytes.data() + bytes.size();
  while (next != end) {
    // Copy up to the next CR or LF in one piece, then write one CR LF for the break found there.
    const char* stop = next;
    while (stop != end && *stop != '\r' && *stop != '\n') ++stop;
    text.append(next, stop);
    if (stop == end) break;
    text += "\r\n";
    next = stop + 1;
    if (*stop == '\r' && next != end && *next == '\n') ++next;
  }
  return text;
}

std::string ReadSubtitleFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw Error("Cannot open file \"" + path + "\". " + std::strerror(errno));
  // One read of the size the file has now; a file that grows meanwhile is read on to its end.
  std::string bytes;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long size = std::ftell(file);
    if (size > 0) bytes.resize(static_cast<std::size_t>(size));
    std::rewind(file);
  }
  std::size_t filled = std::fread(bytes.data(), 1, bytes.size(), file);
  bytes.resize(filled);
  char buffer[1 << 14];
  while ((filled = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, filled);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw Error("Cannot open file \"" + path + "\". " + std::strerror(error));
  return NormalizeLineBreaks(bytes);
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
#endif
}

}  // namespace titrelle
