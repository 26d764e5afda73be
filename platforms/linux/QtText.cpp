#include "platforms/linux/QtText.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace titrelle {

QString QStringFromCp936(std::string_view cp936) {
  QStringDecoder decoder("GBK");
  return decoder.decode(QByteArrayView(cp936.data(), static_cast<qsizetype>(cp936.size())));
}

std::string Cp936FromQString(const QString& text, bool* lossy) {
  QStringEncoder encoder("GBK");
  const QByteArray bytes = encoder.encode(text);
  if (lossy) *lossy = encoder.hasError();
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
