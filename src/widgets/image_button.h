#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <optional>

namespace morvanex {

// A flat push button drawn entirely by itself: an icon or a bitmap beside the
// caption, a raised edge while the pointer is over it and a sunken, shifted
// face while it is pressed. It stays a QPushButton, so default-button and
// Enter handling in a QDialog are the dialog's usual ones.
class ImageButton : public QPushButton
{
    Q_OBJECT

public:
    // Results of setIcon and setBitmaps.
    enum SetImageResult { Done = 0, ImageNotLoadable = 1, MaskNotMade = 2 };

    // Where the image sits relative to the caption.
    enum ImageAlign : quint8 { ImageLeft = 0, ImageAbove = 1, ImageRight = 2 };

    // Where placeImage puts the image, and what is left for the caption.
    struct ImagePlacement
    {
        QRect image;
        QRect caption;
    };

    explicit ImageButton(QWidget* parent = nullptr);
    explicit ImageButton(const QString& text, QWidget* parent = nullptr);
    ~ImageButton() override;

    // Icons, drawn at their natural size: the largest size the icon holds, or
    // 32 x 32 for a scalable one. A null in-icon cannot be used and leaves the
    // button without images; a null out-icon means "none".
    int setIcon(const QIcon& in, const QIcon& out = QIcon());
    int setIcon(const QPixmap& in, const QPixmap& out = QPixmap());
    // By resource path. A missing in-resource stores nothing and is not an
    // error; a missing or empty out-path means "none".
    int setIcon(const QString& inPath, const QString& outPath = QString());

    // Bitmaps whose pixels of the given colour are see-through (an invalid
    // colour makes none see-through). A null in-bitmap cannot be used; a null
    // out-bitmap means "none".
    int setBitmaps(const QImage& in, const QColor& inTransparent, const QImage& out = QImage(),
                   const QColor& outTransparent = QColor());
    // By resource path, with the same rules as setIcon's.
    int setBitmaps(const QString& inPath, const QColor& inTransparent, const QString& outPath = QString(),
                   const QColor& outTransparent = QColor());

    void releaseImages();

    bool hasIcon() const { return !m_icons[0].pixmap.isNull(); }
    bool hasBitmap() const { return !m_bitmaps[0].image.isNull(); }
    bool isMouseOver() const { return m_mouseOver; }

    ImageAlign imageAlign() const { return m_imageAlign; }
    void setImageAlign(ImageAlign align);
    bool greyDisabledBitmap() const { return m_greyDisabledBitmap; }
    void setGreyDisabledBitmap(bool grey);

    // Image rectangle for an image of the given size inside rect (the whole
    // button), and the caption rectangle narrowed to leave room for it.
    ImagePlacement placeImage(bool hasCaption, const QRect& rect, const QRect& caption, bool pressed,
                              QSize imageSize) const;
    // Where the caption is laid out while the button is not pressed.
    QRect captionRect() const;
    // How the caption is laid out there: word-wrapped, every line centred, '&' marks a mnemonic.
    static constexpr int captionFlags =
        Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

    // Drawing steps, in the order paintEvent runs them.
    virtual void drawBackground(QPainter& painter, const QRect& rect, bool pressed, bool focused);
    virtual void drawBorder(QPainter& painter, const QRect& rect, bool raised);
    virtual void drawIcon(QPainter& painter, bool hasCaption, const QRect& rect, QRect& caption, bool pressed,
                          bool disabled);
    virtual void drawBitmap(QPainter& painter, bool hasCaption, const QRect& rect, QRect& caption,
                            bool pressed, bool disabled);
    virtual void drawText(QPainter& painter, const QString& text, QRect caption, bool pressed, bool disabled);

private:
    struct IconEntry
    {
        QPixmap pixmap; // at the icon's natural size
        QImage disabledShape;
    };
    struct BitmapEntry
    {
        QImage image; // transparent colour already turned into alpha 0
        QImage disabledShape;
        QColor transparent;
    };

    struct Colours
    {
        QColor faceIn, faceOut, faceFocus;
        QColor textIn, textOut;
    };

    void init();
    void resetColours();
    void setMouseOver(bool over);
    void cancelHover();
    // Entry 0 while pressed or hovered, else entry 1 when one is held.
    int chooseImage(bool pressed, bool haveOut) const;
    void drawDisabledShape(QPainter& painter, QPoint at, const QImage& shape);

    static std::optional<IconEntry> makeIconEntry(const QIcon& icon);
    static std::optional<BitmapEntry> makeBitmapEntry(const QImage& bitmap, const QColor& transparent);
    static QSize naturalSize(const QIcon& icon);
    static QImage embossShape(const QImage& image);

    bool m_greyDisabledBitmap = true;
    int m_xMargin = 3;
    int m_yMargin = 3;
    QPoint m_pressedOffset{1, 1};
    bool m_mouseOver = false;
    ImageAlign m_imageAlign = ImageLeft;
    Colours m_colours;
    std::array<IconEntry, 2> m_icons;
    std::array<BitmapEntry, 2> m_bitmaps;
};

} // namespace morvanex
