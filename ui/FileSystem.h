#pragma once
// The program's one edge to the files on disk. Paths are the operating system's own names
// (std::filesystem::path: UTF-8 bytes on Linux, UTF-16 on Windows) from the open dialog to every call here;
// they become code page 936 text only where a message shows them (DisplayName).
//
// Every failure is an Error whose text names the file and the system's reason.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace titrelle {

// The largest file the program reads: a subtitle file of this size is far beyond any film, and a larger one
// (or a device that never ends) would only fill the memory.
inline constexpr std::uintmax_t kLargestReadBytes = std::uintmax_t{256} << 20;

// The reasons the edge gives in its messages where the system has no words of its own (code page 936).
// 它不是普通文件，而是KIND。: not a regular file but a KIND (a FIFO, a device, a socket, a folder).
inline std::string NotRegularFileReason(std::string_view kind) {
  return "\xCB\xFC\xB2\xBB\xCA\xC7\xC6\xD5\xCD\xA8\xCE\xC4\xBC\xFE\xA3\xAC\xB6\xF8\xCA\xC7" +
         std::string(kind) + "\xA1\xA3";
}
// 命名管道（FIFO）, 字符设备, 块设备, 套接字, 文件夹, 特殊文件
inline constexpr std::string_view kFifoKind =
    "\xC3\xFC\xC3\xFB\xB9\xDC\xB5\xC0\xA3\xA8\x46\x49\x46\x4F\xA3\xA9";
inline constexpr std::string_view kCharacterDeviceKind = "\xD7\xD6\xB7\xFB\xC9\xE8\xB1\xB8";
inline constexpr std::string_view kBlockDeviceKind = "\xBF\xE9\xC9\xE8\xB1\xB8";
inline constexpr std::string_view kSocketKind = "\xCC\xD7\xBD\xD3\xD7\xD6";
inline constexpr std::string_view kFolderKind = "\xCE\xC4\xBC\xFE\xBC\xD0";
inline constexpr std::string_view kSpecialFileKind = "\xCC\xD8\xCA\xE2\xCE\xC4\xBC\xFE";
// 它有 N MB，超过了本程序能打开的 256 MB。: it has N MB, more than the 256 MB the program opens.
inline std::string TooLargeFileReason(std::uintmax_t sizeBytes) {
  const std::uintmax_t megabytes = (sizeBytes + (std::uintmax_t{1} << 20) - 1) >> 20;
  return "\xCB\xFC\xD3\xD0 " + std::to_string(megabytes) +
         " MB\xA3\xAC\xB3\xAC\xB9\xFD\xC1\xCB\xB1\xBE\xB3\xCC\xD0\xF2\xC4\xDC\xB4\xF2\xBF\xAA\xB5\xC4 256 "
         "MB\xA1\xA3";
}

// What a file was at one moment, enough to tell that another writer has changed, replaced or removed it
// since: its size, its modification time (to the nanosecond where the system keeps it) and which file it is
// (device and inode on POSIX, volume serial number and file index on Windows). A write changes it, and so
// does a file renamed over it or its removal; only a write of the same size within one tick of the file
// system's clock, into the same file, goes unseen.
struct FileStamp {
  bool exists = false;
  std::uint64_t sizeBytes = 0;
  std::int64_t modified = 0;  // in the system's own units: nanoseconds on POSIX, 100 ns on Windows
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// Held while a document has its subtitle file open, so that a second running copy of the program that opens
// the same file learns of it. Letting go (destroying it) removes what it left beside the file; a copy that
// is killed lets go with its process.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// A file read a piece at a time (FileSystem::StartReading), so that a large one is read between events.
class FileReading {
 public:
  virtual ~FileReading() = default;
  // The file's size when it was opened: what a reader reserves, and how far it has come.
  virtual std::uint64_t SizeBytes() const = 0;
  // Appends up to `mostBytes` more of the file to `bytes`; false once the whole file is there. Errors as
  // ReadWhole's.
  virtual bool ReadMore(std::string& bytes, std::size_t mostBytes) = 0;
  // The stamp of the file that was read, once ReadMore has said it is all there.
  virtual FileStamp Stamp() const = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Something other than a folder stands at `path`.
  virtual bool Exists(const std::filesystem::path& path) const = 0;
  // The file's bytes as they are. Error "Cannot open file "%s". %s" when it cannot be read completely, when
  // it is no regular file (opened without waiting, so a FIFO never blocks), when it is larger than
  // kLargestReadBytes, or when it is a symbolic link another user planted in a folder everyone may write to.
  // `stamp`, when given, receives the stamp of the file that was read.
  virtual std::string ReadWhole(const std::filesystem::path& path, FileStamp* stamp = nullptr) const = 0;
  // The same read a piece at a time: the file is opened and looked at now (the errors of ReadWhole's open),
  // and read by the object returned. Where the system has no such read, the file is read whole here.
  virtual std::unique_ptr<FileReading> StartReading(const std::filesystem::path& path) const;
  // The file's stamp as it stands; one that does not exist (or cannot be looked at) has exists false.
  virtual FileStamp Stamp(const std::filesystem::path& path) const = 0;
  // Replaces the file's content with `bytes`, never leaving it truncated or half written, and keeping what
  // makes it that file: a symbolic link stays a link, a hard link stays shared, owner, group and mode stay.
  // A file written in place (a hard link, a folder that takes no new files) has the new bytes kept beside it
  // first, so that a save killed in the middle is completed at the next open (CompleteInterruptedSave).
  // A file its owner made read-only, one that is no regular file, and a planted link are refused. Errors:
  // "Cannot create file "%s". %s" when the file cannot be made or replaced, "Failed to Save Stream "%s". %s"
  // when writing fails; the old bytes stay whole. Gives the stamp of the file as this save left it.
  virtual FileStamp Save(const std::filesystem::path& path, std::string_view bytes) = 0;
  // Renames `from` to `to`, replacing a file there. Error "Cannot rename file "%s" to "%s". %s".
  virtual void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
  // Removes a file; a missing one is no failure. Error "Cannot delete file "%s". %s".
  virtual void Remove(const std::filesystem::path& path) = 0;
  // Removes what saves of `path` that never finished (the program killed in the middle) left beside it.
  virtual void RemoveUnfinishedSaves(const std::filesystem::path& path) = 0;
  // Completes a save of `path` that was killed while it wrote the file in place: the bytes it was writing,
  // kept beside the file, are written into it. True when there was such a save. Run before anything reads
  // the file. Errors as for Save.
  virtual bool CompleteInterruptedSave(const std::filesystem::path& path) = 0;

  // Takes the lock of the subtitle file `path` for as long as the returned object lives: a hidden lock file
  // beside it (".NAME.titrelle-lock"), so that the saves, which rename a new file over the subtitle file,
  // never lose it. nullptr when another running copy holds it. Where no lock can be had (a folder that takes
  // no new files, a file system without locks) the object holds nothing, and the document opens as before.
  virtual std::unique_ptr<FileLock> LockForEditing(const std::filesystem::path& path) = 0;

  // The path as a message shows it, in code page 936; a character it cannot hold shows as "?".
  virtual std::string DisplayName(const std::filesystem::path& path) const = 0;
};

namespace detail {

// A file read whole at once, handed out a piece at a time.
class WholeFileReading : public FileReading {
 public:
  WholeFileReading(const FileSystem& files, const std::filesystem::path& path)
      : whole_(files.ReadWhole(path, &stamp_)) {}
  std::uint64_t SizeBytes() const override { return whole_.size(); }
  bool ReadMore(std::string& bytes, std::size_t mostBytes) override {
    const std::string_view piece = std::string_view(whole_).substr(given_, mostBytes);
    bytes.append(piece);
    given_ += piece.size();
    if (given_ < whole_.size()) return true;
    std::string().swap(whole_);
    given_ = 0;
    return false;
  }
  FileStamp Stamp() const override { return stamp_; }

 private:
  FileStamp stamp_;
  std::string whole_;
  std::size_t given_ = 0;
};

}  // namespace detail

inline std::unique_ptr<FileReading> FileSystem::StartReading(const std::filesystem::path& path) const {
  return std::make_unique<detail::WholeFileReading>(*this, path);
}

}  // namespace titrelle
