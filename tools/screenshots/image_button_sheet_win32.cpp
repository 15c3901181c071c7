// Pictures the Win32 image button's alignments and disabled looks (image_button_sheet.h) into a
// 24-bit BMP file; scripts/screenshot-windows runs it under Wine and makes it docs/image-button-windows.png.
#include "image_button_sheet.h"
#include "morvanex_ids.h"
#include "win32/image_button.h"

#include <windows.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

using morvanex::win32::ImageButton;

std::array<ImageButton, morvanex::sheet::buttons.size()> imageButtons;

LRESULT CALLBACK sheetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        imageButtons.at(wParam).draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// The window's client area as the screen shows it, bottom-up rows of blue, green, red.
bool writeBitmap(HWND window, int width, int height, const char* path)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC screen = ::GetDC(window);
    const HDC copy = ::CreateCompatibleDC(screen);
    const HBITMAP surface =
        ::CreateDIBSection(copy, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(copy, surface);
    ::BitBlt(copy, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    const BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof header + imageBytes), 0, 0,
                                static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof header)};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(static_cast<const char*>(bits), imageBytes);
    ::SelectObject(copy, old);
    ::DeleteObject(surface);
    ::DeleteDC(copy);
    ::ReleaseDC(window, screen);
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: image-button-sheet FILE.bmp\n");
        return 64;
    }
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &sheetProcedure;
    windowClass.hInstance = module;
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = L"MorvanexImageButtonSheet";
    ::RegisterClassW(&windowClass);
    RECT frame{0, 0, morvanex::sheet::sheetWidth, morvanex::sheet::sheetHeight};
    ::AdjustWindowRect(&frame, WS_POPUP | WS_CAPTION, FALSE);
    const HWND sheet = ::CreateWindowExW(0, windowClass.lpszClassName, L"ImageButton", WS_POPUP | WS_CAPTION, 20, 20,
                                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                         module, nullptr);
    // The dialogs' own font, "MS Sans Serif" 8.
    const HDC screen = ::GetDC(sheet);
    const HFONT font = ::CreateFontW(-::MulDiv(8, ::GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE,
                                     FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                     DEFAULT_QUALITY, FF_SWISS, L"MS Sans Serif");
    ::ReleaseDC(sheet, screen);
    for (std::size_t i = 0; i < morvanex::sheet::buttons.size(); ++i) {
        const morvanex::sheet::SheetButton& b = morvanex::sheet::buttons[i];
        const morvanex::PixelRect at = morvanex::sheet::place(i);
        std::wstring caption(b.caption, b.caption + std::char_traits<char>::length(b.caption));
        const HWND control = ::CreateWindowExW(0, L"Button", caption.c_str(),
                                               WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_MULTILINE, at.left, at.top,
                                               at.width(), at.height(), sheet, reinterpret_cast<HMENU>(i), module,
                                               nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ImageButton& button = imageButtons[i];
        button.attach(control);
        button.setBitmaps(IDB_VALIDATE, RGB(255, 255, 255));
        button.setImageAlign(b.align);
        button.setGreyDisabledBitmap(b.greyDisabledBitmap);
        ::EnableWindow(control, b.enabled);
    }
    ::ShowWindow(sheet, SW_SHOWNOACTIVATE);
    ::UpdateWindow(sheet);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageW(&message);
    ::RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const bool written = writeBitmap(sheet, morvanex::sheet::sheetWidth, morvanex::sheet::sheetHeight, argv[1]);
    ::DestroyWindow(sheet);
    ::DeleteObject(font);
    return written ? 0 : 74;
}
