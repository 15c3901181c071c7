#pragma once

#include "desktop/image_button_look.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <array>
#include <optional>

namespace morvanex::qt {

// A flat push button drawn entirely by itself as image_button_look.h describes it: an icon or a bitmap
// beside the caption, a raised edge while the pointer is over it and a sunken, shifted face while it
// is pressed. It stays a QPushButton, so default-button and Enter handling in a QDialog are the
// dialog's usual ones.
class ImageButton : public QPushButton, public ImageButtonBase
{
    Q_OBJECT

public:
    // Results of setIcon and setBitmaps.
    enum SetImageResult { Done = 0, ImageNotLoadable = 1, MaskNotMade = 2 };

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

    void releaseImages() override;

    bool hasIcon() const { return !m_icons[0].pixmap.isNull(); }
    bool hasBitmap() const { return !m_bitmaps[0].image.isNull(); }

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
    ButtonImages heldImages() const override;
    void lookChanged() override { update(); }

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
    };

    void init();
    void resetColours();
    void drawBorder(QPainter& painter, bool raised);
    void drawImage(QPainter& painter, const ButtonLook& look);
    void drawText(QPainter& painter, const QString& text, const ButtonLook& look);
    // Embossed: the silhouette in the light colour one pixel down and right, then in the shadow colour.
    void drawEmbossed(QPainter& painter, QPoint at, const QImage& shape);

    static std::optional<IconEntry> makeIconEntry(const QIcon& icon);
    static std::optional<BitmapEntry> makeBitmapEntry(const QImage& bitmap, const QColor& transparent);
    static QSize naturalSize(const QIcon& icon);
    static QImage embossShape(const QImage& image);

    ButtonColours<QColor> m_colours;
    std::array<IconEntry, 2> m_icons;
    std::array<BitmapEntry, 2> m_bitmaps;
};

} // namespace morvanex::qt
