#pragma once
// A file descriptor closed on every path out.

#include <unistd.h>

#include <utility>

namespace titrelle {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now, telling whether the close (the last chance for a delayed write error) succeeded.
  bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }
  // Hands the descriptor over to the caller, who closes it.
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

}  // namespace titrelle
