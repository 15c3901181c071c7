#include "qt/image_button.h"

#include <QEnterEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace morvanex::qt {

namespace {

// Scalable icons have no size of their own; they are shown as a standard large icon.
constexpr QSize standardIconSize{32, 32};

// Pixels at least this light drop out of a disabled image's embossed silhouette.
constexpr int lightGrey = 192;

// The system colours the edge and the disabled caption use. They do not
// depend on the button's state, so always take the active group.
QColor systemColour(const QWidget* widget, QPalette::ColorRole role)
{
    return widget->palette().color(QPalette::Active, role);
}

PixelRect pixelRect(const QRect& r)
{
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QRect qRect(const PixelRect& r)
{
    return {r.left, r.top, r.width(), r.height()};
}

QImage tinted(const QImage& shape, const QColor& colour)
{
    QImage result = shape;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(result.rect(), colour);
    return result;
}

} // namespace

ImageButton::ImageButton(QWidget* parent) : QPushButton(parent)
{
    init();
}

ImageButton::ImageButton(const QString& text, QWidget* parent) : QPushButton(text, parent)
{
    init();
}

ImageButton::~ImageButton() = default;

void ImageButton::init()
{
    // Pointer movements without a button held must reach us, so that the edge
    // comes back on the next movement after focus loss or deactivation.
    setMouseTracking(true);
    setFlat(true);
    // What lies behind the button shows through its face (see resetColours).
    setBackgroundRole(QPalette::Window);
    resetColours();
}

void ImageButton::resetColours()
{
    // The platform's button face is the colour of the dialog surface the button sits on. Qt has no
    // such colour: its Button role is lighter, and a group box tints the window colour. So the
    // face is left clear, and the surface behind it (the group box, the window) is the face.
    m_colours.reset(QColor(Qt::transparent), systemColour(this, QPalette::ButtonText));
}

// ---- images

int ImageButton::setIcon(const QIcon& in, const QIcon& out)
{
    releaseImages();
    auto inEntry = makeIconEntry(in);
    auto outEntry = out.isNull() ? std::optional(IconEntry{}) : makeIconEntry(out);
    if (!inEntry || !outEntry)
        return withoutImages(ImageNotLoadable);
    m_icons = {std::move(*inEntry), std::move(*outEntry)};
    lookChanged();
    return Done;
}

int ImageButton::setIcon(const QPixmap& in, const QPixmap& out)
{
    return setIcon(in.isNull() ? QIcon() : QIcon(in), out.isNull() ? QIcon() : QIcon(out));
}

int ImageButton::setIcon(const QString& inPath, const QString& outPath)
{
    if (inPath.isEmpty() || !QFile::exists(inPath))
        return withoutImages(Done);
    const bool haveOut = !outPath.isEmpty() && QFile::exists(outPath);
    return setIcon(QIcon(inPath), haveOut ? QIcon(outPath) : QIcon());
}

int ImageButton::setBitmaps(const QImage& in, const QColor& inTransparent, const QImage& out,
                            const QColor& outTransparent)
{
    releaseImages();
    if (in.isNull())
        return withoutImages(ImageNotLoadable);
    auto inEntry = makeBitmapEntry(in, inTransparent);
    auto outEntry = out.isNull() ? std::optional(BitmapEntry{}) : makeBitmapEntry(out, outTransparent);
    if (!inEntry || !outEntry)
        return withoutImages(MaskNotMade);
    m_bitmaps = {std::move(*inEntry), std::move(*outEntry)};
    lookChanged();
    return Done;
}

int ImageButton::setBitmaps(const QString& inPath, const QColor& inTransparent, const QString& outPath,
                            const QColor& outTransparent)
{
    if (inPath.isEmpty() || !QFile::exists(inPath))
        return withoutImages(Done);
    const bool haveOut = !outPath.isEmpty() && QFile::exists(outPath);
    return setBitmaps(QImage(inPath), inTransparent, haveOut ? QImage(outPath) : QImage(), outTransparent);
}

void ImageButton::releaseImages()
{
    m_icons = {};
    m_bitmaps = {};
}

std::optional<ImageButton::IconEntry> ImageButton::makeIconEntry(const QIcon& icon)
{
    if (icon.isNull())
        return std::nullopt;
    IconEntry entry;
    entry.pixmap = icon.pixmap(naturalSize(icon));
    if (entry.pixmap.isNull())
        return std::nullopt;
    entry.disabledShape = embossShape(entry.pixmap.toImage());
    return entry;
}

std::optional<ImageButton::BitmapEntry> ImageButton::makeBitmapEntry(const QImage& bitmap,
                                                                     const QColor& transparent)
{
    BitmapEntry entry;
    entry.image = bitmap.convertToFormat(QImage::Format_ARGB32);
    if (entry.image.isNull())
        return std::nullopt;
    if (transparent.isValid()) {
        // The mask: every pixel of exactly the transparent colour lets the face show through.
        const QRgb key = transparent.rgb() & RGB_MASK;
        for (int y = 0; y < entry.image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(entry.image.scanLine(y));
            std::replace_if(
                line, line + entry.image.width(), [key](QRgb p) { return (p & RGB_MASK) == key; }, QRgb{0});
        }
    }
    entry.disabledShape = embossShape(entry.image);
    return entry;
}

QSize ImageButton::naturalSize(const QIcon& icon)
{
    const QList<QSize> sizes = icon.availableSizes();
    if (sizes.isEmpty())
        return icon.actualSize(standardIconSize);
    return *std::max_element(sizes.begin(), sizes.end(), [](QSize a, QSize b) {
        return a.width() * a.height() < b.width() * b.height();
    });
}

// The silhouette a disabled button embosses: the opaque pixels that are not
// light, so that the drawing's outlines and dark details carry the shape.
QImage ImageButton::embossShape(const QImage& image)
{
    QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage shape(source.size(), QImage::Format_ARGB32_Premultiplied);
    shape.setDevicePixelRatio(image.devicePixelRatio());
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(shape.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const bool solid = qAlpha(in[x]) >= 128 && qGray(in[x]) < lightGrey;
            out[x] = solid ? 0xff000000u : 0u;
        }
    }
    return shape;
}

ButtonImages ImageButton::heldImages() const
{
    const auto size = [](const QImage& image) {
        const QSize s = image.deviceIndependentSize().toSize();
        return PixelSize{s.width(), s.height()};
    };
    ButtonImages images;
    if (hasIcon()) {
        images.kind = ButtonImages::Kind::Icon;
        images.in = size(m_icons[0].pixmap.toImage());
        if (!m_icons[1].pixmap.isNull())
            images.out = size(m_icons[1].pixmap.toImage());
    } else if (hasBitmap()) {
        images.kind = ButtonImages::Kind::Bitmap;
        images.in = size(m_bitmaps[0].image);
        if (!m_bitmaps[1].image.isNull())
            images.out = size(m_bitmaps[1].image);
    }
    return images;
}

QRect ImageButton::captionRect() const
{
    return qRect(look(false, false, false, pixelRect(rect()), !text().isEmpty()).captionArea);
}

// ---- drawing

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const QString caption = text();
    const ButtonLook now = look(isDown(), hasFocus(), !isEnabled(), pixelRect(rect()), !caption.isEmpty());
    painter.fillRect(rect(), m_colours.face(now.face));
    if (now.edge != ButtonEdge::None)
        drawBorder(painter, now.edge == ButtonEdge::Raised);
    if (now.image >= 0)
        drawImage(painter, now);
    if (!caption.isEmpty())
        drawText(painter, caption, now);
}

void ImageButton::drawBorder(QPainter& painter, bool raised)
{
    const QRect whole = rect();
    const QColor light = systemColour(this, QPalette::Light);
    const QColor dark = systemColour(this, QPalette::Dark);
    const QColor& topLeft = raised ? light : dark;
    const QColor& bottomRight = raised ? dark : light;
    // Bottom and right last, so that they own three of the four corners.
    painter.fillRect(QRect(whole.left(), whole.top(), whole.width(), 1), topLeft);
    painter.fillRect(QRect(whole.left(), whole.top(), 1, whole.height()), topLeft);
    painter.fillRect(QRect(whole.right(), whole.top(), 1, whole.height()), bottomRight);
    painter.fillRect(QRect(whole.left(), whole.bottom(), whole.width(), 1), bottomRight);
}

void ImageButton::drawImage(QPainter& painter, const ButtonLook& look)
{
    const QPoint at(look.imageRect.left, look.imageRect.top);
    const auto entry = static_cast<std::size_t>(look.image);
    if (hasIcon()) {
        if (look.embossedImage)
            drawEmbossed(painter, at, m_icons[entry].disabledShape);
        else
            painter.drawPixmap(at, m_icons[entry].pixmap);
    } else if (look.embossedImage) {
        drawEmbossed(painter, at, m_bitmaps[entry].disabledShape);
    } else {
        painter.drawImage(at, m_bitmaps[entry].image);
    }
}

void ImageButton::drawEmbossed(QPainter& painter, QPoint at, const QImage& shape)
{
    painter.drawImage(at + QPoint(1, 1), tinted(shape, systemColour(this, QPalette::Light)));
    painter.drawImage(at, tinted(shape, systemColour(this, QPalette::Dark)));
}

void ImageButton::drawText(QPainter& painter, const QString& text, const ButtonLook& look)
{
    // Measure the wrapped block at the caption's width, then centre the block.
    const QRect block =
        painter.fontMetrics().boundingRect(QRect(0, 0, look.captionArea.width(), 0), captionFlags, text);
    const QRect target = qRect(centredBlock(look.captionArea, {block.width(), block.height()}));
    const int flags = captionFlags | Qt::TextDontClip;
    if (look.caption == ButtonShade::Embossed) {
        painter.setPen(systemColour(this, QPalette::Light));
        painter.drawText(target.translated(1, 1), flags, text);
        painter.setPen(systemColour(this, QPalette::Dark));
        painter.drawText(target, flags, text);
        return;
    }
    painter.setPen(m_colours.text(look.caption));
    painter.drawText(target, flags, text);
}

// ---- hover tracking and state changes

void ImageButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    // Dragging into the button with the left button held does not light it.
    if (QGuiApplication::mouseButtons().testFlag(Qt::LeftButton) && !isMouseOver())
        return;
    setMouseOver(true);
}

void ImageButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    cancelHover();
}

void ImageButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    if (event->buttons().testFlag(Qt::LeftButton) && !isMouseOver())
        return;
    // While the button holds the pointer grab, movements outside it arrive here too.
    if (rect().contains(event->position().toPoint()))
        setMouseOver(true);
    else
        cancelHover();
}

void ImageButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A fast second click is a click of its own.
    if (event->button() == Qt::LeftButton)
        mousePressEvent(event);
    else
        QPushButton::mouseDoubleClickEvent(event);
}

void ImageButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    cancelHover();
}

void ImageButton::hideEvent(QHideEvent* event)
{
    QPushButton::hideEvent(event);
    cancelHover();
}

void ImageButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            cancelHover();
        break;
    case QEvent::EnabledChange:
        // Qt has already moved the focus on to the next tab stop.
        if (!isEnabled())
            cancelHover();
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        resetColours();
        update();
        break;
    default:
        break;
    }
}

} // namespace morvanex::qt
