#pragma once

#include "desktop/dialog_metrics.h"

#include <QFont>
#include <QString>
#include <array>

namespace morvanex::qt {

// A font given as the platform's font creation takes it: height is the character cell in pixels
// (ascent + descent, not the em), width the character pitch. The face is resolved through
// fontconfig; the em is derived from the cell of the face actually used, and the glyphs are
// stretched, with a spacing for what stretching cannot reach, so that the pitch comes out exact.
QFont logicalFont(const QString& face, int height, int width, int weight = QFont::Normal);
// The same with a dialog's font of dialog_metrics.h.
QFont logicalFont(const QString& face, const metrics::ListFont& font);

inline const QString courierNew = QStringLiteral("Courier New");

// The dialogs were laid out in the base units of "MS Sans Serif" 8 (6 x 13 pixels), a face this
// platform does not have. Its substitutes, in order of preference, each at the size at which every
// text of every dialog fits its control.
struct DialogFace
{
    const char* family;
    int pixelSize;
};
inline constexpr std::array<DialogFace, 2> dialogFaces{{{"Liberation Sans", 10}, {"DejaVu Sans", 9}}};

QFont dialogFont(const DialogFace& face);
// The first of dialogFaces that this machine has (fontconfig's nearest face at the last size when
// it has none).
QFont dialogFont();

} // namespace morvanex::qt
