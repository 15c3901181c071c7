#include "win32/binary_list_dialog.h"

#include "dialog_metrics.h"
#include "firmware/workspace.h"
#include "morvanex_ids.h"
#include "text/text_encoding.h"
#include "win32/win_text.h"

namespace morvanex {
namespace {

constexpr std::string_view imagePattern = ".bin";

} // namespace

BinaryListDialog::BinaryListDialog(const Workspace& workspace)
    : Dialog(IDD_BINARY_LIST_DIALOG), m_workspace(workspace), m_font(metrics::binaryListFont)
{
}

bool BinaryListDialog::onInit()
{
    const HWND list = item(IDC_BINARY_LIST);
    m_font.applyTo(list);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    // The core's listing, by path: the same names and order as everywhere else, no change of the
    // process's current directory under a running self-test, and no match through a short name
    // ("FIRMWA~1.BIN" for "firmware.binx") as the list box's own listing would make. Inserted
    // where they stand, as the list box's own sorting would order them another way.
    for (const std::string& entry : listFolder(m_workspace.imageFolder(), imagePattern)) {
        m_names.push_back(windows1252Name(entry));
        ::SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(wideFromCp1252(m_names.back()).c_str()));
    }
    // The focus goes to the first tab stop, OK; no entry is selected.
    return true;
}

bool BinaryListDialog::onCommand(int id, int code)
{
    if (id == IDOK || (id == IDC_BINARY_LIST && code == LBN_DBLCLK)) {
        takeSelection();
        return true;
    }
    return false;
}

void BinaryListDialog::takeSelection()
{
    const auto selected = ::SendMessageW(item(IDC_BINARY_LIST), LB_GETCURSEL, 0, 0);
    m_selectedFile.clear();
    if (selected >= 0 && static_cast<std::size_t>(selected) < m_names.size())
        m_selectedFile = m_names[static_cast<std::size_t>(selected)];
    end(IDOK);
}

} // namespace morvanex
