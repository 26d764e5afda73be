// Titrelle's desktop program on Linux.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <clocale>
#include <exception>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/Unit1.h"
#include "document/SubRipExportCommand.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtWindowSystem.h"
#include "platforms/posix/PosixFileSystem.h"
#include "ui/ErrorReport.h"

int main(int argc, char** argv) {
  // The standard SubRip copy runs in a terminal or a script, with no display: it is done before Qt starts.
  if (argc >= 2 && argv[1] == titrelle::kExportSrtOption) {
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    titrelle::PosixFileSystem files;
    return titrelle::RunExportSrtCommand(files, arguments, std::cout, std::cerr);
  }

  // `titrelle [--] [VIDEO]`: every argument is the program's own. Qt would take a video named "-reverse" or
  // "-style" for one of its options (and drop it from the list), so it is given the program's name alone.
  std::vector<std::string> arguments(argv + 1, argv + argc);
  if (!arguments.empty() && arguments.front() == "--") arguments.erase(arguments.begin());
  // An empty name (a script's empty variable) names no video: the window opens without one.
  const std::string videoName = arguments.empty() ? std::string() : arguments.front();

  titrelle::PrepareQtApplication();
  int qtArgumentCount = 1;
  QApplication application(qtArgumentCount, argv);
  QApplication::setApplicationName("titrelle");
  QApplication::setDesktopFileName("titrelle");
  titrelle::InstallQtTranslations(QLocale::system());
  // libmpv reads numbers in the C locale; the QApplication has just set the locale from the environment.
  std::setlocale(LC_NUMERIC, "C");

  // TITRELLE_VIDEO_OUTPUT chooses how the picture is drawn: mpv's video outputs for its window in the panel
  // (as mpv's "vo" option takes them: "x11", say, where OpenGL is slow or broken), or "program" for the
  // program's own drawing of mpv's frames. Unset: OpenGL, else plain X11, in mpv's window in the panel.
  titrelle::QtWindowSystemOptions options;
  if (const char* output = std::getenv("TITRELLE_VIDEO_OUTPUT"); output != nullptr && *output != 0) {
    if (std::string(output) == "program") {
      options.player.picture = titrelle::MpvPlayerOptions::Picture::kDrawnByProgram;
    } else {
      options.player.videoOutput = output;
    }
  }
  titrelle::QtWindowSystem windowSystem(options);
  std::unique_ptr<titrelle::Application> program;
  try {
    program = std::make_unique<titrelle::Application>(windowSystem);
    program->Start();
    // `titrelle VIDEO` (the desktop's "Open with"): opened once the window is up, as the open dialog would.
    if (!videoName.empty()) {
      std::error_code error;
      std::filesystem::path video = std::filesystem::absolute(videoName, error);
      if (error) video = videoName;  // the open reports what it cannot find
      QTimer::singleShot(0, &application, [&windowSystem, &program, video] {
        titrelle::DispatchEvent(windowSystem, [&] { program->Form1().OpenVideoGivenAtStart(video); });
      });
    }
  } catch (const std::exception& error) {
    // Nothing can be done without the window (a player that cannot start, say): tell the user why.
    QMessageBox::critical(nullptr, QStringLiteral("Titrelle"),
                          titrelle::QStringFromCp936(titrelle::ErrorReportText(error.what())));
    return 1;
  }
  return QApplication::exec();
}
