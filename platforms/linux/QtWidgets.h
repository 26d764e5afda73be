#pragma once
// The Qt widgets behind the program's controls, each handing its events to its control.

#include <QFrame>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QValidator>
#include <optional>
#include <string>
#include <string_view>

#include "platforms/linux/QtControl.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/UserViewWidget.h"

namespace titrelle {

constexpr int kEditorMargin = 2;  // the text's distance from an editor's edge, as on the desktop

// Line breaks of the core's texts (CR LF) as Qt's plain-text editors keep them (LF), and back.
inline QString EditorTextFromCp936(std::string_view text) {
  QString converted = QStringFromCp936(text);
  converted.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return converted;
}

inline std::string Cp936FromEditorText(QString text) {
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return Cp936FromQString(text);
}

// Hands a widget's key, input-method and mouse events to its control.
template <class Base>
class HookedWidget : public Base {
 public:
  using Base::Base;
  QtControl* control = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (!control) return Base::keyPressEvent(event);
    control->HandleKeyPress(event, [this](QKeyEvent* acted) { Base::keyPressEvent(acted); });
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    Base::keyReleaseEvent(event);
    // A held key repeats its key down only, as on the desktop.
    if (control && !event->isAutoRepeat()) control->HandleKeyRelease(event);
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    if (!control) return Base::inputMethodEvent(event);
    control->HandleInputMethod(event, [this](QInputMethodEvent* acted) { Base::inputMethodEvent(acted); });
  }
  void mousePressEvent(QMouseEvent* event) override {
    // The widget moves its caret before the program hears of the click.
    Base::mousePressEvent(event);
    if (control) control->HandleMouse(true);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    Base::mouseReleaseEvent(event);
    if (control) control->HandleMouse(false);
  }
};

// An edit box holds one line: a line break that reaches it (pasted, dropped) becomes a space, or the line
// typed into the input box would reach the views as several lines, a lone CR or LF splitting the user
// view's line and not the file view's. Its characters are those the program takes (a paste or a drop
// reaches the box past the key handling).
class SingleLineValidator : public QValidator {
 public:
  SingleLineValidator(QtControl* control, QObject* parent) : QValidator(parent), control_(control) {}
  State validate(QString& input, int& position) const override {
    QString line;
    line.reserve(input.size());
    int caret = position;
    for (qsizetype i = 0; i < input.size(); ++i) {
      const QChar c = input.at(i);
      if (c == QLatin1Char('\r') && i + 1 < input.size() && input.at(i + 1) == QLatin1Char('\n')) {
        if (i < position) --caret;  // CR LF is one break: one space
        continue;
      }
      line += c == QLatin1Char('\r') || c == QLatin1Char('\n') ? QLatin1Char(' ') : c;
    }
    // Taken in two pieces, so that the caret stays after what was pasted.
    const std::optional<QString> head = control_->RefuseUntakable(line.left(caret));
    const std::optional<QString> tail = control_->RefuseUntakable(line.mid(caret));
    if (head || tail) {
      const QString before = head.value_or(line.left(caret));
      line = before + tail.value_or(line.mid(caret));
      caret = static_cast<int>(before.size());
    }
    input = line;
    position = caret;
    return Acceptable;
  }

 private:
  QtControl* control_;
};

using LineEditWidget = HookedWidget<QLineEdit>;
using UserViewEditor = HookedWidget<UserViewWidget>;

// A paste or a drop into a plain-text editor brings what the program takes of it.
class PlainTextWidget : public HookedWidget<QPlainTextEdit> {
 public:
  using HookedWidget::HookedWidget;

 protected:
  void insertFromMimeData(const QMimeData* source) override {
    const std::optional<QString> taken =
        control && source->hasText() ? control->RefuseUntakable(source->text()) : std::nullopt;
    if (!taken) return QPlainTextEdit::insertFromMimeData(source);
    QMimeData kept;
    kept.setText(*taken);
    QPlainTextEdit::insertFromMimeData(&kept);
  }
};

// A push button that Enter presses too, as a focused button on the desktop does. Its other keys reach its
// control first, as on the desktop (Ctrl+Z undoes wherever the focus is).
class ButtonWidget : public QPushButton {
 public:
  using QPushButton::QPushButton;
  QtControl* control = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
      click();
      return;
    }
    if (!control) return QPushButton::keyPressEvent(event);
    control->HandleKeyPress(event, [this](QKeyEvent* acted) { QPushButton::keyPressEvent(acted); });
  }
};

// A panel: a frame with its caption in the middle, clickable.
class PanelWidget : public QFrame {
 public:
  using QFrame::QFrame;
  QtControl* control = nullptr;
  QString caption;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QFrame::paintEvent(event);
    if (caption.isEmpty()) return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignCenter, caption);
  }
  void mousePressEvent(QMouseEvent* event) override {
    pressed_ = event->button() == Qt::LeftButton;
    if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  }
  // A panel that takes the focus hears its keys, as the program's other controls do.
  void keyPressEvent(QKeyEvent* event) override {
    if (!control) return QFrame::keyPressEvent(event);
    control->HandleKeyPress(event, [this](QKeyEvent* acted) { QFrame::keyPressEvent(acted); });
  }
  void keyReleaseEvent(QKeyEvent* event) override {
    QFrame::keyReleaseEvent(event);
    if (control && !event->isAutoRepeat()) control->HandleKeyRelease(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click && control) control->HandleClick();
  }

 private:
  bool pressed_ = false;
};

}  // namespace titrelle
