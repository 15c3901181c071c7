#pragma once

#include "desktop/image_button_look.h"

#include <array>

namespace morvanex::sheet {

// The image buttons the documentation pictures in both faces (docs/image-button-*.png): the validation
// bitmap in each alignment (the columns), enabled, disabled in grey and disabled in its own colours
// (the rows). The main window's own buttons use none of this.
struct SheetButton
{
    const char* caption;
    ImageAlign align;
    bool enabled;
    bool greyDisabledBitmap;
};

inline constexpr int columns = 3;
inline constexpr int buttonWidth = 150;
inline constexpr int buttonHeight = 80;
inline constexpr int gap = 8;
inline constexpr int sheetWidth = columns * (buttonWidth + gap) + gap;

inline constexpr std::array<SheetButton, 9> buttons{{
    {"Esquerda", ImageAlign::Left, true, true},
    {"Acima", ImageAlign::Above, true, true},
    {"Direita", ImageAlign::Right, true, true},
    {"Esquerda", ImageAlign::Left, false, true},
    {"Acima", ImageAlign::Above, false, true},
    {"Direita", ImageAlign::Right, false, true},
    {"Esquerda", ImageAlign::Left, false, false},
    {"Acima", ImageAlign::Above, false, false},
    {"Direita", ImageAlign::Right, false, false},
}};
inline constexpr int sheetHeight = static_cast<int>(buttons.size()) / columns * (buttonHeight + gap) + gap;

// Where button i stands on the sheet.
inline constexpr PixelRect place(std::size_t i)
{
    const int left = gap + static_cast<int>(i) % columns * (buttonWidth + gap);
    const int top = gap + static_cast<int>(i) / columns * (buttonHeight + gap);
    return {left, top, left + buttonWidth, top + buttonHeight};
}

} // namespace morvanex::sheet
