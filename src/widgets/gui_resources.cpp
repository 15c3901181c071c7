#include "widgets/gui_resources.h"

#include <QFont>
#include <QString>
#include <QStringList>

// Q_INIT_RESOURCE declares the initialiser in the enclosing namespace, so it must run outside ours.
static void initMorvanexResources()
{
    Q_INIT_RESOURCE(morvanex);
}

namespace morvanex {

void initGuiResources()
{
    initMorvanexResources();
    // Without the original bitmap font, fontconfig picks a much wider face and
    // the captions overflow the fixed dialog geometry; these come close to its widths.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
}

} // namespace morvanex
