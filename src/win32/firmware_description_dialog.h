#pragma once

#include "win32/dialog.h"

namespace morvanex::win32 {

// "Descrição do Firmware": the catalogue's description of the file chosen in the image list.
class FirmwareDescriptionDialog : public Dialog
{
public:
    explicit FirmwareDescriptionDialog(const ReportTable& table);

private:
    bool onInit() override;

    const ReportTable& m_table;
    Font m_font;
};

} // namespace morvanex::win32
