#pragma once

#include "win32/dialog.h"

#include <span>
#include <string>

namespace morvanex::win32 {

// "Lista de Binários": the image folder's entries (Windows-1252), kept in the order given.
class BinaryListDialog : public Dialog
{
public:
    explicit BinaryListDialog(std::span<const std::string> entries);

    // Runs the dialog until it ends.
    RowChoice choose(HWND owner);

private:
    bool onInit() override;
    bool onCommand(int id, int code) override;

    std::span<const std::string> m_entries;
    Font m_font;
    int m_row = -1;
};

} // namespace morvanex::win32
