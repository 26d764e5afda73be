#pragma once
// A new, empty folder for one test, removed with everything in it when the test ends. Portable: no mkdtemp.

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace titrelle {

class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::string& purpose = "test") {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::filesystem::path candidate =
          std::filesystem::temp_directory_path() /
          ("titrelle-" + purpose + "-" + std::to_string(random() % 1000000000));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) {
        path_ = candidate;
        return;
      }
    }
    throw std::runtime_error("cannot create a temporary folder");
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    // A test may have taken the folder's permissions away.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace titrelle
