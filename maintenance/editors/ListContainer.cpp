#include "editors/ListContainer.h"

#include "ReadOnlySite.h"
#include "editors/ChannelListEditor.h"
#include "editors/EditCommandBar.h"
#include "editors/ReaderListEditor.h"
#include "editors/UserListEditor.h"

#include "zel/data/DataSource.h"

#include <QResizeEvent>
#include <QTabWidget>

#include <exception>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitEditorResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(editors);
        return true;
    }();
    (void)done;
}

namespace zel::ui {
namespace {

constexpr int kDesignWidth = 900;
constexpr int kDesignHeight = 600;
constexpr int kMargin = 8;

} // namespace

ListContainer::ListContainer(QWidget* parent) : QWidget(parent), mImages("ListContainer")
{
    InitEditorResources();
    setObjectName(QStringLiteral("ListContainer"));
    resize(kDesignWidth, kDesignHeight);
    for (const char* key : {"User", "Clock", "Channel"})
        mImages.Add(QIcon(QStringLiteral(":/editors/%1.svg").arg(QLatin1String(key))), key);

    mTabLists = new QTabWidget(this);
    mTabLists->setObjectName(QStringLiteral("tabLists"));
    mTabLists->setGeometry(kMargin, kMargin, kDesignWidth - 2 * kMargin, kDesignHeight - 2 * kMargin);
    mAnchor.Add(mTabLists, AnchorAll);

    mUserListEditor1 = new UserListEditor(mTabLists);
    mUserListEditor1->setObjectName(QStringLiteral("UserListEditor1"));
    mReaderListEditor1 = new ReaderListEditor(mTabLists);
    mReaderListEditor1->setObjectName(QStringLiteral("ReaderListEditor1"));
    mChannelListEditor1 = new ChannelListEditor(mTabLists);
    mChannelListEditor1->setObjectName(QStringLiteral("ChannelListEditor1"));
    mTabLists->addTab(mUserListEditor1, mImages.Item("User"), QStringLiteral("Users"));
    mTabLists->addTab(mReaderListEditor1, mImages.Item("Clock"), QStringLiteral("Clocks"));
    mTabLists->addTab(mChannelListEditor1, mImages.Item("Channel"), QStringLiteral("Channels"));
    // As small as the editors allow (their minimum sizes) inside the tabs.
    setMinimumSize(mTabLists->minimumSizeHint() + QSize(2 * kMargin, 2 * kMargin));
}

void ListContainer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mAnchor.ReAnchor();
}

void ListContainer::InitListEditors()
{
    // A list that cannot be loaded is not swallowed here: the start-up shows which row of which
    // table breaks which rule (modMain), instead of a window with empty lists.
    zel::data::DataSource source;
    mUserListEditor1->SetUserList(source.GetUserDescriptionList());
    mReaderListEditor1->SetReaderList(source.GetReaderDescriptionList());
    mChannelListEditor1->SetChannelList(source.GetChannelDescriptionList());
    // Read-only: nothing can be added, edited or removed; each button says why.
    const QString readOnly = ReadOnlyNotice();
    for (ListEditorBase* editor :
         std::initializer_list<ListEditorBase*>{mUserListEditor1, mReaderListEditor1, mChannelListEditor1})
        editor->CommandBar()->SetReadOnly(readOnly);
}

} // namespace zel::ui
