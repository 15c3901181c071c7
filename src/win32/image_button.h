#pragma once

#include "desktop/image_button_look.h"

#include <windows.h>

#include <array>

namespace morvanex::win32 {

// A push button drawn by itself as image_button_look.h describes it: flat, an icon or a bitmap beside
// its caption, a raised one-pixel edge while the pointer is over it, a sunken edge with image and
// caption shifted while it is pressed. It keeps the dialog manager's default-button and Enter handling.
class ImageButton : public ImageButtonBase
{
public:
    // Results of setIcon and setBitmaps.
    enum SetImageResult { Done = 0, ImageNotLoadable = 1, MaskNotMade = 2 };

    ImageButton() = default;
    ~ImageButton() override;

    ImageButton(const ImageButton&) = delete;
    ImageButton& operator=(const ImageButton&) = delete;

    // Takes over a push button of a dialog: from now on it is owner-drawn and its messages pass here.
    void attach(HWND button);
    HWND window() const { return m_window; }

    // Icons and bitmaps of this program's resources; an out-id of 0 is none. A missing in-resource
    // stores nothing and is no failure.
    int setIcon(int inId, int outId = 0);
    int setBitmaps(int inId, COLORREF inTransparent, int outId = 0, COLORREF outTransparent = 0);
    // The same with images the button then owns.
    int setIcon(HICON in, HICON out);
    int setBitmaps(HBITMAP in, COLORREF inTransparent, HBITMAP out, COLORREF outTransparent);
    void releaseImages() override;

    // The owner-draw request, which the parent passes on.
    void draw(const DRAWITEMSTRUCT& item);
    // Draws the button in the given owner-draw state (ODS_ bits) on any surface.
    void paint(HDC dc, const RECT& rect, UINT state);

private:
    struct IconEntry
    {
        HICON icon = nullptr;
        int width = 0;
        int height = 0;
    };
    struct BitmapEntry
    {
        HBITMAP bitmap = nullptr; // the transparent colour's pixels made black
        HBITMAP mask = nullptr;   // set where the transparent colour was
        int width = 0;
        int height = 0;
    };

    static LRESULT CALLBACK subclassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void trackPointer(WPARAM keys, LPARAM position);
    void resetColours();
    void lookChanged() override;
    bool storeBitmap(BitmapEntry& entry, HBITMAP bitmap, COLORREF transparent);
    ButtonImages heldImages() const override;
    void drawBorder(HDC dc, const RECT& rect, bool raised) const;
    void drawIcon(HDC dc, const ButtonLook& look) const;
    void drawBitmap(HDC dc, const ButtonLook& look) const;
    void drawCaption(HDC dc, const wchar_t* text, const ButtonLook& look) const;

    HWND m_window = nullptr;
    bool m_isDefault = false;
    ButtonColours<COLORREF> m_colours;
    std::array<IconEntry, 2> m_icons{};
    std::array<BitmapEntry, 2> m_bitmaps{};
};

} // namespace morvanex::win32
