#include "view/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitRavelinQrc()
{
    Q_INIT_RESOURCE(ravelin);
}

namespace ravelin {

void InitResources()
{
    static const bool done = (InitRavelinQrc(), true);
    (void)done;
}

} // namespace ravelin
