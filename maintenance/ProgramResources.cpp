#include "ProgramResources.h"

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitResourcesOnce()
{
    Q_INIT_RESOURCE(resources);
}

namespace zel::ui {

void InitProgramResources()
{
    static const bool done = (InitResourcesOnce(), true);
    (void)done;
}

QIcon ProgramIcon()
{
    InitProgramResources();
    return QIcon(QStringLiteral(":/icons/app.svg"));
}

} // namespace zel::ui
