#include "app/qt/CjkFonts.h"

#include <QString>
#include <QStringList>

namespace usblink::app::qt {

void SubstituteCjkFaces() {
  // Song/Ming faces in the order of preference; fontconfig picks the first installed.
  const QStringList songFaces{"AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC",
                              "Source Han Serif SC", "WenQuanYi Zen Hei"};
  for (const char* face : {"SimSun", "NSimSun"}) {
    const QString name = QString::fromLatin1(face);
    const QStringList present = QFont::substitutes(name);
    for (const QString& song : songFaces) {
      if (!present.contains(song)) QFont::insertSubstitution(name, song);
    }
  }
}

QFont FontOf(const FontSpec& spec) {
  QFont font(QString::fromUtf8(spec.face.data(), static_cast<qsizetype>(spec.face.size())));
  font.setPointSizeF(spec.points);
  font.setBold(spec.bold);
  return font;
}

}  // namespace usblink::app::qt
