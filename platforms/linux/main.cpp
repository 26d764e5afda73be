// Titrelle's desktop program on Linux.
#include <QApplication>
#include <clocale>

#include "app/Unit1.h"
#include "platforms/linux/QtWindowSystem.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("titrelle");
  QApplication::setDesktopFileName("titrelle");
  // libmpv reads numbers in the C locale; the QApplication has just set the locale from the environment.
  std::setlocale(LC_NUMERIC, "C");

  titrelle::QtWindowSystem windowSystem;
  titrelle::Application program(windowSystem);
  program.Start();
  return QApplication::exec();
}
