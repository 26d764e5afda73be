// Titrelle's desktop program on Linux.
#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <exception>
#include <memory>

#include "app/Unit1.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtWindowSystem.h"
#include "ui/ErrorReport.h"

int main(int argc, char** argv) {
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
  } catch (const std::exception& error) {
    // Nothing can be done without the window (a player that cannot start, say): tell the user why.
    QMessageBox::critical(nullptr, QStringLiteral("Titrelle"),
                          titrelle::QStringFromCp936(titrelle::ErrorReportText(error.what())));
    return 1;
  }
  return QApplication::exec();
}
