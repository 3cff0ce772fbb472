// The Japanese faces of the program.
//
// The faces the forms and printouts name ("ＭＳ 明朝", "ＭＳ ゴシック", "ＭＳ Ｐゴシック") are
// Windows fonts. Where they are missing, Qt is told to use the Noto CJK faces instead; the
// fixed-pitch ones come first, so that columns aligned with blanks (the printed target list)
// stay aligned: a half-width character is half as wide as a full-width one.
//
// Text whose face the forms do not name is shown in the system's Japanese user-interface face,
// whatever the locale: under a Japanese locale the system's default face is a Japanese one,
// elsewhere it often is not (DejaVu Sans under en_US), and each kanji or kana would then be
// drawn from whichever fallback face the system picks, Chinese forms and other line heights
// included.
#pragma once

#include <QString>

namespace ui {

inline const QString MinchoFace = QStringLiteral("ＭＳ 明朝");
inline const QString GothicFace = QStringLiteral("ＭＳ ゴシック");
inline const QString PGothicFace = QStringLiteral("ＭＳ Ｐゴシック");

// The Japanese user-interface face: the system's default face when it holds Japanese,
// otherwise Noto Sans CJK JP where that is installed, otherwise the system's default face.
QString japaneseUiFamily();

// Registers the substitutes and makes the Japanese user-interface face the program's default
// font, once for the whole program; later calls do nothing.
void installJapaneseFonts();

} // namespace ui
