#pragma once

namespace morvanex {

class MainDialog;

// Documentation aid: with MORVANEX_SCREENSHOT=<file.png> set, the shown window validates its
// restored code, answers the CNPJ question with "SIM", saves a picture of itself and closes.
// Without the variable it does nothing.
void armScreenshotHook(MainDialog& window);

} // namespace morvanex
