#include "EditorTestSupport.h"

#include "editors/ChannelListEditor.h"
#include "editors/ChannelListUI.h"
#include "editors/EditCommandBar.h"
#include "editors/ListContainer.h"
#include "editors/ReaderDetailUI.h"
#include "editors/ReaderListEditor.h"
#include "editors/ReaderListUI.h"
#include "editors/UserListEditor.h"
#include "editors/UserListUI.h"

#include <QComboBox>
#include <QTabWidget>
#include <QTest>

namespace zel::ui::test {

class ListContainerTest : public QObject {
    Q_OBJECT
private slots:
    void init() { TestSite::Instance().Reset(); }

    void holdsTheThreeTabsInOrder()
    {
        ListContainer page;
        auto* tabs = page.findChild<QTabWidget*>(QStringLiteral("tabLists"));
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 3);
        const char* captions[] = {"Users", "Clocks", "Channels"};
        const char* editors[] = {"UserListEditor1", "ReaderListEditor1", "ChannelListEditor1"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(tabs->tabText(i), QString::fromLatin1(captions[i]));
            QVERIFY(!tabs->tabIcon(i).isNull());
            QCOMPARE(tabs->widget(i)->objectName(), QString::fromLatin1(editors[i]));
        }
    }

    void bindsTheEditorsToTheSiteLists()
    {
        auto& site = TestSite::Instance();
        site.Users()->Add("1", "Ann");
        site.Channels()->Add(zel::data::DirectChannel, "Line 1");
        site.Clocks()->Add(3, "Gate", site.Channels()->Item("Line 1"));
        ListContainer page;
        page.InitListEditors();
        QCOMPARE(page.UserEditor()->ListUI()->ListCount(), 1);
        QCOMPARE(page.ReaderEditor()->ListUI()->List(0), QStringLiteral("Gate"));
        QCOMPARE(page.ChannelEditor()->ListUI()->ListCount(), 1);
        QCOMPARE(page.ReaderEditor()->DetailUI()->findChild<QComboBox*>(QStringLiteral("cboChannels"))->count(), 1);
        QVERIFY(page.UserEditor()->UserList() == site.Users());
    }

    void aChannelAddedOnItsTabIsOfferedForClocks()
    {
        ListContainer page;
        page.InitListEditors();
        page.ChannelEditor()->ChannelList()->Add(zel::data::EthernetChannel, "Office");
        Settle();
        auto* box = page.ReaderEditor()->DetailUI()->findChild<QComboBox*>(QStringLiteral("cboChannels"));
        QCOMPARE(box->count(), 1);
        QCOMPARE(box->itemText(0), QStringLiteral("Office"));
    }

    void editorsFollowThePageSize()
    {
        ListContainer page;
        page.resize(900, 600);
        page.show();
        page.resize(1100, 700);
        auto* tabs = page.findChild<QTabWidget*>(QStringLiteral("tabLists"));
        QCOMPARE(tabs->geometry(), QRect(8, 8, 1084, 684));
        auto* list = page.UserEditor()->ListUI();
        auto* bar = page.UserEditor()->CommandBar();
        QCOMPARE(bar->size(), QSize(410, 42));
        QCOMPARE(page.UserEditor()->width() - (bar->x() + bar->width()), 8);
        QCOMPARE(page.UserEditor()->height() - (list->y() + list->height()), 8);
    }
};

ZEL_EDITOR_TEST(ListContainerTest);

} // namespace zel::ui::test

#include "ListContainerTest.moc"
