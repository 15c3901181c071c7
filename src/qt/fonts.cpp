#include "qt/fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QRawFont>
#include <algorithm>
#include <cmath>

namespace morvanex::qt {
namespace {

// Large enough that the face's metrics, read at this size, are its design proportions.
constexpr int referencePixelSize = 1000;
constexpr int maximumStretch = 4000;

qreal pitchOf(const QFont& font)
{
    return QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
}

} // namespace

QFont logicalFont(const QString& face, int height, int width, int weight)
{
    QFont font(face);
    font.setStyleHint(QFont::TypeWriter);
    font.setWeight(static_cast<QFont::Weight>(weight));

    // em = height x units-per-em / (ascent + descent), with the face fontconfig actually gives.
    font.setPixelSize(referencePixelSize);
    const QRawFont raw = QRawFont::fromFont(font);
    const qreal cell = raw.isValid() ? raw.ascent() + raw.descent() : 0;
    font.setPixelSize(cell > 0 ? std::max(1, static_cast<int>(std::lround(height * raw.pixelSize() / cell)))
                               : height);

    const qreal natural = pitchOf(font);
    if (natural > 0) {
        const int stretch = static_cast<int>(std::lround(100.0 * width / natural));
        font.setStretch(std::clamp(stretch, 1, maximumStretch));
        font.setLetterSpacing(QFont::AbsoluteSpacing, width - pitchOf(font));
    }
    return font;
}

QFont dialogFont(const DialogFace& face)
{
    QFont font(QString::fromLatin1(face.family));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(face.pixelSize);
    return font;
}

QFont dialogFont()
{
    const auto found = std::find_if(dialogFaces.begin(), dialogFaces.end(), [](const DialogFace& face) {
        return QFontDatabase::hasFamily(QString::fromLatin1(face.family));
    });
    return dialogFont(found != dialogFaces.end() ? *found : dialogFaces.back());
}

QFont logicalFont(const QString& face, const metrics::ListFont& font)
{
    return logicalFont(face, font.height, font.width, font.weight);
}

} // namespace morvanex::qt
