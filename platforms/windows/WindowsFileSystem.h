#pragma once
// Files on Windows: paths are UTF-16 from the open dialog to every call, and a save keeps the file what it
// was, as on Linux. A file with one name in a folder that takes new files is replaced atomically: written to
// a hidden temporary file beside it (".clip.srt.titrelle-save-XXXXXX"), flushed, and put in its place with
// ReplaceFileW (which keeps the old file's attributes, security and creation time) or, for a new file,
// MoveFileExW with MOVEFILE_WRITE_THROUGH. A hard link, or a folder that takes no new files, is written in
// place: the new bytes first go to a hidden recovery file beside it (".clip.srt.titrelle-recover", written
// through), then into the file, its space reserved first; the old bytes are put back if writing fails, and
// a save killed in the middle is completed from the recovery file at the next open. A name too long for
// these names gets a short one of the program's own (".titrelle-HASH.save-XXXXXX", ".titrelle-HASH.recover").
// A read-only file, a folder and anything but a disk file (a pipe, a device) are refused; reads stop at
// kLargestReadBytes. The temporary file is removed on every path but success. The lock of a subtitle file is
// a hidden ".clip.srt.titrelle-lock" held open without sharing and deleted when its handle closes.

#include "ui/FileSystem.h"

namespace titrelle {

class WindowsFileSystem : public FileSystem {
 public:
  bool Exists(const std::filesystem::path& path) const override;
  std::string ReadWhole(const std::filesystem::path& path, FileStamp* stamp = nullptr) const override;
  FileStamp Stamp(const std::filesystem::path& path) const override;
  FileStamp Save(const std::filesystem::path& path, std::string_view bytes) override;
  void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) override;
  void Remove(const std::filesystem::path& path) override;
  void RemoveUnfinishedSaves(const std::filesystem::path& path) override;
  bool CompleteInterruptedSave(const std::filesystem::path& path) override;
  std::unique_ptr<FileLock> LockForEditing(const std::filesystem::path& path) override;
  std::string DisplayName(const std::filesystem::path& path) const override;

 private:
  void SaveReplacing(const std::filesystem::path& path, std::string_view bytes);
};

}  // namespace titrelle
