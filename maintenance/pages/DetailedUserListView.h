#pragma once

#include "zel/KeyedCollection.h"

#include <QWidget>

#include <memory>

class QTreeView;

namespace zel::data {
class UserDescription;
}

namespace zel::ui {

class SortProxy;
class UserListModel;

// A report list of the users of the site database ("User ID", "User Name", "Authority Level",
// "Enrolled"), one row per user, keyed by user ID, sortable by header click. Follows the user
// list's change events unless IsStatic; a burst of events refills the rows once, and the
// selection survives a refill.
class DetailedUserListView : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int SelectionFilter READ SelectionFilter WRITE SetSelectionFilter)
    Q_PROPERTY(bool IsStatic READ IsStatic WRITE SetIsStatic)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)
public:
    using UserCollection = zel::KeyedCollection<std::shared_ptr<zel::data::UserDescription>>;

    // Which selected users GetSelected returns. Enrolled means holding a template (HasTemplate):
    // a user marked enrolled without one is no use to a clock.
    enum Filter { EnrolledOnly = 0, NotEnrolledOnly = 1, AllUsers = 2 };

    // Binds to the site database's user list (through a DataSource of this thread).
    explicit DetailedUserListView(QWidget* parent = nullptr);
    ~DetailedUserListView() override;

    void SelectAll();
    void DeselectAll();

    int SelectionFilter() const { return mSelectionFilter; }
    void SetSelectionFilter(int filter) { mSelectionFilter = filter; }
    bool IsStatic() const;
    void SetIsStatic(bool value);
    bool MultiSelect() const { return mMultiSelect; }
    void SetMultiSelect(bool value);

    // The users of the selected rows, in row order, filtered by SelectionFilter, keyed by UserID.
    UserCollection GetSelected() const;

    int Width() const { return width(); }
    int Height() const { return height(); }

    QTreeView* ListView() const { return mList; }
    UserListModel* Model() const { return mModel; }

signals:
    // The selected rows changed (by a click, or by a refill that dropped a removed user).
    void SelectionChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void RememberSelection();
    void RestoreSelection();

    QTreeView* mList;
    UserListModel* mModel;
    SortProxy* mProxy;
    int mSelectionFilter = AllUsers;
    bool mMultiSelect = true;
    QStringList mSelectedKeys; // kept across a refill
};

} // namespace zel::ui
