#pragma once

#include "win32/dialog.h"

#include <string>

namespace morvanex {

class FirmwareCatalogue;
class Workspace;

// "Descrição do Firmware": the catalogue's description of the first row naming selectedFile.
class FirmwareDescriptionDialog : public Dialog
{
public:
    FirmwareDescriptionDialog(const FirmwareCatalogue& catalogue, std::string selectedFile);

private:
    bool onInit() override;

    const FirmwareCatalogue& m_catalogue;
    std::string m_selectedFile;
    Font m_font;
};

// The catalogue button: the image list, then the description of the entry chosen with OK.
void showFirmwareList(HWND owner, const FirmwareCatalogue& catalogue, const Workspace& workspace);

} // namespace morvanex
