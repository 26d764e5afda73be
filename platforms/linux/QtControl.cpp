#include "platforms/linux/QtControl.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <optional>
#include <utility>

#include "base/Error.h"
#include "platforms/linux/QtFonts.h"
#include "platforms/linux/QtKeys.h"
#include "platforms/linux/QtText.h"
#include "ui/EventRules.h"
#include "ui/TypedText.h"

namespace titrelle {

QtControl::QtControl(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* widget)
    : host_(std::move(host)),
      entry_(entry),
      parent_(parent),
      widget_(widget),
      enabled_(entry.enabled),
      visible_(entry.visible) {
  widget->setObjectName(QString::fromStdString(entry.name));
  ApplyLook();
  if (!entry.hint.empty()) widget->setToolTip(QStringFromCp936(entry.hint));
}

QtControl::~QtControl() = default;

void QtControl::Place(Qt::FocusPolicy focus) {
  QWidget* widget = widget_;
  int height = entry_.height;
  if (height == 0 && entry_.width > 0) height = widget->sizeHint().height();
  if (entry_.width == 0 && entry_.height == 0) {
    widget->move(entry_.left, entry_.top);
    widget->adjustSize();
  } else {
    widget->setGeometry(entry_.left, entry_.top, entry_.width, height);
  }
  ownFocus_ = focus;
  widget->setFocusPolicy(focus);
  widget->setEnabled(enabled_);
  if (!visible_) widget->hide();
}

void QtControl::ApplyLook() {
  QWidget* widget = widget_;
  widget->setFont(QFontFromLook(entry_.font, host_.windowFont));
  QPalette palette = widget->palette();
  const QColor text = QColorFromColorRef(entry_.font.color);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::ButtonText, text);
  }
  if (entry_.kind == ControlKind::Memo && !entry_.enabled) {
    // The instructions are a disabled memo; they stay readable in their own colour.
    palette.setColor(QPalette::Disabled, QPalette::Text, text);
  }
  QColor background;
  if (entry_.background == kColorButtonFace) {
    background = palette.color(QPalette::Active, QPalette::Button);
  } else if (entry_.background != kColorDefault) {
    background = QColorFromColorRef(entry_.background);
  }
  if (background.isValid()) {
    // Text boxes paint their text area in Base; a panel's Base would reach the boxes on it, so it sets
    // Window.
    const bool textBox = entry_.kind == ControlKind::Edit || entry_.kind == ControlKind::Memo ||
                         entry_.kind == ControlKind::UserView || entry_.kind == ControlKind::ComboBox;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(group, textBox ? QPalette::Base : QPalette::Window, background);
    }
    if (!textBox) widget->setAutoFillBackground(true);
  }
  widget->setPalette(palette);
}

void QtControl::Fire(const std::function<void()>& handler) { FireEvent(host_.system, handler); }

void QtControl::FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key) {
  titrelle::FireKey(host_.system, handler, key);
}

void QtControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (widget_) widget_->setEnabled(enabled);
}

void QtControl::SetVisible(bool visible) {
  visible_ = visible;
  if (widget_) widget_->setVisible(visible);
}

void QtControl::SetFocus() {
  for (const QtControl* control = this; control; control = control->parent_) {
    if (!control->visible_ || !control->enabled_) throw Error("Cannot focus a disabled or invisible window");
  }
  if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

bool QtControl::Focused() const {
  // The window's focus widget, whether or not the window is the active one right now.
  return widget_ && widget_->window()->focusWidget() == widget_;
}

void QtControl::SetTabStop(bool tabStop) {
  tabStop_ = tabStop;
  if (widget_) widget_->setFocusPolicy(tabStop ? Qt::StrongFocus : ownFocus_);
}

void QtControl::HandleKeyPress(QKeyEvent* event, const std::function<void(QKeyEvent*)>& act) {
  KeyEvent down{VirtualKeyOf(*event), ModifiersOf(event->modifiers()), false, event->isAutoRepeat()};
  FireKey(OnKeyDown, down);
  if (down.swallowed) {
    event->accept();
    return;
  }
  // The key press: typed single-byte characters, Backspace and Enter among them; other control characters
  // (Ctrl+V and its like) are commands, not typing. A character code page 936 cannot hold is refused first.
  bool refused = false;
  const std::string bytes = TakeTypedText(event->text().toStdString(), [&] {
    refused = true;
    Fire(OnCharactersRefused);
  });
  const auto byte = bytes.size() == 1 ? static_cast<unsigned char>(bytes[0]) : 0;
  const bool typed = (byte >= 0x20 && byte != 0x7F) || byte == vk::Back || byte == vk::Return;
  const bool typedText = bytes.size() > 1 && static_cast<unsigned char>(bytes[0]) >= 0x20;
  BeforeWidgetKey();
  // What the key is to type, when that is not what it came with.
  std::optional<std::string> kept;
  if (typedText && OnKeyPress) {
    // Several bytes (a Chinese character): each goes through the key press, as typing reaches the program.
    kept = FilterTypedText(bytes, [this](KeyPressEvent& press) { FirePress(press); });
  } else if (typed && OnKeyPress) {
    KeyPressEvent press{bytes[0]};
    FirePress(press);
    kept = press.character == 0 ? std::string() : std::string(1, press.character);
  } else if (refused) {
    kept = bytes;
  }
  if (!kept || (*kept == bytes && !refused)) {
    act(event);
  } else if (kept->empty()) {
    event->accept();
  } else {
    QKeyEvent replaced(event->type(), event->key(), event->modifiers(), QStringFromCp936(*kept),
                       event->isAutoRepeat(), static_cast<quint16>(event->count()));
    act(&replaced);
  }
  AfterWidgetKey();
}

std::optional<QString> QtControl::RefuseUntakable(const QString& text) {
  bool refused = false;
  const std::string taken = TakeTypedText(text.toStdString(), [&] {
    refused = true;
    Fire(OnCharactersRefused);
  });
  if (!refused) return std::nullopt;
  return QStringFromCp936(taken);
}

void QtControl::FirePress(KeyPressEvent& press) { titrelle::FirePress(host_.system, OnKeyPress, press); }

void QtControl::HandleKeyRelease(QKeyEvent* event) {
  KeyEvent up{VirtualKeyOf(*event), ModifiersOf(event->modifiers()), false};
  FireKey(OnKeyUp, up);
}

void QtControl::HandleInputMethod(QInputMethodEvent* event,
                                  const std::function<void(QInputMethodEvent*)>& act) {
  if (event->commitString().isEmpty()) {
    act(event);
    return;
  }
  KeyEvent down{kInputMethodKey, 0, false};
  FireKey(OnKeyDown, down);
  BeforeWidgetKey();
  bool refused = false;
  const std::string committed = down.swallowed ? std::string()
                                               : TakeTypedText(event->commitString().toStdString(), [&] {
                                                   refused = true;
                                                   Fire(OnCharactersRefused);
                                                 });
  const std::string kept =
      down.swallowed ? std::string()
                     : FilterTypedText(committed, [this](KeyPressEvent& press) { FirePress(press); });
  if (down.swallowed || refused || kept != committed) {
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    if (!kept.empty()) filtered.setCommitString(QStringFromCp936(kept));
    act(&filtered);
  } else {
    act(event);
  }
  AfterWidgetKey();
  KeyEvent up{kInputMethodKey, 0, false};
  FireKey(OnKeyUp, up);
}

void QtControl::HandleMouse(bool) {}

void QtControl::HandleClick() { Fire(OnClick); }

std::chrono::microseconds ScreenFrameInterval() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double hertz = screen ? std::clamp(screen->refreshRate(), 24.0, 240.0) : 60.0;
  return std::chrono::microseconds(static_cast<long long>(1e6 / hertz));
}

}  // namespace titrelle
