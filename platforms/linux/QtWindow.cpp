#include "platforms/linux/QtWindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "base/Error.h"
#include "platforms/linux/QtFonts.h"
#include "platforms/linux/QtText.h"
#include "ui/ErrorReport.h"
#include "ui/EventRules.h"
#include "ui/SettingsRegistry.h"
#include "ui/WindowSystem.h"

namespace titrelle {

class QtWindow::FrameWidget : public QWidget {
 public:
  explicit FrameWidget(QtWindow& window) : window_(window) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (!window_.FrameClosing()) {
      event->ignore();
      return;
    }
    event->accept();
  }
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    window_.FrameResized();
  }

 private:
  QtWindow& window_;
};

namespace {

// A panel whose table gives it no size, or a panel at the window's corner as large as its client area, fills
// its parent and follows it when the window is resized (the main window's Panel1).
bool FillsParent(const WindowTable& window, const ControlEntry& entry) {
  if (entry.kind != ControlKind::Panel) return false;
  if (entry.width == 0 && entry.height == 0) return true;
  return entry.parent.empty() && entry.left == 0 && entry.top == 0 &&
         entry.width == window.width - QtWindow::kFrameWidth &&
         entry.height == window.height - QtWindow::kFrameHeight;
}

// "left,top,width,height"; nothing when the text is not four numbers with a size.
std::optional<QRect> ReadPlacement(const std::string& text) {
  QList<int> numbers;
  for (const QString& part : QString::fromStdString(text).split(',')) {
    bool ok = false;
    numbers.push_back(part.trimmed().toInt(&ok));
    if (!ok) return std::nullopt;
  }
  if (numbers.size() != 4 || numbers[2] <= 0 || numbers[3] <= 0) return std::nullopt;
  return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

// The screens' room for windows that `frame` (the frame's place, the client size) lies on enough to be
// grabbed; nothing when it lies on none (a screen since removed).
std::optional<QRect> ScreenAreaUnder(const QRect& frame) {
  for (QScreen* screen : QGuiApplication::screens()) {
    const QRect shared = screen->availableGeometry().intersected(frame);
    if (shared.width() >= 100 && shared.height() >= 40) return screen->availableGeometry();
  }
  return std::nullopt;
}

}  // namespace

QtWindow::QtWindow(WindowSystem& system, const WindowTable& entry) : system_(system), entry_(entry) {
  auto* frame = new FrameWidget(*this);
  frame_ = frame;
  frame->setObjectName(QString::fromStdString(entry.name));
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (entry.minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  if (entry.maximizeBox) flags |= Qt::WindowMaximizeButtonHint;
  frame->setWindowFlags(flags);
  frame->setWindowTitle(QStringFromCp936(entry.caption));
  frame->setFont(QFontFromLook(entry.font, frame->font()));
  {
    QPalette palette = frame->palette();
    if (entry.font.color != kColorDefault)
      palette.setColor(QPalette::WindowText, QColorFromColorRef(entry.font.color));
    frame->setPalette(palette);
  }
  const QSize client(std::max(entry.width - kFrameWidth, 1), std::max(entry.height - kFrameHeight, 1));
  frame->resize(client);
  if (!entry.resizable) frame->setFixedSize(client);

  for (const ControlEntry& controlEntry : entry.controls) {
    QtControl* parent = nullptr;
    QWidget* parentWidget = frame;
    if (!controlEntry.parent.empty()) {
      auto found = byName_.find(controlEntry.parent);
      if (found == byName_.end()) throw Error("Control '" + controlEntry.parent + "' not found");
      parent = found->second;
      parentWidget = parent->Widget();
    }
    if (byName_.count(controlEntry.name)) throw Error("Duplicate control name '" + controlEntry.name + "'");
    std::unique_ptr<QtControl> control =
        CreateQtControl(ControlHost{system_, frame->font()}, controlEntry, parent, parentWidget);
    if (FillsParent(entry, controlEntry)) {
      fillParent_.push_back(control.get());
      control->Widget()->setGeometry(parentWidget->rect());
    }
    byName_[controlEntry.name] = control.get();
    controls_.push_back(std::move(control));
  }
  SetUpTabOrder();
}

QtWindow::~QtWindow() {
  // The widgets go first, so that no widget event reaches a control that is gone.
  delete frame_.data();
}

QtControl& QtWindow::ControlNamed(const std::string& name) {
  auto found = byName_.find(name);
  if (found == byName_.end()) throw Error("Control '" + name + "' not found");
  return *found->second;
}

UserViewControl& QtWindow::FindUserView(const std::string& name) {
  auto* view = dynamic_cast<QtUserView*>(&ControlNamed(name));
  if (!view) throw Error("Control '" + name + "' is not a user view");
  return *view;
}

void QtWindow::SetUpTabOrder() {
  // Within each parent the table's tab order; a container passes Tab on to its children in their order. A
  // panel that holds nothing but its own drop-down list (or nothing) is a field the user tabs to.
  std::map<const QtControl*, std::vector<QtControl*>> children;
  for (const auto& control : controls_) children[control->Parent()].push_back(control.get());
  for (auto& [parent, list] : children) {
    std::stable_sort(list.begin(), list.end(), [](const QtControl* a, const QtControl* b) {
      return a->Layout().tabOrder < b->Layout().tabOrder;
    });
  }
  auto isField = [&](const QtControl* control) {
    if (control->Layout().tabOrder < 0 || !control->Layout().tabStop) return false;
    if (control->Layout().kind != ControlKind::Panel)
      return control->Layout().kind != ControlKind::Label &&
             control->Layout().kind != ControlKind::MediaPanel;
    auto found = children.find(control);
    if (found == children.end()) return true;
    return std::all_of(found->second.begin(), found->second.end(),
                       [](const QtControl* child) { return child->Layout().kind == ControlKind::ComboBox; });
  };
  std::vector<QtControl*> chain;
  std::function<void(const QtControl*)> walk = [&](const QtControl* parent) {
    auto found = children.find(parent);
    if (found == children.end()) return;
    for (QtControl* control : found->second) {
      if (control->Layout().tabOrder < 0) continue;  // not in the order, nor its children
      if (isField(control)) {
        control->SetTabStop(true);
        chain.push_back(control);
      } else {
        walk(control);
      }
    }
  };
  walk(nullptr);
  for (std::size_t i = 1; i < chain.size(); ++i)
    QWidget::setTabOrder(chain[i - 1]->Widget(), chain[i]->Widget());
}

void QtWindow::Fire(const std::function<void()>& handler) { FireEvent(system_, handler); }

void QtWindow::Show() {
  QWidget* frame = frame_;
  if (visible_ || !frame) return;  // showing a shown window changes nothing and tells nothing
  if (!realised_) {
    realised_ = true;
    PlaceAtFirstShow();
    reportedSize_ = frame->size();
    Fire(OnResize);
  }
  visible_ = true;
  // The show handler runs before the window appears; an error in it is reported and the window still shows.
  Fire(OnShow);
  if (!visible_ || !frame_) return;  // the handler closed it
  frame->show();
  frame->raise();
  frame->activateWindow();
}

void QtWindow::ShowModal() {
  QWidget* frame = frame_;
  if (visible_ || !frame) return;
  frame->setWindowModality(Qt::ApplicationModal);
  Show();
  if (visible_) {
    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
  }
  if (frame_) frame_->setWindowModality(Qt::NonModal);
}

void QtWindow::Close() {
  if (!visible_ || !frame_) return;
  // Through the frame's own close, so that closing the main window ends the program as the user's close does.
  frame_->close();
}

bool QtWindow::FrameClosing() {
  if (closing_ || !visible_) return true;
  if (!MayClose(system_, OnCloseQuery)) return false;
  RememberPlacement();
  closing_ = true;
  Fire(OnClose);
  closing_ = false;
  visible_ = false;
  if (modalLoop_) modalLoop_->quit();
  return true;
}

void QtWindow::FrameResized() {
  QWidget* frame = frame_;
  if (!frame) return;
  for (QtControl* control : fillParent_) {
    QWidget* widget = control->Widget();
    if (!widget) continue;
    // Beside a workbench the window's own panel is the table's area, no more.
    const bool table = workbench_ && widget->parentWidget() == frame;
    widget->setGeometry(table ? QRect(QPoint(0, 0), TableSize()) : widget->parentWidget()->rect());
  }
  LayOutWorkbench();
  if (!realised_ || frame->size() == reportedSize_) return;
  reportedSize_ = frame->size();
  Fire(OnResize);
}

QSize QtWindow::TableSize() const {
  return QSize(std::max(entry_.width - kFrameWidth, 1), std::max(entry_.height - kFrameHeight, 1));
}

void QtWindow::OpenWorkbench(QWidget* timeline) {
  QWidget* frame = frame_;
  if (!frame || workbench_) return;
  auto* workbench = new QWidget(frame);
  workbench->setObjectName("Workbench");
  workbench->setFocusPolicy(Qt::NoFocus);
  // Its parts stack from the top: the bar, then the views of the subtitles, each added to this layout.
  auto* stack = new QVBoxLayout(workbench);
  stack->setContentsMargins(4, 4, 4, 4);
  workbench_ = workbench;
  timeline_ = timeline;
  if (timeline) timeline->setParent(frame);
  // Never smaller than the table: its controls stay whole.
  frame->setMinimumSize(TableSize());
  LayOutWorkbench();
  workbench->show();
  if (timeline) timeline->show();
}

void QtWindow::LayOutWorkbench() {
  QWidget* frame = frame_;
  if (!frame || !workbench_) return;
  // The table's controls keep their places: the workbench takes the room to their right, the timeline the
  // room under them, across the window.
  const QSize table = TableSize();
  workbench_->setGeometry(table.width(), 0, std::max(frame->width() - table.width(), 0), table.height());
  if (timeline_) {
    timeline_->setGeometry(0, table.height(), frame->width(), std::max(frame->height() - table.height(), 0));
  }
}

void QtWindow::PlaceAtFirstShow() {
  QWidget* frame = frame_;
  if (workbench_) {
    std::optional<QRect> remembered;
    if (std::unique_ptr<SettingsKey> key = system_.Registry().OpenKey("\\software\\")) {
      const SettingsKey::Value value = key->Read(kPlacementValue);
      if (value.type == SettingsKey::ValueType::Text) remembered = ReadPlacement(value.text);
    }
    if (remembered) {
      if (const std::optional<QRect> area = ScreenAreaUnder(*remembered)) {
        frame->resize(remembered->size().boundedTo(area->size()).expandedTo(frame->minimumSize()));
        frame->move(remembered->topLeft());
        return;
      }
    }
    QSize open(kWorkbenchOpenWidth, kWorkbenchOpenHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QSize room = screen->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight);
      open = open.boundedTo(room);
    }
    frame->resize(open.expandedTo(frame->minimumSize()));
  }
  // Centred on the screen by its outer size; the first showing realises it at its size, a resize.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    const QSize outer = frame->size() + QSize(kFrameWidth, kFrameHeight);
    frame->move(area.x() + std::max(0, (area.width() - outer.width()) / 2),
                area.y() + std::max(0, (area.height() - outer.height()) / 2));
  }
}

void QtWindow::RememberPlacement() {
  QWidget* frame = frame_;
  if (!frame || !workbench_) return;
  // A failed write loses only the place: the window opens at its usual one next time.
  if (std::unique_ptr<SettingsKey> key = system_.Registry().OpenKey("\\software\\")) {
    const QPoint place = frame->pos();
    key->WriteText(kPlacementValue, std::to_string(place.x()) + "," + std::to_string(place.y()) + "," +
                                        std::to_string(frame->width()) + "," + std::to_string(frame->height()));
  }
}

std::string QtWindow::Caption() const {
  return frame_ ? Cp936FromQString(frame_->windowTitle()) : entry_.caption;
}

void QtWindow::SetCaption(const std::string& caption) {
  if (frame_) frame_->setWindowTitle(QStringFromCp936(caption));
}

int QtWindow::ClientWidth() const { return frame_ ? frame_->width() : 0; }
int QtWindow::ClientHeight() const { return frame_ ? frame_->height() : 0; }

}  // namespace titrelle
