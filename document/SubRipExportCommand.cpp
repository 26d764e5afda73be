#include "document/SubRipExportCommand.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <system_error>

#include "document/SubRipExport.h"

#ifdef _WIN32
#include <random>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace titrelle {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage = "usage: titrelle --export-srt IN.srt [OUT.srt] [--plain]";

struct ExportArguments {
  fs::path input;
  fs::path output;
  bool plain = false;
};

// "--plain" anywhere; "--" ends the options, for a file whose name starts with "-".
bool ParseArguments(const std::vector<std::string>& arguments, ExportArguments& parsed,
                    std::string& problem) {
  std::vector<std::string> paths;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && argument == "--plain") {
      parsed.plain = true;
    } else if (!optionsEnded && argument.size() > 1 && argument.front() == '-') {
      problem = "unknown option " + argument;
      return false;
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.empty() || paths.size() > 2) {
    problem = paths.empty() ? "no subtitle file given" : "too many file names";
    return false;
  }
  if (paths[0].empty() || (paths.size() == 2 && paths[1].empty())) {
    problem = "an empty file name";
    return false;
  }
  parsed.input = paths[0];
  parsed.output = paths.size() == 2 ? fs::path(paths[1]) : StandardSubRipPath(parsed.input);
  return true;
}

// The file's bytes; throws std::system_error for a file that is missing, a folder, or unreadable.
std::string ReadFileBytes(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) throw std::system_error(error);
  if (fs::is_directory(status)) throw std::system_error(std::make_error_code(std::errc::is_a_directory));
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::system_error(errno ? errno : EIO, std::generic_category());
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) throw std::system_error(EIO, std::generic_category());
  return bytes;
}

#ifdef _WIN32

// A uniquely named file beside the target, moved over it when complete.
void WriteFileAtomically(const fs::path& target, std::string_view bytes) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::random_device random;
  const fs::path temporary =
      folder / (L"." + target.filename().wstring() + L"." + std::to_wstring(random()) + L".tmp");
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      throw std::system_error(std::make_error_code(std::errc::io_error));
    }
  }
  std::error_code error;
  fs::rename(temporary, target, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw std::system_error(error);
  }
}

#else

// A temporary file beside the target, flushed to the disk and renamed over it: a reader never sees half a
// copy, and a failure leaves nothing behind (an older copy stays as it was).
void WriteFileAtomically(const fs::path& target, std::string_view bytes) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string name = ".";  // hidden, and named after the copy
  name += target.filename().string();
  name += ".XXXXXX";
  std::string temporary = (folder / name).string();
  const int descriptor = ::mkstemp(temporary.data());
  if (descriptor < 0) throw std::system_error(errno, std::generic_category());
  const auto fail = [&](int error) {
    ::close(descriptor);
    ::unlink(temporary.c_str());
    throw std::system_error(error, std::generic_category());
  };
  // The mode a newly created file would get (mkstemp makes it private).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(descriptor, 0666 & ~mask) != 0) fail(errno);
  while (!bytes.empty()) {
    const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) fail(written < 0 ? errno : EIO);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  if (::fsync(descriptor) != 0) fail(errno);
  if (::close(descriptor) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    throw std::system_error(error, std::generic_category());
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    throw std::system_error(error, std::generic_category());
  }
  const int folderDescriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (folderDescriptor >= 0) {
    ::fsync(folderDescriptor);
    ::close(folderDescriptor);
  }
}

#endif

// The reason alone, as the system words it: "No such file or directory".
std::string Reason(const std::system_error& error) { return error.code().message(); }

}  // namespace

int RunExportSrtCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& errors) {
  ExportArguments parsed;
  std::string problem;
  if (!ParseArguments(arguments, parsed, problem)) {
    errors << "titrelle: " << problem << "\n" << kUsage << "\n";
    return 2;
  }
  const std::string input = parsed.input.string();
  const std::string output = parsed.output.string();

  std::string bytes;
  try {
    bytes = ReadFileBytes(parsed.input);
  } catch (const std::system_error& error) {
    errors << "titrelle: cannot read " << input << ": " << Reason(error) << "\n";
    return 1;
  }

  SubRipExport standard;
  try {
    standard = ExportStandardSubRip(bytes, parsed.plain);
  } catch (const SubRipExportError& error) {
    errors << "titrelle: " << input;
    if (error.Line() > 0) errors << ", line " << error.Line();
    errors << ": " << error.what() << "\n";
    return 1;
  }

  // The same file under another name (a link, "./movie.srt") counts as the same file.
  std::error_code sameError;
  if (fs::equivalent(parsed.input, parsed.output, sameError) && !sameError) {
    errors << "titrelle: " << output << " is the subtitle file itself; the copy needs another name\n";
    return 1;
  }

  try {
    WriteFileAtomically(parsed.output, standard.utf8);
  } catch (const std::system_error& error) {
    errors << "titrelle: cannot write " << output << ": " << Reason(error) << "\n";
    return 1;
  }
  out << "titrelle: wrote " << standard.subtitleCount
      << (standard.subtitleCount == 1 ? " subtitle" : " subtitles") << " to " << output
      << " (standard SubRip, UTF-8" << (parsed.plain ? ", without markup" : "") << ")\n";
  return 0;
}

}  // namespace titrelle
