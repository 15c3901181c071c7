#pragma once

namespace morvanex::qt {

// Once at start-up, after the QApplication exists: registers the images bundled into the static
// GUI library (a static library's resources are not registered on their own).
void initGuiResources();

} // namespace morvanex::qt
