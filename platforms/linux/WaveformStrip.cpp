#include "platforms/linux/WaveformStrip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "media/TimelineDrawing.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/TextLines.h"

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
const QColor kDraggedFill(240, 170, 60, 90);
const QColor kSpanEdge(0x4d, 0x8f, 0xe0);
const QColor kSpanNumber(0xcf, 0xe0, 0xff);
const QColor kMarkedFill(255, 220, 80, 45);
const QColor kStartMark(0x33, 0xdd, 0x55);
const QColor kEndMark(0xff, 0x55, 0x55);
const QColor kKeyedTick(255, 220, 80);  // where a key was pressed whose mark moved onto the speech
const QColor kPlayHead(Qt::white);
const QColor kProgress(0xe0, 0xb0, 0x40);
const QColor kRuler(0x2a, 0x30, 0x38);
const QColor kRulerTick(0x9a, 0xa4, 0xb0);
const QColor kLabelBand(0x23, 0x29, 0x31);
const QColor kSpanLabel(40, 80, 150, 160);

}  // namespace

WaveformStrip::WaveformStrip(QWidget* parent, const AudioPeaksLoader& peaks) : QWidget(parent), peaks_(peaks) {
  setObjectName("Timeline");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);  // the pointer's shape follows what a press would take
  QFont small = font();
  small.setPixelSize(11);
  setFont(small);
  // A ruler label starts 3 columns right of its tick; none is wider than the longest time, give a digit.
  rulerLabelReach_ = 3 + fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.00"));
  const QFontMetrics metrics = fontMetrics();
  noAudioWidth_ = metrics.horizontalAdvance(QStringFromCp936(kNoAudioText));
  unreadableWidth_ = metrics.horizontalAdvance(QStringFromCp936(kUnreadableText));
}

QRect WaveformStrip::WordArea(AudioPeakTrack::State state) const {
  const bool noAudio = state == AudioPeakTrack::State::kNoAudio;
  if (!noAudio && state != AudioPeakTrack::State::kUnreadable) return QRect();
  // Centred in the band under the labels, a digit's width of room around it.
  const int h = height();
  const int waveTop = h >= 3 * (kRulerHeight + kLabelHeight) ? kRulerHeight + kLabelHeight : 0;
  const QFontMetrics metrics = fontMetrics();
  const int room = metrics.horizontalAdvance(QLatin1Char('0'));
  const int wide = (noAudio ? noAudioWidth_ : unreadableWidth_) + 2 * room;
  const int high = metrics.height() + 2 * room;
  return QRect((width() - wide) / 2, waveTop + (h - waveTop - high) / 2, wide, high);
}

double WaveformStrip::ColumnsPerSecond() const { return view_.ColumnsPerSecond(); }

double WaveformStrip::WindowStartSeconds() const { return shown_.startColumn / shown_.columnsPerSecond; }

int WaveformStrip::ColumnOf(double seconds) const {
  return static_cast<int>(std::llround(seconds * shown_.columnsPerSecond) - shown_.startColumn);
}

double WaveformStrip::SecondsAt(double x) const { return (shown_.startColumn + x) / shown_.columnsPerSecond; }

WaveformStrip::Picture WaveformStrip::Compose() {
  Picture picture;
  picture.columnsPerSecond = view_.ColumnsPerSecond();
  picture.headColumn = view_.HeadColumn();
  picture.startColumn = view_.StartColumn();
  const AudioPeakTrack& track = peaks_.Track();
  picture.state = track.state;
  picture.framesSkipped = track.framesSkipped > 0;
  if (track.state == AudioPeakTrack::State::kNone) return picture;  // no media: nothing at all
  const double start = picture.startColumn / picture.columnsPerSecond;
  const double end = start + width() / picture.columnsPerSecond;
  const auto lastPeak = static_cast<std::int64_t>(std::ceil(end / kPeakSeconds));
  picture.peaksInView =
      static_cast<std::size_t>(std::clamp<std::int64_t>(lastPeak, 0, static_cast<std::int64_t>(track.peaks.size())));
  if (track.state == AudioPeakTrack::State::kReading) {
    picture.progressPercent = static_cast<int>(track.Progress() * 100);
  }
  if (PlayerTimeline* timeline = mouse_.Timeline()) {
    picture.marks = timeline->Marks();
    timeline->SpansBetween(start, end, spansScratch_);
    picture.spans = spansScratch_;
  }
  return picture;
}

void WaveformStrip::Recompose() {
  Picture picture = Compose();
  if (!stale_ && picture == shown_) return;
  const Picture before = std::move(shown_);
  shown_ = std::move(picture);
  const std::int64_t shift = shown_.startColumn - before.startColumn;
  QRegion damage;
  if (stale_ || !ShiftedDamage(before, shown_, shift, damage)) {
    stale_ = false;
    update();
    return;
  }
  if (shift != 0) {
    // The view followed the play head: the window moves what stays in view over (and whatever it still
    // has to paint with it), the rest is drawn anew.
    scroll(static_cast<int>(-shift), 0);
    update(damage);
  }
  // The play head's old column (moved over with the rest) and its new one.
  const auto head = [&](const Picture& shown) {
    const auto x = std::clamp<std::int64_t>(shown.headColumn - shown_.startColumn, -1, width());
    return QRect(static_cast<int>(x), 0, 1, height());
  };
  update(head(before));
  update(head(shown_));
}

bool WaveformStrip::ShiftedDamage(const Picture& before, const Picture& after, std::int64_t shift,
                                  QRegion& damage) const {
  const int w = width();
  const int h = height();
  if (devicePixelRatioF() != 1 || before.columnsPerSecond != after.columnsPerSecond ||
      before.state != after.state || before.progressPercent != after.progressPercent ||
      before.framesSkipped != after.framesSkipped || !(before.marks == after.marks) || std::abs(shift) >= w) {
    return false;
  }
  // The words over the waveform stay where they are: while one shows, a moved view is drawn whole.
  if (shift != 0 && (after.framesSkipped || after.state == AudioPeakTrack::State::kReading)) return false;
  // While the sound is read only the head may move. A word in the middle instead of a waveform stays there
  // while the lines move: where it stood and where it stands are drawn again.
  const bool word = WordArea(after.state).isValid();
  if (after.state != AudioPeakTrack::State::kReady && (shift == 0 || !word)) {
    return shift == 0 && before.peaksInView == after.peaksInView && before.spans == after.spans;
  }
  // The lines both views hold must be the same lines: else the document changed.
  const double cps = after.columnsPerSecond;
  const auto within = [&](const TimelineSpan& span, std::int64_t startColumn) {
    return span.endSeconds * cps >= static_cast<double>(startColumn) &&
           span.startSeconds * cps <= static_cast<double>(startColumn + w);
  };
  auto old = before.spans.begin();
  for (const TimelineSpan& span : after.spans) {
    if (!within(span, before.startColumn)) continue;
    while (old != before.spans.end() && !within(*old, after.startColumn)) ++old;
    if (old == before.spans.end() || !(*old == span)) return false;
    ++old;
  }
  while (old != before.spans.end() && !within(*old, after.startColumn)) ++old;
  if (old != before.spans.end()) return false;
  if (shift == 0) return true;

  damage += shift > 0 ? QRect(w - static_cast<int>(shift), 0, static_cast<int>(shift), h)
                      : QRect(0, 0, static_cast<int>(-shift), h);
  // The ruler's first tick is the last one at or before the view's start: the labels of the ticks before
  // it come and go at the left edge, as far as a label reaches (past the columns brought in, going back).
  // A line across an edge has its label held at the view's edge and cut to what shows: its part of the
  // view is drawn again, in the picture before (moved over) and after.
  const bool roomy = h >= 3 * (kRulerHeight + kLabelHeight);
  if (roomy) {
    const auto back = static_cast<int>(std::max<std::int64_t>(-shift, 0));
    damage += QRect(0, 0, back + rulerLabelReach_, kRulerHeight);
  }
  damage += QRect(0, 0, 4, h);
  damage += QRect(w - 4, 0, 4, h);
  if (word) {
    damage += WordArea(after.state);
    damage += WordArea(after.state).translated(static_cast<int>(-shift), 0);
  }
  const int labelTop = roomy ? kRulerHeight : 0;
  const int labelHeight = roomy ? kLabelHeight : h;
  for (const auto& [picture, offset] : {std::pair{&before, shift}, std::pair{&after, std::int64_t{0}}}) {
    for (const TimelineSpan& span : picture->spans) {
      const std::int64_t left = std::llround(span.startSeconds * cps) - picture->startColumn;
      const std::int64_t right = std::llround(span.endSeconds * cps) - picture->startColumn;
      if (left < 1) {
        const auto end = std::clamp<std::int64_t>(right, -4, w) + 3;
        damage += QRect(static_cast<int>(-offset), labelTop, static_cast<int>(end) + 1, labelHeight);
      }
      if (right >= w - 1) {
        const auto from = std::clamp<std::int64_t>(left, 0, w + 4) - 3;
        damage += QRect(static_cast<int>(from - offset), labelTop, static_cast<int>(w + 1 - from), labelHeight);
      }
    }
  }
  damage &= rect();
  return true;
}

void WaveformStrip::ShowPosition(double positionSeconds) {
  view_.ShowPosition(positionSeconds);
  Recompose();
}

void WaveformStrip::ZoomAround(double x, double factor) {
  view_.ZoomAround(x, factor);
  Recompose();
}

void WaveformStrip::resizeEvent(QResizeEvent*) {
  view_.SetWidth(width());
  stale_ = true;
  Recompose();
}

void WaveformStrip::SetTimeline(PlayerTimeline* timeline) {
  if (mouse_.Timeline() != timeline) EndSpanDrag();
  mouse_.SetTimeline(timeline);
}

void WaveformStrip::ShowGrab(double x) {
  const TimelineGrab grab = shown_.state != AudioPeakTrack::State::kNone
                                ? mouse_.GrabAt(SecondsAt(x), 1 / shown_.columnsPerSecond)
                                : TimelineGrab::None;
  switch (grab) {
    case TimelineGrab::StartEdge:
    case TimelineGrab::EndEdge:
      setCursor(Qt::SizeHorCursor);
      break;
    case TimelineGrab::Whole:
      setCursor(draggingSpan_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
      break;
    case TimelineGrab::None:
      unsetCursor();
      break;
  }
}

void WaveformStrip::EndSpanDrag() {
  if (!draggingSpan_) return;
  draggingSpan_ = false;
  mouse_.CancelDrag();
  Recompose();
}

void WaveformStrip::hideEvent(QHideEvent*) {
  pressed_ = false;
  EndSpanDrag();
}

void WaveformStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragging_ = false;
  draggingSpan_ = false;
  pressX_ = event->position().x();
  view_.PressGround();
  if (mouse_.Timeline() != nullptr && shown_.state != AudioPeakTrack::State::kNone) {
    draggingSpan_ = mouse_.PressAt(SecondsAt(pressX_), 1 / shown_.columnsPerSecond);
    ShowGrab(pressX_);
  }
}

void WaveformStrip::mouseMoveEvent(QMouseEvent* event) {
  const double x = event->position().x();
  if (!pressed_) {
    ShowGrab(x);
    return;
  }
  const double moved = x - pressX_;
  if (!dragging_ && std::abs(moved) < QApplication::startDragDistance()) return;
  dragging_ = true;
  if (draggingSpan_) {
    // The view stays; the line is drawn where it would land.
    mouse_.DragTo(SecondsAt(x));
    Recompose();
    return;
  }
  view_.DragGround(moved);
  Recompose();
}

void WaveformStrip::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  const double x = event->position().x();
  if (draggingSpan_ && dragging_) {
    draggingSpan_ = false;
    dragging_ = false;
    mouse_.ReleaseAt(SecondsAt(x));
    Recompose();
    ShowGrab(x);
    return;
  }
  // A press on a line that did not move is a click: nothing is dragged.
  EndSpanDrag();
  ShowGrab(x);
  if (dragging_) {
    dragging_ = false;
    return;
  }
  // The view stays where it is, the play head going where the user pointed.
  view_.Click();
  emit SeekRequested(std::max(SecondsAt(x), 0.0));
}

void WaveformStrip::wheelEvent(QWheelEvent* event) {
  const int notches = event->angleDelta().y();
  if (notches == 0) {
    event->ignore();
    return;
  }
  view_.Wheel(event->position().x(), notches);
  Recompose();
  event->accept();
}

void WaveformStrip::paintEvent(QPaintEvent* event) {
  ++paintCount_;
  const QRegion& area = event->region();
  for (const QRect& part : area) pixelsDrawn_ += static_cast<std::uint64_t>(part.width()) * part.height();
  QPainter painter(this);
  DrawUnderHead(painter, area);
  if (shown_.state == AudioPeakTrack::State::kNone) return;
  const int w = width();
  const int h = height();
  const bool roomy = h >= 3 * (kRulerHeight + kLabelHeight);
  const int waveTop = roomy ? kRulerHeight + kLabelHeight : 0;
  const std::int64_t head = shown_.headColumn - shown_.startColumn;
  if (head >= 0 && head < w) painter.fillRect(static_cast<int>(head), 0, 1, h, kPlayHead);
  if (shown_.framesSkipped) {
    painter.setPen(kProgress);
    painter.drawText(QRect(3, waveTop, w - 6, h - waveTop - 3), Qt::AlignLeft | Qt::AlignBottom,
                     QStringFromCp936(kSkippedText));
  }
  if (shown_.state == AudioPeakTrack::State::kReading) {
    painter.fillRect(0, h - 2, w * shown_.progressPercent / 100, 2, kProgress);
    painter.setPen(kProgress);
    painter.drawText(QRect(0, waveTop, w - 3, h - waveTop - 3), Qt::AlignRight | Qt::AlignBottom,
                     QStringFromCp936(kReadingText) + QString(" %1%").arg(shown_.progressPercent));
  }
}

void WaveformStrip::DrawUnderHead(QPainter& painter, const QRegion& area) {
  const int w = width();
  const int h = height();
  const QRect bounds = area.boundingRect() & rect();
  painter.fillRect(bounds, kBackground);  // the painter keeps to the area itself
  if (shown_.state == AudioPeakTrack::State::kNone) return;
  // Without a waveform (no sound, or none that reads) a word says why, and the lines are there all the same.
  const bool noWave =
      shown_.state == AudioPeakTrack::State::kNoAudio || shown_.state == AudioPeakTrack::State::kUnreadable;

  // A strip too low for the ruler and the labels is all waveform.
  const bool roomy = h >= 3 * (kRulerHeight + kLabelHeight);
  const int ruler = roomy ? kRulerHeight : 0;
  const int band = roomy ? kLabelHeight : 0;
  const int waveTop = ruler + band;
  const int below = h - ruler;
  const auto column = [&](double seconds) { return ColumnOf(seconds); };
  if (band > 0) painter.fillRect(QRect(0, ruler, w, band) & bounds, kLabelBand);
  // The lines already written, under the waveform: each block's fill, its label's band, its edges, drawn
  // a kind at a time (zoomed out, hundreds of them). Only those that meet the area are drawn.
  spansMet_.clear();
  blocksScratch_.clear();
  draggedScratch_.clear();
  labelsScratch_.clear();
  edgesScratch_.clear();
  for (const TimelineSpan& span : shown_.spans) {
    const int left = std::clamp(column(span.startSeconds), -1, w + 1);
    const int right = std::clamp(column(span.endSeconds), -1, w + 1);
    const int wide = std::max(right - left, 1);
    const QRect block(left, ruler, wide, below);
    if (!area.intersects(block)) continue;
    spansMet_.push_back(&span);
    (span.dragged ? draggedScratch_ : blocksScratch_).push_back(block);
    if (band > 0) labelsScratch_.push_back(QRect(left, ruler, wide, band));
    edgesScratch_.push_back(QRect(left, ruler, 1, below));
    if (wide > 2) edgesScratch_.push_back(QRect(right - 1, ruler, 1, below));
  }
  painter.setPen(Qt::NoPen);
  for (const auto& [rects, colour] :
       {std::pair{&blocksScratch_, kSpanFill}, std::pair{&draggedScratch_, kDraggedFill},
        std::pair{&labelsScratch_, kSpanLabel}, std::pair{&edgesScratch_, kSpanEdge}}) {
    painter.setBrush(colour);
    painter.drawRects(rects->data(), static_cast<int>(rects->size()));
  }
  painter.setBrush(Qt::NoBrush);
  // The line being timed, between its marks.
  if (shown_.marks.startSeconds && shown_.marks.endSeconds) {
    const int left = std::clamp(column(*shown_.marks.startSeconds), -1, w + 1);
    const int right = std::clamp(column(*shown_.marks.endSeconds), -1, w + 1);
    painter.fillRect(left, ruler, std::max(right - left, 1), below, kMarkedFill);
  }
  if (noWave) {
    if (area.intersects(WordArea(shown_.state))) {
      painter.setPen(QColor(0xb0, 0xb0, 0xb0));
      const bool noAudio = shown_.state == AudioPeakTrack::State::kNoAudio;
      painter.drawText(QRect(0, waveTop, w, h - waveTop), Qt::AlignCenter,
                       QStringFromCp936(noAudio ? kNoAudioText : kUnreadableText));
    }
  } else {
    DrawWaveform(painter, area, waveTop, h - waveTop);
  }
  // Each line's number and as much of its text as its block holds; a line that began before the view has
  // them at the view's edge. A block too narrow for its number (zoomed far out) has none. A label that
  // does not meet the area is not even laid out.
  painter.setPen(kSpanNumber);
  const QFontMetrics metrics = fontMetrics();
  const int baseline = (band > 0 ? ruler + (band + metrics.ascent() - metrics.descent()) / 2 : 10);
  const int digitWidth = metrics.horizontalAdvance(QLatin1Char('0'));
  for (const TimelineSpan* met : spansMet_) {
    const TimelineSpan& span = *met;
    const int left = std::max(column(span.startSeconds), 0) + 2;
    const int room = std::min(column(span.endSeconds), w) - 2 - left;
    const QString number = QString::number(span.number);
    const int numberWidth = digitWidth * static_cast<int>(number.size());
    if (room < numberWidth) continue;
    if (!area.intersects(QRect(left - 2, 0, room + 4, band > 0 ? ruler + band : h))) continue;
    if (span.text.empty() || room < numberWidth + 2 * digitWidth) {
      painter.drawText(left, baseline, number);
    } else {
      // No character is narrower than a pixel: the label never needs more bytes than the block has pixels.
      const QString label =
          number + ' ' + QStringFromCp936(LeadingCharacters(span.text, static_cast<std::size_t>(room)));
      painter.drawText(left, baseline, metrics.elidedText(label, Qt::ElideRight, room));
    }
  }
  if (shown_.marks.startSeconds) painter.fillRect(column(*shown_.marks.startSeconds), ruler, 2, below, kStartMark);
  if (shown_.marks.endSeconds) painter.fillRect(column(*shown_.marks.endSeconds) - 1, ruler, 2, below, kEndMark);
  for (const double keyed : shown_.marks.keyedSeconds)
    painter.fillRect(column(keyed), h - below / 2, 1, below / 2, kKeyedTick);
  if (ruler > 0 && area.intersects(QRect(0, 0, w, kRulerHeight))) DrawRuler(painter, area);
}

void WaveformStrip::DrawRuler(QPainter& painter, const QRegion& area) const {
  painter.fillRect(QRect(0, 0, width(), kRulerHeight) & area.boundingRect(), kRuler);
  Ruler ruler;
  ComposeRuler(WindowStartSeconds(), WindowStartSeconds() + width() / shown_.columnsPerSecond,
               shown_.columnsPerSecond, ruler);
  painter.setPen(kRulerTick);
  for (const RulerTick& tick : ruler.ticks) {
    const int x = ColumnOf(tick.seconds);
    if (!tick.labelled) {
      painter.fillRect(x, kRulerHeight - 4, 1, 4, kRulerTick);
      continue;
    }
    painter.fillRect(x, 0, 1, kRulerHeight, kRulerTick);
    if (!area.intersects(QRect(x, 0, rulerLabelReach_, kRulerHeight))) continue;
    painter.drawText(x + 3, kRulerHeight - 4, QString::fromStdString(RulerText(tick.seconds, ruler.tenths)));
  }
}

void WaveformStrip::DrawWaveform(QPainter& painter, const QRegion& area, int top, int height) {
  // The columns the area covers, in runs: each run's columns are reckoned as a whole drawing reckons them.
  std::vector<std::pair<int, int>> runs;
  for (const QRect& part : area) {
    if (part.bottom() >= top && part.top() < top + height) runs.emplace_back(part.left(), part.right() + 1);
  }
  std::sort(runs.begin(), runs.end());
  waveScratch_.clear();
  int done = 0;
  for (auto [from, to] : runs) {
    from = std::max({from, done, 0});
    to = std::min(to, width());
    if (from >= to) continue;
    done = to;
    ComposeWaveform(peaks_.Track().peaks, shown_.peaksInView, to - from,
                    (shown_.startColumn + from) / shown_.columnsPerSecond, shown_.columnsPerSecond, top, height,
                    columnsScratch_);
    for (const WaveColumn& column : columnsScratch_) {
      waveScratch_.push_back(QRect(from + column.x, column.top, 1, column.height));
    }
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(kWave);
  painter.drawRects(waveScratch_.data(), static_cast<int>(waveScratch_.size()));
  painter.setBrush(Qt::NoBrush);
}

}  // namespace titrelle
