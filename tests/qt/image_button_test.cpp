#include "image_button_test.h"

#include "forms_test.h"
#include "qt/gui_resources.h"
#include "qt/image_button.h"

#include <QApplication>
#include <QDialog>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

namespace morvanex::qt {

namespace {

const QColor face(212, 200, 180);
const QColor light(250, 248, 240);
const QColor dark(100, 90, 80);
const QColor captionColour(0, 0, 160);
constexpr QSize buttonSize(147, 50);
constexpr int xMargin = 3;

const QString bitmapPath = QStringLiteral(":/images/validate_bitmap_32.png");
const QString twoLineCaption = QStringLiteral("Verifica Autenticidade\ndo Documento");

// The face takes the colour of the surface behind the button, not Qt's (lighter) button colour.
QPalette testPalette(const QColor& faceColour = face)
{
    QPalette palette;
    palette.setColor(QPalette::Window, faceColour);
    palette.setColor(QPalette::Button, QColor(255, 255, 250));
    palette.setColor(QPalette::Light, light);
    palette.setColor(QPalette::Dark, dark);
    palette.setColor(QPalette::ButtonText, captionColour);
    return palette;
}

// A button as the main window has it: dialog font, fixed size, our colours.
std::unique_ptr<ImageButton> makeButton(const QString& caption, QWidget* parent = nullptr)
{
    auto button = std::make_unique<ImageButton>(caption, parent);
    button->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    button->setPalette(testPalette());
    button->resize(buttonSize);
    return button;
}

std::unique_ptr<ImageButton> makeBitmapButton()
{
    auto button = makeButton(twoLineCaption);
    if (button->setBitmaps(bitmapPath, Qt::white) != ImageButton::Done || !button->hasBitmap())
        qFatal("validation bitmap not loadable");
    return button;
}

QImage snapshot(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QImage bitmap()
{
    return QImage(bitmapPath).convertToFormat(QImage::Format_RGB32);
}

int bitmapTop()
{
    return (buttonSize.height() - 32) / 2;
}

void sendMove(QWidget& widget, QPoint pos, Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent event(QEvent::MouseMove, pos, widget.mapToGlobal(pos), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void sendLeft(QWidget& widget, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, widget.mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

void hover(QWidget& widget)
{
    const QPointF pos(10, 10);
    QEnterEvent enter(pos, pos, widget.mapToGlobal(pos));
    QApplication::sendEvent(&widget, &enter);
    sendMove(widget, pos.toPoint());
}

// Bounding box of the pixels inside area that differ from the background.
QRect inkBounds(const QImage& image, const QRect& area, const QColor& background)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != background)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The one-pixel edge: which colour each side and corner has.
struct Edge
{
    QColor top, left, bottom, right, topLeft, topRight, bottomLeft, bottomRight;
};

Edge edgeOf(const QImage& image)
{
    const int r = image.width() - 1;
    const int b = image.height() - 1;
    return {image.pixelColor(r / 2, 0), image.pixelColor(0, b / 2), image.pixelColor(r / 2, b),
            image.pixelColor(r, b / 2), image.pixelColor(0, 0),     image.pixelColor(r, 0),
            image.pixelColor(0, b),     image.pixelColor(r, b)};
}

bool rowIs(const QImage& image, int y, int fromX, int toX, const QColor& colour)
{
    for (int x = fromX; x <= toX; ++x)
        if (image.pixelColor(x, y) != colour)
            return false;
    return true;
}

bool columnIs(const QImage& image, int x, int fromY, int toY, const QColor& colour)
{
    for (int y = fromY; y <= toY; ++y)
        if (image.pixelColor(x, y) != colour)
            return false;
    return true;
}

} // namespace

void ImageButtonTest::idleButtonHasFlatFaceWithoutEdge()
{
    auto button = makeBitmapButton();
    const QImage image = snapshot(*button);
    const int r = image.width() - 1, b = image.height() - 1;
    QVERIFY(rowIs(image, 0, 0, r, face));
    QVERIFY(rowIs(image, b, 0, r, face));
    QVERIFY(columnIs(image, 0, 0, b, face));
    QVERIFY(columnIs(image, r, 0, b, face));
    QVERIFY(!button->isMouseOver());
}

void ImageButtonTest::hoverRaisesEdgeUntilLeaveFocusLossOrDeactivation()
{
    auto button = makeBitmapButton();
    const int r = buttonSize.width() - 1, b = buttonSize.height() - 1;

    hover(*button);
    QVERIFY(button->isMouseOver());
    QImage image = snapshot(*button);
    QVERIFY(rowIs(image, 0, 0, r - 1, light));
    QVERIFY(columnIs(image, 0, 0, b - 1, light));
    QVERIFY(rowIs(image, b, 0, r, dark));
    QVERIFY(columnIs(image, r, 0, b, dark));
    // Only the top-left corner takes the top-left colour.
    const Edge edge = edgeOf(image);
    QCOMPARE(edge.topLeft, light);
    QCOMPARE(edge.topRight, dark);
    QCOMPARE(edge.bottomLeft, dark);
    QCOMPARE(edge.bottomRight, dark);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button.get(), &leave);
    QVERIFY(!button->isMouseOver());
    QCOMPARE(edgeOf(snapshot(*button)).top, face);

    // Focus loss with the pointer still inside drops the edge; the next movement restores it.
    hover(*button);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(button.get(), &focusOut);
    QVERIFY(!button->isMouseOver());
    QCOMPARE(edgeOf(snapshot(*button)).top, face);
    sendMove(*button, QPoint(11, 10));
    QVERIFY(button->isMouseOver());
    QCOMPARE(edgeOf(snapshot(*button)).top, light);

    // The window is not active (never shown), so an activation change clears the hover.
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(button.get(), &activation);
    QVERIFY(!button->isMouseOver());

    // Moving off the button while it holds the pointer clears it as well.
    hover(*button);
    sendMove(*button, QPoint(buttonSize.width() + 5, 10));
    QVERIFY(!button->isMouseOver());
}

void ImageButtonTest::pressSinksEdgeAndShiftsImageAndCaption()
{
    auto button = makeBitmapButton();
    hover(*button);
    const QImage idle = snapshot(*button);
    sendLeft(*button, QEvent::MouseButtonPress, QPoint(20, 20));
    QVERIFY(button->isDown());
    const QImage pressed = snapshot(*button);
    sendLeft(*button, QEvent::MouseButtonRelease, QPoint(20, 20));

    const int r = buttonSize.width() - 1, b = buttonSize.height() - 1;
    QVERIFY(rowIs(pressed, 0, 0, r - 1, dark));
    QVERIFY(columnIs(pressed, 0, 0, b - 1, dark));
    QVERIFY(rowIs(pressed, b, 0, r, light));
    QVERIFY(columnIs(pressed, r, 0, b, light));
    const Edge edge = edgeOf(pressed);
    QCOMPARE(edge.topLeft, dark);
    QCOMPARE(edge.topRight, light);
    QCOMPARE(edge.bottomLeft, light);

    // Every pixel of the image has moved one right and one down.
    const QImage source = bitmap();
    const QPoint at(xMargin, bitmapTop());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (source.pixelColor(x, y) != Qt::white)
                QCOMPARE(pressed.pixelColor(at + QPoint(x + 1, y + 1)), idle.pixelColor(at + QPoint(x, y)));

    // Right of where even the shifted image reaches.
    const QRect captionArea(xMargin + 32 + 2, 1, buttonSize.width() - 38, buttonSize.height() - 2);
    const QRect idleInk = inkBounds(idle, captionArea, face);
    QVERIFY(!idleInk.isEmpty());
    QVERIFY(idleInk.left() > captionArea.left());
    QCOMPARE(inkBounds(pressed, captionArea, face), idleInk.translated(1, 1));
}

void ImageButtonTest::bitmapSitsLeftCentredWithWhiteSeeThrough()
{
    auto button = makeBitmapButton();
    const QImage image = snapshot(*button);
    const QImage source = bitmap();
    int whitePixels = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QColor expected = source.pixelColor(x, y) == Qt::white ? face : source.pixelColor(x, y);
            whitePixels += source.pixelColor(x, y) == Qt::white;
            QCOMPARE(image.pixelColor(xMargin + x, bitmapTop() + y), expected);
        }
    }
    QVERIFY(whitePixels > 0);
    // Nothing of the image strays outside its 32 x 32 square left of the caption.
    QCOMPARE(inkBounds(image, QRect(0, 0, xMargin + 32, buttonSize.height()), face),
             inkBounds(source, source.rect(), Qt::white).translated(xMargin, bitmapTop()));
}

void ImageButtonTest::captionIsCentredBesideImageOrInWholeButton()
{
    const QFontMetrics metrics(QFont(QStringLiteral("MS Sans Serif"), 8));

    // Beside the bitmap: centred in the area right of it, on several lines.
    auto withImage = makeBitmapButton();
    const QRect area(xMargin + 32, 0, buttonSize.width() - 32 - xMargin, buttonSize.height());
    const QRect ink = inkBounds(snapshot(*withImage), area.adjusted(0, 1, -1, -1), face);
    QVERIFY(!ink.isEmpty());
    QVERIFY(ink.left() >= xMargin + 32 + xMargin);
    QVERIFY(ink.height() > metrics.height());
    QVERIFY(qAbs(ink.center().x() - area.center().x()) <= 3);
    QVERIFY(qAbs(ink.center().y() - area.center().y()) <= metrics.descent() + 2);

    // Without an image, a failed setter included: centred in the whole button.
    auto plain = makeButton(QStringLiteral("Sair"));
    plain->resize(68, 50);
    QCOMPARE(plain->setIcon(QIcon()), int(ImageButton::ImageNotLoadable));
    const QRect plainInk = inkBounds(snapshot(*plain), QRect(1, 1, 66, 48), face);
    QVERIFY(!plainInk.isEmpty());
    QVERIFY(qAbs(plainInk.center().x() - 34) <= 2);
    QVERIFY(qAbs(plainInk.center().y() - 25) <= metrics.descent() + 2);
    QVERIFY(plainInk.width() <= metrics.horizontalAdvance(QStringLiteral("Sair")) + 2);

    // Explicit line breaks start new lines even when the text would fit on one.
    auto broken = makeButton(QStringLiteral("A\nB"));
    const QRect brokenInk = inkBounds(snapshot(*broken), QRect(1, 1, 145, 48), face);
    QVERIFY(brokenInk.height() > metrics.height());
    QVERIFY(brokenInk.width() < metrics.horizontalAdvance(QStringLiteral("A B")));
}

void ImageButtonTest::iconIsDrawnAtNaturalSize()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/images/app_icon_16.png"));
    icon.addFile(QStringLiteral(":/images/app_icon_32.png"));
    auto button = makeButton(QStringLiteral("Sair"));
    QCOMPARE(button->setIcon(icon), int(ImageButton::Done));
    QVERIFY(button->hasIcon());
    const QImage image = snapshot(*button);
    const QImage source =
        QImage(QStringLiteral(":/images/app_icon_32.png")).convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(source.pixel(x, y)) == 255) {
                ++opaque;
                QCOMPARE(image.pixelColor(xMargin + x, bitmapTop() + y), source.pixelColor(x, y));
            }
    QVERIFY(opaque > 100);
}

void ImageButtonTest::alignmentsPutImageAndCaptionWhereTheLookSays()
{
    const QImage source = bitmap();
    // Tall enough that a caption below the image keeps clear of it.
    const QSize size(buttonSize.width(), 80);
    const QRect inside(QPoint(1, 1), size - QSize(2, 2));
    for (const ImageAlign align : {ImageAlign::Left, ImageAlign::Above, ImageAlign::Right}) {
        auto button = makeBitmapButton();
        button->resize(size);
        button->setImageAlign(align);
        QCOMPARE(button->imageAlign(), align);
        const QImage image = snapshot(*button);
        ImageButtonOptions options;
        options.align = align;
        const ButtonLook look = imageButtonLook(options, {}, {0, 0, size.width(), size.height()}, true,
                                                {ButtonImages::Kind::Bitmap, {32, 32}, {}});
        // Every pixel of the image where the look puts it.
        const QPoint at(look.imageRect.left, look.imageRect.top);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (source.pixelColor(x, y) != Qt::white)
                    QCOMPARE(image.pixelColor(at + QPoint(x, y)), source.pixelColor(x, y));
        // Everything else drawn is the caption, inside its area.
        const QRect area(look.captionArea.left, look.captionArea.top, look.captionArea.width(),
                         look.captionArea.height());
        QImage captionOnly = image;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                captionOnly.setPixelColor(at + QPoint(x, y), face);
        const QRect ink = inkBounds(captionOnly, inside, face);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(area.contains(ink), qPrintable(QStringLiteral("align %1").arg(int(align))));
    }
}

void ImageButtonTest::doubleClickGivesTwoClicks()
{
    auto button = makeBitmapButton();
    QSignalSpy clicked(button.get(), &QAbstractButton::clicked);
    const QPoint pos(20, 20);
    // The order a fast double click arrives in: press, release, double click, release.
    sendLeft(*button, QEvent::MouseButtonPress, pos);
    sendLeft(*button, QEvent::MouseButtonRelease, pos);
    sendLeft(*button, QEvent::MouseButtonDblClick, pos);
    QVERIFY(button->isDown());
    sendLeft(*button, QEvent::MouseButtonRelease, pos);
    QCOMPARE(clicked.count(), 2);
}

void ImageButtonTest::draggingInWithLeftButtonHeldDoesNotLight()
{
    auto button = makeBitmapButton();
    sendMove(*button, QPoint(10, 10), Qt::LeftButton);
    QVERIFY(!button->isMouseOver());
    QCOMPARE(edgeOf(snapshot(*button)).top, face);
    sendMove(*button, QPoint(11, 10));
    QVERIFY(button->isMouseOver());
    // Once lit, holding the button down while moving inside keeps it lit.
    sendMove(*button, QPoint(12, 10), Qt::LeftButton);
    QVERIFY(button->isMouseOver());

    // The same through the window system: press beside the button, drag onto it, release.
    QWidget window;
    window.resize(300, 100);
    auto inWindow = makeButton(twoLineCaption, &window);
    inWindow->move(150, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWindow* handle = window.windowHandle();
    const QPoint onButton = inWindow->geometry().center();
    QTest::mouseMove(handle, QPoint(20, 50));
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(20, 50));
    QTest::mouseMove(handle, onButton);
    QTest::mouseMove(handle, onButton + QPoint(2, 0));
    QVERIFY(!inWindow->isMouseOver());
    QTest::mouseRelease(handle, Qt::LeftButton, {}, onButton + QPoint(2, 0));
    QTest::mouseMove(handle, onButton + QPoint(4, 0));
    QTRY_VERIFY(inWindow->isMouseOver());
}

void ImageButtonTest::paletteChangeChangesFaceColour()
{
    auto button = makeBitmapButton();
    QCOMPARE(snapshot(*button).pixelColor(100, 2), face);
    const QColor other(90, 140, 200);
    button->setPalette(testPalette(other));
    const QImage image = snapshot(*button);
    QCOMPARE(image.pixelColor(100, 2), other);
    // The see-through pixels of the bitmap follow too.
    QCOMPARE(image.pixelColor(xMargin, bitmapTop()), other);

    // A surface colour given to the window behind the button reaches its face.
    QWidget surface;
    auto* inside = new ImageButton(QStringLiteral("Sair"), &surface);
    inside->resize(buttonSize);
    QPalette behind = surface.palette();
    behind.setColor(QPalette::Window, other);
    surface.setPalette(behind);
    QCOMPARE(snapshot(*inside).pixelColor(2, 2), other);
}

void ImageButtonTest::disabledButtonIsEmbossedAndUnlit()
{
    auto button = makeBitmapButton();
    hover(*button);
    button->setEnabled(false);
    QVERIFY(!button->isMouseOver());
    const QImage image = snapshot(*button);
    QCOMPARE(edgeOf(image).top, face);

    // The image shows as an embossed silhouette: face, light and shadow only.
    int shadow = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QColor c = image.pixelColor(xMargin + x, bitmapTop() + y);
            QVERIFY2(c == face || c == light || c == dark, qPrintable(c.name()));
            shadow += c == dark;
        }
    QVERIFY(shadow > 50);

    // The caption: nothing in the caption colour, some pixels lighter and some darker than the face.
    bool lighter = false, darker = false;
    for (int y = 1; y < buttonSize.height() - 1; ++y)
        for (int x = 38; x < buttonSize.width() - 1; ++x) {
            const QColor c = image.pixelColor(x, y);
            QVERIFY(c.blue() - c.red() < 40);
            lighter |= c.lightness() > face.lightness();
            darker |= c.lightness() < face.lightness();
        }
    QVERIFY(lighter && darker);

    // Without the grey style the bitmap keeps its own colours.
    button->setGreyDisabledBitmap(false);
    const QImage plain = snapshot(*button);
    const QImage source = bitmap();
    QCOMPARE(plain.pixelColor(xMargin + 28, bitmapTop() + 27),
             source.pixelColor(28, 27) == Qt::white ? face : source.pixelColor(28, 27));
}

void ImageButtonTest::setterResults()
{
    auto button = makeBitmapButton();
    QCOMPARE(button->setBitmaps(QImage(), Qt::white), int(ImageButton::ImageNotLoadable));
    QVERIFY(!button->hasBitmap());

    // A missing resource stores nothing and is not reported.
    QVERIFY(button->setBitmaps(bitmapPath, Qt::white) == ImageButton::Done && button->hasBitmap());
    QCOMPARE(button->setBitmaps(QStringLiteral(":/images/none.png"), Qt::white), int(ImageButton::Done));
    QVERIFY(!button->hasBitmap() && !button->hasIcon());
    QCOMPARE(button->setIcon(QStringLiteral(":/images/none.png")), int(ImageButton::Done));
    QVERIFY(!button->hasIcon());

    // One kind of image at a time.
    QCOMPARE(button->setBitmaps(bitmapPath, Qt::white), int(ImageButton::Done));
    QCOMPARE(button->setIcon(QStringLiteral(":/images/catalogue_icon_32.png")), int(ImageButton::Done));
    QVERIFY(button->hasIcon() && !button->hasBitmap());
    QCOMPARE(button->setIcon(QPixmap()), int(ImageButton::ImageNotLoadable));
    QVERIFY(!button->hasIcon());

    // An out-bitmap is shown while the pointer is away, the in-bitmap while over it.
    QImage in(32, 32, QImage::Format_RGB32), out(32, 32, QImage::Format_RGB32);
    in.fill(QColor(200, 0, 0));
    out.fill(QColor(0, 150, 0));
    QCOMPARE(button->setBitmaps(in, Qt::white, out, Qt::white), int(ImageButton::Done));
    QCOMPARE(snapshot(*button).pixelColor(xMargin + 5, bitmapTop() + 5), QColor(0, 150, 0));
    hover(*button);
    QCOMPARE(snapshot(*button).pixelColor(xMargin + 5, bitmapTop() + 5), QColor(200, 0, 0));
}

void ImageButtonTest::defaultButtonTakesEnterInDialog()
{
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto first = makeButton(QStringLiteral("Primeiro"), &dialog);
    auto second = makeButton(QStringLiteral("Segundo"), &dialog);
    second->move(0, 60);
    first->setDefault(true);
    QSignalSpy firstClicked(first.get(), &QAbstractButton::clicked);
    QSignalSpy secondClicked(second.get(), &QAbstractButton::clicked);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(firstClicked.count(), 1);
    QCOMPARE(secondClicked.count(), 0);

    // A focused auto-default button takes Enter itself.
    second->setFocus();
    QTest::keyClick(second.get(), Qt::Key_Return);
    QCOMPARE(secondClicked.count(), 1);
    QCOMPARE(firstClicked.count(), 1);
    dialog.hide();
}

} // namespace morvanex::qt

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    morvanex::qt::initGuiResources();
    int status = 0;
    {
        morvanex::qt::ImageButtonTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    {
        morvanex::qt::FormsTest test;
        status |= QTest::qExec(&test, argc, argv);
    }
    return status;
}
