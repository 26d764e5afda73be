#include "platforms/linux/QtControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QValidator>
#include <algorithm>

#include "base/Error.h"
#include "base/ProgramChange.h"
#include "platforms/linux/QtFonts.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtWindow.h"
#include "ui/ErrorReport.h"
#include "ui/TypedText.h"

namespace titrelle {

namespace {

constexpr int kInputMethodKey = 229;  // what a desktop reports as the key of an input method's character
constexpr int kEditorMargin = 2;      // the text's distance from an editor's edge, as on the desktop
constexpr int kSmallestFittedPixels = 9;
// A label's caption reaches the screen at most this often: the pace of a video's frames, 25 a second.
constexpr auto kCaptionInterval = std::chrono::milliseconds(40);

// Line breaks of the core's texts (CR LF) as Qt's plain-text editors keep them (LF), and back.
QString EditorTextFromCp936(std::string_view text) {
  QString converted = QStringFromCp936(text);
  converted.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  converted.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return converted;
}

std::string Cp936FromEditorText(QString text) {
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
// view's line and not the file view's.
class SingleLineValidator : public QValidator {
 public:
  using QValidator::QValidator;
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
    input = line;
    position = caret;
    return Acceptable;
  }
};

using LineEditWidget = HookedWidget<QLineEdit>;
using PlainTextWidget = HookedWidget<QPlainTextEdit>;

// A push button that Enter presses too, as a focused button on the desktop does.
class ButtonWidget : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->isAutoRepeat()) {
      click();
      return;
    }
    QPushButton::keyPressEvent(event);
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

QWidget* CreateWidget(ControlKind kind, QWidget* parent) {
  switch (kind) {
    case ControlKind::Panel:
      return new PanelWidget(parent);
    case ControlKind::Label:
      return new QLabel(parent);
    case ControlKind::Button:
      return new ButtonWidget(parent);
    case ControlKind::Edit:
      return new LineEditWidget(parent);
    case ControlKind::Memo:
    case ControlKind::UserView:
      return new PlainTextWidget(parent);
    case ControlKind::CheckBox:
      return new QCheckBox(parent);
    case ControlKind::ComboBox:
      return new QComboBox(parent);
    case ControlKind::MediaPanel:
      return new QWidget(parent);
  }
  return new QWidget(parent);
}

template <class Widget>
void Hook(QWidget* widget, QtControl* control) {
  if (auto* hooked = dynamic_cast<Widget*>(widget)) hooked->control = control;
}

}  // namespace

int VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return key;  // the same codes as the desktop's
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::Return;
    case Qt::Key_Escape:
      return vk::Escape;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return vk::End;
    case Qt::Key_Home:
      return vk::Home;
    case Qt::Key_Left:
      return vk::Left;
    case Qt::Key_Up:
      return vk::Up;
    case Qt::Key_Right:
      return vk::Right;
    case Qt::Key_Down:
      return vk::Down;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return vk::Delete;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon:
      return 186;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
      return 187;
    case Qt::Key_Comma:
    case Qt::Key_Less:
      return 188;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      return 189;
    case Qt::Key_Period:
    case Qt::Key_Greater:
      return 190;
    case Qt::Key_Slash:
    case Qt::Key_Question:
      return 191;
    default:
      break;
  }
  // A character without a key of its own on this keyboard (a Chinese character) arrives as an input method's.
  const QString text = event.text();
  if (!text.isEmpty() && text.at(0).unicode() > 0x7F) return kInputMethodKey;
  return 0;
}

unsigned ModifiersOf(Qt::KeyboardModifiers modifiers) {
  unsigned shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= modifier::Shift;
  if (modifiers & Qt::AltModifier) shift |= modifier::Alt;
  if (modifiers & Qt::ControlModifier) shift |= modifier::Ctrl;
  return shift;
}

// ---------------------------------------------------------------------------------------------------------
// QtControl

QtControl::QtControl(QtWindow& window, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : window_(window), entry_(entry), parent_(parent), enabled_(entry.enabled), visible_(entry.visible) {
  QWidget* widget = CreateWidget(entry.kind, parentWidget);
  widget_ = widget;
  widget->setObjectName(QString::fromStdString(entry.name));
  Hook<LineEditWidget>(widget, this);
  Hook<PlainTextWidget>(widget, this);
  Hook<PanelWidget>(widget, this);
  ApplyLook();
  if (!entry.hint.empty()) widget->setToolTip(QStringFromCp936(entry.hint));

  switch (entry.kind) {
    case ControlKind::Panel: {
      auto* panel = static_cast<PanelWidget*>(widget);
      panel->setFrameStyle(entry.border ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
      panel->caption = QStringFromCp936(entry.text);
      break;
    }
    case ControlKind::Label:
      static_cast<QLabel*>(widget)->setTextFormat(Qt::PlainText);
      break;
    case ControlKind::Button:
      QObject::connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, widget,
                       [this] { HandleClick(); });
      break;
    case ControlKind::Edit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      edit->setReadOnly(entry.readOnly);
      edit->setFrame(entry.border);
      edit->setValidator(new SingleLineValidator(edit));
      QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { Fire(OnChange); });
      break;
    }
    case ControlKind::Memo: {
      auto* memo = static_cast<QPlainTextEdit*>(widget);
      memo->setReadOnly(entry.readOnly);
      memo->setLineWrapMode(entry.wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
      if (!entry.border) memo->setFrameShape(QFrame::NoFrame);
      const Qt::ScrollBarPolicy bars = entry.scrollBars ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
      memo->setVerticalScrollBarPolicy(bars);
      memo->setHorizontalScrollBarPolicy(bars);
      memo->document()->setDocumentMargin(kEditorMargin);
      memo->setTabChangesFocus(true);
      QObject::connect(memo, &QPlainTextEdit::textChanged, memo, [this] {
        if (!settingText_) Fire(OnChange);
      });
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = static_cast<QCheckBox*>(widget);
      box->setChecked(entry.checked);
      // A check box tells every change of its tick as a click, whoever made it.
      QObject::connect(box, &QCheckBox::toggled, box, [this] { Fire(OnClick); });
      break;
    }
    case ControlKind::ComboBox: {
      auto* box = static_cast<QComboBox*>(widget);
      box->setEditable(false);
      // Only the user's picks are changes of a drop-down list.
      QObject::connect(box, &QComboBox::activated, box, [this] { Fire(OnChange); });
      break;
    }
    case ControlKind::MediaPanel:
      widget->setAutoFillBackground(true);
      {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, Qt::black);
        widget->setPalette(palette);
      }
      break;
    case ControlKind::UserView:
      break;  // QtUserView sets it up
  }
  if (entry.kind != ControlKind::UserView) SetText(entry.text);

  int height = entry.height;
  if (height == 0 && entry.width > 0) height = widget->sizeHint().height();
  if (entry.width == 0 && entry.height == 0) {
    widget->move(entry.left, entry.top);
    widget->adjustSize();
  } else {
    widget->setGeometry(entry.left, entry.top, entry.width, height);
  }
  widget->setFocusPolicy(entry.kind == ControlKind::Label || entry.kind == ControlKind::Panel ||
                                 entry.kind == ControlKind::MediaPanel
                             ? Qt::NoFocus
                             : Qt::ClickFocus);
  widget->setEnabled(enabled_);
  if (!visible_) widget->hide();
}

QtControl::~QtControl() = default;

void QtControl::ApplyLook() {
  QWidget* widget = widget_;
  widget->setFont(QFontFromLook(entry_.font, window_.Frame()->font()));
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

void QtControl::Fire(const std::function<void()>& handler) { FireEvent(window_.System(), handler); }

void QtControl::FireKey(const std::function<void(KeyEvent&)>& handler, KeyEvent& key) {
  titrelle::FireKey(window_.System(), handler, key);
}

std::string QtControl::Text() const {
  QWidget* widget = widget_;
  if (!widget) return {};
  switch (entry_.kind) {
    case ControlKind::Panel:
      return Cp936FromQString(static_cast<PanelWidget*>(widget)->caption);
    case ControlKind::Label:
      return caption_;
    case ControlKind::Button:
    case ControlKind::CheckBox:
      return Cp936FromQString(static_cast<QAbstractButton*>(widget)->text());
    case ControlKind::Edit: {
      // The clock looks at the time boxes on every tick: converted again only when their text changed.
      const QString text = static_cast<QLineEdit*>(widget)->text();
      if (text != convertedText_) {
        convertedText_ = text;
        convertedCp936_ = Cp936FromQString(text);
      }
      return convertedCp936_;
    }
    case ControlKind::Memo:
    case ControlKind::UserView:
      return Cp936FromEditorText(static_cast<QPlainTextEdit*>(widget)->toPlainText());
    case ControlKind::ComboBox:
      return Cp936FromQString(static_cast<QComboBox*>(widget)->currentText());
    case ControlKind::MediaPanel:
      return {};
  }
  return {};
}

void QtControl::SetText(const std::string& text) {
  QWidget* widget = widget_;
  if (!widget) return;
  switch (entry_.kind) {
    case ControlKind::Panel: {
      auto* panel = static_cast<PanelWidget*>(widget);
      panel->caption = QStringFromCp936(text);
      panel->update();
      break;
    }
    case ControlKind::Label: {
      // The clock's label changes on every tick, a thousand times a second, and each change lays the caption
      // out and paints the window: far more than a screen can show, and most of what playing used to cost.
      // A caption reaches the widget at once after a quiet spell, else with the next video frame or so, and
      // the newest always gets there.
      caption_ = text;
      const auto sinceShown = std::chrono::steady_clock::now() - captionShownAt_;
      if (sinceShown >= kCaptionInterval) {
        ShowCaption();
        break;
      }
      if (!captionTimer_) {
        captionTimer_ = std::make_unique<QTimer>();
        captionTimer_->setSingleShot(true);
        QObject::connect(captionTimer_.get(), &QTimer::timeout, [this] {
          if (captionPending_) ShowCaption();
        });
        // A window about to be painted anyway (a video frame, say) takes the caption along, one paint
        // instead of two, if the caption has waited a while: a caption's own paint must not call up the next.
        captionRide_ = std::make_unique<WindowPaintWatch>([this] {
          if (captionPending_ && std::chrono::steady_clock::now() - captionShownAt_ >= kCaptionInterval / 2) {
            ShowCaption();
          }
        });
        if (QWidget* window = widget->window()) window->installEventFilter(captionRide_.get());
      }
      captionPending_ = true;
      if (!captionTimer_->isActive()) {
        captionTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(kCaptionInterval - sinceShown));
      }
      break;
    }
    case ControlKind::Button:
    case ControlKind::CheckBox:
      static_cast<QAbstractButton*>(widget)->setText(QStringFromCp936(text));
      break;
    case ControlKind::Edit: {
      auto* edit = static_cast<QLineEdit*>(widget);
      const QString converted = QStringFromCp936(text);
      if (converted == edit->text()) return;
      edit->setText(converted);  // the caret goes to the end: typing after it goes on there
      break;
    }
    case ControlKind::Memo: {
      auto* memo = static_cast<QPlainTextEdit*>(widget);
      const QString converted = EditorTextFromCp936(text);
      if (converted == memo->toPlainText()) return;
      {
        ProgramChange setting(settingText_);
        memo->setPlainText(converted);
      }
      if (entry_.wordWrap) FitMemoFont();
      Fire(OnChange);
      break;
    }
    case ControlKind::ComboBox: {
      auto* box = static_cast<QComboBox*>(widget);
      box->setCurrentIndex(box->findText(QStringFromCp936(text)));
      break;
    }
    case ControlKind::UserView:
    case ControlKind::MediaPanel:
      break;
  }
}

void QtControl::ShowCaption() {
  auto* label = static_cast<QLabel*>(widget_.data());
  if (label == nullptr) return;
  captionPending_ = false;
  if (captionTimer_) captionTimer_->stop();
  captionShownAt_ = std::chrono::steady_clock::now();
  const QString caption = QStringFromCp936(caption_);
  if (caption == label->text()) return;
  label->setText(caption);
  if (entry_.width == 0) label->adjustSize();  // labels size themselves to their caption
}

void QtControl::FitMemoFont() {
  // The instructions are broken into lines for the desktop's narrower Chinese glyphs; where the faces here
  // are wider, the font shrinks until every line fits rather than breaking lines in the middle.
  auto* memo = static_cast<QPlainTextEdit*>(widget_.data());
  QFont font = QFontFromLook(entry_.font, window_.Frame()->font());
  const int available = entry_.width - 2 * memo->frameWidth() - 2 * kEditorMargin - 2;
  const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
  auto widest = [&](const QFont& candidate) {
    const QFontMetrics metrics(candidate);
    int width = 0;
    for (const QString& line : lines) width = std::max(width, metrics.horizontalAdvance(line));
    return width;
  };
  while (font.pixelSize() > kSmallestFittedPixels && widest(font) > available)
    font.setPixelSize(font.pixelSize() - 1);
  memo->setFont(font);
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

bool QtControl::Checked() const {
  return entry_.kind == ControlKind::CheckBox && widget_ &&
         static_cast<QCheckBox*>(widget_.data())->isChecked();
}

void QtControl::SetChecked(bool checked) {
  if (entry_.kind == ControlKind::CheckBox && widget_)
    static_cast<QCheckBox*>(widget_.data())->setChecked(checked);
}

void QtControl::SetColor(unsigned colorRef) {
  if (entry_.kind != ControlKind::Panel || !widget_) return;
  QPalette palette = widget_->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Window, QColorFromColorRef(colorRef));
  }
  widget_->setPalette(palette);
  widget_->setAutoFillBackground(true);
}

void QtControl::ClearItems() {
  if (entry_.kind == ControlKind::ComboBox && widget_) static_cast<QComboBox*>(widget_.data())->clear();
}

void QtControl::AddItem(const std::string& item) {
  if (entry_.kind != ControlKind::ComboBox || !widget_) return;
  auto* box = static_cast<QComboBox*>(widget_.data());
  const int current = box->currentIndex();
  box->addItem(QStringFromCp936(item));
  box->setCurrentIndex(current);  // a list shows no entry until the user picks one
}

int QtControl::ItemCount() const {
  if (entry_.kind != ControlKind::ComboBox || !widget_) return 0;
  return static_cast<QComboBox*>(widget_.data())->count();
}

std::string QtControl::Item(int index) const {
  if (index < 0 || index >= ItemCount())
    throw Error("List index out of bounds (" + std::to_string(index) + ")");
  return Cp936FromQString(static_cast<QComboBox*>(widget_.data())->itemText(index));
}

void QtControl::SetTabStop(bool tabStop) {
  tabStop_ = tabStop;
  if (!widget_) return;
  if (tabStop) {
    widget_->setFocusPolicy(Qt::StrongFocus);
  } else if (entry_.kind == ControlKind::Panel) {
    widget_->setFocusPolicy(Qt::NoFocus);
  }
}

void QtControl::HandleKeyPress(QKeyEvent* event, const std::function<void(QKeyEvent*)>& act) {
  KeyEvent down{VirtualKeyOf(*event), ModifiersOf(event->modifiers()), false};
  FireKey(OnKeyDown, down);
  if (down.swallowed) {
    event->accept();
    return;
  }
  // The key press: typed single-byte characters, Backspace and Enter among them; other control characters
  // (Ctrl+V and its like) are commands, not typing.
  const QString text = event->text();
  std::string bytes = text.isEmpty() ? std::string() : Cp936FromQString(text);
  const auto byte = bytes.size() == 1 ? static_cast<unsigned char>(bytes[0]) : 0;
  const bool typed = (byte >= 0x20 && byte != 0x7F) || byte == vk::Back || byte == vk::Return;
  const bool typedText = bytes.size() > 1 && static_cast<unsigned char>(bytes[0]) >= 0x20;
  BeforeWidgetKey();
  if (typedText && OnKeyPress) {
    // Several bytes (a Chinese character): each goes through the key press, as typing reaches the program.
    const std::string kept = FilterTypedText(bytes, [this](KeyPressEvent& press) { FirePress(press); });
    if (kept.empty()) {
      event->accept();
    } else if (kept != bytes) {
      QKeyEvent replaced(event->type(), event->key(), event->modifiers(), QStringFromCp936(kept),
                         event->isAutoRepeat(), static_cast<quint16>(event->count()));
      act(&replaced);
    } else {
      act(event);
    }
  } else if (typed && OnKeyPress) {
    KeyPressEvent press{bytes[0]};
    FirePress(press);
    if (press.character == 0) {
      event->accept();
    } else if (press.character != bytes[0]) {
      QKeyEvent replaced(event->type(), event->key(), event->modifiers(),
                         QStringFromCp936(std::string(1, press.character)), event->isAutoRepeat(),
                         static_cast<quint16>(event->count()));
      act(&replaced);
    } else {
      act(event);
    }
  } else {
    act(event);
  }
  AfterWidgetKey();
}

void QtControl::FirePress(KeyPressEvent& press) { titrelle::FirePress(window_.System(), OnKeyPress, press); }

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
  const std::string committed = Cp936FromQString(event->commitString());
  const std::string kept =
      down.swallowed ? std::string()
                     : FilterTypedText(committed, [this](KeyPressEvent& press) { FirePress(press); });
  if (kept != committed) {
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

// ---------------------------------------------------------------------------------------------------------
// QtUserView

QtUserView::QtUserView(QtWindow& window, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(window, entry, parent, parentWidget) {
  QPlainTextEdit* editor = Editor();
  editor->setLineWrapMode(entry.wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  if (entry.scrollBars) {
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  }
  if (!entry.border) editor->setFrameShape(QFrame::NoFrame);
  editor->setTabChangesFocus(true);
  // Dragging text from one line to another changes two lines in one go, and only the caret's line would
  // reach the file: the user view takes no drops.
  editor->setAcceptDrops(false);
  editor->viewport()->setAcceptDrops(false);
  editor->document()->setDocumentMargin(kEditorMargin);
  editor->setPlainText(EditorTextFromCp936(entry.text));
  SetReadOnly(entry.readOnly);
  QObject::connect(editor->document(), &QTextDocument::contentsChange, editor,
                   [this](int, int removed, int added) {
                     if (removed != 0 || added != 0) ContentsChanged();
                   });
}

QPlainTextEdit* QtUserView::Editor() const { return static_cast<QPlainTextEdit*>(widget_.data()); }

void QtUserView::ContentsChanged() {
  if (programEdit_) return;
  if (keyDepth_ > 0) {
    changedDuringKey_ = true;  // told once, after the widget has acted on the whole key
    return;
  }
  Fire(OnChange);
}

void QtUserView::BeforeWidgetKey() { ++keyDepth_; }

void QtUserView::AfterWidgetKey() {
  if (--keyDepth_ == 0 && changedDuringKey_) {
    changedDuringKey_ = false;
    Fire(OnChange);
  }
}

template <class Edit>
void QtUserView::ProgramEdit(Edit edit) {
  {
    ProgramChange editing(programEdit_);
    edit();
  }
  Fire(OnChange);
}

std::string QtUserView::Text() const { return Cp936FromEditorText(Editor()->toPlainText()); }

int QtUserView::Count() const {
  const QTextDocument* document = Editor()->document();
  const int blocks = document->blockCount();
  return document->lastBlock().text().isEmpty() ? blocks - 1 : blocks;
}

int QtUserView::BreakCount() const {
  const QTextDocument* document = Editor()->document();
  // Shift+Enter puts a line separator inside its block; one that ends the text reads as a final break in
  // Text(), so it counts as one.
  const QString last = document->lastBlock().text();
  const bool separatorAtEnd =
      !last.isEmpty() && (last.back() == QChar::LineSeparator || last.back() == QChar::ParagraphSeparator);
  return document->blockCount() - 1 + (separatorAtEnd ? 1 : 0);
}

std::string QtUserView::Line(int index) const {
  if (index < 0 || index >= Count()) return {};  // as a rich edit answers past the end
  return Cp936FromQString(Editor()->document()->findBlockByNumber(index).text());
}

int QtUserView::CaretLine() const {
  const QTextCursor cursor = Editor()->textCursor();
  return Editor()->document()->findBlock(cursor.selectionStart()).blockNumber();
}

int QtUserView::CaretColumn() const {
  const QTextCursor cursor = Editor()->textCursor();
  const int start = cursor.selectionStart();
  const QTextBlock block = Editor()->document()->findBlock(start);
  return static_cast<int>(Cp936FromQString(block.text().left(start - block.position())).size());
}

int QtUserView::SelectionEndLine() const {
  return Editor()->document()->findBlock(Editor()->textCursor().selectionEnd()).blockNumber();
}

bool QtUserView::SelectionEmpty() const { return !Editor()->textCursor().hasSelection(); }

void QtUserView::CaretToEnd() {
  QTextCursor cursor = Editor()->textCursor();
  cursor.movePosition(QTextCursor::End);
  Editor()->setTextCursor(cursor);
}

void QtUserView::Add(const std::string& line) {
  ProgramEdit([&] {
    QPlainTextEdit* editor = Editor();
    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    // As a rich edit appends: after a final break (or into an empty text) the line and a break, else a break
    // and the line; the caret stays after the inserted text.
    const QString text = EditorTextFromCp936(line);
    const bool endsWithBreak = editor->document()->lastBlock().text().isEmpty();
    cursor.insertText(endsWithBreak ? text + QLatin1Char('\n') : QLatin1Char('\n') + text);
    editor->setTextCursor(cursor);
  });
}

void QtUserView::Clear() {
  ProgramEdit([&] { Editor()->clear(); });
}

void QtUserView::SetListingText(const std::string& text) {
  ProgramEdit([&] { Editor()->setPlainText(EditorTextFromCp936(text)); });
}

bool QtUserView::ReadOnly() const { return Editor()->isReadOnly(); }

void QtUserView::SetReadOnly(bool readOnly) {
  QPlainTextEdit* editor = Editor();
  editor->setReadOnly(readOnly);
  // Read-only refuses edits but the caret still moves by keys and clicks.
  if (readOnly) editor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void QtUserView::HandleMouse(bool down) { Fire(down ? OnMouseDown : OnMouseUp); }

}  // namespace titrelle
