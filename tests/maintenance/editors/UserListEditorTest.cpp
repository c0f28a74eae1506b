#include "EditorHarness.h"

#include "editors/EditCommandBar.h"
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
