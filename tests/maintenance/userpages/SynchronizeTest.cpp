// The "Synchronize Users" page and its Synchronizer over two emulated lines.
#include "MessageRecorder.h"
#include "UserSite.h"

#include "clocksim/ClockUser.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescriptionList.h"

#include "pages/ClockListView.h"
#include "pages/SynchronizeUI.h"
#include "pages/frmCommandResult.h"
#include "pages/frmMessage.h"
#include "pages/modHelpers.h"
#include "zel/workflows/Synchronizer.h"

#include <QCheckBox>
#include <QMap>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace zel::ui::test {
namespace {

zel::workflows::Synchronizer::ReaderCollection Clocks(std::initializer_list<const char*> names)
{
    zel::workflows::Synchronizer::ReaderCollection clocks;
    for (const char* name : names)
        if (!clocks.Contains(name))
            clocks.Add(UserSite::Get().Clock(name), name);
    return clocks;
}

// Queues a click on the message window's Cancel: it lands when the synchronization lets
// pending events run, as a real click would.
void ClickCancelSoon(SynchronizeUI& page)
{
    QVERIFY(page.MessageWindow() != nullptr);
    auto* cancel = page.MessageWindow()->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
    QMetaObject::invokeMethod(cancel, &QPushButton::click, Qt::QueuedConnection);
}

// "Task Clock: result" for each row of the result window.
QStringList Rows(const frmCommandResult* result)
{
    QStringList rows;
    for (int row = 0; result && row < result->RowCount(); ++row)
        rows.push_back(result->TaskAt(row) + QLatin1Char(' ') + result->ClockAt(row) + QStringLiteral(": ") +
                       result->ResultAt(row));
    return rows;
}

} // namespace

class SynchronizeTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        UserSite::Get().Reset();
        mPage = std::make_unique<SynchronizeUI>();
    }

    void cleanup() { mPage.reset(); }

    void RefusesWithoutSourcesOrDestinations()
    {
        MessageRecorder messages;
        SelectRows(Destinations(), {"Alpha"});
        Click("cmdSynchronize");
        QCOMPARE(messages.Last().title, QStringLiteral("No Sources Selected"));
        QCOMPARE(messages.Last().text, QStringLiteral("No source clocks have been selected."));
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        SelectRows(Destinations(), {});
        SelectRows(Sources(), {"Alpha"});
        Click("cmdSynchronize");
        QCOMPARE(messages.Last().title, QStringLiteral("No Destinations Clocks"));
        QCOMPARE(messages.Last().text, QStringLiteral("No destination clocks have been selected."));
        QCOMPARE(messages.Count(), 2);
    }

    void SynchronizeWithClearCopiesEveryEnrolledUser()
    {
        auto& site = UserSite::Get();
        site.AddUser("50", "Enrolled Earlier", true);
        site.AddUser("51", "Never Enrolled", false);
        site.AddUser("2", "Known", false);
        site.PutClockUser("Alpha", "1", 10);
        site.PutClockUser("Alpha", "2", 20);
        site.PutClockUser("Bravo", "2", 99); // the same user on a later source: Alpha's template wins
        site.PutClockUser("Bravo", "3", 30);
        site.PutClockUser("Charlie", "77", 7); // cleared first
        site.PutClockUser("Delta", "78", 8);   // not cleared: not chosen
        SelectRows(Sources(), {"Alpha", "Bravo"});
        SelectRows(Destinations(), {"Charlie", "Bravo", "Ghost"});
        mPage->findChild<QCheckBox*>(QStringLiteral("chkClearDestinationClocks"))->setChecked(true);
        QStringList steps;
        connect(mPage.get(), &SynchronizeUI::StepShown, this, [&](const QString& text) {
            steps.push_back(text);
            QVERIFY(mPage->MessageWindow() != nullptr);
            QCOMPARE(mPage->MessageWindow()->windowTitle(), QStringLiteral("Synchronize"));
            QCOMPARE(mPage->MessageWindow()->Text(), text);
        });
        QSet<QString> channelLines; // the last text of each channel's line
        QMap<QString, QString> lastLine;
        connect(mPage.get(), &SynchronizeUI::ChannelStepShown, this, [&](const QString& line) {
            lastLine[line.section(QLatin1Char(':'), 0, 0)] = line;
            QCOMPARE(mPage->MessageWindow()->ChannelLineCount(), lastLine.size());
        });
        MessageRecorder messages;
        Click("cmdSynchronize");
        for (const QString& line : lastLine)
            channelLines.insert(line);

        QCOMPARE(messages.Count(), 0);
        QCOMPARE(VisibleWindows(QStringLiteral("frmMessage")), 0);
        QVERIFY(mPage->MessageWindow() == nullptr);
        auto users = zel::data::DataSource().GetUserDescriptionList();
        QCOMPARE(users->Item(std::string("1"))->Name(), std::string("User 1"));
        QCOMPARE(users->Item(std::string("2"))->Name(), std::string("Known"));
        QVERIFY(users->Item(std::string("2"))->Enrolled());
        QCOMPARE(users->Item(std::string("2"))->Template(), UserSite::TemplateFor(20));
        QVERIFY(!users->IsDirty());
        QStringList expected{"1", "2", "3", "50"};
        QCOMPARE(site.ClockUserIds("Charlie"), expected);
        QCOMPARE(site.ClockUserIds("Bravo"), expected); // a source that is also a destination
        QCOMPARE(site.ClockTemplate("Bravo", "2"), UserSite::TemplateFor(20));
        QCOMPARE(site.ClockUserIds("Delta"), (QStringList{"78"}));
        QVERIFY(steps.contains(QStringLiteral("Establishing connection with Line A")));
        // Beside the step text, a line per channel: Line A and Line B worked at the same time.
        QCOMPARE(channelLines.size(), 2);
        QVERIFY(channelLines.contains(QStringLiteral("Line B: Bravo - 3 users sent (3 of 3)")));
        QVERIFY(steps.contains(QStringLiteral("Connect to reader Charlie")));
        QVERIFY(steps.contains(QStringLiteral("Sending user: 1 - User 1")));
        QVERIFY(!steps.contains(QStringLiteral("Connect to reader Ghost")));
        QVERIFY(mPage->findChild<QPushButton*>(QStringLiteral("cmdSynchronize"))->isEnabled());

        // The result window: the source clocks, then the destination clocks, each in list order.
        frmCommandResult* result = mPage->ResultWindow();
        QVERIFY(result != nullptr && result->isVisible());
        QCOMPARE(result->windowTitle(), QStringLiteral("Synchronize Results"));
        QVERIFY(result->ListShown());
        QCOMPARE(Rows(result), (QStringList{"Read Alpha: 2 users read", "Read Bravo: 2 users read",
                                            "Send Bravo: 3 users sent (1 already held)",
                                            "Send Charlie: 4 users sent (1 removed by clearing the clock)",
                                            "Send Ghost: clock not answering"}));
        // Four clocks (Bravo is read and written), five tasks.
        QCOMPARE(result->Summary(),
                 QStringLiteral("Synchronize finished: 3 of 4 clocks done; of 5 tasks, 4 done, 1 not answering."));
    }

    // A user that Export sent without a template (not enrolled) is on the clock with an all-zero
    // one: Synchronize reads it back as not enrolled, and sends it nowhere.
    void AUserWithoutATemplateStaysNotEnrolled()
    {
        auto& site = UserSite::Get();
        site.AddUser("1001", "Not Enrolled", false);
        site.AddUser("1002", "Enrolled", true);
        zel::sim::ClockUser empty;
        empty.Id = *zel::sim::UserIdFromText("1001");
        QVERIFY(site.Emulated("Alpha").PutUser(empty));
        SelectRows(Sources(), {"Alpha"});
        SelectRows(Destinations(), {"Charlie"});
        MessageRecorder messages;
        Click("cmdSynchronize");
        QCOMPARE(messages.Count(), 0);
        QVERIFY(!zel::data::DataSource().GetUserDescriptionList()->Item(std::string("1001"))->Enrolled());
        QCOMPARE(site.ClockUserIds("Charlie"), (QStringList{"1002"}));
    }

    void EveryClockServedGivesAShortConfirmation()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "1", 10);
        SelectRows(Sources(), {"Alpha"});
        SelectRows(Destinations(), {"Bravo", "Charlie"});
        MessageRecorder messages;
        Click("cmdSynchronize");
        QCOMPARE(messages.Count(), 0);
        frmCommandResult* result = mPage->ResultWindow();
        QVERIFY(result != nullptr && result->isVisible());
        QVERIFY(!result->ListShown());
        QCOMPARE(result->Summary(), QStringLiteral("Synchronize finished on all 3 clocks."));
    }

    // A switched-off clock on either side: its channel does not connect; every other clock is served.
    void AStoppedClockIsToldOnEitherSide()
    {
        auto& site = UserSite::Get();
        StoppedClock stopped;
        site.PutClockUser("Bravo", "5", 50);
        SelectRows(Sources(), {"Bravo", "Stopped"});
        SelectRows(Destinations(), {"Alpha", "Stopped"});
        MessageRecorder messages;
        Click("cmdSynchronize");
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"5"}));
        QCOMPARE(Rows(mPage->ResultWindow()),
                 (QStringList{"Read Bravo: 1 user read", "Read Stopped: " + stopped.NotConnected(),
                              "Send Alpha: 1 user sent", "Send Stopped: " + stopped.NotConnected()}));
        // Three clocks, Stopped on both sides.
        QCOMPARE(mPage->ResultWindow()->Summary(),
                 QStringLiteral("Synchronize finished: 2 of 3 clocks done; of 4 tasks, 2 done, 2 not connected."));
    }

    // A clock's user list carries no levels (all read as 0): a supervisor the site knows stays one,
    // in the site database and on the destination clocks.
    void SynchronizeKeepsTheSiteAuthorityLevels()
    {
        auto& site = UserSite::Get();
        site.AddUser("60", "Supervisor", true, 3);
        site.PutClockUser("Alpha", "60", 60, 3);
        SelectRows(Sources(), {"Alpha"});
        SelectRows(Destinations(), {"Charlie"});
        MessageRecorder messages;
        Click("cmdSynchronize");

        QCOMPARE(messages.Count(), 0);
        QCOMPARE(zel::data::DataSource().GetUserDescriptionList()->Item(std::string("60"))->AuthorityLevel(), 3);
        QCOMPARE(site.Emulated("Charlie").FindUser(*zel::sim::UserIdFromText("60"))->AuthorityLevel, 3);
    }

    void EventsComeInTheirOrder()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "1", 10);
        zel::workflows::Synchronizer sync;
        QStringList log;
        std::vector<zel::Subscription> subs;
        auto channel = [&](const char* what) {
            return [&log, what](int mode, std::int32_t) { log.push_back(QString("%1 %2").arg(what).arg(mode)); };
        };
        auto clock = [&](const char* what) {
            return [&log, what](int mode, zel::workflows::Synchronizer::ReaderPtr r) {
                log.push_back(QString("%1 %2 %3").arg(what).arg(mode).arg(QString::fromStdString(r->Name())));
            };
        };
        subs.push_back(sync.BeginSynchornize().Subscribe([&] { log.push_back("Begin"); }));
        subs.push_back(sync.EstablishingConnection().Subscribe(channel("Establishing")));
        subs.push_back(sync.Connected().Subscribe(channel("Connected")));
        subs.push_back(sync.ConnectionFailed().Subscribe(channel("Failed")));
        subs.push_back(sync.Disconnecting().Subscribe(channel("Disconnecting")));
        subs.push_back(sync.ConnectingToReader().Subscribe(clock("Connecting")));
        subs.push_back(sync.ReaderFound().Subscribe(clock("Found")));
        subs.push_back(sync.ReaderNotFound().Subscribe(clock("NotFound")));
        subs.push_back(sync.ReaderUploadComplete().Subscribe(clock("Complete")));
        subs.push_back(sync.SendingUser().Subscribe([&](int mode, zel::workflows::Synchronizer::UserPtr u) {
            log.push_back(QString("Sending %1 %2").arg(mode).arg(QString::fromStdString(u->UserID())));
        }));
        subs.push_back(sync.EndSynchronize().Subscribe([&] { log.push_back("End"); }));
        subs.push_back(sync.Aborted().Subscribe([&] { log.push_back("Aborted"); }));
        sync.Execute(Clocks({"Alpha", "Alpha"}), Clocks({"Dial", "Charlie"}), false);
        // The destination channels work at the same time: their events interleave, each channel's
        // keep their order (the modem channel fails at once, Charlie's channel runs its course).
        QCOMPARE(log.mid(0, 6), (QStringList{"Begin", "Establishing 0", "Connected 0", "Connecting 0 Alpha",
                                             "Found 0 Alpha", "Disconnecting 0"}));
        QCOMPARE(log.last(), QStringLiteral("End"));
        QStringList destinations = log.mid(6, log.size() - 7);
        const auto failed = destinations.indexOf(QStringLiteral("Failed 1"));
        QVERIFY(failed > 0);
        QCOMPARE(destinations.at(failed - 1), QStringLiteral("Establishing 1")); // the modem channel's pair
        destinations.removeAt(failed);
        destinations.removeAt(failed - 1);
        QCOMPARE(destinations, (QStringList{"Establishing 1", "Connected 1", "Connecting 1 Charlie", "Found 1 Charlie",
                                            "Sending 1 1", "Complete 1 Charlie", "Disconnecting 1"}));
        // The synchronizer's report: each chosen clock once per side, in the order given.
        const zel::workflows::CommandReport& report = sync.Report();
        QCOMPARE(report.HowEnded(), zel::workflows::CommandReport::Ending::Completed);
        QCOMPARE(report.Clocks().size(), std::size_t(3));
        QCOMPARE(report.Clocks()[0].ClockName, std::string("Alpha"));
        QCOMPARE(report.Clocks()[0].Text(), std::string("1 user read"));
        QCOMPARE(report.Clocks()[1].ClockName, std::string("Dial"));
        QCOMPARE(report.Clocks()[1].Text(), std::string("channel not connected: a modem channel cannot reach a clock"));
        QCOMPARE(report.Clocks()[2].Text(), std::string("1 user sent"));
    }

    void CancelDuringTheSourcePhaseKeepsWhatWasRead()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "1", 10);
        site.PutClockUser("Charlie", "3", 30);
        site.PutClockUser("Delta", "9", 90);
        SelectRows(Sources(), {"Alpha", "Charlie"});
        SelectRows(Destinations(), {"Delta"});
        connect(mPage.get(), &SynchronizeUI::StepShown, this, [&](const QString& text) {
            if (text == QStringLiteral("Connect to reader Alpha"))
                ClickCancelSoon(*mPage);
        });
        MessageRecorder messages;
        Click("cmdSynchronize");
        auto users = zel::data::DataSource().GetUserDescriptionList();
        QVERIFY(users->Contains("1"));                            // read before the cancel: imported
        QVERIFY(!users->Contains("3"));                           // Charlie was not read
        QCOMPARE(site.ClockUserIds("Delta"), (QStringList{"9"})); // no destination written
        QVERIFY(mPage->MessageWindow() == nullptr);
        QCOMPARE(VisibleWindows(QStringLiteral("frmMessage")), 0);
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(Rows(mPage->ResultWindow()),
                 (QStringList{"Read Alpha: 1 user read", "Read Charlie: cancelled before it was reached",
                              "Send Delta: cancelled before it was reached"}));
        QCOMPARE(mPage->ResultWindow()->Summary(),
                 QStringLiteral("Synchronize cancelled: 1 of 3 clocks done, 2 cancelled."));
    }

    void CancelDuringTheDestinationPhaseFinishesTheClockAtHand()
    {
        auto& site = UserSite::Get();
        site.AddUser("40", "Forty", true);
        site.AddUser("41", "Forty-One", true);
        SelectRows(Sources(), {"Bravo"});
        // Alpha, Charlie and Delta share Line A: they are served one after another.
        SelectRows(Destinations(), {"Alpha", "Charlie", "Delta"});
        connect(mPage.get(), &SynchronizeUI::StepShown, this, [&](const QString& text) {
            if (text == QStringLiteral("Sending user: 40 - Forty"))
                ClickCancelSoon(*mPage);
        });
        Click("cmdSynchronize");
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"40", "41"})); // the clock at hand is finished
        QVERIFY(site.ClockUserIds("Charlie").isEmpty());                 // no further clock is written
        QVERIFY(site.ClockUserIds("Delta").isEmpty());
        QVERIFY(mPage->MessageWindow() == nullptr);
        QCOMPARE(Rows(mPage->ResultWindow()), (QStringList{"Read Bravo: 0 users read", "Send Alpha: 2 users sent",
                                                           "Send Charlie: cancelled before it was reached",
                                                           "Send Delta: cancelled before it was reached"}));
    }

    void CancelBeforeTheFirstClockWritesNothing()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "1", 10);
        SelectRows(Sources(), {"Alpha"});
        SelectRows(Destinations(), {"Charlie"});
        connect(mPage.get(), &SynchronizeUI::StepShown, this, [&](const QString& text) {
            if (text.startsWith(QStringLiteral("Establishing connection")))
                ClickCancelSoon(*mPage);
        });
        Click("cmdSynchronize");
        QVERIFY(!zel::data::DataSource().GetUserDescriptionList()->Contains("1"));
        QVERIFY(site.ClockUserIds("Charlie").isEmpty());
        QVERIFY(mPage->MessageWindow() == nullptr);
    }

    void DestinationErrorEndsWithItsMessageAndAConsistentSite()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "1", 10);
        site.PutClockUser("Alpha", "2", 20);
        SelectRows(Sources(), {"Alpha"});
        SelectRows(Destinations(), {"Charlie", "Delta"}); // both on Line A: one after another
        // Charlie answers, but its memory is full: the first user sent to it is refused.
        for (int i = 0; i < 2560; ++i)
            site.PutClockUser("Charlie", std::to_string(100000 + i), 1);
        MessageRecorder messages;
        Click("cmdSynchronize");
        QCOMPARE(messages.Count(), 0); // told in the result window, with the clock
        QCOMPARE(Rows(mPage->ResultWindow()),
                 (QStringList{"Read Alpha: 2 users read",
                              "Send Charlie: failed: Channel Data Error; 2 of the 2 users not confirmed on the clock",
                              "Send Delta: not reached: the command stopped at an error"}));
        QCOMPARE(mPage->ResultWindow()->Summary(),
                 QStringLiteral("Synchronize stopped at an error: 1 of 3 clocks done, 1 failed, 1 not reached."));
        QVERIFY(mPage->MessageWindow() == nullptr);
        QCOMPARE(VisibleWindows(QStringLiteral("frmMessage")), 0);
        auto users = zel::data::DataSource().GetUserDescriptionList();
        QVERIFY(users->Contains("1") && users->Contains("2"));
        QVERIFY(users->Item(std::string("2"))->Enrolled());
        QVERIFY(!users->IsDirty());
        QVERIFY(site.ClockUserIds("Delta").isEmpty()); // the synchronization ended there

        // The page is usable again.
        site.Emulated("Charlie").ClearUserDataBase();
        QVERIFY(mPage->findChild<QPushButton*>(QStringLiteral("cmdSynchronize"))->isEnabled());
        Click("cmdSynchronize");
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(site.ClockUserIds("Delta"), (QStringList{"1", "2"}));
        QVERIFY(mPage->ResultWindow()->Report().AllSucceeded());
    }

    void WorksOverTheSerialLine()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Serial", "8", 80);
        SelectRows(Sources(), {"Serial"});
        SelectRows(Destinations(), {"Bravo"});
        MessageRecorder messages;
        Click("cmdSynchronize");
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(site.ClockUserIds("Bravo"), (QStringList{"8"}));
        SelectRows(Sources(), {"Bravo"});
        SelectRows(Destinations(), {"Serial"});
        site.AddUser("9", "Nine", true);
        Click("cmdSynchronize");
        QCOMPARE(site.ClockUserIds("Serial"), (QStringList{"8", "9"}));
    }

    void SourceErrorsArePassedOver()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Bravo", "5", 50);
        SelectRows(Sources(), {"Broken", "Orphan", "Ghost", "Bravo"});
        SelectRows(Destinations(), {"Alpha"});
        MessageRecorder messages;
        Click("cmdSynchronize");
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"5"}));
        QCOMPARE(
            Rows(mPage->ResultWindow()),
            (QStringList{"Read Bravo: 1 user read", "Read Ghost: clock not answering",
                         "Read Broken: channel not connected: Invalid IP Address or Format",
                         "Read Orphan: channel not connected: the clock has no channel", "Send Alpha: 1 user sent"}));
    }

    void RotateAndCaptions()
    {
        auto* splitter = mPage->findChild<QSplitter*>(QStringLiteral("splSourceDestination"));
        Qt::Orientation first = splitter->orientation();
        mPage->findChild<QToolButton*>(QStringLiteral("imgRotateView"))->click();
        QVERIFY(splitter->orientation() != first);
        QCOMPARE(mPage->SourceClocks()->Caption(), QStringLiteral("Source"));
        QCOMPARE(mPage->DestinationClocks()->Caption(), QStringLiteral("Destination"));
        QCOMPARE(mPage->findChild<QCheckBox*>(QStringLiteral("chkClearDestinationClocks"))->text(),
                 QStringLiteral("Clear Destination Clocks Before Synchronizing"));
    }

    // With ZEL_SCREENSHOTS set to a folder, pictures of the page and of its message window are saved there.
    void screenshots()
    {
        if (ScreenshotFolder().isEmpty())
            QSKIP("ZEL_SCREENSHOTS not set");
        AddPictureUsers();
        mPage->resize(720, 480);
        mPage->show();
        SelectRows(Sources(), {"Alpha", "Bravo"});
        SelectRows(Destinations(), {"Charlie", "Delta"});
        mPage->findChild<QCheckBox*>(QStringLiteral("chkClearDestinationClocks"))->setChecked(true);
        QVERIFY(SavePicture(mPage.get(), "synchronize-users.png"));
        bool saved = false;
        connect(mPage.get(), &SynchronizeUI::StepShown, this, [&](const QString& text) {
            if (!saved && text.startsWith(QStringLiteral("Sending user:")))
                saved = SavePicture(mPage->MessageWindow(), "synchronize-message.png");
        });
        Click("cmdSynchronize");
        QVERIFY(saved);

        // The result window after a synchronization with a switched-off destination clock.
        StoppedClock stopped;
        SelectRows(Destinations(), {"Charlie", "Delta", "Stopped"});
        Click("cmdSynchronize");
        QVERIFY(mPage->ResultWindow() != nullptr);
        QVERIFY(SavePicture(mPage->ResultWindow(), "synchronize-result.png"));
    }

private:
    void Click(const char* name) { mPage->findChild<QPushButton*>(QString::fromLatin1(name))->click(); }
    QTreeView* Sources() const { return mPage->SourceClocks()->ListView(); }
    QTreeView* Destinations() const { return mPage->DestinationClocks()->ListView(); }

    std::unique_ptr<SynchronizeUI> mPage;
};

ZEL_REGISTER_USERPAGE_TEST(SynchronizeTest);

} // namespace zel::ui::test

#include "SynchronizeTest.moc"
