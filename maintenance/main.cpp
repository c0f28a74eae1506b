#include "modMain.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZelMaintenance"));
#ifdef ZEL_APP_ID
    // The desktop entry's name: Wayland compositors match the window to its entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(ZEL_APP_ID));
#endif
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(ZEL_VERSION_MAJOR).arg(ZEL_VERSION_MINOR).arg(ZEL_VERSION_PATCH));
    return zel::ui::Main();
}
