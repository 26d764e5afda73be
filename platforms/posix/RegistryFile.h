#pragma once
// The Linux stand-in for HKEY_CURRENT_USER\Software: one text file under the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config), titrelle/registry.
//
// The file is meant to be read by people: one value a line, `"name"=type:"data"`, the data in UTF-8 wherever
// a code page 936 text converts both ways, otherwise with \xHH escapes of its bytes, so that no text is ever
// changed on its way through. Every value keeps its type; only sz and expand_sz are text to the program.
//
// Saving reads the file, changes one value and writes the whole file as the program saves a subtitle file
// (atomic where that keeps the file what it is, refused when its owner made it read-only; a new file is
// readable by its user alone), all under an exclusive lock on a lock file beside it: two copies
// of the program saving at once neither lose each other's values nor tear the file, and a reader always sees
// a whole file. A file that cannot be parsed reads as holding no values; before the first save replaces it,
// its bytes are kept beside it as registry.damaged-<time>, for the user.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/SettingsRegistry.h"

namespace titrelle {

class RegistryFile : public SettingsRegistry {
 public:
  // One value of the file. `type` is the registry type's name: "sz", "expand_sz", "dword", "binary", ...
  struct Entry {
    std::string name;
    std::string type;
    std::string data;  // the value's bytes; for a text, without its terminating zero
  };

  explicit RegistryFile(std::string path) : path_(std::move(path)) {}

  // $XDG_CONFIG_HOME/titrelle/registry when XDG_CONFIG_HOME is an absolute path, else
  // $HOME/.config/titrelle/registry (the password database's home when HOME is unset).
  static std::string DefaultPath();

  // Only "\software\" (any case, any backslashes around it) exists; it is never created, so it opens even
  // before the file does. Other keys do not exist: nullptr.
  std::unique_ptr<SettingsKey> OpenKey(const std::string& path) override;

  const std::string& Path() const { return path_; }
  std::string Location() const override;
  std::string LastFailure() const override { return lastFailure_; }

  // The file's text to its values; empty when the text is damaged (an empty text holds no values).
  static std::optional<std::vector<Entry>> Parse(std::string_view fileText);
  static std::string Format(const std::vector<Entry>& entries);

  // One value, read from the file as it is now; Missing when the file is missing or damaged.
  SettingsKey::Value ReadValue(const std::string& name) const;
  // Sets one text value (sz) under the lock; false when the file cannot be written.
  bool WriteTextValue(const std::string& name, const std::string& text) const;

 private:
  std::string path_;
  mutable std::string lastFailure_;
};

}  // namespace titrelle
