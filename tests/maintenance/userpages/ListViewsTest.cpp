// The list views shared by the pages: DetailedUserListView, ClockListView, and the message window.
#include "UserSite.h"

#include "zel/data/ChannelDescriptionList.h"
#include "zel/data/DataSource.h"
#include "zel/data/ReaderDescription.h"
#include "zel/data/ReaderDescriptionList.h"
#include "zel/data/UserDescriptionList.h"

#include "pages/ClockListView.h"
#include "pages/DetailedUserListView.h"
#include "pages/frmMessage.h"
#include "pages/models/ReaderListModel.h"
#include "pages/models/UserListModel.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

namespace zel::ui::test {

class ListViewsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { UserSite::Get().Reset(); }

    void UserListShowsTheSiteUsersWithLevelNames()
    {
        auto& site = UserSite::Get();
        site.AddUser("17", "Ann Lee", true, 3);
        site.AddUser("4", "Bo", false, 9);
        DetailedUserListView view;
        QTreeView* list = view.ListView();
        QCOMPARE(list->objectName(), QStringLiteral("lvwUserList"));
        QCOMPARE(ColumnTexts(list, 0), (QStringList{"17", "4"}));
        QCOMPARE(ColumnTexts(list, 1), (QStringList{"Ann Lee", "Bo"}));
        QCOMPARE(ColumnTexts(list, 2), (QStringList{"Management", "Invalid Authority Level"}));
        QCOMPARE(ColumnTexts(list, 3), (QStringList{"Yes", "No"}));
        QCOMPARE(list->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Enrolled"));
        QVERIFY(list->header()->sectionSize(3) >= 53); // 800 twips, or what the caption needs
    }

    void GetSelectedFollowsTheSelectionFilter()
    {
        auto& site = UserSite::Get();
        site.AddUser("1", "Enrolled One", true);
        site.AddUser("2", "Not Enrolled", false);
        site.AddUser("3", "Enrolled Too", true);
        DetailedUserListView view;
        view.SelectAll();
        auto ids = [&] {
            QStringList result;
            for (const auto& user : view.GetSelected())
                result.push_back(QString::fromStdString(user->UserID()));
            return result;
        };
        QCOMPARE(view.SelectionFilter(), 2);
        QCOMPARE(ids(), (QStringList{"1", "2", "3"}));
        view.SetSelectionFilter(0);
        QCOMPARE(ids(), (QStringList{"1", "3"}));
        view.SetSelectionFilter(1);
        QCOMPARE(ids(), (QStringList{"2"}));
        view.SetSelectionFilter(7);
        QVERIFY(ids().isEmpty());
        view.SetSelectionFilter(2);
        view.DeselectAll();
        QVERIFY(ids().isEmpty());
    }

    void SelectedUsersComeInTheOrderTheViewShows()
    {
        auto& site = UserSite::Get();
        for (const char* id : {"10", "9", "100"})
            site.AddUser(id, std::string("U") + id, true);
        DetailedUserListView view;
        view.ListView()->header()->sectionClicked(0); // numeric ascending: 9, 10, 100
        view.SelectAll();
        QStringList ids;
        for (const auto& user : view.GetSelected())
            ids.push_back(QString::fromStdString(user->UserID()));
        QCOMPARE(ids, (QStringList{"9", "10", "100"}));
    }

    void ABurstOfChangesRefillsOnceAndKeepsTheSelection()
    {
        auto& site = UserSite::Get();
        site.AddUser("1", "One", true);
        site.AddUser("2", "Two", true);
        DetailedUserListView view;
        SelectRows(view.ListView(), {"2"});
        int before = view.Model()->RefillCount();
        auto users = zel::data::DataSource().GetUserDescriptionList();
        for (int i = 100; i < 150; ++i)
            users->Add(std::to_string(i), "Burst");
        users->Item(std::string("1"))->SetName("One Renamed");
        users->Save();
        QCOMPARE(view.Model()->RefillCount(), before); // nothing yet: the refill waits for the event loop
        QCoreApplication::processEvents();
        QCOMPARE(view.Model()->RefillCount(), before + 1);
        QCOMPARE(view.ListView()->model()->rowCount(), 52);
        QCOMPARE(ColumnTexts(view.ListView(), 1).first(), QStringLiteral("One Renamed"));
        QCOMPARE(view.GetSelected().Count(), 1);
        QCOMPARE(view.GetSelected().Item(1)->UserID(), std::string("2"));
    }

    void AStaticListIgnoresChangesAndARemovedUserIsNotHandedOut()
    {
        auto& site = UserSite::Get();
        site.AddUser("1", "One", true);
        DetailedUserListView view;
        view.SetIsStatic(true);
        view.SelectAll();
        auto users = zel::data::DataSource().GetUserDescriptionList();
        users->Remove("1");
        users->Save();
        QCoreApplication::processEvents();
        QCOMPARE(view.ListView()->model()->rowCount(), 1); // still shown
        QVERIFY(view.GetSelected().Empty());               // but not handed out any more
    }

    void SingleSelectionWhenMultiSelectIsOff()
    {
        DetailedUserListView view;
        QVERIFY(view.MultiSelect());
        view.SetMultiSelect(false);
        QCOMPARE(view.ListView()->selectionMode(), QAbstractItemView::SingleSelection);
    }

    void ClockListShowsChannelsAndNotAssigned()
    {
        ClockListView view;
        QTreeView* list = view.ListView();
        QCOMPARE(list->objectName(), QStringLiteral("lvwReaders"));
        QStringList names = ColumnTexts(list, 0);
        int orphan = static_cast<int>(names.indexOf(QStringLiteral("Orphan")));
        int alpha = static_cast<int>(names.indexOf(QStringLiteral("Alpha")));
        QVERIFY(orphan >= 0 && alpha >= 0);
        QCOMPARE(ColumnTexts(list, 2)[orphan], QStringLiteral("Not Assigned"));
        QCOMPARE(ColumnTexts(list, 2)[alpha], QStringLiteral("Line A"));
        QCOMPARE(ColumnTexts(list, 1)[alpha], QStringLiteral("1"));
        QVERIFY(list->header()->sectionSize(1) >= 53); // 800 twips, or what the caption needs
        QVERIFY(list->header()->sectionSize(0) >= 96); // 1440 twips
    }

    // A long channel name is shown whole, and the free room right of the columns goes to the last.
    void ClockColumnsUseTheRoomThereIs()
    {
        auto channels = zel::data::DataSource().GetChannelDescriptionList();
        auto readers = zel::data::DataSource().GetReaderDescriptionList();
        const QString channelName = QStringLiteral("Warehouse North Gate");
        auto channel = channels->Add(zel::data::DirectChannel, channelName.toStdString());
        channels->Save();
        auto clock = readers->Add(12, "Gate", channel);
        clock->SetLocation("Loading bay 4, beside the north gate");
        readers->Save();
        ClockListView view;
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCoreApplication::processEvents();
        QTreeView* list = view.ListView();
        QHeaderView* header = list->header();
        QVERIFY(header->sectionSize(2) >= list->fontMetrics().horizontalAdvance(channelName));
        QCOMPARE(header->sectionPosition(3) + header->sectionSize(3), list->viewport()->width());
        readers->Remove("Gate");
        readers->Save();
        channels->Remove(channelName.toStdString());
        channels->Save();
    }

    void ClockIdHeaderSortsNumericallyThenReverses()
    {
        ClockListView view;
        auto readers = zel::data::DataSource().GetReaderDescriptionList();
        readers->Add(10, "Ten", zel::data::DataSource().GetChannelDescriptionList()->Item(std::string("Line A")));
        QCoreApplication::processEvents();
        QHeaderView* header = view.ListView()->header();
        header->sectionClicked(1);
        QStringList ids = ColumnTexts(view.ListView(), 1);
        QVERIFY(ids.indexOf(QStringLiteral("9")) < ids.indexOf(QStringLiteral("10")));
        QCOMPARE(ids.first(), QStringLiteral("1"));
        header->sectionClicked(1);
        ids = ColumnTexts(view.ListView(), 1);
        QCOMPARE(ids.first(), QStringLiteral("10"));
        QVERIFY(ids.indexOf(QStringLiteral("10")) < ids.indexOf(QStringLiteral("9")));
        header->sectionClicked(0); // another column starts ascending again
        QCOMPARE(ColumnTexts(view.ListView(), 0).first(), QStringLiteral("Alpha"));
        readers->Remove("Ten");
        readers->Save();
    }

    void ClockSelectionComesKeyedByName()
    {
        ClockListView view;
        SelectRows(view.ListView(), {"Charlie", "Alpha"});
        auto selected = view.GetSelected();
        QCOMPARE(selected.Count(), 2);
        QCOMPARE(selected.Item(1)->Name(), std::string("Alpha")); // row order
        QVERIFY(selected.Contains("charlie"));
        view.SelectAll();
        QCOMPARE(view.GetSelected().Count(), zel::data::DataSource().GetReaderDescriptionList()->Count());
    }

    void CaptionShowsAndHidesTheLabel()
    {
        ClockListView view;
        view.resize(300, 200);
        auto* label = view.findChild<QLabel*>(QStringLiteral("lblCaption"));
        QVERIFY(label->isHidden());
        QCOMPARE(view.ListView()->geometry().top(), 0);
        view.SetCaption(QStringLiteral("Source"));
        QVERIFY(!label->isHidden());
        QCOMPARE(label->text(), QStringLiteral("Source"));
        QVERIFY(view.ListView()->geometry().top() > label->geometry().top());
        QCOMPARE(view.property("Caption").toString(), QStringLiteral("Source"));
        view.SetCaption(QString());
        QVERIFY(label->isHidden());
        QCOMPARE(view.ListView()->geometry().top(), 0);
    }

    void MessageWindowHeightFollowsCancel()
    {
        frmMessage window;
        auto* cancel = window.findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        window.SetText(QStringLiteral("Sending..."));
        QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblText"))->text(), QStringLiteral("Sending..."));
        QVERIFY(window.ShowCancel());
        QVERIFY(window.height() > cancel->geometry().bottom());
        int withCancel = window.height();
        window.SetShowCancel(false);
        QVERIFY(cancel->isHidden());
        QVERIFY(window.height() < withCancel);
        QVERIFY(window.height() <= cancel->geometry().top());
    }

    void MessageWindowCancelRaisesCancelClick()
    {
        frmMessage window;
        window.show();
        QSignalSpy cancels(&window, &frmMessage::CancelClick);
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        QCOMPARE(cancels.count(), 1);
    }
};

ZEL_REGISTER_USERPAGE_TEST(ListViewsTest);

} // namespace zel::ui::test

#include "ListViewsTest.moc"
