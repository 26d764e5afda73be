#include "platforms/linux/VideoWidget.h"

#include <QPainter>
#include <QResizeEvent>
#include <cmath>
#include <utility>

namespace titrelle {
namespace {

// Rows aligned to 64 bytes let the software renderer write whole cache lines.
constexpr int kRowAlignmentPixels = 16;

int AlignedWidth(int width) {
  return (width + kRowAlignmentPixels - 1) / kRowAlignmentPixels * kRowAlignmentPixels;
}

}  // namespace

void VideoFrames::SetTargetSize(QSize size) {
  std::lock_guard lock(mutex_);
  targetSize_ = size;
}

QSize VideoFrames::TargetSize() const {
  std::lock_guard lock(mutex_);
  return targetSize_;
}

QImage VideoFrames::TakeBackBuffer(QSize size) {
  QImage buffer;
  {
    std::lock_guard lock(mutex_);
    buffer = std::exchange(back_, QImage());
  }
  if (buffer.isNull() || buffer.width() != AlignedWidth(size.width()) || buffer.height() != size.height()) {
    buffer = QImage(AlignedWidth(size.width()), size.height(), QImage::Format_RGB32);
  }
  return buffer;
}

void VideoFrames::ReturnBackBuffer(QImage buffer) {
  std::lock_guard lock(mutex_);
  back_ = std::move(buffer);
}

void VideoFrames::Present(QImage buffer, QSize size) {
  const auto now = std::chrono::steady_clock::now();
  Observer observer;
  {
    std::lock_guard lock(mutex_);
    back_ = std::exchange(front_, std::move(buffer));
    frontSize_ = size;
    ++presentedCount_;
    observer = observer_;
  }
  if (observer) observer(Front(), now);
}

void VideoFrames::SetObserver(Observer observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

QImage VideoFrames::Front() const {
  QImage front;
  QSize size;
  {
    std::lock_guard lock(mutex_);
    front = front_;
    size = frontSize_;
  }
  if (front.isNull()) return front;
  // A view of the frame's own pixels without the row padding: no copy.
  return QImage(
      front.constBits(), size.width(), size.height(), front.bytesPerLine(), front.format(),
      [](void* image) { delete static_cast<QImage*>(image); }, new QImage(front));
}

std::uint64_t VideoFrames::PresentedCount() const {
  std::lock_guard lock(mutex_);
  return presentedCount_;
}

VideoWidget::VideoWidget(QWidget* parent, std::shared_ptr<VideoFrames> frames)
    : QWidget(parent), frames_(std::move(frames)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  // The picture is the panel's content: clicks and keys belong to the window around it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

void VideoWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QImage frame = frames_->Front();
  if (frame.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  // Frames are drawn at the widget's device size, so this is a plain copy; a frame still of the old size
  // (just after a resize) is scaled until the next one arrives.
  painter.drawImage(rect(), frame);
}

void VideoWidget::resizeEvent(QResizeEvent* event) {
  const qreal ratio = devicePixelRatioF();
  frames_->SetTargetSize(QSize(static_cast<int>(std::lround(event->size().width() * ratio)),
                               static_cast<int>(std::lround(event->size().height() * ratio))));
  emit Resized();
}

NativeVideoWindow::NativeVideoWindow(QWidget* parent) : QWidget(parent) {
  // A window of its own for mpv, without turning the panel and the main window's other parts into windows too.
  setAttribute(Qt::WA_DontCreateNativeAncestors);
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAutoFillBackground(false);
  setFocusPolicy(Qt::NoFocus);
}

void NativeVideoWindow::paintEvent(QPaintEvent*) {
  // mpv's window covers this one: nothing painted here would be seen.
}

}  // namespace titrelle
