// The Japanese faces the forms and printouts name ("ＭＳ 明朝", "ＭＳ ゴシック",
// "ＭＳ Ｐゴシック") are Windows fonts. Where they are missing, Qt is told to use the Noto CJK
// faces instead; the fixed-pitch ones come first, so that columns aligned with blanks (the
// printed target list) stay aligned: a half-width character is half as wide as a full-width one.
#pragma once

#include <QString>

namespace ui {

inline const QString MinchoFace = QStringLiteral("ＭＳ 明朝");
inline const QString GothicFace = QStringLiteral("ＭＳ ゴシック");
inline const QString PGothicFace = QStringLiteral("ＭＳ Ｐゴシック");

// Registers the substitutes once for the whole program; later calls do nothing.
void installJapaneseFontSubstitutes();

} // namespace ui
