#include "platforms/linux/WaveformStrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platforms/linux/QtText.h"

namespace titrelle {

namespace {

const char kNoAudioText[] =
    "\xC3\xBB\xD3\xD0\xD2\xF4\xB9\xEC\xA3\xAC\xCE\xDE\xB7\xA8\xCF\xD4\xCA\xBE\xB2\xA8\xD0\xCE";  // 没有音轨，无法显示波形
// 无法读取音轨，不能显示波形
const char kUnreadableText[] =
    "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xD2\xF4\xB9\xEC\xA3\xAC\xB2\xBB\xC4\xDC\xCF\xD4\xCA\xBE\xB2\xA8\xD0\xCE";
// 音轨时间有误，部分波形未显示
const char kSkippedText[] =
    "\xD2\xF4\xB9\xEC\xCA\xB1\xBC\xE4\xD3\xD0\xCE\xF3\xA3\xAC\xB2\xBF\xB7\xD6\xB2\xA8\xD0\xCE\xCE\xB4\xCF\xD4\xCA\xBE";
const char kReadingText[] = "\xD5\xFD\xD4\xDA\xB6\xC1\xC8\xA1\xD2\xF4\xC6\xB5";  // 正在读取音频

const QColor kBackground(0x1b, 0x1f, 0x24);
const QColor kWave(0x5f, 0xd3, 0x8d);
const QColor kSpanFill(70, 130, 220, 70);
const QColor kSpanEdge(0x4d, 0x8f, 0xe0);
const QColor kSpanNumber(0xcf, 0xe0, 0xff);
const QColor kMarkedFill(255, 220, 80, 45);
const QColor kStartMark(0x33, 0xdd, 0x55);
const QColor kEndMark(0xff, 0x55, 0x55);
const QColor kPlayHead(Qt::white);
const QColor kProgress(0xe0, 0xb0, 0x40);

}  // namespace

WaveformStrip::WaveformStrip(QWidget* parent, const AudioPeaksLoader& peaks) : QWidget(parent), peaks_(peaks) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  QFont small = font();
  small.setPixelSize(10);
  setFont(small);
}

double WaveformStrip::ColumnsPerSecond() const { return std::max(width(), 1) / kWindowSeconds; }

double WaveformStrip::WindowStartSeconds() const { return shown_.startColumn / ColumnsPerSecond(); }

int WaveformStrip::ColumnOf(double seconds) const {
  return static_cast<int>(std::lround(seconds * ColumnsPerSecond()) - shown_.startColumn);
}

WaveformStrip::Picture WaveformStrip::Compose(double positionSeconds) {
  Picture picture;
  if (!std::isfinite(positionSeconds)) positionSeconds = 0;
  // The play head stays in the middle; the rest moves by whole columns.
  picture.startColumn = std::llround(positionSeconds * ColumnsPerSecond()) - width() / 2;
  const AudioPeakTrack& track = peaks_.Track();
  picture.state = track.state;
  picture.framesSkipped = track.framesSkipped > 0;
  if (track.state == AudioPeakTrack::State::kNoAudio || track.state == AudioPeakTrack::State::kUnreadable ||
      track.state == AudioPeakTrack::State::kNone) {
    return picture;  // nothing but the word, or nothing at all
  }
  const double start = picture.startColumn / ColumnsPerSecond();
  const auto lastPeak = static_cast<std::int64_t>(std::ceil((start + kWindowSeconds) / kPeakSeconds));
  picture.peaksInView =
      static_cast<std::size_t>(std::clamp<std::int64_t>(lastPeak, 0, static_cast<std::int64_t>(track.peaks.size())));
  if (track.state == AudioPeakTrack::State::kReading) {
    picture.progressPercent = static_cast<int>(track.Progress() * 100);
  }
  if (timeline_ != nullptr) {
    picture.marks = timeline_->Marks();
    timeline_->SpansBetween(start, start + kWindowSeconds, spansScratch_);
    picture.spans = spansScratch_;
  }
  return picture;
}

void WaveformStrip::ShowPosition(double positionSeconds) {
  Picture picture = Compose(positionSeconds);
  if (!stale_ && picture == shown_) return;
  stale_ = false;
  shown_ = std::move(picture);
  update();
}

void WaveformStrip::resizeEvent(QResizeEvent*) { stale_ = true; }

void WaveformStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  emit SeekRequested(std::max(WindowStartSeconds() + event->position().x() / ColumnsPerSecond(), 0.0));
}

void WaveformStrip::paintEvent(QPaintEvent*) {
  ++paintCount_;
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  const int w = width();
  const int h = height();
  if (shown_.state == AudioPeakTrack::State::kNoAudio || shown_.state == AudioPeakTrack::State::kUnreadable) {
    painter.setPen(QColor(0xb0, 0xb0, 0xb0));
    const bool noAudio = shown_.state == AudioPeakTrack::State::kNoAudio;
    painter.drawText(rect(), Qt::AlignCenter, QStringFromCp936(noAudio ? kNoAudioText : kUnreadableText));
    return;
  }
  if (shown_.state != AudioPeakTrack::State::kReading && shown_.state != AudioPeakTrack::State::kReady) return;

  const double start = WindowStartSeconds();
  const double columns = ColumnsPerSecond();
  const auto column = [&](double seconds) {
    return static_cast<int>(std::lround(seconds * columns) - shown_.startColumn);
  };
  // The lines already written, under the waveform.
  for (const TimelineSpan& span : shown_.spans) {
    const int left = std::clamp(column(span.startSeconds), -1, w + 1);
    const int right = std::clamp(column(span.endSeconds), -1, w + 1);
    painter.fillRect(left, 0, std::max(right - left, 1), h, kSpanFill);
    painter.fillRect(left, 0, 1, h, kSpanEdge);
  }
  // The line being timed, between its marks.
  if (shown_.marks.startSeconds && shown_.marks.endSeconds) {
    const int left = std::clamp(column(*shown_.marks.startSeconds), -1, w + 1);
    const int right = std::clamp(column(*shown_.marks.endSeconds), -1, w + 1);
    painter.fillRect(left, 0, std::max(right - left, 1), h, kMarkedFill);
  }
  DrawWaveform(painter, start);
  painter.setPen(kSpanNumber);
  for (const TimelineSpan& span : shown_.spans) {
    const int left = column(span.startSeconds);
    // A line that began before the strip has its number at the strip's edge.
    painter.drawText(std::max(left, 0) + 2, 10, QString::number(span.number));
  }
  if (shown_.marks.startSeconds) painter.fillRect(column(*shown_.marks.startSeconds), 0, 2, h, kStartMark);
  if (shown_.marks.endSeconds) painter.fillRect(column(*shown_.marks.endSeconds) - 1, 0, 2, h, kEndMark);
  painter.fillRect(w / 2, 0, 1, h, kPlayHead);
  if (shown_.framesSkipped) {
    painter.setPen(kProgress);
    painter.drawText(QRect(3, 0, w - 6, h - 3), Qt::AlignLeft | Qt::AlignBottom, QStringFromCp936(kSkippedText));
  }
  if (shown_.state == AudioPeakTrack::State::kReading) {
    painter.fillRect(0, h - 2, w * shown_.progressPercent / 100, 2, kProgress);
    painter.setPen(kProgress);
    painter.drawText(QRect(0, 0, w - 3, h - 3), Qt::AlignRight | Qt::AlignBottom,
                     QStringFromCp936(kReadingText) + QString(" %1%").arg(shown_.progressPercent));
  }
}

void WaveformStrip::DrawWaveform(QPainter& painter, double startSeconds) const {
  const std::vector<AudioPeak>& peaks = peaks_.Track().peaks;
  const std::size_t available = std::min(peaks.size(), shown_.peaksInView);
  const int w = width();
  const int middle = height() / 2;
  const double halfHeight = (height() - 2) / 2.0;
  const double columns = ColumnsPerSecond();
  for (int x = 0; x < w; ++x) {
    const double from = startSeconds + x / columns;
    const double to = startSeconds + (x + 1) / columns;
    if (to <= 0) continue;
    const auto first = static_cast<std::size_t>(std::max(std::floor(from / kPeakSeconds), 0.0));
    const auto last = std::max(static_cast<std::size_t>(std::max(std::floor(to / kPeakSeconds), 0.0)), first + 1);
    if (first >= available) break;
    int low = 0;
    int high = 0;
    for (std::size_t i = first; i < std::min(last, available); ++i) {
      low = std::min<int>(low, peaks[i].low);
      high = std::max<int>(high, peaks[i].high);
    }
    const int top = middle - static_cast<int>(std::lround(high * halfHeight / 32767));
    const int bottom = middle - static_cast<int>(std::lround(low * halfHeight / 32767));
    painter.fillRect(x, top, 1, std::max(bottom - top, 0) + 1, kWave);
  }
}

}  // namespace titrelle
