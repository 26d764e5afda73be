#include "platforms/linux/QtText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace titrelle {
namespace {

// Opening a converter looks the code page up in ICU's tables, which costs more than converting a short text:
// the clock's labels and time boxes are converted on every tick. One of each a thread, reset between texts.
QStringDecoder& Cp936Decoder() {
  thread_local QStringDecoder decoder("GBK");
  decoder.resetState();
  return decoder;
}

QStringEncoder& Cp936Encoder() {
  thread_local QStringEncoder encoder("GBK");
  encoder.resetState();
  return encoder;
}

}  // namespace

QString QStringFromCp936(std::string_view cp936) {
  QStringDecoder& decoder = Cp936Decoder();
  QString text = decoder.decode(QByteArrayView(cp936.data(), static_cast<qsizetype>(cp936.size())));
  // A lead byte ending the text waits in the decoder for a trail byte that never comes, and would vanish:
  // a NUL after it makes the decoder give it up as U+FFFD (shown and saved as "?"). The NUL goes again.
  text += decoder.decode(QByteArrayView("\0", 1));
  text.chop(1);
  return text;
}

std::string Cp936FromQString(const QString& text, bool* lossy) {
  if (lossy != nullptr) {
    // An encoder's error stays once set, whatever resets it: a fresh one tells about this text alone.
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder.encode(text);
    *lossy = encoder.hasError();
    return bytes.toStdString();
  }
  const QByteArray bytes = Cp936Encoder().encode(text);
  return bytes.toStdString();
}

QColor QColorFromColorRef(unsigned colorRef) {
  return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

unsigned ColorRefFromQColor(const QColor& color) {
  return static_cast<unsigned>(color.red()) | static_cast<unsigned>(color.green()) << 8 |
         static_cast<unsigned>(color.blue()) << 16;
}

}  // namespace titrelle
