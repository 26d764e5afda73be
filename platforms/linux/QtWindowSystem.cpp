#include "platforms/linux/QtWindowSystem.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <utility>

#include "base/Error.h"
#include "platforms/linux/KeyHelpDialog.h"
#include "platforms/linux/QtFonts.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtWindow.h"
#include "platforms/linux/WaveformStrip.h"
#include "platforms/linux/WorkbenchBar.h"
#include "platforms/linux/SubtitleTable.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

// The program's clock: a precise Qt timer. Qt never starts a timer's handler again while it is still running
// (showing an error report, say), so no report opens over another.
class QtTimer : public Timer {
 public:
  QtTimer(WindowSystem& system, int intervalMs, std::function<void()> onTick) : onTick_(std::move(onTick)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this, &system] { DispatchEvent(system, onTick_); });
    timer_.start();
  }

 private:
  std::function<void()> onTick_;
  QTimer timer_;
};

QWidget* DialogParent() { return QApplication::activeWindow(); }

}  // namespace

// The position clock's alarm: a single-shot precise Qt timer for a ring at a given time; for the next frame,
// the player's next frame on the screen (QtWindowSystem::FrameShown), so that the clock's label goes out with
// the frame's own paint, and a coarse timer in case no frame comes (a sound without a picture, a player that
// stalls). Qt's timers count whole milliseconds: a ring is set for the first whole millisecond at or after its
// time. A ring that comes while the last one's handler still runs (an error report open) waits until it has
// ended.
class QtWakeUpTimer : public WakeUpTimer {
 public:
  QtWakeUpTimer(QtWindowSystem& system, std::function<void()> onWake) : system_(system), onWake_(std::move(onWake)) {
    precise_.setTimerType(Qt::PreciseTimer);
    noFrame_.setTimerType(Qt::CoarseTimer);
    for (QTimer* timer : {&precise_, &noFrame_}) {
      timer->setSingleShot(true);
      QObject::connect(timer, &QTimer::timeout, timer, [this] { Ring(); });
    }
    screenInterval_ = ScreenFrameInterval();
    system_.wakeUpTimers_.push_back(this);
  }
  ~QtWakeUpTimer() override { std::erase(system_.wakeUpTimers_, this); }
  QtWakeUpTimer(const QtWakeUpTimer&) = delete;
  QtWakeUpTimer& operator=(const QtWakeUpTimer&) = delete;

  void WakeAfter(std::chrono::microseconds delay) override {
    StopWaiting();
    precise_.start(std::chrono::ceil<std::chrono::milliseconds>(std::max(delay, std::chrono::microseconds(0))));
  }
  void WakeAtNextFrame() override {
    precise_.stop();
    waitsForFrame_ = true;
    noFrame_.start(std::chrono::ceil<std::chrono::milliseconds>(FrameInterval() * 3 / 2));
  }
  void Sleep() override {
    precise_.stop();
    StopWaiting();
  }
  // While frames come, the time between them; else the screen's.
  std::chrono::microseconds FrameInterval() const override {
    const auto now = Clock::now();
    if (!lastFrame_ || now - *lastFrame_ > kFramesStopped || spacingsKept_ == 0) return screenInterval_;
    // The middle one of the last few: a frame late or two handled at once leave it as it is.
    std::array<std::chrono::microseconds, kSpacingsKept> sorted = spacings_;
    const auto end = sorted.begin() + spacingsKept_;
    std::nth_element(sorted.begin(), sorted.begin() + spacingsKept_ / 2, end);
    return std::clamp(sorted[spacingsKept_ / 2], screenInterval_, std::chrono::microseconds(kFramesStopped) / 2);
  }

  void FrameShown() {
    const auto now = Clock::now();
    if (lastFrame_ && now - *lastFrame_ <= kFramesStopped) {
      spacings_[nextSpacing_] = std::chrono::duration_cast<std::chrono::microseconds>(now - *lastFrame_);
      nextSpacing_ = (nextSpacing_ + 1) % kSpacingsKept;
      spacingsKept_ = std::min(spacingsKept_ + 1, kSpacingsKept);
    }
    lastFrame_ = now;
    if (!waitsForFrame_) return;
    StopWaiting();
    Ring();
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kFramesStopped = std::chrono::milliseconds(200);
  static constexpr std::size_t kSpacingsKept = 5;

  void StopWaiting() {
    waitsForFrame_ = false;
    noFrame_.stop();
  }
  void Ring() {
    if (running_) {
      missed_ = true;
      return;
    }
    running_ = true;
    DispatchEvent(system_, onWake_);
    running_ = false;
    // A ring that came while an error report of the last was open is served now.
    if (std::exchange(missed_, false)) WakeAfter(std::chrono::microseconds(0));
  }

  QtWindowSystem& system_;
  std::function<void()> onWake_;
  QTimer precise_;
  QTimer noFrame_;
  bool waitsForFrame_ = false;
  std::chrono::microseconds screenInterval_{16667};
  std::optional<Clock::time_point> lastFrame_;
  std::array<std::chrono::microseconds, kSpacingsKept> spacings_{};  // between the last frames, a ring
  std::size_t nextSpacing_ = 0;
  std::size_t spacingsKept_ = 0;
  bool running_ = false;
  bool missed_ = false;
};


void PrepareQtApplication() {
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

QTranslator* InstallQtTranslations(const QLocale& locale) {
  // "qt" is the catalogue of catalogues: it loads qtbase's, where the dialogs' texts are.
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(locale, "qt", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

QtWindowSystem::QtWindowSystem(QtWindowSystemOptions options)
    : options_(std::move(options)), hotKeys_(*this), registry_(options_.registryPath) {
  InstallFontSubstitutions();
}

QtWindowSystem::~QtWindowSystem() = default;

std::unique_ptr<Window> QtWindowSystem::CreateWindow(const WindowTable& entry) {
  return std::make_unique<QtWindow>(*this, entry);
}

std::unique_ptr<MediaPlayer> QtWindowSystem::CreatePlayer(Window& window, const std::string& panelName) {
  auto* qtWindow = dynamic_cast<QtWindow*>(&window);
  if (!qtWindow) throw Error("The player needs a window of this window system");
  auto player = std::make_unique<MpvPlayer>(qtWindow->ControlNamed(panelName).Widget(), options_.player);
  // The window that plays grows a workbench, with the player's timeline under the table's controls.
  if (PlayerPanel* panel = player->Panel()) {
    // The clock's frames are the player's: its label is drawn with the frame's paint, not with a paint of its
    // own between two frames.
    QObject::connect(panel, &PlayerPanel::NewFrame, panel, [this] { FrameShown(); });
    WaveformStrip* strip = panel->ReleaseStrip();
    // A line dragged on it changes the document: through the program's dispatch, as every event.
    if (strip) {
      strip->SetDispatch([this](const std::function<void()>& handler) { DispatchEvent(*this, handler); });
    }
    qtWindow->OpenWorkbench(strip);
  }
  return player;
}

void QtWindowSystem::ShowSubtitleTable(Window& window, SubtitleTableSource* table) {
  auto* qtWindow = dynamic_cast<QtWindow*>(&window);
  QWidget* workbench = qtWindow ? qtWindow->Workbench() : nullptr;
  if (!workbench) return;
  delete workbench->findChild<SubtitleTable*>(QString(), Qt::FindDirectChildrenOnly);
  if (!table) return;
  // The workbench stacks its parts from the top; the table takes the room the others leave.
  auto* layout = qobject_cast<QVBoxLayout*>(workbench->layout());
  if (!layout) {
    layout = new QVBoxLayout(workbench);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  auto* view = new SubtitleTable(*this, *table, workbench);
  layout->addWidget(view, 1);
  view->show();
}

std::unique_ptr<Timer> QtWindowSystem::StartTimer(int intervalMs, std::function<void()> onTick) {
  return std::make_unique<QtTimer>(*this, intervalMs, std::move(onTick));
}

std::unique_ptr<WakeUpTimer> QtWindowSystem::CreateWakeUpTimer(std::function<void()> onWake) {
  return std::make_unique<QtWakeUpTimer>(*this, std::move(onWake));
}

void QtWindowSystem::FrameShown() {
  // A ring may end a timer (a window closed from the clock's handler): the list is walked by copy.
  const std::vector<QtWakeUpTimer*> timers = wakeUpTimers_;
  for (QtWakeUpTimer* timer : timers) {
    if (std::find(wakeUpTimers_.begin(), wakeUpTimers_.end(), timer) != wakeUpTimers_.end()) timer->FrameShown();
  }
}

std::optional<std::filesystem::path> QtWindowSystem::ChooseFileToOpen() {
  // Qt's own dialog on every desktop: it lists every file and takes a typed name of a file that does not
  // exist, which not every native dialog does.
  QFileDialog dialog(DialogParent());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setLabelText(QFileDialog::Accept, QFileDialog::tr("&Open"));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  // The name box as the user left it: the dialog's own reading takes quotes for a list of names, so that
  // it's "q".mp4 would become q. A name typed or picked is one name, a relative one in the dialog's folder.
  QString chosen;
  if (const auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit");
      nameBox && !nameBox->text().isEmpty()) {
    chosen = dialog.directory().absoluteFilePath(nameBox->text());
  } else {
    const QStringList files = dialog.selectedFiles();
    if (!files.isEmpty()) chosen = files.first();
  }
  if (chosen.isEmpty()) return std::nullopt;
  // The system's own name (UTF-8 bytes), as every file call takes it.
  return std::filesystem::path(QFile::encodeName(QDir::cleanPath(chosen)).toStdString());
}

int QtWindowSystem::ShowMessageBox(const MessageBoxRequest& entry) {
  QMessageBox box(DialogParent());
  box.setWindowTitle(QStringFromCp936(entry.caption));
  box.setText(QStringFromCp936(entry.text));
  box.setTextFormat(Qt::PlainText);
  box.setIcon(entry.icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information);
  std::vector<QPushButton*> buttons;
  for (const std::string& caption : entry.buttons) {
    buttons.push_back(box.addButton(QStringFromCp936(caption), QMessageBox::ActionRole));
  }
  if (entry.defaultButton >= 0 && entry.defaultButton < static_cast<int>(buttons.size())) {
    box.setDefaultButton(buttons[entry.defaultButton]);
  }
  // Escape and the close box answer the escape button; without one they do nothing.
  const bool hasEscape = entry.escapeButton >= 0 && entry.escapeButton < static_cast<int>(buttons.size());
  if (hasEscape) box.setEscapeButton(buttons[entry.escapeButton]);
  box.exec();
  const auto clicked = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  if (clicked != buttons.end()) return static_cast<int>(clicked - buttons.begin());
  return hasEscape ? entry.escapeButton : entry.defaultButton;
}

std::optional<unsigned> QtWindowSystem::PickColor(unsigned initial) {
  // Qt's own picker: a desktop's native one would run a loop of its own, in which the program's clock and hot
  // keys stop while it is open.
  const QColor picked = QColorDialog::getColor(QColorFromColorRef(initial), DialogParent(), QString(),
                                               QColorDialog::DontUseNativeDialog);
  if (!picked.isValid()) return std::nullopt;
  return ColorRefFromQColor(picked);
}

std::vector<std::string> QtWindowSystem::ScreenFontFamilies() { return ScreenFontFamilyNames(); }

std::unique_ptr<WorkbenchBar> QtWindowSystem::CreateWorkbenchBar(Window& window) {
  auto* qtWindow = dynamic_cast<QtWindow*>(&window);
  QWidget* workbench = qtWindow ? qtWindow->Workbench() : nullptr;
  if (!workbench || !workbench->layout()) return nullptr;
  // At the top of the workbench; the views of the subtitles go under it.
  auto* bar = new WorkbenchBarWidget(workbench);
  static_cast<QVBoxLayout*>(workbench->layout())->insertWidget(0, bar, 0, Qt::AlignTop);
  return std::make_unique<QtWorkbenchBar>(*this, bar);
}

void QtWindowSystem::ShowKeyHelp(const std::vector<std::string>& lines) {
  ShowKeyHelpDialog(DialogParent(), lines);
}

}  // namespace titrelle
