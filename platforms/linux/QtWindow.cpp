#include "platforms/linux/QtWindow.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>

#include "platforms/linux/QtFonts.h"
#include "platforms/linux/QtText.h"
#include "ui/Error.h"
#include "ui/ErrorReport.h"

namespace titrelle {

class QtWindow::FrameWidget : public QWidget {
 public:
  explicit FrameWidget(QtWindow& window) : window_(window) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    window_.FrameClosing();
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
bool FillsParent(const WindowSpec& window, const ControlSpec& spec) {
  if (spec.kind != ControlKind::Panel) return false;
  if (spec.width == 0 && spec.height == 0) return true;
  return spec.parent.empty() && spec.left == 0 && spec.top == 0 &&
         spec.width == window.width - QtWindow::kFrameWidth &&
         spec.height == window.height - QtWindow::kFrameHeight;
}

}  // namespace

QtWindow::QtWindow(WindowSystem& system, const WindowSpec& spec) : system_(system), spec_(spec) {
  auto* frame = new FrameWidget(*this);
  frame_ = frame;
  frame->setObjectName(QString::fromStdString(spec.name));
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (spec.minimizeBox) flags |= Qt::WindowMinimizeButtonHint;
  if (spec.maximizeBox) flags |= Qt::WindowMaximizeButtonHint;
  frame->setWindowFlags(flags);
  frame->setWindowTitle(QStringFromCp936(spec.caption));
  frame->setFont(QFontFromSpec(spec.font, frame->font()));
  {
    QPalette palette = frame->palette();
    if (spec.font.color != kColorDefault)
      palette.setColor(QPalette::WindowText, QColorFromColorRef(spec.font.color));
    frame->setPalette(palette);
  }
  const QSize client(std::max(spec.width - kFrameWidth, 1), std::max(spec.height - kFrameHeight, 1));
  frame->resize(client);
  if (!spec.resizable) frame->setFixedSize(client);

  for (const ControlSpec& controlSpec : spec.controls) {
    QtControl* parent = nullptr;
    QWidget* parentWidget = frame;
    if (!controlSpec.parent.empty()) {
      auto found = byName_.find(controlSpec.parent);
      if (found == byName_.end()) throw Error("Control '" + controlSpec.parent + "' not found");
      parent = found->second;
      parentWidget = parent->Widget();
    }
    if (byName_.count(controlSpec.name)) throw Error("Duplicate control name '" + controlSpec.name + "'");
    std::unique_ptr<QtControl> control;
    if (controlSpec.kind == ControlKind::UserView) {
      control = std::make_unique<QtUserView>(*this, controlSpec, parent, parentWidget);
    } else {
      control = std::make_unique<QtControl>(*this, controlSpec, parent, parentWidget);
    }
    if (FillsParent(spec, controlSpec)) {
      fillParent_.push_back(control.get());
      control->Widget()->setGeometry(parentWidget->rect());
    }
    byName_[controlSpec.name] = control.get();
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
      return a->Spec().tabOrder < b->Spec().tabOrder;
    });
  }
  auto isField = [&](const QtControl* control) {
    if (control->Spec().tabOrder < 0 || !control->Spec().tabStop) return false;
    if (control->Spec().kind != ControlKind::Panel)
      return control->Spec().kind != ControlKind::Label && control->Spec().kind != ControlKind::MediaPanel;
    auto found = children.find(control);
    if (found == children.end()) return true;
    return std::all_of(found->second.begin(), found->second.end(),
                       [](const QtControl* child) { return child->Spec().kind == ControlKind::ComboBox; });
  };
  std::vector<QtControl*> chain;
  std::function<void(const QtControl*)> walk = [&](const QtControl* parent) {
    auto found = children.find(parent);
    if (found == children.end()) return;
    for (QtControl* control : found->second) {
      if (control->Spec().tabOrder < 0) continue;  // not in the order, nor its children
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

void QtWindow::Fire(const std::function<void()>& handler) {
  if (handler) DispatchEvent(system_, handler);
}

void QtWindow::Show() {
  QWidget* frame = frame_;
  if (visible_ || !frame) return;  // showing a shown window changes nothing and tells nothing
  if (!realised_) {
    realised_ = true;
    // Centred on the screen by its outer size; the first showing realises it at its size, a resize.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      frame->move(area.x() + std::max(0, (area.width() - spec_.width) / 2),
                  area.y() + std::max(0, (area.height() - spec_.height) / 2));
    }
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

void QtWindow::FrameClosing() {
  if (closing_ || !visible_) return;
  closing_ = true;
  Fire(OnClose);
  closing_ = false;
  visible_ = false;
  if (modalLoop_) modalLoop_->quit();
}

void QtWindow::FrameResized() {
  QWidget* frame = frame_;
  if (!frame) return;
  for (QtControl* control : fillParent_) {
    if (QWidget* widget = control->Widget()) widget->setGeometry(widget->parentWidget()->rect());
  }
  if (!realised_ || frame->size() == reportedSize_) return;
  reportedSize_ = frame->size();
  Fire(OnResize);
}

int QtWindow::ClientWidth() const { return frame_ ? frame_->width() : 0; }
int QtWindow::ClientHeight() const { return frame_ ? frame_->height() : 0; }

}  // namespace titrelle
