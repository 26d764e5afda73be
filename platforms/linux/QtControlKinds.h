#pragma once
// One small class per kind of control, on what every control shares (QtControl.h).

#include <QFont>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platforms/linux/QtControl.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace titrelle {

class PanelWidget;

// A panel: a frame with its caption in the middle, clickable, coloured by the program.
class QtPanel : public QtControl {
 public:
  QtPanel(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void SetColor(unsigned colorRef) override;

 private:
  PanelWidget* Panel() const;
};

// The panel the player draws into: black, no focus of its own.
class QtMediaPanel : public QtControl {
 public:
  QtMediaPanel(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
};

// Calls `beforePaint` whenever the window it watches is about to paint what has changed in it.
class WindowPaintWatch : public QObject {
 public:
  explicit WindowPaintWatch(std::function<void()> beforePaint) : beforePaint_(std::move(beforePaint)) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> beforePaint_;
};

// A label. Its caption reaches the screen at most about once a video frame (see SetText).
class QtLabel : public QtControl {
 public:
  QtLabel(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  std::string Text() const override { return caption_; }
  void SetText(const std::string& text) override;

 private:
  QLabel* Label() const;
  void ShowCaption();

  std::string caption_;  // as the program set it last
  std::chrono::steady_clock::time_point captionShownAt_{};
  std::unique_ptr<QTimer> captionTimer_;
  bool captionPending_ = false;
  std::unique_ptr<WindowPaintWatch> captionRide_;
  QFont digitsMeasuredFor_;        // the font whose digits were measured last
  bool digitsOfOneWidth_ = false;  // and whether they all have the same width
};

// A push button that Enter presses too.
class QtButton : public QtControl {
 public:
  QtButton(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  QPushButton* Button() const;
};

// A check box: every change of its tick is told as a click, whoever made it.
class QtCheckBox : public QtControl {
 public:
  QtCheckBox(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  std::string Text() const override;
  void SetText(const std::string& text) override;
  bool Checked() const override;
  void SetChecked(bool checked) override;

 private:
  QCheckBox* Box() const;
};

// A single-line edit box.
class QtEdit : public QtControl {
 public:
  QtEdit(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  QLineEdit* Edit() const;

  // The text as last converted to code page 936: the clock reads the time boxes on every tick.
  mutable QString convertedText_;
  mutable std::string convertedCp936_;
};

// A multi-line plain edit box (the instructions, the scratch listing's stand-in).
class QtMemo : public QtControl {
 public:
  QtMemo(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  std::string Text() const override;
  void SetText(const std::string& text) override;

 private:
  QPlainTextEdit* Memo() const;
  void FitFont();

  bool settingText_ = false;
};

// A drop-down list: only the user's picks are its changes.
class QtComboBox : public QtControl {
 public:
  QtComboBox(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget);
  std::string Text() const override;
  void SetText(const std::string& text) override;
  void ClearItems() override;
  void AddItem(const std::string& item) override;
  int ItemCount() const override;
  std::string Item(int index) const override;

 private:
  QComboBox* Box() const;
};

}  // namespace titrelle
