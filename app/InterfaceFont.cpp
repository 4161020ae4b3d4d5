#include "app/InterfaceFont.h"

#include <QFontDatabase>
#include <QStringList>

QFont InterfaceFont()
{
    QStringList Families{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")};
    const QStringList Japanese = QFontDatabase::families(QFontDatabase::Japanese);
    if (!Japanese.isEmpty()) Families << Japanese.constFirst();
    QFont Font;
    Font.setFamilies(Families);
    Font.setPixelSize(12);
    return Font;
}

bool JapaneseFontInstalled()
{
    return !QFontDatabase::families(QFontDatabase::Japanese).isEmpty();
}
