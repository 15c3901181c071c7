#include "app/firmware_list.h"

#include "app/binary_list_dialog.h"
#include "app/firmware_description_dialog.h"

namespace morvanex {

void showFirmwareList(QWidget* owner, const FirmwareCatalogue& catalogue, const Workspace& workspace)
{
    BinaryListDialog list(workspace, owner);
    if (list.exec() != QDialog::Accepted)
        return;
    FirmwareDescriptionDialog description(catalogue, list.selectedFile(), owner);
    description.exec();
}

} // namespace morvanex
