#pragma once
// The Qt edge of the program's texts and colours: the core speaks code page 936 bytes and COLORREF values,
// Qt speaks QString and QColor. Every conversion of the Linux shell goes through here.

#include <QColor>
#include <QString>
#include <string>
#include <string_view>

namespace titrelle {

QString QStringFromCp936(std::string_view cp936);
// A character that code page 936 cannot hold becomes "?", and *lossy is set.
std::string Cp936FromQString(const QString& text, bool* lossy = nullptr);

// COLORREF: red in the lowest byte, blue in the third.
QColor QColorFromColorRef(unsigned colorRef);
unsigned ColorRefFromQColor(const QColor& color);

}  // namespace titrelle
