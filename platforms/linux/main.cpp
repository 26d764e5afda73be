// Titrelle's desktop program on Linux.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <clocale>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
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

  titrelle::PrepareQtApplication();
  QApplication application(argc, argv);
  QApplication::setApplicationName("titrelle");
  QApplication::setDesktopFileName("titrelle");
  // libmpv reads numbers in the C locale; the QApplication has just set the locale from the environment.
  std::setlocale(LC_NUMERIC, "C");

  titrelle::QtWindowSystem windowSystem;
  std::unique_ptr<titrelle::Application> program;
  try {
    program = std::make_unique<titrelle::Application>(windowSystem);
    program->Start();
    // `titrelle VIDEO` (the desktop's "Open with"): opened once the window is up, as the open dialog would.
    if (argc >= 2) {
      const std::filesystem::path video = std::filesystem::absolute(argv[1]);
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
