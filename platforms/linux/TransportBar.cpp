#include "platforms/linux/TransportBar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <cmath>

#include "platforms/linux/PlaybackClock.h"

namespace titrelle {

namespace {

constexpr int kButtonSize = 22;
constexpr int kVolumeWidth = 48;

QToolButton* MakeButton(QWidget* parent, QStyle::StandardPixmap icon) {
  auto* button = new QToolButton(parent);
  button->setIcon(parent->style()->standardIcon(icon));
  button->setAutoRaise(true);
  button->setFixedSize(kButtonSize, kButtonSize);
  // Clicks leave the focus with the panel, whose keys (Space, Left, Right) then work.
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

int Milliseconds(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return 0;
  return static_cast<int>(std::min(seconds * 1000, 2e9));
}

}  // namespace

SeekSlider::SeekSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void SeekSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    if (!handle.contains(event->position().toPoint())) {
      const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
      const int span = std::max(groove.width() - handle.width(), 1);
      const int at = event->position().toPoint().x() - groove.x() - handle.width() / 2;
      const int value = QStyle::sliderValueFromPosition(minimum(), maximum(), at, span);
      setValue(value);
      emit Jumped(value);
    }
  }
  // The handle is under the pointer now: holding on drags it.
  QSlider::mousePressEvent(event);
}

TransportBar::TransportBar(QWidget* parent) : QWidget(parent) {
  // The video panel is black behind the picture; the transport has the window's own colours.
  // (Each colour set explicitly: the application's palette counts as set by nobody, so the panel's black
  // would win.)
  const QPalette application = QApplication::palette();
  QPalette own;
  for (int role = 0; role < QPalette::NColorRoles; ++role) {
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      own.setBrush(group, static_cast<QPalette::ColorRole>(role),
                   application.brush(group, static_cast<QPalette::ColorRole>(role)));
    }
  }
  setPalette(own);
  setAutoFillBackground(true);
  play_ = MakeButton(this, QStyle::SP_MediaPlay);
  stop_ = MakeButton(this, QStyle::SP_MediaStop);
  seek_ = new SeekSlider(this);
  seek_->setFocusPolicy(Qt::NoFocus);
  seek_->setRange(0, 0);
  time_ = new QLabel(this);
  QFont small = time_->font();
  small.setPixelSize(11);
  time_->setFont(small);
  time_->setText("00:00 / 00:00");
  mute_ = MakeButton(this, QStyle::SP_MediaVolume);
  mute_->setCheckable(true);
  volume_ = new QSlider(Qt::Horizontal, this);
  volume_->setFocusPolicy(Qt::NoFocus);
  volume_->setRange(0, 100);
  volume_->setValue(100);
  volume_->setFixedWidth(kVolumeWidth);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 1, 4, 1);
  row->setSpacing(2);
  row->addWidget(play_);
  row->addWidget(stop_);
  row->addWidget(seek_, 1);
  row->addWidget(time_);
  row->addWidget(mute_);
  row->addWidget(volume_);

  connect(play_, &QToolButton::clicked, this, &TransportBar::PlayPauseClicked);
  connect(stop_, &QToolButton::clicked, this, &TransportBar::StopClicked);
  connect(seek_, &QSlider::sliderMoved, this, [this](int value) { emit SeekRequested(value / 1000.0); });
  connect(seek_, &SeekSlider::Jumped, this, [this](int value) { emit SeekRequested(value / 1000.0); });
  connect(volume_, &QSlider::valueChanged, this, &TransportBar::VolumeChanged);
  connect(mute_, &QToolButton::toggled, this, [this](bool muted) {
    mute_->setIcon(style()->standardIcon(muted ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume));
    emit MuteToggled(muted);
  });
}

void TransportBar::ShowPosition(double positionSeconds, double durationSeconds, bool playing) {
  if (playing != playing_) {
    playing_ = playing;
    play_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
  }
  const int length = Milliseconds(durationSeconds);
  if (seek_->maximum() != length) seek_->setRange(0, length);
  if (!seek_->isSliderDown()) {
    const int value = std::min(Milliseconds(positionSeconds), length);
    const int span = seek_->width();
    if (QStyle::sliderPositionFromValue(0, length, value, span) !=
        QStyle::sliderPositionFromValue(0, length, seek_->value(), span)) {
      seek_->setValue(value);
    }
  }
  const QString time = QString::fromStdString(FormatPositionString(std::max(positionSeconds, 0.0)) + " / " +
                                              FormatPositionString(std::max(durationSeconds, 0.0)));
  if (time_->text() != time) time_->setText(time);
}

}  // namespace titrelle
