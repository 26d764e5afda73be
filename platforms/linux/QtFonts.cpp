#include "platforms/linux/QtFonts.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <set>

#include "platforms/linux/QtText.h"

namespace titrelle {

void InstallFontSubstitutions() {
  // WenQuanYi Micro Hei holds Latin and Chinese glyphs of one design, and its Latin letters are narrow
  // enough for captions laid out for MS Sans Serif. 宋体 is a serif face: a Song face is used where one is
  // installed, else the same sans face as 黑体.
  const QStringList sans = {"WenQuanYi Micro Hei", "DejaVu Sans"};
  const QStringList hei = {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback"};
  const QStringList song = {"AR PL UMing CN", "Noto Serif CJK SC", "WenQuanYi Micro Hei",
                            "Droid Sans Fallback"};
  QFont::insertSubstitutions("MS Sans Serif", sans);
  QFont::insertSubstitutions("Microsoft Sans Serif", sans);
  QFont::insertSubstitutions(QString::fromUtf8("黑体"), hei);
  QFont::insertSubstitutions("SimHei", hei);
  QFont::insertSubstitutions(QString::fromUtf8("宋体"), song);
  QFont::insertSubstitutions("SimSun", song);
}

QFont QFontFromLook(const FontLook& entry, const QFont& base) {
  QFont font = base;
  if (!entry.face.empty()) font.setFamilies({QStringFromCp936(entry.face)});
  if (entry.heightPixels > 0) {
    font.setPixelSize(entry.heightPixels);
  } else if (entry.points > 0) {
    font.setPointSize(entry.points);
  }
  if (entry.bold) font.setBold(true);
  return font;
}

std::vector<std::string> ScreenFontFamilyNames() {
  // Qt tells families apart by foundry ("Nimbus Sans [urw]"); the system's list names each family once.
  static const QRegularExpression foundry(R"(\s*\[[^\]]*\]$)");
  std::set<std::string> names;
  for (QString family : QFontDatabase::families()) {
    if (QFontDatabase::isPrivateFamily(family)) continue;
    family.remove(foundry);
    bool lossy = false;
    std::string name = Cp936FromQString(family, &lossy);
    if (!lossy && !name.empty()) names.insert(std::move(name));
  }
  return {names.begin(), names.end()};
}

}  // namespace titrelle
