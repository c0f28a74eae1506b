#include "zel/Event.h"
#include "zel/data/UserDescriptionList.h"

#include "pages/UserTransfer.h"
#include "pages/models/UserListModel.h"
#include "zel/workflows/UserErasure.h"

#include <algorithm>

namespace zel::ui {

UserListModel::UserListModel(QObject* parent)
    : ListTableModel({{QStringLiteral("User ID"), QStringLiteral("ID"), 1440, true},
                      {QStringLiteral("User Name"), QStringLiteral("Name"), 1440, false},
                      {QStringLiteral("Authority Level"), QStringLiteral("AuthorityLevel"), 1440, false},
                      {QStringLiteral("Enrolled"), QStringLiteral("Enrolled"), 800, false}},
                     parent)
{
}

UserListModel::~UserListModel() = default;

void UserListModel::SetUserList(std::shared_ptr<zel::data::UserDescriptionList> list)
{
    mSubscriptions.clear();
    mUserList = std::move(list);
    if (mUserList) {
        mSubscriptions.push_back(std::make_unique<zel::Subscription>(
            mUserList->ListChanged().Subscribe([this] { mUserList_ListChanged(); })));
        mSubscriptions.push_back(std::make_unique<zel::Subscription>(mUserList->ListItemChanged().Subscribe(
            [this](std::shared_ptr<zel::data::UserDescription> sender) { mUserList_ListItemChanged(sender); })));
    }
    RefillNow();
}

std::shared_ptr<zel::data::UserDescription> UserListModel::UserAt(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= mUsers.size())
        return nullptr;
    return mUsers[static_cast<std::size_t>(row)];
}

void UserListModel::SetIsStatic(bool value)
{
    if (mIsStatic && !value)
        ScheduleRefill();
    mIsStatic = value;
}

bool UserListModel::IsListed(const std::shared_ptr<zel::data::UserDescription>& user) const
{
    return user && mUserList && mUserList->Contains(user->UserID()) && mUserList->Item(user->UserID()) == user;
}

void UserListModel::mUserList_ListChanged()
{
    if (!mIsStatic)
        ScheduleRefill();
}

void UserListModel::mUserList_ListItemChanged(const std::shared_ptr<zel::data::UserDescription>&)
{
    if (!mIsStatic)
        ScheduleRefill();
}

void UserListModel::Fill(std::vector<Row>& rows)
{
    mUsers.clear();
    if (!mUserList)
        return;
    mUsers.reserve(static_cast<std::size_t>(mUserList->Count()));
    rows.reserve(static_cast<std::size_t>(mUserList->Count()));
    const auto pending = zel::workflows::UserErasure::UsersPending();
    for (const auto& user : *mUserList) {
        QString id = QString::fromStdString(user->UserID());
        const bool erasing = std::binary_search(pending.begin(), pending.end(), user->UserID());
        rows.push_back({id,
                        {id, QString::fromStdString(user->Name()), AuthorityLevelName(user->AuthorityLevel()),
                         erasing ? QStringLiteral("erasure pending") : YesNo(user->Enrolled())}});
        mUsers.push_back(user);
    }
}

} // namespace zel::ui
