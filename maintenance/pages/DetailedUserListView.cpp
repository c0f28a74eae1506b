#include "zel/data/DataSource.h"
#include "zel/data/UserDescriptionList.h"

#include "pages/DetailedUserListView.h"
#include "pages/UserTransfer.h"
#include "pages/models/SortProxy.h"
#include "pages/models/UserListModel.h"
#include "pages/models/ViewSelection.h"

#include <QItemSelectionModel>
#include <QTreeView>

namespace zel::ui {

DetailedUserListView::DetailedUserListView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DetailedUserListView"));
    mList = new QTreeView(this);
    mList->setObjectName(QStringLiteral("lvwUserList"));
    mModel = new UserListModel(this);
    mProxy = new SortProxy(this);
    mProxy->Attach(mModel, mList);
    mList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    mList->setSelectionBehavior(QAbstractItemView::SelectRows);

    connect(mModel, &QAbstractItemModel::modelAboutToBeReset, this, &DetailedUserListView::RememberSelection);
    connect(mModel, &QAbstractItemModel::modelReset, this, &DetailedUserListView::RestoreSelection);
    connect(mList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DetailedUserListView::SelectionChanged);

    zel::data::DataSource site;
    mModel->SetUserList(site.GetUserDescriptionList());
}

DetailedUserListView::~DetailedUserListView() = default;

void DetailedUserListView::SelectAll()
{
    mList->selectAll();
}

void DetailedUserListView::DeselectAll()
{
    mList->clearSelection();
}

bool DetailedUserListView::IsStatic() const
{
    return mModel->IsStatic();
}

void DetailedUserListView::SetIsStatic(bool value)
{
    mModel->SetIsStatic(value);
}

void DetailedUserListView::SetMultiSelect(bool value)
{
    mMultiSelect = value;
    mList->setSelectionMode(value ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

DetailedUserListView::UserCollection DetailedUserListView::GetSelected() const
{
    UserCollection result("DetailedUserListView");
    if (mSelectionFilter < EnrolledOnly || mSelectionFilter > AllUsers)
        return result;
    for (int sourceRow : SelectedSourceRows(mList, mProxy)) {
        auto user = mModel->UserAt(sourceRow);
        if (!user || !mModel->IsListed(user))
            continue; // removed since the last refill
        if (mSelectionFilter == EnrolledOnly && !HasTemplate(*user))
            continue;
        if (mSelectionFilter == NotEnrolledOnly && HasTemplate(*user))
            continue;
        if (!result.Contains(user->UserID()))
            result.Add(user, user->UserID());
    }
    return result;
}

void DetailedUserListView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    mList->setGeometry(rect());
}

void DetailedUserListView::RememberSelection()
{
    mSelectedKeys = SelectedKeys(mList, mProxy, mModel);
}

void DetailedUserListView::RestoreSelection()
{
    SelectKeys(mList, mProxy, mModel, mSelectedKeys);
    mSelectedKeys.clear();
    emit SelectionChanged();
}

} // namespace zel::ui
