// The "Add/Remove Users" page: many clocks over two emulated lines in one command.
#include "MessageRecorder.h"
#include "UserSite.h"

#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/UserDescriptionList.h"

#include "pages/AddRemoveUsers.h"
#include "pages/ClockListView.h"
#include "pages/DetailedUserListView.h"
#include "pages/frmCommandResult.h"
#include "pages/frmMessage.h"
#include "pages/modHelpers.h"
#include "pages/models/UserListModel.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace zel::ui::test {

using zel::workflows::ClockOutcome;
using zel::workflows::ClockResult;
using zel::workflows::ClockTask;
using zel::workflows::CommandReport;

class AddRemoveUsersTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        UserSite::Get().Reset();
        mPage = std::make_unique<AddRemoveUsers>();
        mOpened.clear();
        mPage->SetChannelMaker([this](std::int32_t id) {
            mOpened.push_back(id);
            return CreateChannelForDescription(id);
        });
    }

    void cleanup() { mPage.reset(); }

    void RefusesWithoutClocksOrUsers()
    {
        UserSite::Get().AddUser("1", "One", true);
        MessageRecorder messages;
        SelectRows(Users(), {"1"});
        Click("cmdExport");
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().title, QStringLiteral("No Clocks Selected"));
        QCOMPARE(messages.Last().text, QStringLiteral("You must have atleast one clock selected."));
        QCOMPARE(messages.Last().icon, MsgIcon::Exclamation);
        SelectRows(Users(), {});
        SelectRows(Clocks(), {"Alpha"});
        Click("cmdRemove");
        QCOMPARE(messages.Count(), 2);
        QCOMPARE(messages.Last().title, QStringLiteral("No Users Selected"));
        QCOMPARE(messages.Last().text, QStringLiteral("You must have atleast one user selected."));
        QVERIFY(mOpened.empty());
    }

    // The page names the chosen users who have no hand template: Export sends them without one.
    void SaysWhichChosenUsersHaveNoTemplate()
    {
        auto& site = UserSite::Get();
        site.AddUser("11", "Enrolled", true);
        site.AddUser("12", "Not Enrolled", false);
        site.AddUser("13", "Other", false);
        QCOMPARE(mPage->NoTemplateNote(), QString());
        SelectRows(Users(), {"11"});
        QCOMPARE(mPage->NoTemplateNote(), QString());
        SelectRows(Users(), {"11", "12"});
        QCOMPARE(mPage->NoTemplateNote(),
                 QStringLiteral("12 (Not Enrolled) has no hand template (not enrolled) and is sent without one."));
        site.AddUser("14", "Third", false);
        SelectRows(Users(), {"11", "12", "13", "14"});
        QCOMPARE(mPage->NoTemplateNote(),
                 QStringLiteral("3 chosen users have no hand template (not enrolled) and are "
                                "sent without one: 12 (Not Enrolled), 13 (Other) and 1 more."));
        QVERIFY(mPage->findChild<QLabel*>(QStringLiteral("lblNoTemplate"))
                    ->toolTip()
                    .endsWith(QStringLiteral("12 (Not Enrolled)\n13 (Other)\n14 (Third)")));
        SelectRows(Users(), {});
        QCOMPARE(mPage->NoTemplateNote(), QString());
    }

    void ExportOpensEachChannelOnceAndPassesOverSilentClocks()
    {
        auto& site = UserSite::Get();
        site.AddUser("11", "Enrolled", true, 5);
        site.AddUser("12", "Not Enrolled", false);
        SelectRows(Users(), {"11", "12"});
        // List order: Alpha (Line A), Bravo (Line B), Charlie (Line A), Delta (Line A), Ghost (Line A, silent),
        // Dial (modem), Orphan (no channel).
        SelectRows(Clocks(), {"Alpha", "Bravo", "Charlie", "Delta", "Ghost", "Dial", "Orphan"});
        MessageRecorder messages;
        Click("cmdExport");
        QCOMPARE(messages.Count() == 0 ? QString() : messages.Last().text, QString());
        QCOMPARE(mOpened,
                 (std::vector<std::int32_t>{site.ChannelID("Line A"), site.ChannelID("Line B"), site.ChannelID("Modem"),
                                            site.Clock("Orphan")->ChannelDescriptionID()}));
        for (const char* clock : {"Alpha", "Bravo", "Charlie", "Delta"})
            QCOMPARE(site.ClockUserIds(clock), (QStringList{"11", "12"}));
        QCOMPARE(site.ClockTemplate("Delta", "11"), UserSite::TemplateFor(11));
        QCOMPARE(site.ClockTemplate("Bravo", "12"), std::vector<std::uint8_t>(9, 0)); // sent with an empty template
        QCOMPARE(VisibleWindows(QStringLiteral("frmExportUsers")), 0);
    }

    void RemoveTakesTheUsersOffEveryChosenClock()
    {
        auto& site = UserSite::Get();
        site.AddUser("11", "One", true);
        site.AddUser("12", "Two", true);
        for (const char* clock : {"Alpha", "Bravo", "Delta"}) {
            site.PutClockUser(clock, "11", 1);
            site.PutClockUser(clock, "12", 2);
            site.PutClockUser(clock, "13", 3);
        }
        SelectRows(Users(), {"11", "12"});
        SelectRows(Clocks(), {"Alpha", "Bravo", "Delta"});
        Click("cmdRemove");
        for (const char* clock : {"Alpha", "Bravo", "Delta"})
            QCOMPARE(site.ClockUserIds(clock), (QStringList{"13"}));
        QCOMPARE(mOpened.size(), std::size_t(2));
    }

    void WorksOverTheSerialLine()
    {
        auto& site = UserSite::Get();
        site.AddUser("11", "One", true);
        SelectRows(Users(), {"11"});
        SelectRows(Clocks(), {"Serial"});
        MessageRecorder messages;
        Click("cmdExport");
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(site.ClockUserIds("Serial"), (QStringList{"11"}));
        Click("cmdRemove");
        QVERIFY(site.ClockUserIds("Serial").isEmpty());
    }

    // Every chosen clock is listed with what happened to it, in the order chosen; the clocks that
    // could not be served do not keep the others from being served.
    void TheResultWindowTellsWhatHappenedToEveryClock()
    {
        auto& site = UserSite::Get();
        StoppedClock stopped;
        site.AddUser("11", "One", true);
        SelectRows(Users(), {"11"});
        SelectRows(Clocks(), {"Alpha", "Bravo", "Ghost", "Dial", "Broken", "Orphan", "Stopped"});
        MessageRecorder messages;
        Click("cmdExport");
        QCOMPARE(messages.Count(), 0); // everything is in the result window
        frmCommandResult* result = mPage->ResultWindow();
        QVERIFY(result != nullptr);
        QVERIFY(result->isVisible());
        QCOMPARE(result->windowTitle(), QStringLiteral("Export Results"));
        QVERIFY(result->ListShown());
        QCOMPARE(Rows(*result), (QStringList{"Alpha: 1 user sent", "Bravo: 1 user sent", "Ghost: clock not answering",
                                             "Dial: channel not connected: a modem channel cannot reach a clock",
                                             "Broken: channel not connected: Invalid IP Address or Format",
                                             "Orphan: channel not connected: the clock has no channel",
                                             "Stopped: " + stopped.NotConnected()}));
        QCOMPARE(result->Summary(),
                 QStringLiteral("Export finished: 2 of 7 clocks done, 4 not connected, 1 not answering."));
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"11"}));
        QCOMPARE(site.ClockUserIds("Bravo"), (QStringList{"11"}));
        ExpectControlsNamed(*result);

        // The next command replaces the window.
        QPointer<frmCommandResult> first = result;
        Click("cmdRemove");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first.isNull());
        QCOMPARE(mPage->ResultWindow()->windowTitle(), QStringLiteral("Remove Results"));
        QCOMPARE(Rows(*mPage->ResultWindow()).first(), QStringLiteral("Alpha: 1 user removed"));
        QVERIFY(site.ClockUserIds("Alpha").isEmpty());
    }

    void EveryClockServedGivesAShortConfirmation()
    {
        auto& site = UserSite::Get();
        site.AddUser("11", "One", true);
        site.AddUser("12", "Two", true);
        SelectRows(Users(), {"11", "12"});
        SelectRows(Clocks(), {"Alpha", "Bravo", "Delta"});
        MessageRecorder messages;
        Click("cmdExport");
        QCOMPARE(messages.Count(), 0);
        frmCommandResult* result = mPage->ResultWindow();
        QVERIFY(result != nullptr && result->isVisible());
        QVERIFY(!result->ListShown());
        QCOMPARE(result->Summary(), QStringLiteral("Export finished on all 3 clocks: 2 users sent to each."));
        QVERIFY(result->Report().AllSucceeded());
        Click("cmdRemove");
        QCOMPARE(mPage->ResultWindow()->Summary(),
                 QStringLiteral("Remove finished on all 3 clocks: 2 users removed from each."));
        mPage->ResultWindow()->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(mPage->ResultWindow() == nullptr);
    }

    void AnErrorEndsTheCommandAndIsToldWithTheClock()
    {
        auto& site = UserSite::Get();
        site.AddUser("11", "One", true);
        site.AddUser("12", "Two", true);
        SelectRows(Users(), {"11", "12"});
        // The link drops in the middle of the export: the reader was found, the second user fails.
        // With one channel at a time, Bravo's group comes first (row order) and the serial clock's
        // group is not reached.
        mPage->SetMaxChannels(1);
        SelectRows(Clocks(), {"Bravo", "Serial"});
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 3;
        site.LineB().SetFaults(drop);
        MessageRecorder messages;
        Click("cmdExport");
        site.LineB().SetFaults({});
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(VisibleWindows(QStringLiteral("frmExportUsers")), 0);
        const CommandReport& report = mPage->ResultWindow()->Report();
        QCOMPARE(report.HowEnded(), CommandReport::Ending::Error);
        QCOMPARE(report.Clocks().at(0).ClockName, std::string("Bravo"));
        QCOMPARE(report.Clocks().at(0).Outcome, ClockOutcome::Failed);
        QVERIFY(!report.Clocks().at(0).Detail.empty());
        QVERIFY(report.Clocks().at(0).Count < 2);
        QVERIFY(ResultOf("Bravo").startsWith(QStringLiteral("failed")));
        QVERIFY(ResultOf("Bravo").contains(QString::fromStdString(report.Clocks().at(0).Detail)));
        QCOMPARE(ResultOf("Serial"), QStringLiteral("not reached: the command stopped at an error"));
        QVERIFY(site.ClockUserIds("Serial").isEmpty());
        QCOMPARE(mPage->ResultWindow()->Summary(),
                 QStringLiteral("Export stopped at an error: 0 of 2 clocks done, 1 failed, 1 not reached."));

        // The page is usable again.
        Click("cmdExport");
        QCOMPARE(site.ClockUserIds("Bravo"), (QStringList{"11", "12"}));
        QCOMPARE(site.ClockUserIds("Serial"), (QStringList{"11", "12"}));
        QVERIFY(mPage->ResultWindow()->Report().AllSucceeded());
    }

    // The channels work at the same time: the running window has a line for each, and an error
    // on one ends the command without leaving another clock half written.
    void ChannelsWorkSideBySideWithALineEach()
    {
        auto& site = UserSite::Get();
        for (int id = 11; id <= 18; ++id)
            site.AddUser(std::to_string(id), "User " + std::to_string(id), true);
        SelectRows(Users(), {"11", "12", "13", "14", "15", "16", "17", "18"});
        SelectRows(Clocks(), {"Alpha", "Bravo", "Charlie", "Serial"});
        QSet<QString> channels;
        int mostLines = 0;
        QString title;
        connect(mPage.get(), &AddRemoveUsers::ProgressShown, this, [&](const QString& line) {
            channels.insert(line.section(QLatin1Char(':'), 0, 0));
            mostLines = std::max(mostLines, mPage->RunningWindow()->ChannelLineCount());
            title = mPage->RunningWindow()->windowTitle();
            QVERIFY(mPage->RunningWindow()->isVisible());
        });
        Click("cmdExport");
        QCOMPARE(channels, (QSet<QString>{"Line A", "Line B", "Serial Line"}));
        QCOMPARE(mostLines, 3);
        QCOMPARE(title, QStringLiteral("Exporting Users"));
        QVERIFY(mPage->RunningWindow() == nullptr);
        QVERIFY(mPage->ResultWindow()->Report().AllSucceeded());
        for (const char* clock : {"Alpha", "Bravo", "Charlie", "Serial"})
            QCOMPARE(site.ClockUserIds(clock).size(), qsizetype(8));

        // The link of Line B drops in the middle: Bravo fails, the others are whole or untouched.
        Click("cmdRemove");
        zel::sim::FaultOptions drop;
        drop.DropAfterFrames = 4;
        site.LineB().SetFaults(drop);
        Click("cmdExport");
        site.LineB().SetFaults({});
        const CommandReport& report = mPage->ResultWindow()->Report();
        QCOMPARE(report.HowEnded(), CommandReport::Ending::Error);
        QVERIFY(ResultOf("Bravo").startsWith(QStringLiteral("failed")));
        for (const char* clock : {"Alpha", "Charlie", "Serial"}) {
            const QString result = ResultOf(clock);
            if (result == QStringLiteral("8 users sent"))
                QCOMPARE(site.ClockUserIds(clock).size(), qsizetype(8));
            else
                QCOMPARE(result, QStringLiteral("not reached: the command stopped at an error"));
        }
    }

    // Cancel reaches every channel before its next user; what was sent is counted.
    void CancelStopsEveryChannel()
    {
        auto& site = UserSite::Get();
        QStringList ids;
        for (int id = 100; id < 140; ++id) {
            site.AddUser(std::to_string(id), "User " + std::to_string(id), true);
            ids.push_back(QString::number(id));
        }
        SelectRows(Users(), ids);
        SelectRows(Clocks(), {"Alpha", "Bravo", "Charlie"});
        zel::sim::FaultOptions slow;
        slow.LatencyMs = 3;
        site.LineA().SetFaults(slow);
        site.LineB().SetFaults(slow);
        bool clicked = false;
        connect(mPage.get(), &AddRemoveUsers::ProgressShown, this, [&](const QString& line) {
            if (!clicked && line.contains(QStringLiteral("(3 of 40)"))) {
                clicked = true;
                auto* cancel = mPage->RunningWindow()->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
                cancel->click();
                QVERIFY(!cancel->isEnabled());
            }
        });
        Click("cmdExport");
        site.LineA().SetFaults({});
        site.LineB().SetFaults({});
        QVERIFY(clicked);
        const CommandReport& report = mPage->ResultWindow()->Report();
        QCOMPARE(report.HowEnded(), CommandReport::Ending::Cancelled);
        QCOMPARE(ResultOf("Charlie"), QStringLiteral("cancelled before it was reached"));
        QVERIFY(site.ClockUserIds("Charlie").isEmpty());
        for (const auto& clock : report.Clocks()) {
            QVERIFY2(clock.Count < 40, clock.ClockName.c_str());
            QCOMPARE(static_cast<int>(site.ClockUserIds(clock.ClockName.c_str()).size()), clock.Count);
        }
        QVERIFY(mPage->ResultWindow()->Summary().startsWith(QStringLiteral("Export cancelled")));
    }

    void AUserIdTheClockCannotKeepIsRefused()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "0", 3); // what a bad ID would have overwritten
        auto users = zel::data::DataSource().GetUserDescriptionList();
        users->Add("12345678901", "Eleven Digits");
        QCoreApplication::processEvents();
        SelectRows(Users(), {"12345678901"});
        SelectRows(Clocks(), {"Alpha"});
        MessageRecorder messages;
        Click("cmdExport");
        QCOMPARE(messages.Count(), 0);
        QVERIFY(ResultOf("Alpha").startsWith(QStringLiteral("failed: ")));
        QVERIFY(ResultOf("Alpha").contains(QStringLiteral("12345678901")));
        QCOMPARE(site.ClockTemplate("Alpha", "0"), UserSite::TemplateFor(3));
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"0"}));
        QCOMPARE(VisibleWindows(QStringLiteral("frmExportUsers")), 0);
    }

    void RotateSwitchesTheSplitter()
    {
        auto* splitter = mPage->findChild<QSplitter*>(QStringLiteral("Splitter1"));
        auto* rotate = mPage->findChild<QToolButton*>(QStringLiteral("imgRotateView"));
        QVERIFY(!rotate->icon().isNull());
        Qt::Orientation first = splitter->orientation();
        rotate->click();
        QVERIFY(splitter->orientation() != first);
        rotate->click();
        QCOMPARE(splitter->orientation(), first);
        QCOMPARE(splitter->widget(0)->objectName(), QStringLiteral("lvwUsers"));
        QCOMPARE(splitter->widget(1)->objectName(), QStringLiteral("lvwClocks"));
    }

    void AnchorsFollowAResize()
    {
        auto* splitter = mPage->findChild<QSplitter*>(QStringLiteral("Splitter1"));
        auto* exportButton = mPage->findChild<QPushButton*>(QStringLiteral("cmdExport"));
        mPage->show();
        QRect splitterBefore = splitter->geometry();
        QRect buttonBefore = exportButton->geometry();
        mPage->resize(mPage->width() + 100, mPage->height() + 50);
        QCOMPARE(splitter->geometry().size(), splitterBefore.size() + QSize(100, 50));
        QCOMPARE(exportButton->geometry(), buttonBefore.translated(100, 50));
    }

    // Forget asks first, naming every clock of the site; No writes nothing. Yes takes the user off
    // every clock that answers and the template out of the site; the others keep a pending erasure,
    // shown in the list until a command reaches them.
    void ForgetAsksThenErasesEverywhereItCan()
    {
        auto& site = UserSite::Get();
        site.AddUser("11", "One", true);
        site.AddUser("12", "Two", true);
        for (const char* clock : {"Alpha", "Bravo"})
            for (const char* id : {"11", "12"})
                site.PutClockUser(clock, id, 1);
        SelectRows(Users(), {"11"});
        MessageRecorder messages;
        messages.QueueAnswer(MsgResult::No);
        Click("cmdForget");
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().title, QStringLiteral("Forget Users"));
        QVERIFY2(messages.Last().text.contains(
                     QStringLiteral("(9: Alpha, Bravo, Charlie, Delta, Ghost, Dial, Broken, Orphan, Serial)")),
                 qPrintable(messages.Last().text));
        QVERIFY(mOpened.empty());
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"11", "12"}));

        messages.QueueAnswer(MsgResult::Yes);
        Click("cmdForget");
        for (const char* clock : {"Alpha", "Bravo"})
            QCOMPARE(site.ClockUserIds(clock), QStringList{"12"});
        QVERIFY(!zel::data::DataSource().GetUserDescriptionList()->Item("11")->Enrolled());
        for (const char* pending : {"Dial", "Ghost", "Orphan"}) // never answer
            QVERIFY2(messages.Last().text.contains(QString::fromLatin1(pending)), qPrintable(messages.Last().text));
        auto* model = mPage->UserList()->Model();
        model->RefillNow();
        QCOMPARE(model->Text(0, 3), QStringLiteral("erasure pending"));
        QCOMPARE(model->Text(1, 3), QStringLiteral("Yes"));
    }

    // With ZEL_SCREENSHOTS set to a folder, a picture of the page is saved there.
    void screenshots()
    {
        if (ScreenshotFolder().isEmpty())
            QSKIP("ZEL_SCREENSHOTS not set");
        AddPictureUsers();
        mPage->resize(720, 480);
        mPage->show();
        SelectRows(Users(), {"1024", "87"});
        SelectRows(Clocks(), {"Alpha", "Charlie"});
        QVERIFY(SavePicture(mPage.get(), "add-remove-users.png"));

        // The result window after an export to every clock of the demo's kind, one of them switched off.
        StoppedClock stopped;
        SelectRows(Clocks(), {"Alpha", "Bravo", "Charlie", "Ghost", "Dial", "Stopped"});
        Click("cmdExport");
        QVERIFY(mPage->ResultWindow() != nullptr);
        QVERIFY(SavePicture(mPage->ResultWindow(), "add-remove-result.png"));
    }

private:
    void Click(const char* name) { mPage->findChild<QPushButton*>(QString::fromLatin1(name))->click(); }
    // "Clock: result" for each row of the result window.
    static QStringList Rows(const frmCommandResult& result)
    {
        QStringList rows;
        for (int row = 0; row < result.RowCount(); ++row)
            rows.push_back(result.ClockAt(row) + QStringLiteral(": ") + result.ResultAt(row));
        return rows;
    }
    QString ResultOf(const char* clock) const
    {
        const frmCommandResult* result = mPage->ResultWindow();
        for (int row = 0; result && row < result->RowCount(); ++row)
            if (result->ClockAt(row) == QString::fromLatin1(clock))
                return result->ResultAt(row);
        return QStringLiteral("<no row>");
    }
    static void ExpectControlsNamed(const frmCommandResult& result)
    {
        QCOMPARE(result.objectName(), QStringLiteral("frmCommandResult"));
        for (const char* name : {"lblSummary", "lvwResults", "cmdOK", "imgResult"})
            QVERIFY2(result.findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
        for (const QWidget* child : result.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(!child->objectName().isEmpty(), child->metaObject()->className());
    }
    QTreeView* Users() const { return mPage->UserList()->ListView(); }
    QTreeView* Clocks() const { return mPage->ClockList()->ListView(); }

    std::unique_ptr<AddRemoveUsers> mPage;
    std::vector<std::int32_t> mOpened;
};

ZEL_REGISTER_USERPAGE_TEST(AddRemoveUsersTest);

} // namespace zel::ui::test

#include "AddRemoveUsersTest.moc"
