#include "desktop/image_button_look.h"

#include <gtest/gtest.h>

namespace morvanex {
namespace {

PixelRect rect(int x, int y, int w, int h)
{
    return {x, y, x + w, y + h};
}

TEST(ImageButtonLook, PlaceImage)
{
    const PixelRect big = rect(0, 0, 147, 50);
    const struct
    {
        const char* what;
        ImageAlign align;
        bool hasCaption;
        bool pressed;
        PixelRect whole;
        PixelRect image;
        PixelRect caption;
    } cases[] = {
        {"left, caption", ImageAlign::Left, true, false, big, rect(3, 9, 32, 32), rect(35, 0, 112, 50)},
        {"left, caption, pressed", ImageAlign::Left, true, true, big, rect(4, 10, 32, 32), rect(35, 0, 112, 50)},
        {"left, no caption", ImageAlign::Left, false, false, big, rect(57, 9, 32, 32), big},
        // (31 - 32) / 2 truncates to 0, not -1; (45 - 32) / 2 to 6.
        {"left, no caption, small", ImageAlign::Left, false, false, rect(0, 0, 45, 31), rect(6, 0, 32, 32),
         rect(0, 0, 45, 31)},
        {"above, caption", ImageAlign::Above, true, false, big, rect(57, 3, 32, 32), rect(0, 32, 147, 18)},
        {"above, caption, pressed", ImageAlign::Above, true, true, big, rect(58, 4, 32, 32), rect(0, 32, 147, 18)},
        {"above, no caption", ImageAlign::Above, false, false, big, rect(57, 9, 32, 32), big},
        {"right, caption", ImageAlign::Right, true, false, big, rect(112, 9, 32, 32), rect(3, 0, 109, 50)},
        {"right, no caption", ImageAlign::Right, false, false, big, rect(57, 0, 32, 32), big},
        {"right, no caption, pressed", ImageAlign::Right, false, true, big, rect(58, 1, 32, 32), big},
    };
    for (const auto& c : cases) {
        ImageButtonOptions options;
        options.align = c.align;
        const ImagePlacement place = placeImage(options, c.hasCaption, c.whole, c.pressed, {32, 32});
        EXPECT_EQ(place.image, c.image) << c.what;
        EXPECT_EQ(place.caption, c.caption) << c.what;
    }
}

TEST(ImageButtonLook, FaceEdgeAndCaptionFollowTheState)
{
    const struct
    {
        ButtonState state;
        ButtonShade face;
        ButtonEdge edge;
        ButtonShade caption;
    } cases[] = {
        {{}, ButtonShade::Out, ButtonEdge::None, ButtonShade::Out},
        {{.focused = true}, ButtonShade::Focus, ButtonEdge::None, ButtonShade::Out},
        {{.focused = true, .mouseOver = true}, ButtonShade::In, ButtonEdge::Raised, ButtonShade::In},
        {{.pressed = true, .mouseOver = true}, ButtonShade::In, ButtonEdge::Sunken, ButtonShade::In},
        {{.pressed = true}, ButtonShade::In, ButtonEdge::Sunken, ButtonShade::In},
        {{.disabled = true}, ButtonShade::Out, ButtonEdge::None, ButtonShade::Embossed},
    };
    const PixelRect whole = rect(0, 0, 147, 50);
    for (const auto& c : cases) {
        const ButtonLook look = imageButtonLook({}, c.state, whole, true, {});
        EXPECT_EQ(look.face, c.face);
        EXPECT_EQ(look.edge, c.edge);
        EXPECT_EQ(look.caption, c.caption);
        EXPECT_EQ(look.image, -1);
        // Without an image the caption has the whole button, shifted while pressed.
        EXPECT_EQ(look.captionArea, c.state.pressed ? whole.moved(1, 1) : whole);
    }
}

TEST(ImageButtonLook, WhichImageAndWhetherItIsEmbossed)
{
    const PixelRect whole = rect(0, 0, 147, 50);
    ButtonImages bitmaps{ButtonImages::Kind::Bitmap, {32, 32}, PixelSize{16, 16}};
    // The out-image while the pointer is away, the in-image while over or pressed.
    EXPECT_EQ(imageButtonLook({}, {}, whole, true, bitmaps).image, 1);
    EXPECT_EQ(imageButtonLook({}, {}, whole, true, bitmaps).imageRect, rect(3, 17, 16, 16));
    EXPECT_EQ(imageButtonLook({}, {.mouseOver = true}, whole, true, bitmaps).image, 0);
    EXPECT_EQ(imageButtonLook({}, {.pressed = true}, whole, true, bitmaps).image, 0);
    bitmaps.out.reset();
    EXPECT_EQ(imageButtonLook({}, {}, whole, true, bitmaps).image, 0);

    const ButtonState disabled{.disabled = true};
    ImageButtonOptions colour;
    colour.greyDisabledBitmap = false;
    EXPECT_TRUE(imageButtonLook({}, disabled, whole, true, bitmaps).embossedImage);
    EXPECT_FALSE(imageButtonLook(colour, disabled, whole, true, bitmaps).embossedImage);
    EXPECT_FALSE(imageButtonLook({}, {}, whole, true, bitmaps).embossedImage);
    // An icon is always embossed while disabled.
    const ButtonImages icon{ButtonImages::Kind::Icon, {32, 32}, {}};
    EXPECT_TRUE(imageButtonLook(colour, disabled, whole, true, icon).embossedImage);
    // The caption's area is what the image leaves, shifted with it while pressed.
    EXPECT_EQ(imageButtonLook({}, {.pressed = true}, whole, true, icon).captionArea, rect(36, 1, 112, 50));
}

TEST(ImageButtonLook, CentredBlockTruncatesItsHalves)
{
    EXPECT_EQ(centredBlock(rect(35, 0, 112, 50), {81, 26}), rect(50, 12, 81, 26));
    EXPECT_EQ(centredBlock(rect(0, 0, 10, 10), {13, 3}), rect(-1, 3, 13, 3));
}

} // namespace
} // namespace morvanex
