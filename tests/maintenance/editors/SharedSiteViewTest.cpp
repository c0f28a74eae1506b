// Two programs on one site on a server: what the other one saves shows in this program's list
// view while it runs, brought in by the change watcher that opening the site starts; an editor
// whose entry was changed elsewhere meanwhile does not save over that change.
#include "EditorTestSupport.h"
#include "MessageRecorder.h"
#include "PgCluster.h"

#include "SiteChangeWatcher.h"
#include "editors/EditCommandBar.h"
#include "editors/UserDetailUI.h"
#include "editors/UserListEditor.h"
#include "editors/UserListUI.h"
#include "modMain.h"
#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include <QTest>

#include <functional>
#include <thread>

namespace zel::ui::test {

namespace {

// Runs `step` as another program would: on a thread of its own, with its own connection.
void Elsewhere(const std::string& site, const std::function<void(zel::data::UserDescriptionList&)>& step)
{
    std::thread other([&] {
        zel::data::DataSource ds;
        ds.OpenDatabase(site);
        auto users = ds.GetUserDescriptionList();
        step(*users);
        users->Save();
        ds.CloseDatabase();
    });
    other.join();
}

// The line of the list that shows `text` somewhere, or -1.
int LineShowing(ItemListUI& view, const QString& text)
{
    for (int i = 0; i < view.ListCount(); ++i)
        if (view.List(i).contains(text))
            return i;
    return -1;
}

} // namespace

class SharedSiteViewTest : public QObject {
    Q_OBJECT

    std::string mSite;

private slots:
    // The library keeps one connection per thread: the cases share the site opened here.
    void initTestCase()
    {
        auto* cluster = zel::test::PgCluster::Shared();
        if (cluster == nullptr)
            QSKIP(qPrintable(QStringLiteral("no PostgreSQL server: %1")
                                 .arg(QString::fromStdString(zel::test::PgCluster::Unavailable()))));
        mSite = cluster->NewDatabase();
        zel::data::DataSource::CreateDatabase(mSite);
        QCOMPARE(OpenSite(QString::fromStdString(mSite), nullptr, {}), StartupResult::Opened);
        QVERIFY(ChangeWatcher() != nullptr);
        QVERIFY(ChangeWatcher()->Descriptor() >= 0);
    }
    void cleanupTestCase()
    {
        CloseSiteDatabase();
        QVERIFY(ChangeWatcher() == nullptr);
    }

    void usersSavedByAnotherProgramShowInTheListWithoutARestart()
    {
        UserListUI view;
        view.SetUserList(zel::data::DataSource().GetUserDescriptionList());
        view.show();
        QCOMPARE(view.ListCount(), 0);

        Elsewhere(mSite, [](auto& users) { users.Add("17", "Ann"); });
        QTRY_COMPARE_WITH_TIMEOUT(view.ListCount(), 1, 20000);
        QVERIFY(LineShowing(view, QStringLiteral("Ann")) >= 0);

        Elsewhere(mSite, [](auto& users) {
            users.Item("17")->SetName("Ann Lee");
            users.Add("18", "Bo");
        });
        QTRY_VERIFY_WITH_TIMEOUT(LineShowing(view, QStringLiteral("Ann Lee")) >= 0 && view.ListCount() == 2, 20000);

        Elsewhere(mSite, [](auto& users) { users.Remove("17"); });
        QTRY_COMPARE_WITH_TIMEOUT(view.ListCount(), 1, 20000);
        QVERIFY(LineShowing(view, QStringLiteral("Bo")) >= 0);
    }

    void anEditorDoesNotSaveOverAChangeMadeElsewhereAndShowsIt()
    {
        MessageRecorder messages;
        auto users = zel::data::DataSource().GetUserDescriptionList();
        Elsewhere(mSite, [](auto& list) { list.Add("30", "Cy"); });
        QTRY_VERIFY_WITH_TIMEOUT(users->Contains("30"), 20000);

        UserListEditor editor;
        editor.SetUserList(users);
        editor.show();
        Settle();
        const int line = LineShowing(*editor.ListUI(), QStringLiteral("Cy"));
        QVERIFY(line >= 0);
        ClickLine(editor.ListUI(), line);
        Press(editor.CommandBar(), "cmdEdit");
        QCOMPARE(editor.EditMode(), EditModeEdit);
        SetText(editor.DetailUI(), "txtName", QStringLiteral("Mine"));

        Elsewhere(mSite, [](auto& list) { list.Item("30")->SetName("Theirs"); });
        QTRY_COMPARE_WITH_TIMEOUT(users->Item("30")->Name(), std::string("Theirs"), 20000);
        QCOMPARE(Text(editor.DetailUI(), "txtName"), QStringLiteral("Mine")); // still as typed

        Press(editor.CommandBar(), "cmdSave");
        QCOMPARE(messages.Count(), 1);
        QVERIFY2(messages.Last().text.contains(QStringLiteral("changed by another user")),
                 qPrintable(messages.Last().text));
        QCOMPARE(editor.EditMode(), EditModeNone);
        QCOMPARE(Text(editor.DetailUI(), "txtName"), QStringLiteral("Theirs"));
        QCOMPARE(users->Item("30")->Name(), std::string("Theirs"));
        QVERIFY(!users->IsDirty());

        // Editing again from the current values saves.
        Press(editor.CommandBar(), "cmdEdit");
        SetText(editor.DetailUI(), "txtName", QStringLiteral("Mine"));
        Press(editor.CommandBar(), "cmdSave");
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(editor.EditMode(), EditModeNone);
        QCOMPARE(users->Item("30")->Name(), std::string("Mine"));
    }

    void aSaveRefusedAsChangedElsewhereShowsTheCurrentValues()
    {
        MessageRecorder messages;
        auto users = zel::data::DataSource().GetUserDescriptionList();
        Elsewhere(mSite, [](auto& list) { list.Add("31", "Di"); });
        QTRY_VERIFY_WITH_TIMEOUT(users->Contains("31"), 20000);

        UserListEditor editor;
        editor.SetUserList(users);
        editor.show();
        Settle();
        const int line = LineShowing(*editor.ListUI(), QStringLiteral("Di"));
        QVERIFY(line >= 0);
        ClickLine(editor.ListUI(), line);
        Press(editor.CommandBar(), "cmdEdit");
        SetText(editor.DetailUI(), "txtName", QStringLiteral("Mine too"));
        // A change that no notice announces (written by hand with the feed off): the Save meets it.
        zel::test::PgCluster::Query(mSite, "ALTER TABLE users DISABLE TRIGGER zel_site_change; UPDATE users SET name "
                                           "= 'Theirs', rowversion = rowversion + 1 WHERE userid = '31'; ALTER "
                                           "TABLE users ENABLE TRIGGER zel_site_change;");
        Press(editor.CommandBar(), "cmdSave");
        QCOMPARE(messages.Count(), 1);
        QVERIFY2(messages.Last().text.contains(QStringLiteral("changed by another user")),
                 qPrintable(messages.Last().text));
        QCOMPARE(editor.EditMode(), EditModeNone);
        QCOMPARE(Text(editor.DetailUI(), "txtName"), QStringLiteral("Theirs"));
        QCOMPARE(users->Item("31")->Name(), std::string("Theirs"));
        QVERIFY(!users->IsDirty());
    }
};

} // namespace zel::ui::test

QTEST_MAIN(zel::ui::test::SharedSiteViewTest)
#include "SharedSiteViewTest.moc"
