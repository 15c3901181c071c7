#pragma once

namespace morvanex {

// Once at start-up, after the QApplication exists: registers the images bundled
// into the static GUI library (a static library's resources are not registered
// on their own) and maps the dialog font "MS Sans Serif" onto a face of similar
// widths, so that captions fit the fixed dialog geometry as far as they can.
void initGuiResources();

} // namespace morvanex
