#pragma once

// What the dialogs set up beside their templates, in logical units and pixels, for both desktop faces:
// the fonts they make for their fields and lists (face "Courier New", pitch and family 32, no italic,
// underline or strike-out) and the widths of their list columns. The tables of report_table.h carry
// them to the faces.
namespace morvanex::metrics {

struct ListFont
{
    int height;
    int width;
    int weight = 400;
};

// The main window.
inline constexpr ListFont fieldFont{16, 11};
inline constexpr ListFont resultListFont{16, 9};
inline constexpr int resultColumnWidths[] = {100, 430}; // label, value

// The CNPJ question.
inline constexpr ListFont cnpjFont{35, 20, 800};

// The firmware chooser: model, version, display checksum, file name.
inline constexpr ListFont chooserListFont{16, 7};
inline constexpr int chooserColumnWidths[] = {100, 100, 100, 100};

// The image list and the firmware description.
inline constexpr ListFont binaryListFont{16, 10};
inline constexpr ListFont descriptionListFont{16, 9};
inline constexpr int descriptionColumnWidths[] = {100, 300}; // label, value

// The suggestions, in the chooser's font: a marked code of 50 characters fits its column.
inline constexpr ListFont suggestionListFont = chooserListFont;
inline constexpr int suggestionColumnWidths[] = {362, 225, 85}; // code, change, CNPJ check digits

} // namespace morvanex::metrics
