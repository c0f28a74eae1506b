// The two progress windows that work on one clock: "Exporting Users" and "Removing Users".
#include "UserSite.h"

#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"
#include "zel/support/Channel.h"
#include "zel/support/ExtendedUser.h"
#include "zel/support/IReader.h"

#include "pages/frmExportUsers.h"
#include "pages/frmRemoveUsers.h"
#include "pages/modHelpers.h"

#include <QTest>

namespace zel::ui::test {
namespace {

struct Seen {
    QString Caption;
    QString Status;
    int Value = 0;
    int Maximum = 0;
    bool Visible = false;
};

} // namespace

class ProgressWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        UserSite::Get().Reset();
        mChannel = CreateChannelForDescription(UserSite::Get().ChannelID("Line A"));
        mChannel->Connect();
        mReader = mChannel->GetReader(1);
        QVERIFY(mReader != nullptr);
    }

    void cleanup()
    {
        mReader.reset();
        mChannel.reset();
    }

    void ExportShowsEachUserAndClosesAtTheEnd()
    {
        auto& site = UserSite::Get();
        frmExportUsers::UserCollection users;
        for (auto user : {site.AddUser("5", "Ann", true), site.AddUser("6", "Bo", false)})
            users.Add(user, user->UserID());
        frmExportUsers window;
        std::vector<Seen> seen;
        connect(&window, &UserProgressWindow::Advanced, this, [&] {
            seen.push_back(
                {window.windowTitle(), window.Status(), window.Value(), window.Maximum(), window.isVisible()});
        });
        window.Export(nullptr, mReader, QStringLiteral("Alpha"), users);
        QCOMPARE(seen.size(), std::size_t(2));
        QCOMPARE(seen[0].Caption, QStringLiteral("Exporting Users To Alpha"));
        QCOMPARE(seen[0].Status, QStringLiteral("Exporting Ann"));
        QCOMPARE(seen[1].Status, QStringLiteral("Exporting Bo"));
        QCOMPARE(seen[0].Value, 1);
        QCOMPARE(seen[1].Value, 2);
        QCOMPARE(seen[1].Maximum, 2);
        QVERIFY(seen[0].Visible);
        QVERIFY(!window.isVisible());
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"5", "6"}));
    }

    void RemoveTakesClockUsersAndSiteUsersByID()
    {
        auto& site = UserSite::Get();
        for (const char* id : {"5", "6", "7"})
            site.PutClockUser("Alpha", id, 1);
        frmRemoveUsers::ClockUserCollection clockUsers;
        auto five = std::make_shared<zel::support::ExtendedUser>();
        five->SetID("5");
        clockUsers.Add(five, "5");
        frmRemoveUsers window;
        QStringList statuses;
        connect(&window, &UserProgressWindow::Advanced, this, [&] { statuses.push_back(window.Status()); });
        window.Remove(nullptr, mReader, QString(), clockUsers);
        QCOMPARE(window.windowTitle(), QStringLiteral("Removing Users"));
        frmRemoveUsers::UserCollection siteUsers;
        auto seven = site.AddUser("7", "Seven", false);
        siteUsers.Add(seven, "7");
        window.Remove(nullptr, mReader, QStringLiteral("Alpha"), siteUsers);
        QCOMPARE(window.windowTitle(), QStringLiteral("Removing Users From Alpha"));
        QCOMPARE(statuses, (QStringList{"Removing 5", "Removing 7"})); // "Removing " and the ID
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"6"}));
    }

    void AnEmptyCollectionShowsNothing()
    {
        frmExportUsers window;
        bool shown = false;
        connect(&window, &UserProgressWindow::Advanced, this, [&] { shown = true; });
        window.Export(nullptr, mReader, QStringLiteral("Alpha"), frmExportUsers::UserCollection());
        QVERIFY(!shown);
        QCOMPARE(window.windowTitle(), QStringLiteral("Exporting Users"));
    }

private:
    std::shared_ptr<zel::support::Channel> mChannel;
    std::shared_ptr<zel::support::IReader> mReader;
};

ZEL_REGISTER_USERPAGE_TEST(ProgressWindowsTest);

} // namespace zel::ui::test

#include "ProgressWindowsTest.moc"
