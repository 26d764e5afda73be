// The program's standard SubRip copy, run as a user runs it, read back by a SubRip reader of another program:
// ffprobe reads the copy of a 10,000-subtitle document and must find every subtitle at its time.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchDocuments.h"

#ifdef TITRELLE_PROGRAM
#include "tests/support/TemporaryFolder.h"

namespace titrelle {
namespace {

namespace fs = std::filesystem;

// The command's exit status and what it printed (standard output and errors together).
int RunShell(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[1 << 14];
  std::size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, read);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ExportSrtProgramTest, TenThousandSubtitlesReadBackByFfprobeWithoutADisplay) {
  const TemporaryFolder temporary("export");
  const fs::path& folder = temporary.Path();
  // 影片.srt: the name goes to the program in the file system's own bytes.
  const fs::path input = folder / "\xE5\xBD\xB1\xE7\x89\x87.srt";
  const fs::path output = folder / "\xE5\xBD\xB1\xE7\x89\x87.standard.srt";
  constexpr int kCount = 10000;
  std::ofstream(input, std::ios::binary) << bench::BenchFileViewText(kCount);

  // No display at all: a window or a QApplication would fail to start.
  std::string printed;
  const int status =
      RunShell("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" TITRELLE_PROGRAM "' --export-srt '" +
                   input.string() + "'",
               printed);
  ASSERT_EQ(status, 0) << printed;
  EXPECT_NE(printed.find("wrote 10000 subtitles to " + output.string()), std::string::npos) << printed;

  // ffprobe gives each subtitle packet's start and duration in milliseconds (a SubRip stream's time base).
  ASSERT_EQ(
      RunShell("ffprobe -v error -show_entries packet=pts,duration -of csv=p=0 '" + output.string() + "'",
               printed),
      0)
      << printed;
  std::istringstream packets(printed);
  std::string packet;
  std::vector<std::string> wrong;
  int count = 0;
  while (std::getline(packets, packet)) {
    const long long start = 1 + count * 2500LL;  // BenchFileViewText's times
    ++count;
    if (packet != std::to_string(start) + ",2000" && wrong.size() < 5) {
      wrong.push_back(std::to_string(count) + ": " + packet);
    }
  }
  EXPECT_EQ(count, kCount);
  EXPECT_TRUE(wrong.empty()) << wrong.front();
}

}  // namespace
}  // namespace titrelle
#endif
