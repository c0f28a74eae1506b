#include "EditorTestSupport.h"

#include "editors/ChannelListUI.h"
#include "editors/ListBoxView.h"
#include "editors/ReaderListUI.h"
#include "editors/UserListUI.h"

#include "zel/Error.h"
#include "zel/data/ChannelDescriptionBase.h"
#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include <QSignalSpy>
#include <QTest>

namespace zel::ui::test {
namespace {

// The lines of a view as "text|item data", in line order.
QStringList Lines(ItemListUI& view)
{
    QStringList lines;
    for (int i = 0; i < view.ListCount(); ++i)
        lines << QStringLiteral("%1|%2").arg(view.List(i)).arg(view.ItemData(i));
    return lines;
}

bool AnyLineSelected(ItemListUI& view)
{
    for (int i = 0; i < view.ListCount(); ++i)
        if (view.Selected(i))
            return true;
    return false;
}

// The view as the administrator sees it equals a view of the same list built from scratch.
template <typename View, typename List> void ExpectAsBuiltFromScratch(View& view, const List& list)
{
    View fresh;
    if constexpr (std::is_same_v<View, UserListUI>)
        fresh.SetUserList(list);
    else if constexpr (std::is_same_v<View, ReaderListUI>)
        fresh.SetReaderList(list);
    else
        fresh.SetChannelList(list);
    QCOMPARE(Lines(view), Lines(fresh));
    QCOMPARE(view.ListIndex(), -1);
    QVERIFY(!AnyLineSelected(view));
}

} // namespace

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

    void followsEachChangeLineByLineAsARefillWould()
    {
        auto users = TestSite::Instance().Users();
        for (const char* id : {"1", "2", "3", "4", "5"})
            users->Add(id, std::string("User ") + id);
        UserListUI view;
        view.SetUserList(users);
        QSignalSpy resets(view.Model(), &QAbstractItemModel::modelReset);

        view.SetListIndex(0);
        users->Add("6", "Fay"); // inserted last
        ExpectAsBuiltFromScratch(view, users);
        Settle();

        view.SetListIndex(1);
        users->Item("2")->SetName("Bea"); // edited in place
        users->Save();
        ExpectAsBuiltFromScratch(view, users);
        Settle();

        users->Item("1")->SetUserID("9"); // a rename puts the user last, and the line with it
        users->Save();
        ExpectAsBuiltFromScratch(view, users);
        QCOMPARE(view.List(view.ListCount() - 1), QStringLiteral("User 1"));
        Settle();

        users->Remove("4"); // not the selected line
        users->Save();
        ExpectAsBuiltFromScratch(view, users);
        Settle();

        const int selected = view.IndexOfData(users->Item("3")->DatabaseID());
        view.SetListIndex(selected);
        users->Remove("3"); // the selected line
        users->Save();
        ExpectAsBuiltFromScratch(view, users);
        Settle();
        QCOMPARE(resets.count(), 0); // every change was followed line by line
        QCOMPARE(view.ListCount(), 4);
    }

    void multipleSelectionIsDroppedByALineChangeToo()
    {
        auto users = TestSite::Instance().Users();
        for (const char* id : {"1", "2", "3"})
            users->Add(id, std::string("User ") + id);
        UserListUI view;
        view.SetAllowMultiSelect(true);
        view.SetUserList(users);
        view.SelectAll();
        users->Item("2")->SetName("Two");
        users->Save();
        ExpectAsBuiltFromScratch(view, users);
    }

    void changesItCannotFollowLineByLineEndInOneRefill()
    {
        auto users = TestSite::Instance().Users();
        for (const char* id : {"1", "2", "3", "4"})
            users->Add(id, std::string("User ") + id);
        UserListUI view;
        view.SetUserList(users);
        QSignalSpy resets(view.Model(), &QAbstractItemModel::modelReset);
        // Two renames saved together: each user moved last, the first one's line cannot simply
        // follow it while the second one has not been shown yet.
        users->Item("1")->SetUserID("8");
        users->Item("2")->SetUserID("9");
        users->Save();
        ExpectAsBuiltFromScratch(view, users);
        Settle();
        QCOMPARE(resets.count(), 1);
        ExpectAsBuiltFromScratch(view, users);
    }

    void anOrderChangeNotShownYetIsCaughtByTheNextStep()
    {
        auto users = TestSite::Instance().Users();
        for (const char* id : {"1", "2", "3", "4"})
            users->Add(id, std::string("User ") + id);
        UserListUI view;
        view.SetUserList(users);
        // A rename not saved yet moves the user last without an event; the remove, add and edit
        // that follow find the lines out of step and end in a refill.
        users->Item("1")->SetUserID("9");
        users->Remove("3");
        Settle();
        ExpectAsBuiltFromScratch(view, users);

        users->Item("2")->SetUserID("8");
        users->Add("5", "Eve");
        Settle();
        ExpectAsBuiltFromScratch(view, users);

        users->Item("4")->SetUserID("7");
        users->Item("5")->SetName("Eva");
        users->Save();
        Settle();
        ExpectAsBuiltFromScratch(view, users);
    }

    void clockAndChannelViewsFollowTheirListsToo()
    {
        auto channels = TestSite::Instance().Channels();
        auto clocks = TestSite::Instance().Clocks();
        ChannelListUI channelView;
        channelView.SetChannelList(channels);
        ReaderListUI clockView;
        clockView.SetReaderList(clocks);
        auto lineA = channels->Add(zel::data::DirectChannel, "Line A");
        channels->Add(zel::data::EthernetChannel, "Line B");
        clocks->Add(1, "Front", lineA);
        clocks->Add(2, "Back", lineA);
        clocks->Add(3, "Dock", lineA);
        Settle();
        QSignalSpy channelResets(channelView.Model(), &QAbstractItemModel::modelReset);
        QSignalSpy clockResets(clockView.Model(), &QAbstractItemModel::modelReset);

        std::static_pointer_cast<zel::data::ChannelDescriptionBase>(lineA)->SetName("Line Z"); // moves last
        channels->Save();
        ExpectAsBuiltFromScratch(channelView, channels);
        clocks->Item(std::string("Front"))->SetName("Gate");
        clocks->Save();
        ExpectAsBuiltFromScratch(clockView, clocks);
        clockView.SetListIndex(0);
        clocks->Remove("Back");
        clocks->Save();
        ExpectAsBuiltFromScratch(clockView, clocks);
        channels->Remove("Line B");
        channels->Save();
        ExpectAsBuiltFromScratch(channelView, channels);
        QCOMPARE(channelResets.count(), 0);
        QCOMPARE(clockResets.count(), 0);
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
