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

// The colours a face paints a button in: a face colour for each of the shades In, Out and Focus, a
// caption colour for In and Out (an embossed caption takes the system's light and shadow colours).
template <typename Colour>
struct ButtonColours
{
    Colour faceIn{};
    Colour faceOut{};
    Colour faceFocus{};
    Colour textIn{};
    Colour textOut{};

    void reset(const Colour& face, const Colour& text)
    {
        faceIn = faceOut = faceFocus = face;
        textIn = textOut = text;
    }
    const Colour& face(ButtonShade shade) const
    {
        return shade == ButtonShade::In ? faceIn : shade == ButtonShade::Focus ? faceFocus : faceOut;
    }
    const Colour& text(ButtonShade shade) const { return shade == ButtonShade::In ? textIn : textOut; }
};

// What an image button is, whatever draws it: the options its owner sets and whether the pointer is
// over it, and from them and its images its look in a state. A face's button derives from it, holds
// the images and repaints when told.
class ImageButtonBase
{
public:
    virtual ~ImageButtonBase() = default;

    const ImageButtonOptions& options() const { return m_options; }
    ImageAlign imageAlign() const { return m_options.align; }
    void setImageAlign(ImageAlign align);
    bool greyDisabledBitmap() const { return m_options.greyDisabledBitmap; }
    void setGreyDisabledBitmap(bool grey);

    bool isMouseOver() const { return m_mouseOver; }
    // The pointer left, the focus went or the window was deactivated: no raised edge.
    void cancelHover() { setMouseOver(false); }

    // Lets go of every image held.
    virtual void releaseImages() = 0;

protected:
    // How an image setter ends when it keeps nothing (its in-image missing or unusable): without
    // images, repainted, answering result.
    int withoutImages(int result);
    ButtonLook look(bool pressed, bool focused, bool disabled, const PixelRect& whole, bool hasCaption) const;
    // Repaints when it changes.
    void setMouseOver(bool over);
    // The sizes of the images held now.
    virtual ButtonImages heldImages() const = 0;
    virtual void lookChanged() = 0;

private:
    ImageButtonOptions m_options;
    bool m_mouseOver = false;
};

} // namespace morvanex
