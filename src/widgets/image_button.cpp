#include "widgets/image_button.h"

#include <QEnterEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

namespace morvanex {

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
    const QColor face(Qt::transparent);
    const QColor text = systemColour(this, QPalette::ButtonText);
    m_colours = {face, face, face, text, text};
}

// ---- images

int ImageButton::setIcon(const QIcon& in, const QIcon& out)
{
    releaseImages();
    auto inEntry = makeIconEntry(in);
    if (!inEntry) {
        update();
        return ImageNotLoadable;
    }
    m_icons[0] = std::move(*inEntry);
    if (!out.isNull()) {
        auto outEntry = makeIconEntry(out);
        if (!outEntry) {
            releaseImages();
            update();
            return ImageNotLoadable;
        }
        m_icons[1] = std::move(*outEntry);
    }
    update();
    return Done;
}

int ImageButton::setIcon(const QPixmap& in, const QPixmap& out)
{
    return setIcon(in.isNull() ? QIcon() : QIcon(in), out.isNull() ? QIcon() : QIcon(out));
}

int ImageButton::setIcon(const QString& inPath, const QString& outPath)
{
    if (inPath.isEmpty() || !QFile::exists(inPath)) {
        releaseImages();
        update();
        return Done;
    }
    const bool haveOut = !outPath.isEmpty() && QFile::exists(outPath);
    return setIcon(QIcon(inPath), haveOut ? QIcon(outPath) : QIcon());
}

int ImageButton::setBitmaps(const QImage& in, const QColor& inTransparent, const QImage& out,
                            const QColor& outTransparent)
{
    releaseImages();
    if (in.isNull()) {
        update();
        return ImageNotLoadable;
    }
    auto inEntry = makeBitmapEntry(in, inTransparent);
    if (!inEntry) {
        update();
        return MaskNotMade;
    }
    m_bitmaps[0] = std::move(*inEntry);
    if (!out.isNull()) {
        auto outEntry = makeBitmapEntry(out, outTransparent);
        if (!outEntry) {
            releaseImages();
            update();
            return MaskNotMade;
        }
        m_bitmaps[1] = std::move(*outEntry);
    }
    update();
    return Done;
}

int ImageButton::setBitmaps(const QString& inPath, const QColor& inTransparent, const QString& outPath,
                            const QColor& outTransparent)
{
    if (inPath.isEmpty() || !QFile::exists(inPath)) {
        releaseImages();
        update();
        return Done;
    }
    const bool haveOut = !outPath.isEmpty() && QFile::exists(outPath);
    QImage out;
    if (haveOut)
        out = QImage(outPath);
    return setBitmaps(QImage(inPath), inTransparent, out, outTransparent);
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
    entry.transparent = transparent;
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

int ImageButton::chooseImage(bool pressed, bool haveOut) const
{
    if (pressed || m_mouseOver)
        return 0;
    return haveOut ? 1 : 0;
}

void ImageButton::setImageAlign(ImageAlign align)
{
    m_imageAlign = align;
    update();
}

void ImageButton::setGreyDisabledBitmap(bool grey)
{
    m_greyDisabledBitmap = grey;
    update();
}

ImageButton::ImagePlacement ImageButton::placeImage(bool hasCaption, const QRect& rect, const QRect& caption,
                                                    bool pressed, QSize imageSize) const
{
    const int w = imageSize.width();
    const int h = imageSize.height();
    QPoint at = rect.topLeft();
    QRect text = caption;
    switch (m_imageAlign) {
    case ImageLeft:
        if (hasCaption) {
            at.rx() += m_xMargin;
            text.setLeft(text.left() + w + m_xMargin);
        } else {
            at.rx() += (rect.width() - w) / 2;
        }
        at.ry() += (rect.height() - h) / 2;
        break;
    case ImageAbove:
        at.rx() += (rect.width() - w) / 2;
        if (hasCaption) {
            at.setY(m_yMargin);
            text.setTop(text.top() + h);
        } else {
            at.ry() += (rect.height() - h) / 2;
        }
        break;
    case ImageRight:
        if (hasCaption) {
            // Right edges exclusive here, as the arithmetic is meant.
            const int right = text.left() + text.width() - text.left() - m_xMargin - w;
            text = QRect(m_xMargin, text.top(), right - m_xMargin, text.height());
            at.setX(width() - w - m_xMargin);
            at.ry() += (rect.height() - h) / 2;
        } else {
            at.rx() += (rect.width() - w) / 2;
        }
        break;
    }
    if (pressed)
        at += m_pressedOffset;
    return {QRect(at, imageSize), text};
}

QRect ImageButton::captionRect() const
{
    const QRect whole = rect();
    QSize image;
    if (hasIcon())
        image =
            m_icons[chooseImage(false, !m_icons[1].pixmap.isNull())].pixmap.deviceIndependentSize().toSize();
    else if (hasBitmap())
        image = m_bitmaps[chooseImage(false, !m_bitmaps[1].image.isNull())]
                    .image.deviceIndependentSize()
                    .toSize();
    if (!image.isValid() || text().isEmpty())
        return whole;
    return placeImage(true, whole, whole, false, image).caption;
}

// ---- drawing

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const bool pressed = isDown();
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();
    const QRect whole = rect();

    drawBackground(painter, whole, pressed, focused);
    if (pressed)
        drawBorder(painter, whole, false);
    else if (m_mouseOver)
        drawBorder(painter, whole, true);

    const QString caption = text();
    QRect captionRect = whole;
    if (hasIcon())
        drawIcon(painter, !caption.isEmpty(), whole, captionRect, pressed, disabled);
    if (hasBitmap())
        drawBitmap(painter, !caption.isEmpty(), whole, captionRect, pressed, disabled);
    if (!caption.isEmpty())
        drawText(painter, caption, captionRect, pressed, disabled);
}

void ImageButton::drawBackground(QPainter& painter, const QRect& rect, bool pressed, bool focused)
{
    QColor face = m_colours.faceOut;
    if (m_mouseOver || pressed)
        face = m_colours.faceIn;
    else if (focused)
        face = m_colours.faceFocus;
    painter.fillRect(rect, face);
}

void ImageButton::drawBorder(QPainter& painter, const QRect& rect, bool raised)
{
    const QColor light = systemColour(this, QPalette::Light);
    const QColor dark = systemColour(this, QPalette::Dark);
    const QColor& topLeft = raised ? light : dark;
    const QColor& bottomRight = raised ? dark : light;
    // Bottom and right last, so that they own three of the four corners.
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
}

void ImageButton::drawIcon(QPainter& painter, bool hasCaption, const QRect& rect, QRect& caption,
                           bool pressed, bool disabled)
{
    const IconEntry& icon = m_icons[chooseImage(pressed, !m_icons[1].pixmap.isNull())];
    const QSize size = icon.pixmap.deviceIndependentSize().toSize();
    const ImagePlacement place = placeImage(hasCaption, rect, caption, pressed, size);
    caption = place.caption;
    if (disabled)
        drawDisabledShape(painter, place.image.topLeft(), icon.disabledShape);
    else
        painter.drawPixmap(place.image.topLeft(), icon.pixmap);
}

void ImageButton::drawBitmap(QPainter& painter, bool hasCaption, const QRect& rect, QRect& caption,
                             bool pressed, bool disabled)
{
    const BitmapEntry& bitmap = m_bitmaps[chooseImage(pressed, !m_bitmaps[1].image.isNull())];
    const QSize size = bitmap.image.deviceIndependentSize().toSize();
    const ImagePlacement place = placeImage(hasCaption, rect, caption, pressed, size);
    caption = place.caption;
    if (disabled && m_greyDisabledBitmap)
        drawDisabledShape(painter, place.image.topLeft(), bitmap.disabledShape);
    else
        painter.drawImage(place.image.topLeft(), bitmap.image);
}

// Embossed: the silhouette once in the light colour one pixel down and right,
// then in the shadow colour in place, the same treatment the caption gets.
void ImageButton::drawDisabledShape(QPainter& painter, QPoint at, const QImage& shape)
{
    painter.drawImage(at + QPoint(1, 1), tinted(shape, systemColour(this, QPalette::Light)));
    painter.drawImage(at, tinted(shape, systemColour(this, QPalette::Dark)));
}

void ImageButton::drawText(QPainter& painter, const QString& text, QRect caption, bool pressed, bool disabled)
{
    if (pressed)
        caption.translate(m_pressedOffset);
    // Measure the wrapped block at the caption's width, then centre the block.
    const QRect block =
        painter.fontMetrics().boundingRect(QRect(0, 0, caption.width(), 0), captionFlags, text);
    const QRect target(caption.left() + (caption.width() - block.width()) / 2,
                       caption.top() + (caption.height() - block.height()) / 2, block.width(),
                       block.height());
    const int flags = captionFlags | Qt::TextDontClip;
    if (disabled) {
        painter.setPen(systemColour(this, QPalette::Light));
        painter.drawText(target.translated(1, 1), flags, text);
        painter.setPen(systemColour(this, QPalette::Dark));
        painter.drawText(target, flags, text);
        return;
    }
    painter.setPen((m_mouseOver || pressed) ? m_colours.textIn : m_colours.textOut);
    painter.drawText(target, flags, text);
}

// ---- hover tracking and state changes

void ImageButton::setMouseOver(bool over)
{
    if (m_mouseOver == over)
        return;
    m_mouseOver = over;
    update();
}

void ImageButton::cancelHover()
{
    setMouseOver(false);
}

void ImageButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    // Dragging into the button with the left button held does not light it.
    if (QGuiApplication::mouseButtons().testFlag(Qt::LeftButton) && !m_mouseOver)
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
    if (event->buttons().testFlag(Qt::LeftButton) && !m_mouseOver)
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
    m_mouseOver = false;
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

} // namespace morvanex
