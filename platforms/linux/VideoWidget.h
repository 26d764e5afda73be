#pragma once
// The video picture inside the media panel. The player's render thread draws each frame into a back
// buffer and hands it over here; the widget only paints the newest frame on the GUI thread, so rendering
// never holds up the GUI (and with it the millisecond clock).

#include <QImage>
#include <QSize>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace titrelle {

// The hand-over between the render thread and the widget. Shared by both, so that neither outlives what
// the other touches.
class VideoFrames {
 public:
  // GUI thread: the size, in device pixels, frames are to be drawn at.
  void SetTargetSize(QSize size);
  QSize TargetSize() const;

  // Render thread: a buffer to draw a frame of `size` into (reused from earlier frames when it fits).
  QImage TakeBackBuffer(QSize size);
  void ReturnBackBuffer(QImage buffer);
  // Render thread: `buffer` now holds a finished frame of `size`; it becomes the frame shown.
  void Present(QImage buffer, QSize size);

  // The newest frame, cut to its size (null before the first). Shares the pixels; cheap.
  QImage Front() const;
  std::uint64_t PresentedCount() const;

  // For measurements: called on the render thread with each frame as it is handed over, and when.
  using Observer =
      std::function<void(const QImage& frame, std::chrono::steady_clock::time_point presentedAt)>;
  void SetObserver(Observer observer);

 private:
  mutable std::mutex mutex_;
  QSize targetSize_;
  QImage front_;
  QSize frontSize_;
  QImage back_;
  std::uint64_t presentedCount_ = 0;
  Observer observer_;
};

class VideoWidget : public QWidget {
  Q_OBJECT

 public:
  VideoWidget(QWidget* parent, std::shared_ptr<VideoFrames> frames);

 signals:
  // The drawing size changed: a paused picture must be drawn again at the new size.
  void Resized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  std::shared_ptr<VideoFrames> frames_;
};

// The video picture when mpv draws it: a native window of its own inside the panel, whose id mpv takes.
// The program paints nothing into it; mpv keeps its picture at the window's size. Clicks and keys belong to
// the window around it, as with the picture the program draws: mpv is told to take neither, so the X server
// hands a click on to this window, and Qt on to the panel.
class NativeVideoWindow : public QWidget {
  Q_OBJECT

 public:
  explicit NativeVideoWindow(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace titrelle
