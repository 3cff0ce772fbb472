#include "japanese_fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace ui {

QString japaneseUiFamily()
{
    const QString system = QFontInfo(QGuiApplication::font()).family();
    if (QFontDatabase::writingSystems(system).contains(QFontDatabase::Japanese))
        return system;
    const QString noto = QStringLiteral("Noto Sans CJK JP");
    return QFontDatabase::hasFamily(noto) ? noto : system;
}

void installJapaneseFonts()
{
    static const bool installed = [] {
        QFont::insertSubstitutions(
            MinchoFace,
            { QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Serif CJK JP") });
        QFont::insertSubstitutions(
            GothicFace,
            { QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP") });
        QFont::insertSubstitutions(PGothicFace, { QStringLiteral("Noto Sans CJK JP") });
        QFont font = QApplication::font();
        font.setFamilies({ japaneseUiFamily() });
        QApplication::setFont(font);
        return true;
    }();
    (void)installed;
}

} // namespace ui
