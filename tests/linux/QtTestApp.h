#pragma once
// The one QApplication of the desktop program's test binary, made on first use (the tests share one
// binary and GoogleTest's main). Also the C numeric locale that libmpv requires, set after the application
// since QApplication sets the locale from the environment.

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <clocale>
#include <functional>

#include "platforms/linux/QtWindowSystem.h"

namespace titrelle {

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "titrelle_linux_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's teardown after main() has returned is not worth the risk in a test binary.
  static QApplication* application = [] {
    PrepareQtApplication();  // the event loop the program runs on
    auto* made = new QApplication(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return made;
  }();
  return *application;
}

// Runs the GUI event loop until `done` holds or `timeoutMs` have passed; whether `done` held. `done` is
// tested between batches of events, about every millisecond.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
  TestApplication();
  QElapsedTimer elapsed;
  elapsed.start();
  for (;;) {
    if (done()) return true;
    if (elapsed.elapsed() >= timeoutMs) return done();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QThread::usleep(200);
  }
}

// Runs the GUI event loop for `ms` milliseconds.
inline void ProcessEventsFor(int ms) {
  ProcessEventsUntil([] { return false; }, ms);
}

}  // namespace titrelle
