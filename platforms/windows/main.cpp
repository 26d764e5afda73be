// Titrelle's desktop program on Windows.
//   titrelle.exe [--] [VIDEO]                          the window; VIDEO ("Open with") is opened at start
//   titrelle.exe --export-srt IN [OUT] [--plain]       the standard SubRip copy, printed to the console
#include "platforms/windows/Win32Api.h"
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <exception>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "app/Unit1.h"
#include "document/SubRipExportCommand.h"
#include "platforms/windows/WinText.h"
#include "platforms/windows/Win32WindowSystem.h"
#include "platforms/windows/WindowsFileSystem.h"
#include "ui/ErrorReport.h"

namespace {

void ShowStartFailure(const std::string& message) {
  MessageBoxW(nullptr, titrelle::WideFromCp936(titrelle::ErrorReportText(message)).c_str(), L"Titrelle",
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// The command line as the system keeps it, in UTF-16, without the program's own name.
std::vector<std::wstring> Arguments() {
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return arguments;
}

// What the command prints, in UTF-8 (its words and the file names); a line that is no UTF-8 is taken as code
// page 936. A console shows the text in UTF-16; a file or a pipe gets UTF-8.
void Print(HANDLE to, const std::string& text) {
  if (text.empty() || to == nullptr || to == INVALID_HANDLE_VALUE) return;
  std::wstring wide;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(start, end - start);
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, line.data(),
                                           static_cast<int>(line.size()), nullptr, 0);
    if (length > 0) {
      std::wstring part(static_cast<std::size_t>(length), L'\0');
      MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), part.data(), length);
      wide += part;
    } else {
      wide += titrelle::WideFromCp936(line);
    }
    start = end;
  }
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(to, &mode)) {
    WriteConsoleW(to, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const std::string utf8 = titrelle::Utf8FromWide(wide);
  WriteFile(to, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

HANDLE Output(DWORD which) {
  HANDLE handle = GetStdHandle(which);
  if (handle && handle != INVALID_HANDLE_VALUE) return handle;
  return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

int ExportSrt(const std::vector<std::wstring>& arguments) {
  // A windowed program has no console of its own: it prints to the one it was started from, if any.
  AttachConsole(ATTACH_PARENT_PROCESS);
  // The names as the system gave them, in UTF-16: a name with characters code page 936 lacks is a file too.
  const std::vector<std::filesystem::path> names(arguments.begin(), arguments.end());
  titrelle::WindowsFileSystem files;
  std::ostringstream out;
  std::ostringstream errors;
  const int status = titrelle::RunExportSrtCommand(files, names, out, errors);
  Print(Output(STD_OUTPUT_HANDLE), out.str());
  Print(Output(STD_ERROR_HANDLE), errors.str());
  return status;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<std::wstring> arguments = Arguments();
  if (!arguments.empty() && arguments.front() == L"--export-srt")
    return ExportSrt(std::vector<std::wstring>(arguments.begin() + 1, arguments.end()));
  // `titrelle.exe [--] [VIDEO]`: an empty name names no video.
  if (!arguments.empty() && arguments.front() == L"--") arguments.erase(arguments.begin());
  const std::wstring videoName = arguments.empty() ? std::wstring() : arguments.front();

  // The player is an ActiveX control: the GUI thread is a single-threaded apartment.
  if (FAILED(OleInitialize(nullptr))) {
    ShowStartFailure("OleInitialize failed");
    return 1;
  }
  INITCOMMONCONTROLSEX commonControls{sizeof commonControls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&commonControls);
  // The user view is a rich edit control of this library.
  if (!LoadLibraryW(L"Msftedit.dll")) {
    ShowStartFailure("Cannot load Msftedit.dll. " + titrelle::SystemMessage(GetLastError()));
    OleUninitialize();
    return 1;
  }
  int status = 0;
  {
    titrelle::Win32WindowSystem windowSystem;
    std::unique_ptr<titrelle::Application> program;
    try {
      program = std::make_unique<titrelle::Application>(windowSystem);
      program->Start();
    } catch (const std::exception& error) {
      // Nothing can be done without the window (a player that cannot start, say): tell the user why.
      ShowStartFailure(error.what());
      program.reset();
      OleUninitialize();
      return 1;
    }
    // `titrelle.exe VIDEO` (Explorer's "Open with"): opened once the window is up, as the open dialog would.
    if (!videoName.empty()) {
      std::error_code error;
      std::filesystem::path video = std::filesystem::absolute(std::filesystem::path(videoName), error);
      if (error) video = videoName;  // the open reports what it cannot find
      titrelle::DispatchEvent(windowSystem, [&] { program->Form1().OpenVideoGivenAtStart(video); });
    }
    status = windowSystem.Run();
  }
  OleUninitialize();
  return status;
}
