#pragma once

#include "win32/dialog.h"

#include <span>
#include <vector>

namespace morvanex {

class FirmwareCatalogue;

// Lets the operator pick one of several catalogue rows that carry the code's checksum.
class FirmwareChooserDialog : public ListChoiceDialog
{
public:
    // chosenIndex() gives the catalogue index of the row taken.
    FirmwareChooserDialog(const FirmwareCatalogue& catalogue, std::span<const int> candidates);

private:
    bool onInit() override;
    int choiceOf(int row) const override;

    const FirmwareCatalogue& m_catalogue;
    std::vector<int> m_candidates;
    Font m_font;
};

} // namespace morvanex
