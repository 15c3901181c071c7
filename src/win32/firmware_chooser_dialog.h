#pragma once

#include "win32/dialog.h"

#include <span>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;

// Lets the operator pick one of several catalogue rows that carry the code's checksum.
class FirmwareChooserDialog : public Dialog
{
public:
    FirmwareChooserDialog(const FirmwareCatalogue& catalogue, std::span<const int> candidates);

    // The catalogue index taken by OK, -1 when no row was selected or the dialog was cancelled.
    int chosenIndex() const { return m_chosenIndex; }

private:
    bool onInit() override;
    bool onCommand(int id, int code) override;
    bool onNotify(const NMHDR& header) override;
    void takeSelection();

    const FirmwareCatalogue& m_catalogue;
    std::vector<int> m_candidates;
    int m_chosenIndex = -1;
    Font m_font;
};

} // namespace morvanex
