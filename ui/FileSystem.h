#pragma once
// The program's one edge to the files on disk. Paths are the operating system's own names
// (std::filesystem::path: UTF-8 bytes on Linux, UTF-16 on Windows) from the open dialog to every call here;
// they become code page 936 text only where a message shows them (DisplayName).
//
// Every failure is an Error whose text names the file and the system's reason.

#include <filesystem>
#include <string>
#include <string_view>

namespace titrelle {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Something other than a folder stands at `path`.
  virtual bool Exists(const std::filesystem::path& path) const = 0;
  // The file's bytes as they are. Error "Cannot open file "%s". %s" when it cannot be read completely.
  virtual std::string ReadWhole(const std::filesystem::path& path) const = 0;
  // Replaces the file's content with `bytes`, never leaving it truncated or half written, and keeping what
  // makes it that file: a symbolic link stays a link, a hard link stays shared, owner, group and mode stay.
  // A file its owner made read-only is refused. Errors: "Cannot create file "%s". %s" when the file cannot
  // be made or replaced, "Failed to Save Stream "%s". %s" when writing fails; the old bytes stay whole.
  virtual void Save(const std::filesystem::path& path, std::string_view bytes) = 0;
  // Renames `from` to `to`, replacing a file there. Error "Cannot rename file "%s" to "%s". %s".
  virtual void MoveOver(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
  // Removes a file; a missing one is no failure. Error "Cannot delete file "%s". %s".
  virtual void Remove(const std::filesystem::path& path) = 0;
  // Removes what saves of `path` that never finished (the program killed in the middle) left beside it.
  virtual void RemoveUnfinishedSaves(const std::filesystem::path& path) = 0;

  // The path as a message shows it, in code page 936; a character it cannot hold shows as "?".
  virtual std::string DisplayName(const std::filesystem::path& path) const = 0;
};

}  // namespace titrelle
