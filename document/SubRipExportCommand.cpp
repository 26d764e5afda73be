#include "document/SubRipExportCommand.h"

#include <exception>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "base/Cp936.h"
#include "base/Utf8Path.h"
#include "document/SubRipExport.h"
#include "ui/FileSystem.h"

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
bool ParseArguments(const std::vector<fs::path>& arguments, ExportArguments& parsed, std::string& problem) {
  std::vector<fs::path> paths;
  bool optionsEnded = false;
  for (const fs::path& argument : arguments) {
    const std::string text = Utf8FromPath(argument);
    if (!optionsEnded && text == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && text == "--plain") {
      parsed.plain = true;
    } else if (!optionsEnded && text.size() > 1 && text.front() == '-') {
      problem = "unknown option " + text;
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
  parsed.output = paths.size() == 2 ? paths[1] : StandardSubRipPath(parsed.input);
  return true;
}

}  // namespace

int RunExportSrtCommand(FileSystem& files, const std::vector<std::string>& arguments, std::ostream& out,
                        std::ostream& errors) {
  return RunExportSrtCommand(files, std::vector<fs::path>(arguments.begin(), arguments.end()), out, errors);
}

int RunExportSrtCommand(FileSystem& files, const std::vector<fs::path>& arguments, std::ostream& out,
                        std::ostream& errors) {
  ExportArguments parsed;
  std::string problem;
  if (!ParseArguments(arguments, parsed, problem)) {
    errors << "titrelle: " << problem << "\n" << kUsage << "\n";
    return 2;
  }
  // The names as the terminal reads them, whatever the system's own names are made of.
  const std::string input = Utf8FromPath(parsed.input);
  const std::string output = Utf8FromPath(parsed.output);

  // The edge's messages name the file and the system's reason, in code page 936; the terminal reads UTF-8.
  std::string bytes;
  try {
    bytes = files.ReadWhole(parsed.input);
  } catch (const std::exception& error) {
    errors << "titrelle: " << Utf8FromCp936(error.what()) << "\n";
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
    // What an export killed before its end left beside this name goes, as an open does for a subtitle file.
    files.RemoveUnfinishedSaves(parsed.output);
    files.Save(parsed.output, standard.utf8);
  } catch (const std::exception& error) {
    errors << "titrelle: " << Utf8FromCp936(error.what()) << "\n";
    return 1;
  }
  out << "titrelle: wrote " << standard.subtitleCount
      << (standard.subtitleCount == 1 ? " subtitle" : " subtitles") << " to " << output
      << " (standard SubRip, UTF-8" << (parsed.plain ? ", without markup" : "") << ")\n";
  return 0;
}

}  // namespace titrelle
