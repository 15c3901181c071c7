#include "win32/image_button.h"

#include "win32/dialog.h"

#include <commctrl.h>
#include <windowsx.h>

#include <string>

namespace morvanex::win32 {
namespace {

constexpr UINT_PTR subclassId = 1;
// Destination AND NOT source: clears the destination where the source is set.
constexpr DWORD ropDSna = 0x00220326;
constexpr UINT captionFormat = DT_CENTER | DT_WORDBREAK;

PixelRect pixelRect(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

void fill(HDC dc, const RECT& rect, COLORREF colour)
{
    ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

} // namespace

ImageButton::~ImageButton()
{
    if (m_window)
        ::RemoveWindowSubclass(m_window, &subclassProcedure, subclassId);
    releaseImages();
}

void ImageButton::attach(HWND button)
{
    m_window = button;
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(button, GWL_STYLE));
    m_isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    ::SetWindowLongPtrW(button, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    ::SetWindowPos(button, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    resetColours();
    ::SetWindowSubclass(button, &subclassProcedure, subclassId, reinterpret_cast<DWORD_PTR>(this));
}

void ImageButton::resetColours()
{
    m_colours.reset(::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT));
}

void ImageButton::lookChanged()
{
    if (m_window)
        ::InvalidateRect(m_window, nullptr, TRUE);
}

// ---- images

int ImageButton::setIcon(int inId, int outId)
{
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    const auto load = [module](int id) {
        return static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    };
    const HICON in = load(inId);
    if (!in)
        return withoutImages(Done);
    return setIcon(in, outId ? load(outId) : nullptr);
}

int ImageButton::setIcon(HICON in, HICON out)
{
    releaseImages();
    const HICON icons[] = {in, out};
    for (std::size_t i = 0; i < m_icons.size(); ++i) {
        if (!icons[i])
            continue;
        ICONINFO info{};
        if (!::GetIconInfo(icons[i], &info)) {
            ::DestroyIcon(icons[i]);
            return withoutImages(ImageNotLoadable);
        }
        // An icon's hot spot is its middle.
        m_icons[i] = {icons[i], static_cast<int>(info.xHotspot) * 2, static_cast<int>(info.yHotspot) * 2};
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    lookChanged();
    return Done;
}

int ImageButton::setBitmaps(int inId, COLORREF inTransparent, int outId, COLORREF outTransparent)
{
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    const auto load = [module](int id) {
        return static_cast<HBITMAP>(::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    };
    const HBITMAP in = load(inId);
    if (!in)
        return withoutImages(Done);
    return setBitmaps(in, inTransparent, outId ? load(outId) : nullptr, outTransparent);
}

int ImageButton::setBitmaps(HBITMAP in, COLORREF inTransparent, HBITMAP out, COLORREF outTransparent)
{
    releaseImages();
    const HBITMAP bitmaps[] = {in, out};
    const COLORREF colours[] = {inTransparent, outTransparent};
    for (std::size_t i = 0; i < m_bitmaps.size(); ++i) {
        if (!bitmaps[i])
            continue;
        BITMAP header{};
        if (!::GetObjectW(bitmaps[i], sizeof header, &header)) {
            ::DeleteObject(bitmaps[i]);
            return withoutImages(ImageNotLoadable);
        }
        m_bitmaps[i] = {bitmaps[i], nullptr, header.bmWidth, header.bmHeight};
        if (!storeBitmap(m_bitmaps[i], bitmaps[i], colours[i]))
            return withoutImages(MaskNotMade);
    }
    lookChanged();
    return Done;
}

bool ImageButton::storeBitmap(BitmapEntry& entry, HBITMAP bitmap, COLORREF transparent)
{
    entry.mask = ::CreateBitmap(entry.width, entry.height, 1, 1, nullptr);
    const HDC colourDc = ::CreateCompatibleDC(nullptr);
    const HDC maskDc = ::CreateCompatibleDC(nullptr);
    if (!entry.mask || !colourDc || !maskDc) {
        ::DeleteDC(colourDc);
        ::DeleteDC(maskDc);
        return false;
    }
    const HGDIOBJ oldColour = ::SelectObject(colourDc, bitmap);
    const HGDIOBJ oldMask = ::SelectObject(maskDc, entry.mask);
    // Colour to monochrome: a pixel of the background colour becomes set, every other one clear.
    ::SetBkColor(colourDc, transparent);
    ::BitBlt(maskDc, 0, 0, entry.width, entry.height, colourDc, 0, 0, SRCCOPY);
    // And the same pixels of the colour image black, so that it can be laid over a cleared area.
    ::SetBkColor(colourDc, RGB(255, 255, 255));
    ::SetTextColor(colourDc, RGB(0, 0, 0));
    ::BitBlt(colourDc, 0, 0, entry.width, entry.height, maskDc, 0, 0, ropDSna);
    ::SelectObject(colourDc, oldColour);
    ::SelectObject(maskDc, oldMask);
    ::DeleteDC(colourDc);
    ::DeleteDC(maskDc);
    return true;
}

void ImageButton::releaseImages()
{
    for (IconEntry& entry : m_icons)
        if (entry.icon)
            ::DestroyIcon(entry.icon);
    for (BitmapEntry& entry : m_bitmaps) {
        if (entry.bitmap)
            ::DeleteObject(entry.bitmap);
        if (entry.mask)
            ::DeleteObject(entry.mask);
    }
    m_icons = {};
    m_bitmaps = {};
}

ButtonImages ImageButton::heldImages() const
{
    ButtonImages images;
    if (m_icons[0].icon) {
        images.kind = ButtonImages::Kind::Icon;
        images.in = {m_icons[0].width, m_icons[0].height};
        if (m_icons[1].icon)
            images.out = PixelSize{m_icons[1].width, m_icons[1].height};
    } else if (m_bitmaps[0].bitmap) {
        images.kind = ButtonImages::Kind::Bitmap;
        images.in = {m_bitmaps[0].width, m_bitmaps[0].height};
        if (m_bitmaps[1].bitmap)
            images.out = PixelSize{m_bitmaps[1].width, m_bitmaps[1].height};
    }
    return images;
}

// ---- drawing

void ImageButton::draw(const DRAWITEMSTRUCT& item)
{
    paint(item.hDC, item.rcItem, item.itemState);
}

void ImageButton::paint(HDC dc, const RECT& rect, UINT state)
{
    const int savedDc = ::SaveDC(dc);
    ::SetBkMode(dc, TRANSPARENT);
    if (m_window)
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(m_window, WM_GETFONT, 0, 0)));
    const std::wstring caption = m_window ? wideWindowText(m_window) : std::wstring();
    const ButtonLook now = look((state & ODS_SELECTED) != 0, (state & ODS_FOCUS) != 0, (state & ODS_DISABLED) != 0,
                                pixelRect(rect), !caption.empty());
    fill(dc, rect, m_colours.face(now.face));
    if (now.edge != ButtonEdge::None)
        drawBorder(dc, rect, now.edge == ButtonEdge::Raised);
    if (now.image >= 0 && m_icons[0].icon)
        drawIcon(dc, now);
    if (now.image >= 0 && m_bitmaps[0].bitmap) {
        ::SetBkColor(dc, RGB(255, 255, 255));
        drawBitmap(dc, now);
    }
    if (!caption.empty())
        drawCaption(dc, caption.c_str(), now);
    ::RestoreDC(dc, savedDc);
}

void ImageButton::drawBorder(HDC dc, const RECT& r, bool raised) const
{
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF topLeft = raised ? light : shadow;
    const COLORREF bottomRight = raised ? shadow : light;
    // Bottom and right last, so that they own three of the four corners.
    fill(dc, {r.left, r.top, r.right, r.top + 1}, topLeft);
    fill(dc, {r.left, r.top, r.left + 1, r.bottom}, topLeft);
    fill(dc, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    fill(dc, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
}

void ImageButton::drawIcon(HDC dc, const ButtonLook& look) const
{
    const IconEntry& icon = m_icons[static_cast<std::size_t>(look.image)];
    const PixelRect& at = look.imageRect;
    if (look.embossedImage)
        ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.icon), 0, at.left, at.top, icon.width,
                     icon.height, DST_ICON | DSS_DISABLED);
    else
        ::DrawIconEx(dc, at.left, at.top, icon.icon, icon.width, icon.height, 0, nullptr, DI_NORMAL);
}

void ImageButton::drawBitmap(HDC dc, const ButtonLook& look) const
{
    const BitmapEntry& bitmap = m_bitmaps[static_cast<std::size_t>(look.image)];
    const PixelRect& at = look.imageRect;
    if (look.embossedImage) {
        // The mask is clear where the image is opaque: those pixels are embossed.
        ::DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap.mask), 0, at.left, at.top,
                     bitmap.width, bitmap.height, DST_BITMAP | DSS_DISABLED);
        return;
    }
    const HDC source = ::CreateCompatibleDC(dc);
    const HGDIOBJ old = ::SelectObject(source, bitmap.mask);
    // The mask clears the opaque area (a set pixel becomes the white background, so it keeps the
    // face), then the image is merged into it.
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::BitBlt(dc, at.left, at.top, bitmap.width, bitmap.height, source, 0, 0, SRCAND);
    ::SelectObject(source, bitmap.bitmap);
    ::BitBlt(dc, at.left, at.top, bitmap.width, bitmap.height, source, 0, 0, SRCPAINT);
    ::SelectObject(source, old);
    ::DeleteDC(source);
}

void ImageButton::drawCaption(HDC dc, const wchar_t* text, const ButtonLook& look) const
{
    // Measure the wrapped block at the caption's width, then centre it both ways.
    const PixelRect& area = look.captionArea;
    RECT measured{area.left, area.top, area.right, area.bottom};
    ::DrawTextW(dc, text, -1, &measured, captionFormat | DT_CALCRECT);
    const PixelRect block =
        centredBlock(area, {measured.right - measured.left, measured.bottom - measured.top});
    RECT target{block.left, block.top, block.right, block.bottom};
    if (look.caption == ButtonShade::Embossed) {
        RECT shifted = target;
        ::OffsetRect(&shifted, 1, 1);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNHIGHLIGHT));
        ::DrawTextW(dc, text, -1, &shifted, captionFormat);
        ::SetTextColor(dc, ::GetSysColor(COLOR_BTNSHADOW));
        ::DrawTextW(dc, text, -1, &target, captionFormat);
        return;
    }
    ::SetTextColor(dc, m_colours.text(look.caption));
    ::DrawTextW(dc, text, -1, &target, captionFormat);
}

// ---- messages

void ImageButton::trackPointer(WPARAM keys, LPARAM position)
{
    POINT at{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ::ClientToScreen(m_window, &at);
    // Dragging into the button with the left button held does not light it.
    if ((keys & MK_LBUTTON) && !isMouseOver())
        return;
    if (::WindowFromPoint(at) != m_window) {
        cancelHover();
        return;
    }
    if (isMouseOver())
        return;
    setMouseOver(true);
    TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, m_window, 0};
    ::TrackMouseEvent(&leave);
}

LRESULT CALLBACK ImageButton::subclassProcedure(HWND, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR self)
{
    return reinterpret_cast<ImageButton*>(self)->handle(message, wParam, lParam);
}

LRESULT ImageButton::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE: {
        const LRESULT result = ::DefSubclassProc(m_window, message, wParam, lParam);
        trackPointer(wParam, lParam);
        return result;
    }
    case WM_MOUSELEAVE:
        cancelHover();
        return 0;
    case WM_KILLFOCUS:
    case WM_CANCELMODE: {
        const LRESULT result = ::DefSubclassProc(m_window, message, wParam, lParam);
        cancelHover();
        return result;
    }
    case WM_ENABLE: {
        const bool hadFocus = ::GetFocus() == m_window;
        const LRESULT result = ::DefSubclassProc(m_window, message, wParam, lParam);
        if (!wParam) {
            // A disabled button keeps no focus: on to the next tab stop.
            const HWND parent = ::GetParent(m_window);
            const HWND next = ::GetNextDlgTabItem(parent, m_window, FALSE);
            if (hadFocus)
                ::SetFocus(next && next != m_window ? next : parent);
            cancelHover();
        }
        return result;
    }
    case WM_SYSCOLORCHANGE: {
        const LRESULT result = ::DefSubclassProc(m_window, message, wParam, lParam);
        resetColours();
        lookChanged();
        return result;
    }
    case BM_SETSTYLE: {
        // The dialog manager moves the default status; the button stays owner-drawn.
        const auto type = static_cast<DWORD>(wParam) & BS_TYPEMASK;
        if (type == BS_DEFPUSHBUTTON)
            m_isDefault = true;
        else if (type == BS_PUSHBUTTON)
            m_isDefault = false;
        return ::DefSubclassProc(m_window, message, (wParam & ~BS_TYPEMASK) | BS_OWNERDRAW, lParam);
    }
    case WM_GETDLGCODE:
        return ::DefSubclassProc(m_window, message, wParam, lParam) |
               (m_isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_LBUTTONDBLCLK:
        // A fast second click is a click of its own.
        return ::DefSubclassProc(m_window, WM_LBUTTONDOWN, wParam, lParam);
    case WM_NCDESTROY: {
        const HWND window = m_window;
        ::RemoveWindowSubclass(window, &subclassProcedure, subclassId);
        m_window = nullptr;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    default:
        return ::DefSubclassProc(m_window, message, wParam, lParam);
    }
}

} // namespace morvanex::win32
