#include "japanese_fonts.h"

#include <QFont>
#include <QStringList>

namespace ui {

void installJapaneseFontSubstitutes()
{
    static const bool installed = [] {
        QFont::insertSubstitutions(
            MinchoFace,
            { QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Serif CJK JP") });
        QFont::insertSubstitutions(
            GothicFace,
            { QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP") });
        QFont::insertSubstitutions(PGothicFace, { QStringLiteral("Noto Sans CJK JP") });
        return true;
    }();
    (void)installed;
}

} // namespace ui
