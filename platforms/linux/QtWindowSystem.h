#pragma once
// The desktop program's window system on Linux: Qt 6 Widgets for the windows and dialogs, libmpv for the
// player, X11 key grabs for the hot keys, the registry file for the settings. Needs a QApplication.

#include <QLocale>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platforms/linux/MpvPlayer.h"
#include "platforms/linux/X11HotKeys.h"
#include "platforms/posix/PosixFileSystem.h"
#include "platforms/posix/RegistryFile.h"
#include "ui/WindowSystem.h"

class QTranslator;

namespace titrelle {

class QtWakeUpTimer;

// Call before the QApplication is made. The program's clock ticks with every frame while a video plays, and
// the GLib event loop Qt uses by default costs half as much again per wake-up as Qt's own, which the program
// runs on instead. Nothing here needs GLib's: the open dialog is Qt's own, and a desktop's native colour dialog
// runs a loop of its own while it is open. QT_NO_GLIB set beforehand (to empty, say) has the last word.
void PrepareQtApplication();

// Call once the QApplication is made: Qt's own texts (the open dialog, the colour picker, the standard
// buttons) in `locale`'s language, from Qt's translations where they are installed (Debian:
// qt6-translations-l10n). The program's own texts are its own and stay as they are. The translator
// installed (the application's child), or null where Qt has none for that language.
QTranslator* InstallQtTranslations(const QLocale& locale);

struct QtWindowSystemOptions {
  std::string registryPath = RegistryFile::DefaultPath();
  MpvPlayerOptions player;
};

class QtWindowSystem : public WindowSystem {
 public:
  explicit QtWindowSystem(QtWindowSystemOptions options = {});
  ~QtWindowSystem() override;

  void SetApplicationTitle(const std::string& title) override { title_ = title; }
  std::string ApplicationTitle() const override { return title_; }
  std::unique_ptr<Window> CreateWindow(const WindowTable& entry) override;
  std::unique_ptr<MediaPlayer> CreatePlayer(Window& window, const std::string& panelName) override;
  void ShowSubtitleTable(Window& window, SubtitleTableSource* table) override;
  std::unique_ptr<Timer> StartTimer(int intervalMs, std::function<void()> onTick) override;
  std::unique_ptr<WakeUpTimer> CreateWakeUpTimer(std::function<void()> onWake) override;
  std::optional<std::filesystem::path> ChooseFileToOpen() override;
  int ShowMessageBox(const MessageBoxRequest& entry) override;
  std::optional<unsigned> PickColor(unsigned initial) override;
  std::vector<std::string> ScreenFontFamilies() override;
  std::unique_ptr<WorkbenchBar> CreateWorkbenchBar(Window& window) override;
  void ShowKeyHelp(const std::vector<std::string>& lines) override;
  HotKeys& HotKeySystem() override { return hotKeys_; }
  SettingsRegistry& Registry() override { return registry_; }
  FileSystem& Files() override { return files_; }

  X11HotKeys& X11HotKeySystem() { return hotKeys_; }
  RegistryFile& RegistryStore() { return registry_; }

  // The player has put a frame on the screen: a clock waiting for the next frame rings now, so that what
  // it shows goes out with that frame's paint. The player's panel calls it with every frame.
  void FrameShown();

 private:
  friend class QtWakeUpTimer;
  std::vector<QtWakeUpTimer*> wakeUpTimers_;  // alive, each ringing with the frames when set to
  QtWindowSystemOptions options_;
  std::string title_;
  X11HotKeys hotKeys_;
  RegistryFile registry_;
  PosixFileSystem files_;
};

}  // namespace titrelle
