#pragma once

#include "win32/dialog.h"

#include <string>
#include <vector>

namespace morvanex {

class Workspace;

// "Lista de Binários": the "*.bin" entries of the image folder, sub-folders in brackets.
class BinaryListDialog : public Dialog
{
public:
    explicit BinaryListDialog(const Workspace& workspace);

    // The entry taken by OK, as descriptors name files (Windows-1252); empty when none was selected.
    const std::string& selectedFile() const { return m_selectedFile; }

private:
    bool onInit() override;
    bool onCommand(int id, int code) override;
    void takeSelection();

    const Workspace& m_workspace;
    std::vector<std::string> m_names;
    std::string m_selectedFile;
    Font m_font;
};

} // namespace morvanex
