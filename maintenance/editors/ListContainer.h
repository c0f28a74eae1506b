#pragma once

#include "layout/Anchor.h"

#include "zel/KeyedCollection.h"

#include <QIcon>
#include <QWidget>

class QTabWidget;

namespace zel::ui {

class UserListEditor;
class ReaderListEditor;
class ChannelListEditor;

// The lists page: a tab strip (tabLists) with the user, clock and channel editors.
class ListContainer : public QWidget {
    Q_OBJECT
public:
    explicit ListContainer(QWidget* parent = nullptr);

    // Binds the user, clock and channel editors to the site database's lists. A list that cannot
    // be loaded raises its error (a SiteLoadError names the row); the start-up shows it. On a site
    // opened read-only the editors' commands are locked, each saying why.
    void InitListEditors();

    UserListEditor* UserEditor() const { return mUserListEditor1; }
    ReaderListEditor* ReaderEditor() const { return mReaderListEditor1; }
    ChannelListEditor* ChannelEditor() const { return mChannelListEditor1; }
    QTabWidget* Tabs() const { return mTabLists; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabWidget* mTabLists;
    UserListEditor* mUserListEditor1;
    ReaderListEditor* mReaderListEditor1;
    ChannelListEditor* mChannelListEditor1;
    // The tab icons, keyed "User", "Clock" and "Channel".
    zel::KeyedCollection<QIcon> mImages;
    Anchor mAnchor;
};

} // namespace zel::ui
