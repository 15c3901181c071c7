#pragma once

class QWidget;

namespace morvanex {

class FirmwareCatalogue;
class Workspace;

// The catalogue button: the image list, then the description of the entry chosen with OK.
void showFirmwareList(QWidget* owner, const FirmwareCatalogue& catalogue, const Workspace& workspace);

} // namespace morvanex
