#pragma once

#include <cstdint>
#include <optional>

namespace morvanex {

// A rectangle in pixels, right and bottom exclusive.
struct PixelRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    PixelRect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    bool operator==(const PixelRect&) const = default;
};

struct PixelSize
{
    int width = 0;
    int height = 0;
};

// Where the image sits relative to the caption.
enum class ImageAlign : std::uint8_t { Left = 0, Above = 1, Right = 2 };

// What the owner of an image button may set; the defaults are what the main window's buttons keep.
struct ImageButtonOptions
{
    ImageAlign align = ImageAlign::Left;
    // While disabled, a bitmap is drawn embossed (an icon always is).
    bool greyDisabledBitmap = true;
    int xMargin = 3; // left of a left-aligned image and between it and the caption area
    int yMargin = 3; // top of an image above the caption
    int pressedX = 1; // how far image and caption move while pressed
    int pressedY = 1;
};

// The images a button holds: icons or bitmaps, the in-image (entry 0) and maybe an out-image (entry 1).
struct ButtonImages
{
    enum class Kind { None, Icon, Bitmap };
    Kind kind = Kind::None;
    PixelSize in;
    std::optional<PixelSize> out;
};

struct ButtonState
{
    bool pressed = false;
    bool focused = false;
    bool disabled = false;
    bool mouseOver = false;
};

// Which of a face's colours to take: "in" while the pointer is over the button or it is pressed, "out"
// otherwise, "focus" for the face of an out button with the keyboard focus; a disabled caption embossed.
enum class ButtonShade { In, Out, Focus, Embossed };
enum class ButtonEdge { None, Raised, Sunken };

// How a flat image button looks in one state, for a face to paint: the face's shade filling the whole
// button, the one-pixel edge on it, the image (if any) at its rectangle, and the caption's block, word-
// wrapped to the caption area's width and every line centred, centred in that area (centredBlock).
struct ButtonLook
{
    ButtonShade face = ButtonShade::Out;
    ButtonEdge edge = ButtonEdge::None;
    int image = -1; // the entry shown, -1 for none
    PixelRect imageRect;
    bool embossedImage = false;
    PixelRect captionArea;
    ButtonShade caption = ButtonShade::Out; // never Focus
};

ButtonLook imageButtonLook(const ImageButtonOptions& options, const ButtonState& state, const PixelRect& whole,
                           bool hasCaption, const ButtonImages& images);

// Where an image of the given size goes in the whole button (its client area), and what is left of
// the caption area; shifted while pressed.
struct ImagePlacement
{
    PixelRect image;
    PixelRect caption;
};
ImagePlacement placeImage(const ImageButtonOptions& options, bool hasCaption, const PixelRect& whole, bool pressed,
                          PixelSize image);

// A block of the given size centred in area; halves truncate towards zero.
PixelRect centredBlock(const PixelRect& area, PixelSize block);

} // namespace morvanex
