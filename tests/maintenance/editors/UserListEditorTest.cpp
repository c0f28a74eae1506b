#include "EditorHarness.h"

#include "editors/EditCommandBar.h"
#include "editors/ListBoxView.h"
#include "editors/UserDetailUI.h"
#include "editors/UserListEditor.h"
#include "editors/UserListUI.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace zel::ui::test {

class UserListEditorTest : public QObject {
    Q_OBJECT

    EditorHarness<UserListEditor> mHarness;
    UserListEditor* mEditor = nullptr;
    MessageRecorder* mMessages = nullptr;

    EditCommandBar* Bar() { return mHarness.Bar(); }
    UserDetailUI* Detail() { return mEditor->DetailUI(); }
    UserListUI* List() { return mEditor->ListUI(); }

    void Type(const QString& userID, const QString& name, int level = 0)
    {
        SetText(Detail(), "txtUserID", userID);
        SetText(Detail(), "txtName", name);
        Detail()->findChild<QComboBox*>(QStringLiteral("cboAuthorityLevel"))->setCurrentIndex(level);
    }

    void AddUser(const QString& userID, const QString& name, int level = 0)
    {
        Press(Bar(), "cmdAdd");
        Type(userID, name, level);
        Press(Bar(), "cmdSave");
        Settle();
    }

    void ExpectMessage(const QString& text, const QString& title = QStringLiteral("ZelMaintenance"),
                       MsgIcon icon = MsgIcon::None)
    {
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().text, text);
        QCOMPARE(mMessages->Last().title, title);
        QCOMPARE(mMessages->Last().icon, icon);
        QCOMPARE(mMessages->Last().buttons, MsgButtons::Ok);
        mMessages->Clear();
    }

private slots:
    void init()
    {
        mHarness.Start([](UserListEditor& editor) { editor.SetUserList(TestSite::Instance().Users()); });
        mEditor = mHarness.Editor();
        mMessages = &mHarness.Messages();
    }
    void cleanup() { mHarness.Stop(); }

    // --- states ---------------------------------------------------------------------------

    void addingDisablesTheListAndEnablesTheFields()
    {
        QVERIFY(List()->Enabled());
        QVERIFY(!Detail()->findChild<QLineEdit*>(QStringLiteral("txtUserID"))->isEnabled());
        Press(Bar(), "cmdAdd");
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        QVERIFY(!List()->Enabled());
        QVERIFY(Detail()->InEditMode());
        QVERIFY(Detail()->findChild<QLineEdit*>(QStringLiteral("txtUserID"))->isEnabled());
        QCOMPARE(Detail()->findChild<QLabel*>(QStringLiteral("lblEnrolled"))->text(), QStringLiteral("No"));
        QVERIFY(!Bar()->findChild<QWidget*>(QStringLiteral("cmdAdd"))->isEnabled()); // no second Add
        Type(QStringLiteral("9"), QStringLiteral("Typed"));
        Press(Bar(), "cmdCancel");
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        QVERIFY(List()->Enabled());
        QCOMPARE(Text(Detail(), "txtUserID"), QString());
        QCOMPARE(Text(Detail(), "txtName"), QString());
        Press(Bar(), "cmdRemove"); // nothing selected after Cancel
        ExpectMessage(QStringLiteral("Please select an item from the list."));
    }

    void editAndRemoveNeedASelection()
    {
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"));
        Press(Bar(), "cmdEdit");
        ExpectMessage(QStringLiteral("Please select an item from the list."));
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        mHarness.Select(QStringLiteral("Ann"));
        QCOMPARE(Text(Detail(), "txtUserID"), QStringLiteral("1"));
        QCOMPARE(mEditor->EditMode(), EditModeNone); // a click keeps browsing
        Press(Bar(), "cmdEdit");
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        QVERIFY(!List()->Enabled());
    }

    // --- validation -----------------------------------------------------------------------

    void validationRunsInItsOrder_data()
    {
        QTest::addColumn<QString>("userID");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty ID before empty name") << ""
                                                    << "" << -1 << "User ID must be between 1 and 10 digits.";
        QTest::newRow("11 characters") << "12345678901"
                                       << "Ann" << 0 << "User ID must be between 1 and 10 digits.";
        QTest::newRow("empty name") << "17"
                                    << "" << 0 << "User name must be between 1 and 20 characters.";
        QTest::newRow("21 characters") << "17" << QString(21, QLatin1Char('x')) << 0
                                       << "User name must be between 1 and 20 characters.";
        QTest::newRow("no level") << "17"
                                  << "Ann" << -1 << "Invalid user authority level.";
    }
    void validationRunsInItsOrder()
    {
        QFETCH(QString, userID);
        QFETCH(QString, name);
        QFETCH(int, level);
        QFETCH(QString, message);
        Press(Bar(), "cmdAdd");
        Type(userID, name, level);
        Press(Bar(), "cmdSave");
        ExpectMessage(message);
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        QCOMPARE(Text(Detail(), "txtName"), name); // typed values stay
        QCOMPARE(TestSite::Instance().Users()->Count(), 0);
    }

    void userIDIsCheckedForLengthOnly()
    {
        AddUser(QStringLiteral("abc"), QStringLiteral("Letters"));
        QCOMPARE(mMessages->Count(), 0);
        QVERIFY(TestSite::Instance().Users()->Contains("abc"));
    }

    void typingIsLimitedButStoredTextsAreShownWhole()
    {
        auto* name = Detail()->findChild<QLineEdit*>(QStringLiteral("txtName"));
        Press(Bar(), "cmdAdd");
        name->clear();
        QTest::keyClicks(name, QString(25, QLatin1Char('n')));
        QCOMPARE(name->text().size(), 20);
        Press(Bar(), "cmdCancel");
        auto users = TestSite::Instance().Users();
        users->Add("5", "A name that is longer than twenty");
        Settle();
        mHarness.Select(QStringLiteral("A name that is longer than twenty"));
        QCOMPARE(name->text(), QStringLiteral("A name that is longer than twenty"));
    }

    // A right-to-left override in a name would show the rest of the line reversed.
    void aNameCannotReorderWhatFollowsIt()
    {
        const QString name = QStringLiteral("Ann \u202Efdp.exe\u2066");
        TestSite::Instance().Users()->Add("7", name.toStdString());
        Settle();
        const int line = LineOf(List(), name);
        QVERIFY(line >= 0);
        const QAbstractItemModel* shown = List()->CurrentBox()->model();
        QCOMPARE(shown->data(shown->index(line, 0)).toString(), QStringLiteral("Ann ?fdp.exe?"));
        QCOMPARE(shown->data(shown->index(line, 0), Qt::ToolTipRole).toString(), QStringLiteral("Ann ?fdp.exe?"));
        mHarness.Select(name);
        QCOMPARE(Text(Detail(), "txtName"), name); // the stored name, to be put right
    }

    // --- storing --------------------------------------------------------------------------

    void addingStoresTheUserWithItsLevel()
    {
        AddUser(QStringLiteral("1024"), QStringLiteral("Ann Lee"), 3);
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        QCOMPARE(List()->ListIndex(), -1);
        QCOMPARE(Text(Detail(), "txtName"), QString()); // cleared on the list's ListChanged
        const auto stored = TestSite::Instance().StoredUsers();
        QCOMPARE(stored.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(stored[0]),
                 QStringLiteral("{UserID: 1024, Name: Ann Lee, Authority Level: 3, Enrolled: False}"));
    }

    void aDuplicateIDKeepsAdding()
    {
        AddUser(QStringLiteral("17"), QStringLiteral("Ann"));
        Press(Bar(), "cmdAdd");
        Type(QStringLiteral("17"), QStringLiteral("Other"));
        Press(Bar(), "cmdSave");
        ExpectMessage(QStringLiteral("The User ID already exists."), QStringLiteral("User ID Already Exists"),
                      MsgIcon::Exclamation);
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Other"));
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Detail(), "txtName"), QString());
        QCOMPARE(TestSite::Instance().StoredUsers().size(), std::size_t(1));
    }

    void renamingToAnotherUsersNameIsRefused()
    {
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"));
        AddUser(QStringLiteral("2"), QStringLiteral("Bob"));
        mHarness.Select(QStringLiteral("Bob"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtName", QStringLiteral("Ann"));
        Press(Bar(), "cmdSave");
        ExpectMessage(QStringLiteral("The User Name already exists."), QStringLiteral("User ID Already Exists"),
                      MsgIcon::Exclamation);
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
    }

    void keepingTheNameSkipsTheNameTestWhenTheIDChanges()
    {
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"));
        mHarness.Select(QStringLiteral("Ann"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtUserID", QStringLiteral("77"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredUsers().at(0)),
                 QStringLiteral("{UserID: 77, Name: Ann, Authority Level: 0, Enrolled: False}"));
    }

    void anIDOfAnotherUserIsReportedAndNothingChanges()
    {
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"));
        AddUser(QStringLiteral("2"), QStringLiteral("Bob"));
        mHarness.Select(QStringLiteral("Bob"));
        Press(Bar(), "cmdEdit");
        Type(QStringLiteral("1"), QStringLiteral("Robert"), 2);
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().text, QStringLiteral("New User ID already exists."));
        QCOMPARE(mEditor->EditMode(), EditModeEdit); // still usable: fix the ID and save again
        const auto bob = TestSite::Instance().Users()->Item("2");
        QCOMPARE(bob->Name(), std::string("Bob")); // not half-changed in memory
        QVERIFY(!bob->IsDirty());
        SetText(Detail(), "txtUserID", QStringLiteral("3"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        const auto stored = TestSite::Instance().StoredUsers();
        QCOMPARE(QString::fromStdString(stored.at(1)),
                 QStringLiteral("{UserID: 3, Name: Robert, Authority Level: 2, Enrolled: False}"));
    }

    void removingWritesTheDatabaseAtOnce()
    {
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"));
        AddUser(QStringLiteral("2"), QStringLiteral("Bob"));
        mHarness.Select(QStringLiteral("Ann"));
        Press(Bar(), "cmdRemove");
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(Text(Detail(), "txtName"), QString());
        QCOMPARE(List()->ListCount(), 1);
        const auto stored = TestSite::Instance().StoredUsers();
        QCOMPARE(stored.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(stored[0]).contains(QStringLiteral("Bob")));
    }

    // --- the selection and the detail agree -------------------------------------------------

    void cancellingAnAddShowsTheSelectedLineAgain()
    {
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"), 2);
        AddUser(QStringLiteral("2"), QStringLiteral("Bob"));
        mHarness.Select(QStringLiteral("Ann"));
        Press(Bar(), "cmdAdd");
        Type(QStringLiteral("9"), QStringLiteral("Typed"));
        Press(Bar(), "cmdCancel");
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        QCOMPARE(List()->ListIndex(), LineOf(List(), QStringLiteral("Ann")));
        QCOMPARE(Text(Detail(), "txtUserID"), QStringLiteral("1"));
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Ann"));
        QCOMPARE(Detail()->UserAuthorityLevel(), 2);

        // Edit opens on what the detail shows, and Save stores it there.
        Press(Bar(), "cmdEdit");
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Ann"));
        SetText(Detail(), "txtName", QStringLiteral("Anna"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredUsers().at(0)),
                 QStringLiteral("{UserID: 1, Name: Anna, Authority Level: 2, Enrolled: False}"));

        // Remove takes the user the detail shows.
        Settle();
        mHarness.Select(QStringLiteral("Bob"));
        Press(Bar(), "cmdAdd");
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Bob"));
        Press(Bar(), "cmdRemove");
        QCOMPARE(mMessages->Count(), 0);
        const auto stored = TestSite::Instance().StoredUsers();
        QCOMPARE(stored.size(), std::size_t(1));
        QVERIFY(QString::fromStdString(stored[0]).contains(QStringLiteral("Anna")));
    }

    void aListChangeElsewhereKeepsWhatWasTyped()
    {
        auto users = TestSite::Instance().Users();
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"));
        Press(Bar(), "cmdAdd");
        Type(QStringLiteral("5"), QStringLiteral("Typed"), 3);
        // An Import on another page adds a user meanwhile.
        users->Add("99", "User 99");
        users->Save();
        Settle();
        QCOMPARE(Text(Detail(), "txtUserID"), QStringLiteral("5"));
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Typed"));
        QCOMPARE(Detail()->UserAuthorityLevel(), 3);
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QVERIFY(users->Contains("5"));
        Settle();

        // Editing: a Synchronize marks the edited user enrolled and adds another one.
        mHarness.Select(QStringLiteral("Ann"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtName", QStringLiteral("Changed"));
        users->Item("1")->SetEnrolled(true);
        users->Add("98", "User 98");
        users->Save();
        Settle();
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Changed"));
        QCOMPARE(Text(Detail(), "txtUserID"), QStringLiteral("1"));
        // Cancel shows the stored user again, on its line (the refill had taken the selection).
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Ann"));
        QCOMPARE(Detail()->findChild<QLabel*>(QStringLiteral("lblEnrolled"))->text(), QStringLiteral("Yes"));
        QCOMPARE(List()->ListIndex(), LineOf(List(), QStringLiteral("Ann")));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtName", QStringLiteral("Changed"));
        users->Add("97", "User 97");
        users->Save();
        Settle();
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QCOMPARE(users->Item("1")->Name(), std::string("Changed"));
        QVERIFY(users->Item("1")->Enrolled()); // what the other page stored stays
    }

    void savingAUserRemovedMeanwhileSaysSo()
    {
        auto users = TestSite::Instance().Users();
        AddUser(QStringLiteral("1"), QStringLiteral("Ann"));
        AddUser(QStringLiteral("2"), QStringLiteral("Bob"));
        mHarness.Select(QStringLiteral("Ann"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtName", QStringLiteral("Typed"));
        users->Remove("1"); // removed on another page
        users->Save();
        Settle();
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Typed"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 1);
        QCOMPARE(mMessages->Last().title, QStringLiteral("User No Longer Exists"));
        QCOMPARE(mMessages->Last().icon, MsgIcon::Exclamation);
        QVERIFY(mMessages->Last().text.contains(QStringLiteral("user you are editing was removed")));
        mMessages->Clear();
        QCOMPARE(mEditor->EditMode(), EditModeEdit);
        QCOMPARE(Text(Detail(), "txtName"), QStringLiteral("Typed"));
        QCOMPARE(TestSite::Instance().StoredUsers().size(), std::size_t(1)); // nothing came back
        Press(Bar(), "cmdCancel");
        QCOMPARE(Text(Detail(), "txtName"), QString());
        QVERIFY(List()->ListIndex() < 0 || !List()->Selected(List()->ListIndex())); // no line selected
        Press(Bar(), "cmdEdit");
        ExpectMessage(QStringLiteral("Please select an item from the list."));
    }

    // --- user IDs as the clocks keep them ---------------------------------------------------

    void aNewOrChangedUserIDLosesItsLeadingZeros()
    {
        auto users = TestSite::Instance().Users();
        AddUser(QStringLiteral("007"), QStringLiteral("Bond"));
        // Saved, and the administrator is told under which ID.
        ExpectMessage(QStringLiteral("The user ID 007 was saved as 7: a clock keeps a user ID as a number, without "
                                     "leading zeros, and gives it back so."),
                      QStringLiteral("User ID Saved as 7"), MsgIcon::Information);
        QCOMPARE(mEditor->EditMode(), EditModeNone);
        QVERIFY(users->Contains("7"));
        QVERIFY(!users->Contains("007"));
        AddUser(QStringLiteral("07"), QStringLiteral("Other"));
        ExpectMessage(QStringLiteral("The User ID already exists."), QStringLiteral("User ID Already Exists"),
                      MsgIcon::Exclamation);
        Press(Bar(), "cmdCancel");
        mHarness.Select(QStringLiteral("Bond"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtUserID", QStringLiteral("0042"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Last().title, QStringLiteral("User ID Saved as 42"));
        QVERIFY(mMessages->Last().text.startsWith(QStringLiteral("The user ID 0042 was saved as 42")));
        QVERIFY(users->Contains("42"));
        QCOMPARE(QString::fromStdString(TestSite::Instance().StoredUsers().at(0)),
                 QStringLiteral("{UserID: 42, Name: Bond, Authority Level: 0, Enrolled: False}"));
    }

    // The enrollment station's rule: the number 0 names no user, however it is written.
    void userIDZeroIsRefused_data()
    {
        QTest::addColumn<QString>("userID");
        QTest::newRow("0") << QStringLiteral("0");
        QTest::newRow("000") << QStringLiteral("000");
    }

    void userIDZeroIsRefused()
    {
        QFETCH(QString, userID);
        AddUser(userID, QStringLiteral("Zero"));
        ExpectMessage(QStringLiteral("User ID 0 names no user: choose a number from 1 to 9999999999."));
        QCOMPARE(mEditor->EditMode(), EditModeAdd);
        QCOMPARE(TestSite::Instance().Users()->Count(), 0);
    }

    void anOlderRowWithLeadingZerosStillWorks()
    {
        auto users = TestSite::Instance().Users();
        users->Add("007", "Old Row"); // as an older site stored it
        users->Save();
        Settle();
        mHarness.Select(QStringLiteral("Old Row"));
        QCOMPARE(Text(Detail(), "txtUserID"), QStringLiteral("007"));
        Press(Bar(), "cmdEdit");
        SetText(Detail(), "txtName", QStringLiteral("Old Row Renamed"));
        Press(Bar(), "cmdSave");
        QCOMPARE(mMessages->Count(), 0);
        QVERIFY(users->Contains("007")); // an ID left as it was stays as it is
        QCOMPARE(users->Item("007")->Name(), std::string("Old Row Renamed"));
        // The clock would take 7 for the same user: a new 7 is refused.
        AddUser(QStringLiteral("7"), QStringLiteral("Seven"));
        ExpectMessage(QStringLiteral("The User ID already exists."), QStringLiteral("User ID Already Exists"),
                      MsgIcon::Exclamation);
        Press(Bar(), "cmdCancel");
        Settle();
        mHarness.Select(QStringLiteral("Old Row Renamed"));
        Press(Bar(), "cmdRemove");
        QCOMPARE(mMessages->Count(), 0);
        QVERIFY(TestSite::Instance().StoredUsers().empty());
    }

    void enrolmentIsShownAndFollowsTheList()
    {
        auto users = TestSite::Instance().Users();
        auto ann = users->Add("1", "Ann");
        Settle();
        mHarness.Select(QStringLiteral("Ann"));
        QCOMPARE(Detail()->findChild<QLabel*>(QStringLiteral("lblEnrolled"))->text(), QStringLiteral("No"));
        ann->SetEnrolled(true); // as the enrollment station does
        users->Save();
        Settle();
        QCOMPARE(Detail()->findChild<QLabel*>(QStringLiteral("lblEnrolled"))->text(), QStringLiteral("Yes"));
    }
};

ZEL_EDITOR_TEST(UserListEditorTest);

} // namespace zel::ui::test

#include "UserListEditorTest.moc"
