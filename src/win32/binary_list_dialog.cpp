#include "win32/binary_list_dialog.h"

#include "desktop/wide_text.h"
#include "morvanex_ids.h"

namespace morvanex::win32 {

BinaryListDialog::BinaryListDialog(std::span<const std::string> entries)
    : Dialog(IDD_BINARY_LIST_DIALOG), m_entries(entries), m_font(metrics::binaryListFont)
{
}

RowChoice BinaryListDialog::choose(HWND owner)
{
    return run(owner) == IDOK ? RowChoice{true, m_row} : RowChoice{};
}

bool BinaryListDialog::onInit()
{
    const HWND list = item(IDC_BINARY_LIST);
    m_font.applyTo(list);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    // The core's listing, by path: the same names and order as everywhere else, and no match through
    // a short name ("FIRMWA~1.BIN" for "firmware.binx") as the list box's own listing would make.
    // Inserted where they stand, as the list box's own sorting would order them another way.
    for (const std::string& entry : m_entries)
        ::SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(wideFromCp1252(entry).c_str()));
    // The focus goes to the first tab stop, OK; no entry is selected.
    return true;
}

bool BinaryListDialog::onCommand(int id, int code)
{
    if (id != IDOK && !(id == IDC_BINARY_LIST && code == LBN_DBLCLK))
        return false;
    m_row = static_cast<int>(::SendMessageW(item(IDC_BINARY_LIST), LB_GETCURSEL, 0, 0));
    end(IDOK);
    return true;
}

} // namespace morvanex::win32
