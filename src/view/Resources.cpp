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

QIcon AppIcon()
{
    InitResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/res/ravelin-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/res/ravelin-32.png"), QSize(32, 32));
    return icon;
}

} // namespace ravelin
