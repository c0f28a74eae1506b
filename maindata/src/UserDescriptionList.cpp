#include "zel/data/UserDescriptionList.h"

#include "Conversions.h"
#include "ListMechanics.h"
#include "zel/data/DataErrors.h"
#include "zel/data/UserDescriptionDB.h"

namespace zel::data {

UserDescriptionList::UserDescriptionList() : mItems(ErrorSource) {}

std::shared_ptr<UserDescriptionList> UserDescriptionList::Load()
{
    std::shared_ptr<UserDescriptionList> list(new UserDescriptionList());
    auto rows = UserDescriptionDB().GetList();
    for (const auto& user : rows) {
        user->SetParentList(list);
        list->mItems.Add(user, user->UserID());
    }
    return list;
}

std::shared_ptr<UserDescription> UserDescriptionList::Add(const std::string& userID, const std::string& name)
{
    if (Contains(userID))
        detail::Raise(errc::InvalidArgument, "UserID already exists.");
    std::shared_ptr<UserDescription> user(new UserDescription());
    user->InitNew(userID, name, weak_from_this());
    mItems.Add(user, userID);
    user->SaveChanges();
    NotifyListChanged();
    return user;
}

bool UserDescriptionList::Contains(const std::string& userID) const
{
    return mItems.Contains(userID);
}

void UserDescriptionList::Remove(const std::string& userID)
{
    auto user = mItems.Item(userID);
    mItems.Remove(userID);
    mDeleted.push_back(user);
    user->MarkDeleted();
    NotifyListChanged();
}

std::shared_ptr<UserDescription> UserDescriptionList::GetByDatabaseID(std::int32_t id) const
{
    return detail::FindByDatabaseID(mItems, id);
}

std::shared_ptr<UserDescription> UserDescriptionList::Item(int position) const
{
    return mItems.Item(position);
}

std::shared_ptr<UserDescription> UserDescriptionList::Item(const std::string& userID) const
{
    return mItems.Item(userID);
}

void UserDescriptionList::Save()
{
    detail::SaveAll(
        mDeleted, mItems, [](const auto& user) { user->SaveChanges(); },
        [](const auto& user) { return !user->IsDeleted() && (user->IsNew() || user->IsDirty()); });
}

bool UserDescriptionList::IsDirty() const
{
    return detail::AnyDirty(mItems, mDeleted);
}

std::vector<std::shared_ptr<UserDescription>> UserDescriptionList::Items() const
{
    return detail::Snapshot(mItems);
}

void UserDescriptionList::RenameKey(const std::string& oldKey, const std::string& newKey)
{
    if (mItems.Contains(newKey))
        detail::Raise(errc::InvalidArgument, "New User ID already exists.");
    if (!mItems.Contains(oldKey))
        detail::Raise(errc::InvalidArgument, "Old User ID does not exist.");
    detail::MoveToEnd(mItems, oldKey, newKey);
}

void UserDescriptionList::NotifyListChanged()
{
    mListChanged.Raise();
}

void UserDescriptionList::NotifyItemChanged(const std::shared_ptr<UserDescription>& sender)
{
    mListItemChanged.Raise(sender);
}

} // namespace zel::data
