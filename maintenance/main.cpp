#include "modMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZelMaintenance"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(ZEL_VERSION_MAJOR).arg(ZEL_VERSION_MINOR).arg(ZEL_VERSION_PATCH));
    return zel::ui::Main();
}
