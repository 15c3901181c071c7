#include "morvanex_ids.h"
#include "win32/image_button.h"

#include <gtest/gtest.h>

#include <vector>

namespace morvanex::win32 {
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

    // The button's pixels, 0x00RRGGBB, row by row, drawn into a rectangle of the given size.
    std::vector<COLORREF> render(UINT state, int width = buttonWidth, int height = buttonHeight)
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
        void* bits = nullptr;
        const HDC dc = ::CreateCompatibleDC(nullptr);
        const HBITMAP surface = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        const HGDIOBJ old = ::SelectObject(dc, surface);
        const RECT rect{0, 0, width, height};
        button.paint(dc, rect, state);
        ::GdiFlush();
        const auto* pixels = static_cast<const DWORD*>(bits);
        std::vector<COLORREF> rgb(pixels, pixels + width * height);
        for (COLORREF& p : rgb)
            p &= 0xFFFFFF;
        ::SelectObject(dc, old);
        ::DeleteObject(surface);
        ::DeleteDC(dc);
        return rgb;
    }
    static COLORREF at(const std::vector<COLORREF>& pixels, int x, int y, int width = buttonWidth)
    {
        return pixels[y * width + x];
    }
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
    const int left = button.options().xMargin, top = (buttonHeight - 32) / 2;
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
    const int left = button.options().xMargin, top = (buttonHeight - 32) / 2;
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

TEST_F(ImageButtonTest, AlignmentsMoveTheImageWhereTheLookSays)
{
    ASSERT_EQ(button.setBitmaps(IDB_VALIDATE, RGB(255, 255, 255)), ImageButton::Done);
    // Large enough that the caption keeps clear of the image however it is placed.
    constexpr int w = 120, h = 80;
    const COLORREF face = system(COLOR_BTNFACE);
    std::vector<COLORREF> leftImage;
    for (const ImageAlign align : {ImageAlign::Left, ImageAlign::Above, ImageAlign::Right}) {
        button.setImageAlign(align);
        EXPECT_EQ(button.options().align, align);
        const auto p = render(0, w, h);
        const ButtonLook look = imageButtonLook(button.options(), {}, {0, 0, w, h}, true,
                                                {ButtonImages::Kind::Bitmap, {32, 32}, {}});
        // The image as the left-aligned button draws it, only moved.
        std::vector<COLORREF> image;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                image.push_back(at(p, look.imageRect.left + x, look.imageRect.top + y, w));
        if (leftImage.empty())
            leftImage = image;
        EXPECT_EQ(image, leftImage) << static_cast<int>(align);
        // Anything else drawn is the caption, in its area.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool inImage = x >= look.imageRect.left && x < look.imageRect.right &&
                                     y >= look.imageRect.top && y < look.imageRect.bottom;
                const bool inCaption = x >= look.captionArea.left && x < look.captionArea.right &&
                                       y >= look.captionArea.top && y < look.captionArea.bottom;
                if (!inImage && !inCaption) {
                    ASSERT_EQ(at(p, x, y, w), face) << static_cast<int>(align) << ": " << x << "," << y;
                }
            }
    }
}

TEST_F(ImageButtonTest, ADisabledBitmapIsGreyUnlessAskedOtherwise)
{
    ASSERT_EQ(button.setBitmaps(IDB_VALIDATE, RGB(255, 255, 255)), ImageButton::Done);
    const int left = button.options().xMargin, top = (buttonHeight - 32) / 2;
    const auto image = [&](const std::vector<COLORREF>& p) {
        std::vector<COLORREF> pixels;
        for (int y = top; y < top + 32; ++y)
            for (int x = left; x < left + 32; ++x)
                pixels.push_back(at(p, x, y));
        return pixels;
    };
    const auto enabled = image(render(0));
    const auto grey = image(render(ODS_DISABLED));
    EXPECT_NE(grey, enabled);
    int shadow = 0;
    for (COLORREF c : grey) {
        EXPECT_TRUE(c == system(COLOR_BTNFACE) || c == system(COLOR_BTNHIGHLIGHT) || c == system(COLOR_BTNSHADOW))
            << std::hex << c;
        shadow += c == system(COLOR_BTNSHADOW);
    }
    EXPECT_GT(shadow, 20);
    button.setGreyDisabledBitmap(false);
    EXPECT_EQ(image(render(ODS_DISABLED)), enabled);
}

} // namespace
} // namespace morvanex::win32

