#include "morvanex_ids.h"
#include "win32/image_button.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvanex {
namespace {

constexpr int buttonWidth = 68;
constexpr int buttonHeight = 50;

// A flat image button on a window of its own, drawn into a bitmap in any state.
class ImageButtonTest : public ::testing::Test
{
protected:
    ImageButtonTest()
    {
        m_parent = ::CreateWindowExW(WS_EX_TOPMOST, L"Static", L"", WS_POPUP | WS_VISIBLE, 100, 100, 200, 100,
                                     nullptr, nullptr, nullptr, nullptr);
        m_buttonWindow = ::CreateWindowExW(0, L"Button", L"Sair", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10,
                                           buttonWidth, buttonHeight, m_parent, nullptr, nullptr, nullptr);
        button.attach(m_buttonWindow);
    }
    ~ImageButtonTest() override { ::DestroyWindow(m_parent); }

    // The button's pixels, 0x00RRGGBB, row by row.
    std::vector<COLORREF> render(UINT state)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), buttonWidth, -buttonHeight, 1, 32, BI_RGB};
        void* bits = nullptr;
        const HDC dc = ::CreateCompatibleDC(nullptr);
        const HBITMAP surface = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = ::SelectObject(dc, surface);
        const RECT rect{0, 0, buttonWidth, buttonHeight};
        button.paint(dc, rect, state);
        ::GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        std::vector<COLORREF> rgb(pixels, pixels + buttonWidth * buttonHeight);
        for (COLORREF& p : rgb)
            p &= 0xFFFFFF;
        ::SelectObject(dc, old);
        ::DeleteObject(surface);
        ::DeleteDC(dc);
        return rgb;
    }
    static COLORREF at(const std::vector<COLORREF>& pixels, int x, int y) { return pixels[y * buttonWidth + x]; }
    static COLORREF system(int index)
    {
        const COLORREF c = ::GetSysColor(index); // 0x00BBGGRR
        return RGB(GetBValue(c), GetGValue(c), GetRValue(c));
    }

    void pointerAt(int x, int y, WPARAM keys = 0)
    {
        POINT screen{x, y};
        ::ClientToScreen(m_buttonWindow, &screen);
        ::SetCursorPos(screen.x, screen.y);
        ::SendMessageW(m_buttonWindow, WM_MOUSEMOVE, keys, MAKELPARAM(x, y));
    }

    ImageButton button;

private:
    HWND m_parent = nullptr;
    HWND m_buttonWindow = nullptr;
};

TEST_F(ImageButtonTest, EdgesFollowPointerAndPress)
{
    ASSERT_EQ(button.setIcon(IDI_APP), ImageButton::Done);
    const COLORREF face = system(COLOR_BTNFACE);
    const COLORREF light = system(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = system(COLOR_BTNSHADOW);
    const int r = buttonWidth - 1, b = buttonHeight - 1;
    struct Corners
    {
        COLORREF topLeft, topRight, bottomLeft, bottomRight;
    };
    const auto corners = [&](UINT state) {
        const auto p = render(state);
        return Corners{at(p, 0, 0), at(p, r, 0), at(p, 0, b), at(p, r, b)};
    };
    const auto expect = [](const Corners& got, const Corners& want, const char* what) {
        EXPECT_EQ(got.topLeft, want.topLeft) << what;
        EXPECT_EQ(got.topRight, want.topRight) << what;
        EXPECT_EQ(got.bottomLeft, want.bottomLeft) << what;
        EXPECT_EQ(got.bottomRight, want.bottomRight) << what;
    };

    expect(corners(0), {face, face, face, face}, "flat at rest");
    expect(corners(ODS_SELECTED), {shadow, light, light, light}, "sunken while pressed");
    // Dragged in with the left button held: not lit.
    pointerAt(30, 20, MK_LBUTTON);
    EXPECT_FALSE(button.isMouseOver());
    pointerAt(30, 20);
    ASSERT_TRUE(button.isMouseOver());
    expect(corners(0), {light, shadow, shadow, shadow}, "raised under the pointer");
    // Losing the focus drops the edge though the pointer stays.
    ::SendMessageW(button.window(), WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(button.isMouseOver());
    pointerAt(31, 20);
    EXPECT_TRUE(button.isMouseOver());
    ::SendMessageW(button.window(), WM_MOUSELEAVE, 0, 0);
    expect(corners(0), {face, face, face, face}, "flat once the pointer left");
}

TEST_F(ImageButtonTest, PressShiftsTheImageByOnePixel)
{
    ASSERT_EQ(button.setIcon(IDI_APP), ImageButton::Done);
    const auto rest = render(0);
    const auto pressed = render(ODS_SELECTED);
    const int left = ImageButton::xMargin, top = (buttonHeight - 32) / 2;
    int drawn = 0;
    for (int y = top; y < top + 32; ++y)
        for (int x = left; x < left + 32; ++x) {
            EXPECT_EQ(at(pressed, x + 1, y + 1), at(rest, x, y)) << x << "," << y;
            drawn += at(rest, x, y) != system(COLOR_BTNFACE);
        }
    EXPECT_GT(drawn, 100) << "the icon is drawn where the caption's margin says";
}

TEST_F(ImageButtonTest, BitmapWhiteShowsTheFace)
{
    ASSERT_EQ(button.setBitmaps(IDB_VALIDATE, RGB(255, 255, 255)), ImageButton::Done);
    const auto p = render(0);
    const int left = ImageButton::xMargin, top = (buttonHeight - 32) / 2;
    int white = 0, dark = 0;
    for (int y = top; y < top + 32; ++y)
        for (int x = left; x < left + 32; ++x) {
            white += at(p, x, y) == RGB(255, 255, 255);
            dark += at(p, x, y) == RGB(0, 0, 0);
        }
    // The drawing's background is white and its outline black: the one gone, the other kept.
    EXPECT_EQ(at(p, left, top), system(COLOR_BTNFACE));
    EXPECT_EQ(white, 0);
    EXPECT_GT(dark, 20);
}

} // namespace
} // namespace morvanex
