#include "resources/resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the rcc function where it stands, so it must be
// called from outside any namespace, as here.
void initResources()
{
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(demos);
}
