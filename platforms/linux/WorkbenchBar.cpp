#include "platforms/linux/WorkbenchBar.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "platforms/linux/QtText.h"
#include "ui/ErrorReport.h"

namespace titrelle {

namespace {

const char kUndoText[] = "\xB3\xB7\xCF\xFA";                     // 撤销
const char kRedoText[] = "\xD6\xD8\xD7\xF6";                     // 重做
const char kKeyHelpText[] = "\xB0\xB4\xBC\xFC\xB0\xEF\xD6\xFA";  // 按键帮助

QPushButton* BarButton(QWidget* parent, const char* name, const char* caption, const char* key) {
  auto* button = new QPushButton(QStringFromCp936(caption), parent);
  button->setObjectName(name);
  button->setToolTip(QString::fromLatin1(key));
  // A click leaves the keys where they were (the user view, the entry box).
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

WorkbenchBarWidget::WorkbenchBarWidget(QWidget* parent) : QWidget(parent) {
  setObjectName("WorkbenchBar");
  undo_ = BarButton(this, "UndoButton", kUndoText, "Ctrl+Z");
  redo_ = BarButton(this, "RedoButton", kRedoText, "Ctrl+Y");
  keyHelp_ = BarButton(this, "KeyHelpButton", kKeyHelpText, "F1");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(undo_);
  layout->addWidget(redo_);
  layout->addStretch(1);
  layout->addWidget(keyHelp_);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QtWorkbenchBar::QtWorkbenchBar(WindowSystem& system, WorkbenchBarWidget* widget) : widget_(widget) {
  const auto fire = [this, &system](std::function<void()> WorkbenchBar::*handler) {
    return [this, &system, handler] {
      if (this->*handler) DispatchEvent(system, this->*handler);
    };
  };
  clicks_ = {
      QObject::connect(widget->UndoButton(), &QPushButton::clicked, widget, fire(&WorkbenchBar::OnUndo)),
      QObject::connect(widget->RedoButton(), &QPushButton::clicked, widget, fire(&WorkbenchBar::OnRedo)),
      QObject::connect(widget->KeyHelpButton(), &QPushButton::clicked, widget,
                       fire(&WorkbenchBar::OnKeyHelp)),
  };
  ShowHistory(false, false);
}

QtWorkbenchBar::~QtWorkbenchBar() {
  // The buttons may outlive the program's side: their clicks reach nothing from now on.
  for (const QMetaObject::Connection& click : clicks_) QObject::disconnect(click);
}

void QtWorkbenchBar::ShowHistory(bool canUndo, bool canRedo) {
  if (!widget_) return;
  widget_->UndoButton()->setEnabled(canUndo);
  widget_->RedoButton()->setEnabled(canRedo);
}

}  // namespace titrelle
