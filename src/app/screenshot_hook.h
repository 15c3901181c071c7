#pragma once

namespace morvanex {

class MainDialog;

// Documentation aid: with MORVANEX_SCREENSHOT=<folder> set, the shown window validates its
// restored code and pictures what comes up into that folder: the chooser, after a first Down
// (firmware-chooser.png), whose first row it takes; the CNPJ question (cnpj-dialog.png), which it
// answers with "SIM"; the window with the result (main-window.png). Then it closes. Anything else
// that comes up is dismissed. Without the variable it does nothing.
void armScreenshotHook(MainDialog& window);

} // namespace morvanex
