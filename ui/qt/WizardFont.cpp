#include "ui/qt/WizardFont.h"

#include <QStringList>

QFont WizardFont(int pixelSize) {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setWeight(QFont::Normal);
  return font;
}
