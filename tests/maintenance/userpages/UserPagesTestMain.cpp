#include "UserSite.h"

#include "zel/support/MessagePump.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // What the program's start-up does: long clock commands let the interface run.
    zel::support::SetMessagePump([] { QCoreApplication::processEvents(); });
    zel::ui::test::UserSite::Get();

    int failed = 0;
    for (const auto& factory : zel::ui::test::UserPageTests()) {
        auto test = factory();
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
