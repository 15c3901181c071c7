#include "desktop/image_button_look.h"

namespace morvanex {

ImagePlacement placeImage(const ImageButtonOptions& options, bool hasCaption, const PixelRect& whole, bool pressed,
                          PixelSize size)
{
    const int w = size.width;
    const int h = size.height;
    int left = whole.left;
    int top = whole.top;
    PixelRect caption = whole;
    switch (options.align) {
    case ImageAlign::Left:
        if (hasCaption) {
            left += options.xMargin;
            caption.left += w + options.xMargin;
        } else {
            left += (whole.width() - w) / 2;
        }
        top += (whole.height() - h) / 2;
        break;
    case ImageAlign::Above:
        left += (whole.width() - w) / 2;
        if (hasCaption) {
            top = options.yMargin;
            caption.top += h;
        } else {
            top += (whole.height() - h) / 2;
        }
        break;
    case ImageAlign::Right:
        if (hasCaption) {
            caption.right = caption.right - caption.left - options.xMargin - w;
            caption.left = options.xMargin;
            left = whole.right - w - options.xMargin;
            top += (whole.height() - h) / 2;
        } else {
            left += (whole.width() - w) / 2;
        }
        break;
    }
    PixelRect image{left, top, left + w, top + h};
    if (pressed)
        image = image.moved(options.pressedX, options.pressedY);
    return {image, caption};
}

ButtonLook imageButtonLook(const ImageButtonOptions& options, const ButtonState& state, const PixelRect& whole,
                           bool hasCaption, const ButtonImages& images)
{
    ButtonLook look;
    const bool lit = state.mouseOver || state.pressed;
    look.face = lit ? ButtonShade::In : state.focused ? ButtonShade::Focus : ButtonShade::Out;
    look.edge = state.pressed ? ButtonEdge::Sunken : state.mouseOver ? ButtonEdge::Raised : ButtonEdge::None;
    look.captionArea = whole;
    if (images.kind != ButtonImages::Kind::None) {
        // The in-image while lit, else the out-image when there is one.
        look.image = !lit && images.out ? 1 : 0;
        const PixelSize size = look.image == 1 ? *images.out : images.in;
        const ImagePlacement place = placeImage(options, hasCaption, whole, state.pressed, size);
        look.imageRect = place.image;
        look.captionArea = place.caption;
        look.embossedImage = state.disabled &&
                             (images.kind == ButtonImages::Kind::Icon || options.greyDisabledBitmap);
    }
    if (state.pressed)
        look.captionArea = look.captionArea.moved(options.pressedX, options.pressedY);
    look.caption = state.disabled ? ButtonShade::Embossed : lit ? ButtonShade::In : ButtonShade::Out;
    return look;
}

PixelRect centredBlock(const PixelRect& area, PixelSize block)
{
    const int left = area.left + (area.width() - block.width) / 2;
    const int top = area.top + (area.height() - block.height) / 2;
    return {left, top, left + block.width, top + block.height};
}

void ImageButtonBase::setImageAlign(ImageAlign align)
{
    m_options.align = align;
    lookChanged();
}

void ImageButtonBase::setGreyDisabledBitmap(bool grey)
{
    m_options.greyDisabledBitmap = grey;
    lookChanged();
}

ButtonLook ImageButtonBase::look(bool pressed, bool focused, bool disabled, const PixelRect& whole,
                                 bool hasCaption) const
{
    return imageButtonLook(m_options, {pressed, focused, disabled, m_mouseOver}, whole, hasCaption, heldImages());
}

int ImageButtonBase::withoutImages(int result)
{
    releaseImages();
    lookChanged();
    return result;
}

void ImageButtonBase::setMouseOver(bool over)
{
    if (m_mouseOver == over)
        return;
    m_mouseOver = over;
    lookChanged();
}

} // namespace morvanex
