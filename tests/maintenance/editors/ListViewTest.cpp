#include "EditorTestSupport.h"

#include "editors/ChannelListUI.h"
#include "editors/ListBoxView.h"
#include "editors/UserListUI.h"

#include "zel/Error.h"

#include <QSignalSpy>
#include <QTest>

namespace zel::ui::test {

class ListViewTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestSite::Instance().Reset(); }

    void showsOneLinePerEntryWithItsDatabaseID()
    {
        auto users = TestSite::Instance().Users();
        const auto ann = users->Add("17", "Ann");
        const auto bob = users->Add("18", "Bob");
        UserListUI view;
        view.SetUserList(users);
        QCOMPARE(view.ListCount(), 2);
        QCOMPARE(view.List(0), QStringLiteral("Ann"));
        QCOMPARE(view.ItemData(1), bob->DatabaseID());
        QCOMPARE(view.ListIndex(), -1);
        QCOMPARE(view.List(5), QString()); // reading past the end gives nothing
        QVERIFY_THROWS_EXCEPTION(zel::Error, view.SetItemData(5, 1));
        view.SetList(0, QStringLiteral("Annie"));
        QCOMPARE(view.List(0), QStringLiteral("Annie"));
        QCOMPARE(ann->Name(), std::string("Ann")); // the line only
    }

    void aBurstOfChangesRefillsOnce()
    {
        auto users = TestSite::Instance().Users();
        UserListUI view;
        view.SetUserList(users);
        QSignalSpy resets(view.Model(), &QAbstractItemModel::modelReset);
        for (int i = 0; i < 50; ++i)
            users->Add(std::to_string(100 + i), "User " + std::to_string(i));
        QCOMPARE(resets.count(), 0);
        Settle();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(view.ListCount(), 50);
    }

    void readingTheViewCarriesOutAPendingRefill()
    {
        auto users = TestSite::Instance().Users();
        UserListUI view;
        view.SetUserList(users);
        users->Add("1", "Ann");
        QCOMPARE(view.ListCount(), 1); // no event loop needed to see the change
        users->Item("1")->SetName("Anna");
        users->Save(); // ListItemChanged
        QCOMPARE(view.List(0), QStringLiteral("Anna"));
    }

    void refillDropsTheSelection()
    {
        auto users = TestSite::Instance().Users();
        users->Add("1", "Ann");
        users->Add("2", "Bob");
        UserListUI view;
        view.SetUserList(users);
        view.SetListIndex(1);
        QCOMPARE(view.ListIndex(), 1);
        users->Add("3", "Cy");
        QCOMPARE(view.ListIndex(), -1);
    }

    void allowMultiSelectIsRefusedWhileTheListHoldsLines()
    {
        auto channels = TestSite::Instance().Channels();
        ChannelListUI view;
        view.SetChannelList(channels);
        view.SetAllowMultiSelect(true); // empty: allowed
        QVERIFY(view.findChild<ListBoxView*>(QStringLiteral("lstItems_1"))->isVisibleTo(&view));
        QVERIFY(!view.findChild<ListBoxView*>(QStringLiteral("lstItems_0"))->isVisibleTo(&view));
        channels->Add(zel::data::DirectChannel, "Line 1");
        try {
            view.SetAllowMultiSelect(false);
            QFAIL("no error raised");
        } catch (const zel::Error& error) {
            QCOMPARE(error.Number(), 5L);
            QCOMPARE(QString::fromStdString(error.Description()),
                     QStringLiteral("Cannot change AllowMultiSelect while list contains items."));
        }
        QVERIFY(view.AllowMultiSelect());
        QVERIFY(view.findChild<ListBoxView*>(QStringLiteral("lstItems_1"))->isVisibleTo(&view));
    }

    void selectionFunctionsFollowLineOrder()
    {
        auto users = TestSite::Instance().Users();
        UserListUI view;
        view.SetAllowMultiSelect(true);
        view.SetUserList(users);
        for (const char* id : {"5", "6", "7", "8"})
            users->Add(id, std::string("User ") + id);
        view.SetSelected(3, true);
        view.SetSelected(1, true);
        auto chosen = view.GetSelectedUsers();
        QCOMPARE(chosen.size(), std::size_t(2));
        QCOMPARE(chosen[0]->UserID(), std::string("6"));
        QCOMPARE(chosen[1]->UserID(), std::string("8"));
        view.SelectAll();
        QCOMPARE(view.GetSelectedUsers().size(), std::size_t(4));
        view.UnselectAll();
        QVERIFY(view.GetSelectedUsers().empty());
        QVERIFY(!view.Selected(0));
    }

    void singleSelectionKeepsOneLine()
    {
        auto users = TestSite::Instance().Users();
        users->Add("1", "Ann");
        users->Add("2", "Bob");
        UserListUI view;
        view.SetUserList(users);
        view.SetSelected(0, true);
        view.SetSelected(1, true);
        QVERIFY(!view.Selected(0));
        QCOMPARE(view.ListIndex(), 1);
        QCOMPARE(view.GetSelectedUsers().size(), std::size_t(1));
    }

    void clickingALineRaisesClick()
    {
        auto users = TestSite::Instance().Users();
        users->Add("1", "Ann");
        users->Add("2", "Bob");
        UserListUI view;
        view.resize(200, 200);
        view.SetUserList(users);
        view.show();
        QSignalSpy clicks(&view, &ItemListUI::Click);
        ClickLine(&view, 1);
        QVERIFY(clicks.count() >= 1);
        QCOMPARE(view.ListIndex(), 1);
        view.SetEnabled(false);
        QVERIFY(!view.CurrentBox()->isEnabled());
    }
};

ZEL_EDITOR_TEST(ListViewTest);

} // namespace zel::ui::test

#include "ListViewTest.moc"
