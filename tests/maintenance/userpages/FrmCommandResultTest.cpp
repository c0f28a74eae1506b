// The result window of the multi-clock commands (Add/Remove Users, Synchronize).
#include "UserSite.h"

#include "pages/frmCommandResult.h"
#include "zel/workflows/CommandReport.h"

#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace zel::ui::test {
namespace {

using Task = zel::workflows::ClockTask;

zel::workflows::CommandReport TroubleReport()
{
    zel::workflows::CommandReport report("Export");
    report.Plan("Alpha", 1, Task::Send);
    report.Plan("Bravo", 2, Task::Send);
    report.Plan("Ghost", 9, Task::Send);
    report.Plan("Serial", 7, Task::Send);
    report.SetDone(0, 2);
    report.SetNotConnected(1, "Invalid IP Address or Format");
    report.SetFailed(2, "Channel Communication Timeout", 1);
    report.End(zel::workflows::CommandReport::Ending::Error);
    return report;
}

} // namespace

class FrmCommandResultTest : public QObject {
    Q_OBJECT

private slots:
    void ListsEveryClockWhenOneDidNotSucceed()
    {
        QWidget owner;
        auto* window = new frmCommandResult(&owner, QStringLiteral("Export Results"), TroubleReport());
        window->show();
        QCOMPARE(window->objectName(), QStringLiteral("frmCommandResult"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Export Results"));
        QVERIFY(window->isWindow());
        QVERIFY(!window->isModal()); // shown without blocking
        QVERIFY(window->ListShown());
        QCOMPARE(window->RowCount(), 4);
        QCOMPARE(window->ClockAt(0), QStringLiteral("Alpha"));
        QCOMPARE(window->ResultAt(0), QStringLiteral("2 users sent"));
        QCOMPARE(window->ResultAt(1), QStringLiteral("channel not connected: Invalid IP Address or Format"));
        QCOMPARE(window->ResultAt(2), QStringLiteral("failed after 1 user sent: Channel Communication Timeout"));
        QCOMPARE(window->ResultAt(3), QStringLiteral("not reached: the command stopped at an error"));
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("lblSummary"))->text(),
                 QStringLiteral("Export stopped at an error: 1 of 4 clocks done, 1 not connected, 1 failed, 1 not "
                                "reached."));
        auto* list = window->findChild<QTreeWidget*>(QStringLiteral("lvwResults"));
        QVERIFY(list != nullptr);
        QCOMPARE(list->headerItem()->text(ResultColumnClock), QStringLiteral("Clock"));
        QCOMPARE(list->headerItem()->text(ResultColumnResult), QStringLiteral("Result"));
        QVERIFY(list->isColumnHidden(ResultColumnTask)); // one task only
        for (const QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(!child->objectName().isEmpty(), child->metaObject()->className());
    }

    // The reason of a result is never cut off: its column is widened for it, or its row holds it
    // on several lines.
    void AResultIsShownWhole()
    {
        zel::workflows::CommandReport report("Synchronize");
        report.Plan("Alpha", 1, Task::Read);
        report.Plan("Stopped", 5, Task::Send);
        report.Plan("Bravo", 2, Task::Send);
        report.SetDone(0, 3);
        report.SetNotConnected(1, "no connection to 127.0.0.1:30002: nothing answered there");
        report.SetFailed(2, QStringLiteral("The clock refused the record. ").repeated(8).toStdString(), 2);
        report.End(zel::workflows::CommandReport::Ending::Error);
        frmCommandResult window(nullptr, QStringLiteral("Synchronize Results"), report);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("lvwResults"));
        const QFontMetrics metrics(list->font());
        const int column = list->header()->sectionSize(ResultColumnResult);
        const int textRoom = column - 40; // the icon and the cell's margins
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = list->topLevelItem(row);
            const int needed = metrics.horizontalAdvance(item->text(ResultColumnResult));
            const int height = list->visualItemRect(item).height();
            QVERIFY2(static_cast<qint64>(textRoom) * height >= static_cast<qint64>(needed) * metrics.height(),
                     qPrintable(QStringLiteral("row %1: %2 px of text, %3 x %4 px shown")
                                    .arg(row)
                                    .arg(needed)
                                    .arg(textRoom)
                                    .arg(height)));
        }
        // The not-connected reason fits on one line, and a short result takes one line, no more.
        QVERIFY(column >= metrics.horizontalAdvance(window.ResultAt(1)) + 16);
        QVERIFY(list->visualItemRect(list->topLevelItem(0)).height() < 2 * metrics.height());
    }

    void ShowsTheTaskWhenTheClocksHaveDifferentTasks()
    {
        zel::workflows::CommandReport report("Synchronize");
        report.Plan("Alpha", 1, Task::Read);
        report.Plan("Alpha", 1, Task::Send);
        report.SetDone(0, 3);
        report.SetNotAnswering(1);
        report.End(zel::workflows::CommandReport::Ending::Completed);
        frmCommandResult window(nullptr, QStringLiteral("Synchronize Results"), report);
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("lvwResults"));
        QVERIFY(!list->isColumnHidden(ResultColumnTask));
        QCOMPARE(window.TaskAt(0), QStringLiteral("Read"));
        QCOMPARE(window.TaskAt(1), QStringLiteral("Send"));
        QCOMPARE(window.ResultAt(1), QStringLiteral("clock not answering"));
    }

    void EveryClockDoneShowsTheSummaryOnly()
    {
        zel::workflows::CommandReport report("Remove");
        report.Plan("Alpha", 1, Task::Remove);
        report.SetDone(0, 2);
        report.End(zel::workflows::CommandReport::Ending::Completed);
        frmCommandResult window(nullptr, QStringLiteral("Remove Results"), report);
        window.show();
        QVERIFY(!window.ListShown());
        QCOMPARE(window.Summary(), QStringLiteral("Remove finished on the chosen clock: 2 users removed."));
        QVERIFY(window.findChild<QPushButton*>(QStringLiteral("cmdOK"))->isVisible());
    }

    // A run that finished what an interrupted one began shows its clocks: what was held already.
    void EveryClockDoneWithMoreToTellShowsTheList()
    {
        zel::workflows::CommandReport report("Synchronize");
        report.Plan("Alpha", 1, Task::Send);
        report.SetDone(0, 10);
        zel::support::UserWrites writes;
        writes.Planned = writes.ClockRead = true;
        writes.Wanted = 600;
        writes.AlreadyHeld = 590;
        writes.OneByOne = 10;
        report.SetWrites(0, writes);
        report.End(zel::workflows::CommandReport::Ending::Completed);
        frmCommandResult window(nullptr, QStringLiteral("Synchronize Results"), report);
        window.show();
        QVERIFY(window.ListShown());
        QCOMPARE(window.ResultAt(0), QStringLiteral("10 users sent (590 already held)"));
    }

    void OKClosesAndDeletesTheWindow()
    {
        QWidget owner;
        QPointer<frmCommandResult> window =
            new frmCommandResult(&owner, QStringLiteral("Export Results"), TroubleReport());
        window->show();
        QVERIFY(window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->isDefault());
        window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QVERIFY(!window.isNull() && !window->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
};

ZEL_REGISTER_USERPAGE_TEST(FrmCommandResultTest);

} // namespace zel::ui::test

#include "FrmCommandResultTest.moc"
