#include "qt/gui_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the initialiser in the enclosing namespace, so it must run outside ours.
static void initMorvanexResources()
{
    Q_INIT_RESOURCE(morvanex);
}

namespace morvanex::qt {

void initGuiResources()
{
    initMorvanexResources();
}

} // namespace morvanex::qt
