#include "modMain.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <string_view>

namespace {

constexpr const char* HelpText = R"(Usage: ZelMaintenance [--site SITE] [Qt options]
Runs a site's hand-geometry time clocks from one machine: the site database of users, clocks and
channels, and every clock command.

Options:
  --site SITE     the site database (also --site=SITE): a file, or a postgresql:// URI (keep the
                  password out of it: libpq reads ~/.pgpass, a service file or PGPASSWORD).
                  Default: the site named by ZEL_SITE, else zel.mdb in the working directory.
  --help, -h      show this text and exit.
  --version       show the program's version and exit.

Qt options, among them:
  -platform NAME  the window system plugin (xcb, wayland; offscreen draws nothing).
  -style NAME     the widget style.

Environment: ZEL_SITE, ZEL_COMn (device of serial channel COMn), ZEL_TIMEOUT_MS, ZEL_VENDOR_LIBRARY,
QT_QPA_PLATFORM. See ZelMaintenance(1).
)";

// --help and --version are answered before the QApplication exists, so that they work without a
// display. Returns the exit status when one of them was given, -1 otherwise.
int AnswerHelpOrVersion(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--site") {
            ++i; // its value is a site, whatever it looks like
        } else if (argument == "--help" || argument == "-h") {
            std::fputs(HelpText, stdout);
            return 0;
        } else if (argument == "--version") {
            std::printf("ZelMaintenance %d.%d.%d\n", ZEL_VERSION_MAJOR, ZEL_VERSION_MINOR, ZEL_VERSION_PATCH);
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int status = AnswerHelpOrVersion(argc, argv); status >= 0)
        return status;
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
