// Titrelle's desktop program on Windows.
#include "platforms/windows/Win32Api.h"
#include <commctrl.h>
#include <ole2.h>

#include <exception>
#include <memory>

#include "app/Unit1.h"
#include "platforms/windows/WinText.h"
#include "platforms/windows/Win32WindowSystem.h"
#include "ui/ErrorReport.h"

namespace {

void ShowStartFailure(const std::string& message) {
  MessageBoxW(nullptr, titrelle::WideFromCp936(titrelle::ErrorReportText(message)).c_str(), L"Titrelle",
              MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
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
    status = windowSystem.Run();
  }
  OleUninitialize();
  return status;
}
