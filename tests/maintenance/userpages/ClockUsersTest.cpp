// The "Clock Users" tab against the emulated clock "Alpha", connected through the connection center.
#include "MessageRecorder.h"
#include "UserSite.h"

#include "clocksim/ClockUser.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include "pages/ConnectionCenter.h"
#include "pages/DetailedUserListView.h"
#include "pages/ManageClockUsers.h"
#include "pages/frmUserSelection.h"
#include "pages/models/ClockUsersModel.h"
#include "pages/models/UserListModel.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace zel::ui::test {
namespace {

QPushButton* Button(QWidget& page, const char* name)
{
    return page.findChild<QPushButton*>(QString::fromLatin1(name));
}

// Answers the next User Selection window: selects the rows `ids` and clicks OK, or Cancel.
void AnswerUserSelection(const QStringList& ids, bool ok)
{
    QTimer::singleShot(0, [ids, ok] {
        auto* window = qobject_cast<frmUserSelection*>(QApplication::activeModalWidget());
        QVERIFY(window != nullptr);
        QCOMPARE(window->windowTitle(), QStringLiteral("User Selection"));
        SelectRows(window->UserList()->ListView(), ids);
        window->findChild<QPushButton*>(QString::fromLatin1(ok ? "cmdOK" : "cmdCancel"))->click();
    });
}

} // namespace

class ClockUsersTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        UserSite::Get().Reset();
        mCenter = std::make_unique<ConnectionCenter>();
        mCenter->Initialize();
        mPage = std::make_unique<ManageClockUsers>();
        mPage->Initialize(mCenter.get());
    }

    void cleanup()
    {
        mPage.reset();
        mCenter.reset();
    }

    void ButtonsFollowTheConnectionAndRowsOutliveIt()
    {
        QVERIFY(!Button(*mPage, "cmdGetUsers")->isEnabled());
        QVERIFY(!Button(*mPage, "cmdRemoveAll")->isEnabled());
        UserSite::Get().PutClockUser("Alpha", "5", 1);
        Connect();
        for (const char* name : {"cmdGetUsers", "cmdImport", "cmdExport", "cmdRemove", "cmdRemoveAll"})
            QVERIFY2(Button(*mPage, name)->isEnabled(), name);
        Button(*mPage, "cmdGetUsers")->click();
        mCenter->findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))->click();
        for (const char* name : {"cmdGetUsers", "cmdImport", "cmdExport", "cmdRemove", "cmdRemoveAll"})
            QVERIFY2(!Button(*mPage, name)->isEnabled(), name);
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"5"}));
    }

    void GetUsersListsClockUsersBesideTheSiteDatabase()
    {
        auto& site = UserSite::Get();
        site.AddUser("7", "Ann Lee", true, 4);
        site.AddUser("8", "Bo", false, 1);
        site.PutClockUser("Alpha", "5", 1, 0);
        site.PutClockUser("Alpha", "7", 2, 0);
        site.PutClockUser("Alpha", "8", 3, 0);
        Connect();
        Button(*mPage, "cmdGetUsers")->click();
        QCOMPARE(List()->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Existing User"));
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"5", "7", "8"}));
        QCOMPARE(ColumnTexts(List(), 1), (QStringList{"User 5", "Ann Lee", "Bo"}));
        QCOMPARE(ColumnTexts(List(), 2), (QStringList{"None", "Enrollment", "Service"}));
        QCOMPARE(ColumnTexts(List(), 3), (QStringList{"No", "Yes", "Yes"}));
        QCOMPARE(ColumnTexts(List(), 4), (QStringList{"No", "Yes", "No"}));
    }

    void ImportAddsOrUpdatesUsersAndRefillsOtherListsOnce()
    {
        auto& site = UserSite::Get();
        auto existing = site.AddUser("7", "Ann Lee", false, 4);
        site.PutClockUser("Alpha", "5", 11);
        site.PutClockUser("Alpha", "7", 22);
        site.PutClockUser("Alpha", "9", 33);
        DetailedUserListView other; // another page's list of site users
        int refills = other.Model()->RefillCount();
        Connect();
        Button(*mPage, "cmdGetUsers")->click();
        SelectRows(List(), {"5", "7"});
        MessageRecorder messages;
        Button(*mPage, "cmdImport")->click();

        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().title, QStringLiteral("User Import Complete"));
        QCOMPARE(messages.Last().text, QStringLiteral("The importation of the selected users is complete."));
        QCOMPARE(messages.Last().icon, MsgIcon::None);
        auto users = zel::data::DataSource().GetUserDescriptionList();
        QVERIFY(users->Contains("5"));
        QVERIFY(!users->Contains("9"));
        auto added = users->Item(std::string("5"));
        QCOMPARE(added->Name(), std::string("User 5"));
        QVERIFY(added->Enrolled());
        QCOMPARE(added->Template(), UserSite::TemplateFor(11));
        QCOMPARE(existing->Name(), std::string("Ann Lee")); // name kept
        QCOMPARE(existing->AuthorityLevel(), 4);            // level kept: the clock's list reads 0 for all
        QVERIFY(existing->Enrolled());
        QCOMPARE(existing->Template(), UserSite::TemplateFor(22));
        QVERIFY(!users->IsDirty());
        QCOMPARE(ColumnTexts(List(), 3), (QStringList{"Yes", "Yes", "No"}));
        QCOMPARE(ColumnTexts(List(), 4), (QStringList{"Yes", "Yes", "No"}));
        QCoreApplication::processEvents();
        QCOMPARE(other.Model()->RefillCount(), refills + 1);
    }

    void ExportSendsOnlyEnrolledUsersChosenInTheSelectionWindow()
    {
        auto& site = UserSite::Get();
        site.AddUser("21", "Enrolled", true, 2);
        site.AddUser("22", "Waiting", false);
        Connect();
        AnswerUserSelection({"21", "22"}, true);
        MessageRecorder messages;
        Button(*mPage, "cmdExport")->click();
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"21"}));
        QCOMPARE(site.ClockTemplate("Alpha", "21"), UserSite::TemplateFor(21));
        QCOMPARE(site.Emulated("Alpha").FindUser(*zel::sim::UserIdFromText("21"))->AuthorityLevel, 2);
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"21"})); // listed before any Get Users
        QCOMPARE(VisibleWindows(QStringLiteral("frmExportUsers")), 0);
    }

    void CancelledSelectionSendsNothing()
    {
        UserSite::Get().AddUser("21", "Enrolled", true);
        Connect();
        AnswerUserSelection({"21"}, false);
        Button(*mPage, "cmdExport")->click();
        QVERIFY(UserSite::Get().ClockUserIds("Alpha").isEmpty());
        QVERIFY(ColumnTexts(List(), 0).isEmpty());
    }

    void RemoveTakesTheSelectedUsersOffTheClock()
    {
        auto& site = UserSite::Get();
        for (const char* id : {"1", "2", "3"})
            site.PutClockUser("Alpha", id, 5);
        Connect();
        Button(*mPage, "cmdGetUsers")->click();
        SelectRows(List(), {"1", "3"});
        Button(*mPage, "cmdRemove")->click();
        QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"2"}));
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"2"}));
        QCOMPARE(VisibleWindows(QStringLiteral("frmRemoveUsers")), 0);
    }

    void RemoveAllAsksFirst()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "1", 5);
        Connect();
        Button(*mPage, "cmdGetUsers")->click();
        {
            MessageRecorder messages;
            messages.QueueAnswer(MsgResult::No);
            Button(*mPage, "cmdRemoveAll")->click();
            QCOMPARE(messages.Count(), 1);
            QCOMPARE(messages.Last().title, QStringLiteral("Clear Users"));
            QCOMPARE(messages.Last().text,
                     QStringLiteral("Are you sure you want to remove all users from the current clock?"));
            QCOMPARE(messages.Last().icon, MsgIcon::Question);
            QCOMPARE(messages.Last().buttons, MsgButtons::YesNo);
            QCOMPARE(messages.Last().defaultButton, MsgResult::No);
            QCOMPARE(site.ClockUserIds("Alpha"), (QStringList{"1"}));
            QCOMPARE(ColumnTexts(List(), 0), (QStringList{"1"}));
        }
        MessageRecorder messages;
        messages.QueueAnswer(MsgResult::Yes);
        Button(*mPage, "cmdRemoveAll")->click();
        QVERIFY(site.ClockUserIds("Alpha").isEmpty());
        QCOMPARE(List()->model()->rowCount(), 0);
    }

    void ClockErrorsAreShownAndThePageStaysUsable()
    {
        auto& site = UserSite::Get();
        site.AddUser("31", "First", true);
        site.AddUser("32", "Second", true);
        site.PutClockUser("Alpha", "1", 5);
        Connect();
        Button(*mPage, "cmdGetUsers")->click();

        zel::sim::FaultOptions late;
        late.Late = true;
        late.LateMs = 1500;
        site.LineA().SetFaults(late);
        MessageRecorder messages;
        messages.QueueAnswer(MsgResult::Yes);
        Button(*mPage, "cmdRemoveAll")->click();
        QCOMPARE(messages.Count(), 2); // the question, then the error
        QCOMPARE(messages.Last().text, QStringLiteral("Channel Communication Timeout"));
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"1"})); // nothing was cleared

        AnswerUserSelection({"31", "32"}, true);
        Button(*mPage, "cmdExport")->click();
        QCOMPARE(messages.Count(), 3);
        QCOMPARE(messages.Last().text, QStringLiteral("Channel Communication Timeout"));
        QCOMPARE(VisibleWindows(QStringLiteral("frmExportUsers")), 0);
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"1"})); // no user reached the clock

        site.LineA().SetFaults({});
        // The link may have been dropped by the failure: connect again and go on.
        mCenter->findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))->click();
        Connect();
        QVERIFY(Button(*mPage, "cmdGetUsers")->isEnabled());
        Button(*mPage, "cmdGetUsers")->click();
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"1"}));
    }

    // After a failed Get Users the list of the earlier read is not shown as if it were current.
    void AFailedGetUsersLeavesNoEarlierListBehind()
    {
        auto& site = UserSite::Get();
        site.PutClockUser("Alpha", "1", 5);
        Connect();
        Button(*mPage, "cmdGetUsers")->click();
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"1"}));

        zel::sim::FaultOptions late;
        late.Late = true;
        late.LateMs = 1500;
        site.LineA().SetFaults(late);
        MessageRecorder messages;
        Button(*mPage, "cmdGetUsers")->click();
        site.LineA().SetFaults({});
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, QStringLiteral("Channel Communication Timeout"));
        const QStringList rows = ColumnTexts(List(), 0);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.front(), QStringLiteral("Get Users failed (Channel Communication Timeout): the clock's users "
                                              "are not known. Choose Get Users again."));
        QVERIFY(List()->isFirstColumnSpanned(0, QModelIndex()));
        List()->selectAll();
        Button(*mPage, "cmdImport")->click(); // the notice is no user
        QCOMPARE(zel::data::DataSource().GetUserDescriptionList()->Count(), 0);

        mCenter->findChild<QPushButton*>(QStringLiteral("cmdDisconnect"))->click();
        Connect();
        Button(*mPage, "cmdGetUsers")->click();
        QCOMPARE(ColumnTexts(List(), 0), (QStringList{"1"}));
    }

    // A user sent to a clock without a template (not enrolled) comes back as not enrolled.
    void ImportOfAUserWithoutATemplateDoesNotEnrollIt()
    {
        auto& site = UserSite::Get();
        site.AddUser("1001", "Not Enrolled", false);
        // On the clock with an all-zero template, as Export sends a user who is not enrolled; 1002
        // likewise, unknown to the site.
        for (const char* id : {"1001", "1002"}) {
            zel::sim::ClockUser empty;
            empty.Id = *zel::sim::UserIdFromText(id);
            QVERIFY(site.Emulated("Alpha").PutUser(empty));
        }
        Connect();
        Button(*mPage, "cmdGetUsers")->click();
        SelectRows(List(), {"1001", "1002"});
        MessageRecorder messages;
        Button(*mPage, "cmdImport")->click();
        auto users = zel::data::DataSource().GetUserDescriptionList();
        QVERIFY(!users->Item(std::string("1001"))->Enrolled());
        QVERIFY(!users->Item(std::string("1002"))->Enrolled()); // added, but not as enrolled
        QCOMPARE(ColumnTexts(List(), 4), (QStringList{"No", "No"}));
    }

private:
    void Connect()
    {
        auto* clocks = mCenter->findChild<QComboBox*>(QStringLiteral("cboClocks"));
        clocks->setCurrentIndex(clocks->findText(QStringLiteral("Alpha")));
        mCenter->findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
        QVERIFY(mCenter->IsConnected());
    }

    QTreeView* List() const { return mPage->findChild<QTreeView*>(QStringLiteral("lvwClockUsers")); }

    std::unique_ptr<ConnectionCenter> mCenter;
    std::unique_ptr<ManageClockUsers> mPage;
};

ZEL_REGISTER_USERPAGE_TEST(ClockUsersTest);

} // namespace zel::ui::test

#include "ClockUsersTest.moc"
