#include "platforms/linux/QtControlKinds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "base/Error.h"
#include "base/ProgramChange.h"
#include "platforms/linux/QtFonts.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtUserView.h"
#include "platforms/linux/QtWidgets.h"
#include "ui/EventRules.h"

namespace titrelle {

namespace {

constexpr int kSmallestFittedPixels = 9;

// Whether `after` is `before` with only some of its ASCII digits changed, each in its place.
bool OnlyDigitsChanged(const QString& before, const QString& after) {
  if (before.size() != after.size()) return false;
  const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
  for (qsizetype i = 0; i < before.size(); ++i) {
    if (before[i] != after[i] && !(isDigit(before[i]) && isDigit(after[i]))) return false;
  }
  return true;
}

// Whether the ten digits of `font` are all as wide as each other, as they are in most fonts.
bool DigitsOfOneWidth(const QFont& font) {
  const QFontMetricsF metrics(font);
  const qreal zero = metrics.horizontalAdvance(QChar(u'0'));
  for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
    if (metrics.horizontalAdvance(QChar(digit)) != zero) return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<QtControl> CreateQtControl(ControlHost host, const ControlEntry& entry, QtControl* parent,
                                           QWidget* parentWidget) {
  switch (entry.kind) {
    case ControlKind::Panel:
      return std::make_unique<QtPanel>(host, entry, parent, parentWidget);
    case ControlKind::MediaPanel:
      return std::make_unique<QtMediaPanel>(host, entry, parent, parentWidget);
    case ControlKind::Label:
      return std::make_unique<QtLabel>(host, entry, parent, parentWidget);
    case ControlKind::Button:
      return std::make_unique<QtButton>(host, entry, parent, parentWidget);
    case ControlKind::CheckBox:
      return std::make_unique<QtCheckBox>(host, entry, parent, parentWidget);
    case ControlKind::Edit:
      return std::make_unique<QtEdit>(host, entry, parent, parentWidget);
    case ControlKind::Memo:
      return std::make_unique<QtMemo>(host, entry, parent, parentWidget);
    case ControlKind::ComboBox:
      return std::make_unique<QtComboBox>(host, entry, parent, parentWidget);
    case ControlKind::UserView:
      return std::make_unique<QtUserView>(host, entry, parent, parentWidget);
  }
  throw Error("Control '" + entry.name + "' is of no kind this window system knows");
}

// ---- Panels ----

QtPanel::QtPanel(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new PanelWidget(parentWidget)) {
  PanelWidget* panel = Panel();
  panel->control = this;
  panel->setFrameStyle(entry.border ? QFrame::Panel | QFrame::Raised : QFrame::NoFrame);
  SetText(entry.text);
  Place(Qt::NoFocus);
}

PanelWidget* QtPanel::Panel() const { return static_cast<PanelWidget*>(widget_.data()); }

std::string QtPanel::Text() const { return widget_ ? Cp936FromQString(Panel()->caption) : std::string(); }

void QtPanel::SetText(const std::string& text) {
  if (!widget_) return;
  Panel()->caption = QStringFromCp936(text);
  Panel()->update();
}

void QtPanel::SetColor(unsigned colorRef) {
  if (!widget_) return;
  QPalette palette = widget_->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Window, QColorFromColorRef(colorRef));
  }
  widget_->setPalette(palette);
  widget_->setAutoFillBackground(true);
}

QtMediaPanel::QtMediaPanel(ControlHost host, const ControlEntry& entry, QtControl* parent,
                           QWidget* parentWidget)
    : QtControl(host, entry, parent, new QWidget(parentWidget)) {
  widget_->setAutoFillBackground(true);
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::Window, Qt::black);
  widget_->setPalette(palette);
  Place(Qt::NoFocus);
}

// ---- Labels ----

bool WindowPaintWatch::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::UpdateRequest) beforePaint_();
  return QObject::eventFilter(watched, event);
}

QtLabel::QtLabel(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new QLabel(parentWidget)) {
  Label()->setTextFormat(Qt::PlainText);
  // A label paints its own ground, as a static control does: the clock's, changing with every frame, does
  // not make the panel under it paint again.
  Label()->setAutoFillBackground(true);
  caption_ = entry.text;
  ShowCaption();
  Place(Qt::NoFocus);
}

QLabel* QtLabel::Label() const { return static_cast<QLabel*>(widget_.data()); }

void QtLabel::SetText(const std::string& text) {
  QWidget* widget = widget_;
  if (!widget) return;
  // The clock's label changes with every frame the video shows, and each change lays the caption out and
  // paints the window; near a replay's end the clock rings every millisecond. A caption reaches the widget
  // at once when the screen has shown a picture since the last one, else with the window's next paint or
  // a screen frame later, and the newest always gets there.
  caption_ = text;
  const auto interval = ScreenFrameInterval();
  const auto sinceShown = std::chrono::steady_clock::now() - captionShownAt_;
  if (sinceShown >= interval) {
    ShowCaption();
    return;
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
      if (captionPending_ && std::chrono::steady_clock::now() - captionShownAt_ >= ScreenFrameInterval() / 2) {
        ShowCaption();
      }
    });
    if (QWidget* window = widget->window()) window->installEventFilter(captionRide_.get());
  }
  captionPending_ = true;
  if (!captionTimer_->isActive()) {
    captionTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(interval - sinceShown));
  }
}

void QtLabel::ShowCaption() {
  QLabel* label = Label();
  if (label == nullptr) return;
  captionPending_ = false;
  if (captionTimer_) captionTimer_->stop();
  captionShownAt_ = std::chrono::steady_clock::now();
  const QString caption = QStringFromCp936(caption_);
  const QString before = label->text();
  if (caption == before) return;
  label->setText(caption);
  if (entry_.width != 0) return;
  // Labels size themselves to their caption. Laying the caption out to measure it is most of what showing
  // the clock's time costs; a time differs from the one before only in digits, which in most fonts leaves
  // the width as it was.
  const bool fontChanged = label->font() != digitsMeasuredFor_;
  if (fontChanged) {
    digitsMeasuredFor_ = label->font();
    digitsOfOneWidth_ = DigitsOfOneWidth(digitsMeasuredFor_);
  }
  if (fontChanged || !digitsOfOneWidth_ || !OnlyDigitsChanged(before, caption)) label->adjustSize();
}

// ---- Buttons and check boxes ----

QtButton::QtButton(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new ButtonWidget(parentWidget)) {
  static_cast<ButtonWidget*>(widget_.data())->control = this;
  QObject::connect(Button(), &QPushButton::clicked, widget_, [this] { HandleClick(); });
  SetText(entry.text);
  Place(Qt::ClickFocus);
}

QPushButton* QtButton::Button() const { return static_cast<QPushButton*>(widget_.data()); }

std::string QtButton::Text() const { return widget_ ? Cp936FromQString(Button()->text()) : std::string(); }

void QtButton::SetText(const std::string& text) {
  if (widget_) Button()->setText(QStringFromCp936(text));
}

QtCheckBox::QtCheckBox(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new QCheckBox(parentWidget)) {
  Box()->setChecked(entry.checked);
  QObject::connect(Box(), &QCheckBox::toggled, widget_, [this] { Fire(OnClick); });
  SetText(entry.text);
  Place(Qt::ClickFocus);
}

QCheckBox* QtCheckBox::Box() const { return static_cast<QCheckBox*>(widget_.data()); }

std::string QtCheckBox::Text() const { return widget_ ? Cp936FromQString(Box()->text()) : std::string(); }

void QtCheckBox::SetText(const std::string& text) {
  if (widget_) Box()->setText(QStringFromCp936(text));
}

bool QtCheckBox::Checked() const { return widget_ && Box()->isChecked(); }

void QtCheckBox::SetChecked(bool checked) {
  if (widget_) Box()->setChecked(checked);
}

// ---- Edit boxes ----

QtEdit::QtEdit(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new LineEditWidget(parentWidget)) {
  static_cast<LineEditWidget*>(widget_.data())->control = this;
  QLineEdit* edit = Edit();
  edit->setReadOnly(entry.readOnly);
  edit->setFrame(entry.border);
  edit->setValidator(new SingleLineValidator(this, edit));
  QObject::connect(edit, &QLineEdit::textChanged, edit, [this] { Fire(OnChange); });
  SetText(entry.text);
  Place(Qt::ClickFocus);
}

QLineEdit* QtEdit::Edit() const { return static_cast<QLineEdit*>(widget_.data()); }

std::string QtEdit::Text() const {
  if (!widget_) return {};
  // The clock looks at the time boxes on every tick: converted again only when their text changed.
  const QString text = Edit()->text();
  if (text != convertedText_) {
    convertedText_ = text;
    convertedCp936_ = Cp936FromQString(text);
  }
  return convertedCp936_;
}

void QtEdit::SetText(const std::string& text) {
  if (!widget_) return;
  const QString converted = QStringFromCp936(text);
  if (converted == Edit()->text()) return;
  Edit()->setText(converted);  // the caret goes to the end: typing after it goes on there
}

QtMemo::QtMemo(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new PlainTextWidget(parentWidget)) {
  static_cast<PlainTextWidget*>(widget_.data())->control = this;
  QPlainTextEdit* memo = Memo();
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
  SetText(entry.text);
  Place(Qt::ClickFocus);
}

QPlainTextEdit* QtMemo::Memo() const { return static_cast<QPlainTextEdit*>(widget_.data()); }

std::string QtMemo::Text() const {
  return widget_ ? Cp936FromEditorText(Memo()->toPlainText()) : std::string();
}

void QtMemo::SetText(const std::string& text) {
  if (!widget_) return;
  const QString converted = EditorTextFromCp936(text);
  if (converted == Memo()->toPlainText()) return;
  {
    ProgramChange setting(settingText_);
    Memo()->setPlainText(converted);
  }
  if (entry_.wordWrap) FitFont();
  Fire(OnChange);
}

void QtMemo::FitFont() {
  // The instructions are broken into lines for the desktop's narrower Chinese glyphs; where the faces here
  // are wider, the font shrinks until every line fits rather than breaking lines in the middle.
  QPlainTextEdit* memo = Memo();
  QFont font = QFontFromLook(entry_.font, host_.windowFont);
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

// ---- Drop-down lists ----

QtComboBox::QtComboBox(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new QComboBox(parentWidget)) {
  Box()->setEditable(false);
  QObject::connect(Box(), &QComboBox::activated, widget_, [this] { Fire(OnChange); });
  SetText(entry.text);
  Place(Qt::ClickFocus);
}

QComboBox* QtComboBox::Box() const { return static_cast<QComboBox*>(widget_.data()); }

std::string QtComboBox::Text() const {
  return widget_ ? Cp936FromQString(Box()->currentText()) : std::string();
}

void QtComboBox::SetText(const std::string& text) {
  if (widget_) Box()->setCurrentIndex(Box()->findText(QStringFromCp936(text)));
}

void QtComboBox::ClearItems() {
  if (widget_) Box()->clear();
}

void QtComboBox::AddItem(const std::string& item) {
  if (!widget_) return;
  const int current = Box()->currentIndex();
  Box()->addItem(QStringFromCp936(item));
  Box()->setCurrentIndex(current);  // a list shows no entry until the user picks one
}

int QtComboBox::ItemCount() const { return widget_ ? Box()->count() : 0; }

std::string QtComboBox::Item(int index) const {
  if (index < 0 || index >= ItemCount())
    throw Error("List index out of bounds (" + std::to_string(index) + ")");
  return Cp936FromQString(Box()->itemText(index));
}

}  // namespace titrelle
