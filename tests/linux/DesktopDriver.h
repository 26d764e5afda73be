#pragma once
// Drives the desktop program from a test as a user would: real input at the X server level (xdotool), run
// in the background so that the GUI loop keeps serving it, and answers to modal windows given from inside
// their own event loops. Bounds on waiting only make a broken program fail instead of hanging.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "QtTestApp.h"
#include "TestMedia.h"
#include "app/Unit1.h"
#include "platforms/linux/QtWindow.h"
#include "platforms/linux/QtWindowSystem.h"

namespace titrelle {

constexpr int kDesktopWaitMs = 20000;

// Runs xdotool with `arguments` and waits until it ends, serving the GUI meanwhile; whether it succeeded.
// Its standard output goes to *output when given.
inline bool Xdotool(const QStringList& arguments, QString* output = nullptr) {
  TestApplication();  // a process started before the application's event loop exists is never seen to end
  QProcess process;
  process.start("xdotool", arguments);
  if (!process.waitForStarted()) return false;
  ProcessEventsUntil([&] { return process.state() == QProcess::NotRunning; }, kDesktopWaitMs);
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return false;
  }
  if (output) *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Starts xdotool and returns at once: for input that a modal window's own loop must serve.
inline void XdotoolInBackground(const QStringList& arguments) {
  auto* process = new QProcess(qApp);
  QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
  process->start("xdotool", arguments);
}

// A folder of its own for one test, removed afterwards, with a copy of the test video in it.
class TestFolder : public TemporaryFolder {
 public:
  TestFolder() : TemporaryFolder("shell") {}
  std::string Video(const std::string& name = "clip.mp4") const {
    const std::filesystem::path target = Path() / name;
    if (!std::filesystem::exists(target)) std::filesystem::copy_file(TestVideoPath(true), target);
    return target.string();
  }
};

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file << bytes;
}

// The lines of a CR LF text, the empty piece after a final break included.
inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

// The whole program on the Qt window system, as main() starts it, with its settings in `folder` and a
// player that plays its sound to nowhere (so that an audio clock exists on a machine without sound). mpv
// draws the picture into its window, with its plain X11 output (no OpenGL to emulate on the test's X server),
// unless the test reads the picture: then the program draws it.
class DesktopProgram {
 public:
  explicit DesktopProgram(const std::filesystem::path& folder,
                          MpvPlayerOptions::Picture picture = MpvPlayerOptions::Picture::kNativeWindow)
      : ws_((TestApplication(), Options(folder, picture))), application_(ws_) {
    application_.Start();
    ProcessEventsUntil([&] { return Frame()->isActiveWindow(); }, kDesktopWaitMs);
  }
  ~DesktopProgram() {
    if (Main().Visible()) Main().Close();
    ProcessEventsFor(50);
  }

  QtWindowSystem& System() { return ws_; }
  TForm1& Form() { return application_.Form1(); }
  QtWindow& Main() { return static_cast<QtWindow&>(*Form().Form); }
  QWidget* Frame() { return Main().Frame(); }
  QWidget* Widget(const std::string& name) { return Main().ControlNamed(name).Widget(); }
  bool Activate() {
    Frame()->activateWindow();
    return ProcessEventsUntil([&] { return Frame()->isActiveWindow(); }, kDesktopWaitMs);
  }

 private:
  static QtWindowSystemOptions Options(const std::filesystem::path& folder, MpvPlayerOptions::Picture picture) {
    QtWindowSystemOptions options;
    options.registryPath = (folder / "registry").string();
    options.player.audioOutput = "null";
    options.player.picture = picture;
    options.player.videoOutput = "x11";
    return options;
  }

  QtWindowSystem ws_;
  Application application_;
};

// While it lives, answers the modal windows that come up, in order: each answer is given once, from a
// timer that runs inside the modal window's own loop, when a window it matches is active.
class ModalAnswers {
 public:
  struct Answer {
    std::function<bool(QWidget*)> matches;
    std::function<void(QWidget*)> act;
  };

  ModalAnswers() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Serve(); });
    timer_.start();
  }

  void Add(std::function<bool(QWidget*)> matches, std::function<void(QWidget*)> act) {
    answers_.push_back({std::move(matches), std::move(act)});
  }
  // The open dialog: the path is put into it and accepted, without typing.
  void ChooseFile(const std::string& utf8Path) {
    Add([](QWidget* modal) { return qobject_cast<QFileDialog*>(modal) != nullptr; },
        [utf8Path](QWidget* modal) {
          // As if typed into the name box: the dialog takes a typed name as it stands.
          auto* name = modal->findChild<QLineEdit*>("fileNameEdit");
          if (name) name->setText(QString::fromStdString(utf8Path));
          auto* dialog = static_cast<QFileDialog*>(modal);
          static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept, through the public one
        });
  }
  bool AllGiven() const { return answers_.empty(); }
  // Every modal window seen, in order (window titles).
  std::vector<QString> seen;

 private:
  void Serve() {
    QWidget* modal = QApplication::activeModalWidget();
    if (answered_ && answered_ == modal && modal->isVisible()) return;  // still closing
    if (!modal || !modal->isVisible() || !modal->isActiveWindow() || answers_.empty()) return;
    if (!answers_.front().matches(modal)) return;
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    answered_ = modal;
    seen.push_back(modal->windowTitle());
    answer.act(modal);
  }

  QTimer timer_;
  std::deque<Answer> answers_;
  QPointer<QWidget> answered_;
};

}  // namespace titrelle
